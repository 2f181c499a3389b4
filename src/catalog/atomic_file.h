// Replacing a file so that a failure at any point leaves the old file as it was.
#ifndef QUORVEL_CATALOG_ATOMIC_FILE_H_
#define QUORVEL_CATALOG_ATOMIC_FILE_H_

#include <filesystem>
#include <string>

#include "catalog/stream.h"

namespace quorvel {

// Writes `bytes` to a new temporary file beside `path`, forces it to the disk, then renames it
// over `path` (through a symbolic link to its target, keeping the old file's permissions). On
// failure the temporary file is removed, `path` is untouched, and false is returned with the
// system's reason in *reason. Never throws.
bool WriteFileAtomically(const std::filesystem::path& path, ByteView bytes, std::string* reason);

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_ATOMIC_FILE_H_
