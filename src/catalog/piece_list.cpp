#include "catalog/piece_list.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

#include "catalog/catalog_error.h"

namespace quorvel {
namespace {

// What one read or write moves at most when the kernel cannot copy a range itself.
constexpr std::int64_t kCopyChunk = 1 << 20;
// What one copy by the kernel moves at most.
constexpr std::int64_t kCopyStep = 64 << 20;

CatalogError ChangedOutside(const std::filesystem::path& path) {
  return CatalogError(
      "The file \"" + path.string() + "\" was changed by another program after it was opened",
      ErrorKind::kChangedOutside, path);
}

void WriteAll(int fd, const std::uint8_t* data, std::int64_t count,
              const std::filesystem::path& target) {
  while (count > 0) {
    const ssize_t wrote = ::write(fd, data, static_cast<std::size_t>(count));
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) throw CannotCreateFile(target, std::strerror(wrote < 0 ? errno : ENOSPC));
    data += wrote;
    count -= wrote;
  }
}

}  // namespace

OpenedCatalogFile::OpenedCatalogFile(const std::filesystem::path& path) : path_(path) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd_ < 0) throw CannotOpenFile(path, std::strerror(errno));
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    const std::string why = S_ISREG(st.st_mode) ? std::strerror(errno) : kNotRegularFile;
    ::close(fd_);
    throw CannotOpenFile(path, why);
  }
  // A regular file blocks nothing; reads wait for the disk as usual.
  ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
  identity_ = IdentifyOpenFile(fd_).value_or(FileIdentity{});
  identity_.size = static_cast<std::uint64_t>(st.st_size);
}

OpenedCatalogFile::~OpenedCatalogFile() {
  if (fd_ >= 0) ::close(fd_);
}

void OpenedCatalogFile::RequireUnchanged() const {
  const std::optional<FileIdentity> now = IdentifyOpenFile(fd_);
  if (!now || *now != identity_) throw ChangedOutside(path_);
}

void OpenedCatalogFile::Read(std::int64_t offset, std::span<std::uint8_t> out) const {
  if (offset < 0 || offset + static_cast<std::int64_t>(out.size()) > Size()) {
    throw CatalogError("Read outside the catalogue file", ErrorKind::kRefused, path_);
  }
  std::size_t done = 0;
  while (done < out.size()) {
    const ssize_t got = ::pread(fd_, out.data() + done, out.size() - done,
                                static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      throw CatalogError("Cannot read file \"" + path_.string() + "\". " + std::strerror(errno),
                         ErrorKind::kFileAccess, path_);
    }
    // The file is shorter than when it was opened: someone cut it.
    if (got == 0) throw ChangedOutside(path_);
    done += static_cast<std::size_t>(got);
  }
  // A rewrite in place of the same length shows only in the modification time; asked after the
  // read, so that bytes read from a changed file are never taken for the opened ones.
  RequireUnchanged();
}

PieceList::PieceList(std::shared_ptr<const OpenedCatalogFile> file) {
  const std::int64_t size = file->Size();
  Add({nullptr, std::move(file), 0, size});
}

PieceList::PieceList(Bytes bytes) {
  if (!bytes.empty()) {
    const auto length = static_cast<std::int64_t>(bytes.size());
    Add({std::make_shared<const Bytes>(std::move(bytes)), nullptr, 0, length});
  }
}

void PieceList::Add(const Piece& piece) {
  if (piece.length <= 0) return;
  if (!pieces_.empty()) {
    Piece& last = pieces_.back();
    if (last.block == piece.block && last.file == piece.file &&
        last.start + last.length == piece.start) {
      last.length += piece.length;
      size_ += piece.length;
      return;
    }
  }
  pieces_.push_back(piece);
  starts_.push_back(size_);
  size_ += piece.length;
}

std::pair<std::size_t, std::int64_t> PieceList::Locate(std::int64_t offset) const {
  const auto after = std::upper_bound(starts_.begin(), starts_.end(), offset);
  const auto index = static_cast<std::size_t>(after - starts_.begin()) - 1;
  return {index, starts_[index]};
}

template <typename Visit>
void PieceList::ForEachPart(std::int64_t offset, std::int64_t count, Visit visit) const {
  if (count <= 0) return;
  auto [index, start] = Locate(offset);
  for (std::int64_t done = 0; done < count; ++index) {
    const Piece& piece = pieces_[index];
    const std::int64_t within = offset + done - start;
    const std::int64_t take = std::min(piece.length - within, count - done);
    visit(piece, piece.start + within, take, done);
    done += take;
    start += piece.length;
  }
}

