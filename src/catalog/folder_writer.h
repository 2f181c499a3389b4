// Writing thumbnails into a folder the user named, and nowhere else.
#ifndef QUORVEL_CATALOG_FOLDER_WRITER_H_
#define QUORVEL_CATALOG_FOLDER_WRITER_H_

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "catalog/catalog_index.h"
#include "catalog/catalog_version.h"
#include "catalog/stream.h"

namespace quorvel {

// A thumbnail that could not be saved: the file it was meant for, and the system's reason.
struct UnwrittenThumbnail {
  std::filesystem::path path;
  std::string reason;
};

// What saving a list of thumbnails did, both lists in the order of the thumbnails.
struct FolderWriteResult {
  std::vector<std::filesystem::path> written;
  std::vector<UnwrittenThumbnail> unwritten;
};

// Holds one folder open for a run of writes, so that every file lands in that very folder even
// if its path is changed meanwhile. Each thumbnail of a run gets a file of its own.
class FolderWriter {
 public:
  // Opens `folder`, which may itself be a link to a folder; throws CatalogError when it cannot.
  explicit FolderWriter(const std::filesystem::path& folder);
  ~FolderWriter();
  FolderWriter(const FolderWriter&) = delete;
  FolderWriter& operator=(const FolderWriter&) = delete;

  // Writes the JPEG bytes of each of `thumbs` (of `catalog`) as ThumbnailFileName
  // of its image name, or, when an earlier thumbnail of this writer was meant for that name, as
  // the first NumberedThumbnailFileName that no thumbnail of this writer was meant for and no
  // thumbnail of the list has as its own. A file or link of that name from before is replaced
  // without following it. A file that cannot be written leaves what stood under its name as it
  // was, and the others are written still. Throws CatalogError when the catalogue's file can
  // no longer be read, with the files written so far left in place.
  FolderWriteResult WriteThumbnails(const CatalogVersion& catalog,
                                    std::span<const ThumbRef> thumbs);

 private:
  // Takes, for this run, the name `thumb` is to be written under.
  std::string TakeName(const Disc& thumb, const std::unordered_set<std::string>& reserved);

  // `name` is one UTF-8 file name without separators. Returns why the file could not be
  // written, or nothing when it was.
  std::optional<std::string> Write(std::string_view name, ByteView bytes);

  std::filesystem::path folder_;
  // Compared byte for byte, as the file system compares names on Linux.
  std::unordered_set<std::string> taken_names_;
#ifndef _WIN32
  int fd_ = -1;
#endif
};

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_FOLDER_WRITER_H_
