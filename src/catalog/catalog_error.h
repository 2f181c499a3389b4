// The program's one error type: what a core function throws when it cannot do what it was
// asked. See docs/errors.md for the convention.
#ifndef QUORVEL_CATALOG_CATALOG_ERROR_H_
#define QUORVEL_CATALOG_CATALOG_ERROR_H_

#include <filesystem>
#include <stdexcept>
#include <string>

namespace quorvel {

// The reason given, after the file's name, for a FIFO, a device or the like where a catalogue file
// is expected: such files are refused rather than read or replaced.
inline constexpr char kNotRegularFile[] = "Not a regular file";

// What failed, for a caller to decide by and for the windows to word.
enum class ErrorKind {
  kRefused,     // input the function does not take: a value too wide, a disk that is not there
  kFileAccess,  // a file or folder could not be opened, read, created or written
  kBusy,        // another program is changing the catalogue
  kDamaged,     // the catalogue to change is damaged: a change saved would lose what is unread
  kFull,        // more disks, thumbnails or bytes than the catalogue can hold
  kChangedOutside,  // another program changed the file in place after it was opened
};

// Thrown by a function that cannot do what it was asked; it has then left every stream and file
// it was given as it was, unless its contract says otherwise. what() is the detail in English:
// what failed and why, naming the file. `subject` is the file or folder concerned, when one is.
class CatalogError : public std::runtime_error {
 public:
  explicit CatalogError(const std::string& detail, ErrorKind kind = ErrorKind::kRefused,
                        std::filesystem::path subject = {})
      : std::runtime_error(detail), kind_(kind), subject_(std::move(subject)) {}

  ErrorKind kind() const { return kind_; }
  const std::filesystem::path& subject() const { return subject_; }

 private:
  ErrorKind kind_;
  std::filesystem::path subject_;
};

// The error of a file that could not be written: "Cannot create file "PATH". REASON".
inline CatalogError CannotCreateFile(const std::filesystem::path& path, const std::string& reason) {
  return CatalogError("Cannot create file \"" + path.string() + "\". " + reason,
                      ErrorKind::kFileAccess, path);
}

// The error of a file that could not be opened: "Cannot open file "PATH". REASON".
inline CatalogError CannotOpenFile(const std::filesystem::path& path, const std::string& reason) {
  return CatalogError("Cannot open file \"" + path.string() + "\". " + reason,
                      ErrorKind::kFileAccess, path);
}

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_CATALOG_ERROR_H_
