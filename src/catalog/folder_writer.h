// Writing thumbnails into a folder the user named, and nowhere else.
#ifndef QUORVEL_CATALOG_FOLDER_WRITER_H_
#define QUORVEL_CATALOG_FOLDER_WRITER_H_

#include <filesystem>
#include <string_view>

#include "catalog/catalog_index.h"
#include "catalog/stream.h"

namespace quorvel {

// Holds one folder open for a run of writes, so that every file lands in that very folder even
// if its path is changed meanwhile.
class FolderWriter {
 public:
  // Opens `folder`, which may itself be a link to a folder; throws CatalogError when it cannot.
  explicit FolderWriter(const std::filesystem::path& folder);
  ~FolderWriter();
  FolderWriter(const FolderWriter&) = delete;
  FolderWriter& operator=(const FolderWriter&) = delete;

  // Writes the JPEG bytes of `thumb` (of the catalogue `stream`) as ThumbnailFileName of its
  // image name, replacing a file or link of that name without following it, and returns the
  // path written. Throws CatalogError when the file cannot be written; what stood under that
  // name before then stays as it was.
  std::filesystem::path WriteThumbnail(ByteView stream, const Disc& thumb);

 private:
  // `name` is one UTF-8 file name without separators.
  std::filesystem::path Write(std::string_view name, ByteView bytes);

  std::filesystem::path folder_;
#ifndef _WIN32
  int fd_ = -1;
#endif
};

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_FOLDER_WRITER_H_
