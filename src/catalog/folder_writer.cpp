#include "catalog/folder_writer.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "catalog/catalog_error.h"
#include "catalog/cp1251.h"
#include "catalog/thumbnail_file_name.h"

#ifdef _WIN32
#include <fstream>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace quorvel {
namespace {

namespace fs = std::filesystem;

fs::path Utf8Path(std::string_view name) {
  return fs::path(std::u8string(name.begin(), name.end()));
}

}  // namespace

std::string FolderWriter::TakeName(const Disc& thumb,
                                   const std::unordered_set<std::string>& reserved) {
  const std::string image_name = Cp1251ToUtf8(thumb.Name());
  std::string name = ThumbnailFileName(image_name);
  unsigned copy = 1;
  while (taken_names_.contains(name) || (copy > 1 && reserved.contains(name))) {
    name = NumberedThumbnailFileName(image_name, ++copy);
  }
  // Taken even if the write then fails, so that one blocked file does not move the names of
  // the thumbnails after it.
  taken_names_.insert(name);
  return name;
}

FolderWriteResult FolderWriter::WriteThumbnails(const CatalogVersion& catalog,
                                                std::span<const ThumbRef> thumbs) {
  const auto at = [&](const ThumbRef& ref) -> std::pair<const CatInfo&, const Disc&> {
    const CatInfo& disk = catalog.index.Disks.at(static_cast<std::size_t>(ref.disk));
    return {disk, disk.Thumbs[static_cast<std::size_t>(ref.thumb)]};
  };
  std::unordered_set<std::string> plain_names;
  for (const ThumbRef& ref : thumbs) {
    plain_names.insert(ThumbnailFileName(Cp1251ToUtf8(at(ref).second.Name())));
  }
  FolderWriteResult result;
  for (const ThumbRef& ref : thumbs) {
    const auto [disk, thumb] = at(ref);
    const std::string name = TakeName(thumb, plain_names);
    if (auto reason = Write(name, catalog.Jpeg(disk, thumb))) {
      result.unwritten.push_back({folder_ / Utf8Path(name), std::move(*reason)});
    } else {
      result.written.push_back(folder_ / Utf8Path(name));
    }
  }
  return result;
}

#ifdef _WIN32

FolderWriter::FolderWriter(const fs::path& folder) : folder_(folder) {
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    throw CatalogError("Cannot open folder \"" + folder.string() + "\". Not a directory",
                       ErrorKind::kFileAccess, folder);
  }
}

FolderWriter::~FolderWriter() = default;

std::optional<std::string> FolderWriter::Write(std::string_view name, ByteView bytes) {
  std::ofstream file(folder_ / Utf8Path(name), std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) return std::strerror(errno);
  return std::nullopt;
}

#else

FolderWriter::FolderWriter(const fs::path& folder) : folder_(folder) {
  fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) {
    throw CatalogError("Cannot open folder \"" + folder.string() + "\". " + std::strerror(errno),
                       ErrorKind::kFileAccess, folder);
  }
}

FolderWriter::~FolderWriter() { ::close(fd_); }

std::optional<std::string> FolderWriter::Write(std::string_view name, ByteView bytes) {
  const std::string target(name);
  if (target.empty() || target.find('/') != std::string::npos || target == "." || target == "..") {
    return "Not a file name";
  }
  // A fresh file under a short name of our own, renamed over the target: a link (or a hard
  // link to a file elsewhere) in the target's place is replaced, never written through, and a
  // failed write leaves the old file whole. The short name also fits when the target is 255
  // bytes long.
  std::string temp;
  int fd = -1;
  for (unsigned attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    temp = ".quorvel-" + std::to_string(::getpid()) + "-" + std::to_string(attempt) + ".tmp";
    fd = ::openat(fd_, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) return std::strerror(errno);
  int error = 0;
  for (std::size_t done = 0; done < bytes.size() && error == 0;) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n >= 0) {
      done += static_cast<std::size_t>(n);
    } else if (errno != EINTR) {
      error = errno;
    }
  }
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::renameat(fd_, temp.c_str(), fd_, target.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlinkat(fd_, temp.c_str(), 0);
    return std::strerror(error);
  }
  return std::nullopt;
}

#endif

}  // namespace quorvel