void PieceList::Read(std::int64_t offset, std::span<std::uint8_t> out) const {
  const auto count = static_cast<std::int64_t>(out.size());
  if (offset < 0 || count < 0 || offset + count > size_) {
    throw CatalogError("Read outside the catalogue", ErrorKind::kRefused);
  }
  ForEachPart(offset, count,
              [&](const Piece& piece, std::int64_t from, std::int64_t take, std::int64_t done) {
                const auto target = out.subspan(static_cast<std::size_t>(done),
                                                static_cast<std::size_t>(take));
                if (piece.block) {
                  std::memcpy(target.data(), piece.block->data() + from, target.size());
                } else {
                  piece.file->Read(from, target);
                }
              });
}

Bytes PieceList::Read(std::int64_t offset, std::int64_t count) const {
  Bytes bytes(static_cast<std::size_t>(std::max<std::int64_t>(count, 0)));
  Read(offset, bytes);
  return bytes;
}

void PieceList::CopyRange(std::int64_t offset, std::int64_t count, PieceList& to) const {
  ForEachPart(offset, count,
              [&](const Piece& piece, std::int64_t from, std::int64_t take, std::int64_t) {
                to.Add({piece.block, piece.file, from, take});
              });
}

PieceList PieceList::Replaced(std::int64_t offset, std::int64_t count, Bytes bytes) const {
  if (offset < 0 || count < 0 || offset + count > size_) {
    throw CatalogError("Change outside the catalogue", ErrorKind::kRefused);
  }
  PieceList result;
  result.pieces_.reserve(pieces_.size() + 2);
  CopyRange(0, offset, result);
  result.Append(std::move(bytes));
  CopyRange(offset + count, size_ - offset - count, result);
  return result;
}

PieceList PieceList::Appended(const PieceList& other, std::int64_t offset,
                              std::int64_t count) const {
  PieceList result = *this;
  result.Append(other, offset, count);
  return result;
}

void PieceList::Append(Bytes bytes) {
  const auto length = static_cast<std::int64_t>(bytes.size());
  if (length > 0) Add({std::make_shared<const Bytes>(std::move(bytes)), nullptr, 0, length});
}

void PieceList::Append(const PieceList& other, std::int64_t offset, std::int64_t count) {
  if (offset < 0 || count < 0 || offset + count > other.size_) {
    throw CatalogError("Copy outside the catalogue", ErrorKind::kRefused);
  }
  other.CopyRange(offset, count, *this);
}

void PieceList::WriteTo(int fd, const std::filesystem::path& target,
                        const std::function<void(std::int64_t, std::int64_t)>& progress) const {
  std::vector<std::uint8_t> buffer;
  std::int64_t written = 0;
  for (const Piece& piece : pieces_) {
    if (piece.block) {
      WriteAll(fd, piece.block->data() + piece.start, piece.length, target);
      written += piece.length;
      if (progress) progress(written, size_);
      continue;
    }
    off_t from = static_cast<off_t>(piece.start);
    std::int64_t left = piece.length;
    while (left > 0) {
      // In steps, so that progress can be told on a file system that copies the bytes.
      const ssize_t copied = ::copy_file_range(piece.file->Descriptor(), &from, fd, nullptr,
                                               static_cast<std::size_t>(std::min(left, kCopyStep)), 0);
      if (copied > 0) {
        left -= copied;
        written += copied;
        if (progress) progress(written, size_);
        continue;
      }
      if (copied < 0 && errno == EINTR) continue;
      // copy_file_range does not cross every pair of file systems: read and write instead.
      if (copied < 0 && errno != EXDEV && errno != ENOSYS && errno != EOPNOTSUPP &&
          errno != EINVAL) {
        throw CannotCreateFile(target, std::strerror(errno));
      }
      if (copied == 0) throw ChangedOutside(piece.file->Path());
      buffer.resize(static_cast<std::size_t>(std::min(left, kCopyChunk)));
      piece.file->Read(from, buffer);
      WriteAll(fd, buffer.data(), static_cast<std::int64_t>(buffer.size()), target);
      from += static_cast<off_t>(buffer.size());
      left -= static_cast<std::int64_t>(buffer.size());
      written += static_cast<std::int64_t>(buffer.size());
      if (progress) progress(written, size_);
    }
    // The kernel copied the range unseen: make sure it held the opened bytes.
    piece.file->RequireUnchanged();
  }
}

}  // namespace quorvel
