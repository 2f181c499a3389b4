// The one exception type that catalogue code throws.
#ifndef QUORVEL_CATALOG_CATALOG_ERROR_H_
#define QUORVEL_CATALOG_CATALOG_ERROR_H_

#include <filesystem>
#include <stdexcept>
#include <string>

namespace quorvel {

// The reason given, after the file's name, for a FIFO, a device or the like where a catalogue file
// is expected: such files are refused rather than read or replaced.
inline constexpr char kNotRegularFile[] = "Not a regular file";

// Raised for input that catalogue code refuses (a malformed hex text, a value too wide for its
// field, a file that cannot be read or written). Its message is fit to show to the user. A
// function that throws it has left every stream it was given as it was, unless its contract says
// otherwise.
class CatalogError : public std::runtime_error {
 public:
  explicit CatalogError(const std::string& message) : std::runtime_error(message) {}
};

// The error of a file that could not be written: "Cannot create file "PATH". REASON".
inline CatalogError CannotCreateFile(const std::filesystem::path& path, const std::string& reason) {
  return CatalogError("Cannot create file \"" + path.string() + "\". " + reason);
}

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_CATALOG_ERROR_H_
