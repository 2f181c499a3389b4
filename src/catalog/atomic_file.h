// Replacing a file so that a failure at any point leaves the old file as it was.
#ifndef QUORVEL_CATALOG_ATOMIC_FILE_H_
#define QUORVEL_CATALOG_ATOMIC_FILE_H_

#include <filesystem>
#include <functional>
#include <string>

#include "catalog/file_identity.h"
#include "catalog/stream.h"

namespace quorvel {

// The file a write through `path` lands in: `path` with its symbolic links followed as far as
// they lead, to a file that need not exist yet.
std::filesystem::path FinalTarget(const std::filesystem::path& path);

// Writes `bytes` to a temporary file beside FinalTarget(path), forces it to the disk, then
// renames it over that file, so a link is followed and never replaced (one to a missing file
// creates that file). The old file's permissions are kept, and its owner and group where the
// process may set them. Where the system allows it the temporary has no name until it is
// complete, so a save killed while writing leaves nothing behind. Refuses what a plain write
// would refuse (a file without write permission) and anything that is not a regular file,
// never opening such a file for longer than to tell. On failure the target is untouched, no
// temporary is left, and CannotCreateFile(path, the system's reason) is thrown; on success
// *written, when given, is the identity of the new file.
void SaveFileAtomically(const std::filesystem::path& path, ByteView bytes,
                        FileIdentity* written = nullptr);

#ifndef _WIN32
// What fills the temporary: writes the whole content to the descriptor, from its start. A
// CatalogError it throws fails the save as the other failures do, and goes through as it is.
using FileContent = std::function<void(int fd)>;

// The same, for content written by `content`.
void SaveFileAtomically(const std::filesystem::path& path, const FileContent& content,
                        FileIdentity* written = nullptr);
#endif

// The start of the names of the temporaries that saving `target` (a FinalTarget) makes beside
// it: hidden, of one short length whatever the length of the target's name, and told apart from
// other files' by a hash of that name.
std::string TemporaryNamePrefix(const std::filesystem::path& target);

// Removes the temporaries that saves of `target` left behind when they were killed between
// naming the temporary and renaming it. Only safe while no other save of `target` can be
// running: while its CatalogLock is held. Never throws.
void RemoveStrayTemporaries(const std::filesystem::path& target);

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_ATOMIC_FILE_H_
