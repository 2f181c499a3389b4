#include "catalog/stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>

#include "catalog/catalog_error.h"
#include "catalog/format.h"

namespace quorvel {
namespace {

// The absolute position for origin and offset (negative when it lies before the start), or
// nullopt when the offset has the wrong sign for its origin.
std::optional<std::int64_t> Resolve(std::int64_t size, Origin origin, std::int64_t offset) {
  if (origin == Origin::kBeginning) {
    if (offset < 0) return std::nullopt;
    return offset;
  }
  if (offset > 0) return std::nullopt;
  return size + offset;
}

std::ifstream OpenForReading(const std::filesystem::path& path) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    throw CatalogError("Cannot open file \"" + path.string() + "\". Is a directory");
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    throw CatalogError("Cannot open file \"" + path.string() + "\". " + std::strerror(errno));
  }
  return in;
}

}  // namespace

void WriteAt(Bytes& stream, Origin origin, std::int64_t offset, const std::uint8_t* buffer,
             std::size_t count) {
  const std::int64_t size = static_cast<std::int64_t>(stream.size());
  const std::optional<std::int64_t> resolved = Resolve(size, origin, offset);
  if (!resolved || *resolved < 0) throw CatalogError("Stream write position out of range");
  const std::int64_t pos = *resolved;
  const std::size_t end = static_cast<std::size_t>(pos) + count;
  if (end > stream.size()) stream.resize(end);  // zero-fills any gap
  if (count > 0) std::memcpy(stream.data() + pos, buffer, count);
}

std::size_t ReadAt(const Bytes& stream, Origin origin, std::int64_t offset, std::uint8_t* buffer,
                   std::size_t count) {
  if (count == 0) return 0;
  std::memset(buffer, 0, count);
  const std::int64_t size = static_cast<std::int64_t>(stream.size());
  const std::optional<std::int64_t> resolved = Resolve(size, origin, offset);
  if (!resolved) return 0;
  const std::int64_t pos = *resolved;
  // A window that starts before the stream (from the end) or runs past it reads zeros there.
  const std::int64_t first = std::max<std::int64_t>(pos, 0);
  const std::int64_t last = std::min<std::int64_t>(pos + static_cast<std::int64_t>(count), size);
  if (first >= last) return 0;
  std::memcpy(buffer + (first - pos), stream.data() + first,
              static_cast<std::size_t>(last - first));
  return static_cast<std::size_t>(last - first);
}

void CopyCatalogRange(const Bytes& catalog, std::int64_t count, std::int64_t offset,
                      Bytes& destination) {
  const std::int64_t size = static_cast<std::int64_t>(catalog.size());
  if (count < 0 || offset < 0 || offset > size || count > size - offset) {
    throw CatalogError("Catalogue range " + std::to_string(offset) + "+" + std::to_string(count) +
                       " lies outside the catalogue of " + std::to_string(size) + " bytes");
  }
  destination.insert(destination.end(), catalog.begin() + offset, catalog.begin() + offset + count);
}

Bytes LoadFile(const std::filesystem::path& path) {
  std::ifstream in = OpenForReading(path);
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0) throw CatalogError("Cannot read file \"" + path.string() + "\".");
  in.seekg(0, std::ios::beg);
  Bytes bytes(static_cast<std::size_t>(size));
  if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size)) {
    throw CatalogError("Cannot read file \"" + path.string() + "\".");
  }
  return bytes;
}

bool IsCatalogFile(const std::filesystem::path& path) {
  // Only the magic matters, so read no more than its four bytes, but fail as a whole read would.
  std::ifstream in = OpenForReading(path);
  char head[kMagicSize] = {};
  in.read(head, kMagicSize);
  const std::streamsize got = in.gcount();
  if (got == 0) return true;  // an empty file is an empty catalogue
  return std::memcmp(head, kMagic, kMagicSize) == 0;
}

}  // namespace quorvel
