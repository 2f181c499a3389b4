#include "support/video_fixtures.h"

#include <QProcess>
#include <cstdio>
#include <memory>
#include <vector>

namespace quorvel::testkit {

bool RunAll(const QList<QStringList>& commands) {
  std::vector<std::unique_ptr<QProcess>> processes;
  for (const QStringList& command : commands) {
    auto process = std::make_unique<QProcess>();
    process->setStandardOutputFile(QProcess::nullDevice());
    process->start(command.first(), command.mid(1));
    processes.push_back(std::move(process));
  }
  bool all = true;
  for (std::size_t i = 0; i < processes.size(); ++i) {
    QProcess& process = *processes[i];
    const bool ran = process.waitForStarted(30000) && process.waitForFinished(120000) &&
                     process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (!ran) {
      std::fprintf(stderr, "failed: %s\n%s\n", qPrintable(commands[static_cast<int>(i)].join(u' ')),
                   process.readAllStandardError().constData());
      all = false;
    }
  }
  return all;
}

QStringList TestPatternVideo(const QString& path, QSize size, int seconds, int rate,
                             const QStringList& encoding) {
  return QStringList{QStringLiteral("ffmpeg"),
                     QStringLiteral("-y"),
                     QStringLiteral("-loglevel"),
                     QStringLiteral("error"),
                     QStringLiteral("-f"),
                     QStringLiteral("lavfi"),
                     QStringLiteral("-i"),
                     QStringLiteral("testsrc=size=%1x%2:rate=%3:duration=%4")
                         .arg(size.width())
                         .arg(size.height())
                         .arg(rate)
                         .arg(seconds)} +
         encoding + QStringList{path};
}

}  // namespace quorvel::testkit
