// One writer at a time for a catalogue file, across programs: the window, qrvtool, and any
// number of copies of either.
#ifndef QUORVEL_CATALOG_CATALOG_LOCK_H_
#define QUORVEL_CATALOG_CATALOG_LOCK_H_

#include <chrono>
#include <filesystem>

#include "catalog/catalog_error.h"

namespace quorvel {

// How long a writer waits for another to finish before it gives up.
inline constexpr std::chrono::milliseconds kLockPatience{3000};

// Thrown when another program holds the lock for longer than the patience allowed.
class CatalogBusyError : public CatalogError {
 public:
  explicit CatalogBusyError(const std::filesystem::path& catalogue)
      : CatalogError("The catalogue \"" + catalogue.string() +
                         "\" is being changed by another program",
                     ErrorKind::kBusy, catalogue) {}
};

// An exclusive lock on one catalogue file, held from construction to destruction by whoever
// reads the file, changes it and writes it back, so that no other writer's change is lost in
// between. Readers take none. The lock lives in a hidden file beside the catalogue (through
// links, beside the file they lead to), which is removed again on release; one left by a
// killed program locks nothing. Taking it also removes the temporaries that saves of the
// catalogue killed part-way left behind.
class CatalogLock {
 public:
  // Waits up to `patience`, polling, while another program holds the lock; then throws
  // CatalogBusyError. Throws CatalogError ("Cannot create file ...") when the lock file
  // cannot be made (a folder without write permission, where no save could succeed either).
  explicit CatalogLock(const std::filesystem::path& catalogue,
                       std::chrono::milliseconds patience = kLockPatience);
  ~CatalogLock();
  CatalogLock(const CatalogLock&) = delete;
  CatalogLock& operator=(const CatalogLock&) = delete;

  // The lock file's name for `catalogue`: hidden, and shortened with a hash where the
  // catalogue's own name leaves no room for more.
  static std::filesystem::path LockFileFor(const std::filesystem::path& catalogue);

 private:
  std::filesystem::path lock_file_;
  int fd_ = -1;
};

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_CATALOG_LOCK_H_
