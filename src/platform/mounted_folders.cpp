#include "platform/mounted_folders.h"

namespace quorvel {

// Placeholders until the watch is built: they link, and see nothing mounted.
std::vector<MountedFolder> ParseMountInfo(std::string_view) { return {}; }

std::vector<MountedFolder> MountedFolders() { return {}; }

MountWatch::MountWatch(QObject* parent) : QObject(parent) {}

MountWatch::~MountWatch() = default;

}  // namespace quorvel
