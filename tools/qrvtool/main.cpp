#include <iostream>
#include <string>
#include <vector>

#include "qrvtool.h"

#ifdef QRVTOOL_ADD
#include <unistd.h>

#include <QGuiApplication>

#include "qrvtool_add.h"
#include "qrvtool_formats.h"
#endif

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
#ifdef QRVTOOL_ADD
  if (!args.empty() && (args[0] == "add" || args[0] == "update")) {
    // No window is shown, but the placeholder of a picture that does not decode is drawn with
    // text, which needs Qt's font database: the offscreen platform has it (the minimal one draws
    // no text) and needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    quorvel::qrvtool::OwnStderr own_stderr;
    QGuiApplication app(argc, argv);
    const auto run = args[0] == "add" ? quorvel::qrvtool::RunAdd : quorvel::qrvtool::RunUpdate;
    return run({args.begin() + 1, args.end()}, std::cout, own_stderr.stream(),
               isatty(own_stderr.fd()) != 0);
  }
  if (!args.empty() && args[0] == "formats") {
    QCoreApplication app(argc, argv);
    return quorvel::qrvtool::RunFormats({args.begin() + 1, args.end()}, std::cout, std::cerr);
  }
#endif
  return quorvel::qrvtool::Run(args, std::cout, std::cerr);
}
