// make_photo_catalog OUT.qrv DISKNAME FOLDER [DISKNAME FOLDER]...: a catalogue of real photographs,
// one disk per folder, for screenshots and benchmarks. A test fixture only: it reads the image
// files lying directly in each folder with Qt's readers and stores their thumbnails through the
// catalogue writer, without the exclusions, the progress or the shell renderer of a real scan.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdio>
#include <exception>
#include <string>

#include "catalog/catalog_error.h"
#include "catalog/cp1251.h"
#include "catalog/disk_record_writer.h"
#include "catalog/format.h"
#include "catalog/stream.h"
#include "catalog/thumbnail_jpeg.h"
#include "support/catalog_builder.h"

namespace quorvel {
namespace {

constexpr std::size_t kMaxNameBytes = 255;

// The picture fitted inside the thumbnail square, centred on white as a scanned disk shows it;
// transparent parts of a PNG come out white too. Null when Qt cannot read the file.
QImage RenderThumbnail(const QString& path, QString* error) {
  QImageReader reader(path);
  reader.setAutoTransform(true);  // a camera's portrait shot should stand upright
  const QImage picture = reader.read();
  if (picture.isNull()) {
    *error = reader.errorString();
    return {};
  }
  const QImage fitted =
      picture.scaled(kThumbSide, kThumbSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  QImage canvas(kThumbSide, kThumbSide, QImage::Format_RGB888);
  canvas.fill(Qt::white);
  QPainter painter(&canvas);
  painter.drawImage((kThumbSide - fitted.width()) / 2, (kThumbSide - fitted.height()) / 2, fitted);
  painter.end();
  return canvas;
}

// A stored name holds at most 255 bytes; the end of a path says the most about the file.
std::string StoredName(const QString& text) {
  const std::string cp1251 = Utf8ToCp1251(text.toStdString());
  return cp1251.size() <= kMaxNameBytes ? cp1251 : cp1251.substr(cp1251.size() - kMaxNameBytes);
}

// Appends one disk holding every readable image of `folder`; returns how many it holds.
int AppendFolderDisk(Bytes& catalogue, const QString& disk_name, const QString& folder) {
  const QDir dir(folder);
  if (!dir.exists()) throw CatalogError("no such folder: " + folder.toStdString());
  // QDir matches name filters without regard to case, so "*.JPG" is found too.
  const QFileInfoList files =
      dir.entryInfoList({"*.jpg", "*.jpeg", "*.png"}, QDir::Files, QDir::Name);
  DiskRecordHead head = BeginDiskRecord(catalogue, StoredName(disk_name));
  for (const QFileInfo& file : files) {
    const QString path = QDir::toNativeSeparators(file.absoluteFilePath());
    QString error;
    const QImage thumbnail = RenderThumbnail(path, &error);
    if (thumbnail.isNull()) {
      std::fprintf(stderr, "skipped %s: %s\n", qPrintable(path), qPrintable(error));
      continue;
    }
    AppendThumbnailRecord(catalogue, head, StoredName(path),
                          RgbView{thumbnail.constBits(), thumbnail.width(), thumbnail.height(),
                                  static_cast<int>(thumbnail.bytesPerLine())});
  }
  FinishDiskRecord(catalogue, head);
  return static_cast<int>(head.thumb_count);
}

}  // namespace
}  // namespace quorvel

int main(int argc, char* argv[]) {
  // Qt finds its image format plugins through the application object.
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() < 4 || args.size() % 2 != 0) {
    std::fprintf(stderr, "usage: %s OUT.qrv DISKNAME FOLDER [DISKNAME FOLDER]...\n", argv[0]);
    return 2;
  }
  try {
    quorvel::Bytes catalogue;
    int total = 0;
    for (qsizetype k = 2; k + 1 < args.size(); k += 2) {
      const int count = quorvel::AppendFolderDisk(catalogue, args[k], args[k + 1]);
      std::printf("%s\t%d\n", qPrintable(args[k]), count);
      total += count;
    }
    quorvel::testkit::WriteFile(args[1].toStdU16String(), catalogue);
    std::printf("%s: %lld disks, %d thumbnails, %zu bytes\n", qPrintable(args[1]),
                static_cast<long long>(args.size() / 2 - 1), total, catalogue.size());
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s: %s\n", argv[0], error.what());
    return 1;
  }
  return 0;
}
