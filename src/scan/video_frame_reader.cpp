#include "scan/video_frame_reader.h"

#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QStringList>
#include <filesystem>
#include <system_error>

#include "scan/video_module.h"

namespace quorvel {
namespace {

// The module's file wherever it is installed: beside the program (a program moved with its
// module), where the build made it (the programs, tests and benchmarks of a build tree), where
// the installation put it. In this order.
QStringList ModuleFiles() {
  QStringList folders;
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) folders << QFile::decodeName(program.parent_path().native().c_str());
  folders << QStringLiteral(QUORVEL_VIDEO_MODULE_BUILD_DIR)
          << QStringLiteral(QUORVEL_VIDEO_MODULE_INSTALL_DIR);
  QStringList files;
  for (const QString& folder : folders) {
    const QString file = folder + QStringLiteral("/" QUORVEL_VIDEO_MODULE_FILE);
    if (QFileInfo(file).isFile() && !files.contains(file)) files << file;
  }
  return files;
}

const QStringList& FoundModuleFiles() {
  static const QStringList files = ModuleFiles();
  return files;
}

struct VideoModule {
  decltype(&quorvel_video_library) library = nullptr;
  decltype(&quorvel_video_read_frame) read_frame = nullptr;
  QString error;  // why there is none
};

// The first module found that loads and is of this build.
VideoModule Load() {
  VideoModule module;
  module.error = QStringLiteral("The video module (%1) is not installed")
                     .arg(QStringLiteral(QUORVEL_VIDEO_MODULE_FILE));
  for (const QString& file : FoundModuleFiles()) {
    QLibrary library(file);
    // Lazy and local binding by default. Never unloaded: a render abandoned at the program's
    // end may still be running in it.
    library.setLoadHints(QLibrary::PreventUnloadHint);
    if (!library.load()) {
      module.error =
          QStringLiteral("The video module could not be loaded: %1").arg(library.errorString());
      continue;
    }
    const auto interface_of = reinterpret_cast<decltype(&quorvel_video_interface)>(
        library.resolve("quorvel_video_interface"));
    module.library = reinterpret_cast<decltype(&quorvel_video_library)>(
        library.resolve("quorvel_video_library"));
    module.read_frame = reinterpret_cast<decltype(&quorvel_video_read_frame)>(
        library.resolve("quorvel_video_read_frame"));
    if (interface_of && interface_of() == QUORVEL_VIDEO_MODULE_INTERFACE && module.library &&
        module.read_frame) {
      module.error.clear();
      return module;
    }
    module = {};
    module.error =
        QStringLiteral("The video module %1 is of another build of the program").arg(file);
  }
  return module;
}

const VideoModule& LoadedModule() {
  static const VideoModule module = Load();
  return module;
}

}  // namespace

const std::vector<QByteArray>& VideoSuffixes() {
  static const std::vector<QByteArray> suffixes = {"mp4",  "m4v",  "mov",  "avi", "mkv",
                                                   "webm", "mpg",  "mpeg", "wmv", "3gp",
                                                   "mts",  "m2ts", "vob",  "flv"};
  return suffixes;
}

bool VideoModuleFound() { return !FoundModuleFiles().isEmpty(); }

QString VideoLibrary() {
  QString name;
  if (LoadedModule().library) LoadedModule().library(&name);
  return name;
}

QImage ReadVideoFrame(ByteSource& source, int side, std::stop_token stop, QString* message,
                      PictureFacts* facts) {
  const VideoModule& module = LoadedModule();
  if (!module.read_frame) {
    *message = module.error;
    return {};
  }
  QImage frame;
  module.read_frame(&source, side, &stop, &frame, message, facts);
  return frame;
}

}  // namespace quorvel
