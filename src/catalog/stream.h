// The in-memory catalogue stream and the positioned primitives every catalogue operation uses.
//
// A stream is a plain byte vector; positions and sizes are 64-bit, since a catalogue of many
// disks may pass 2 GB even though one disk record cannot.
#ifndef QUORVEL_CATALOG_STREAM_H_
#define QUORVEL_CATALOG_STREAM_H_

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace quorvel {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

// Where an offset is counted from: the first byte (offset >= 0) or the end (offset <= 0).
enum class Origin { kBeginning, kEnd };

// Writes `count` bytes of `buffer` at the position given by origin and offset, overwriting what
// is there and growing the stream when the write runs past its end (a gap reads as zeros).
// Writing at offset 0 from the end appends. Throws CatalogError for a position before the
// start or an offset of the wrong sign for its origin; the stream is then unchanged.
void WriteAt(Bytes& stream, Origin origin, std::int64_t offset, const std::uint8_t* buffer,
             std::size_t count);

// Reads `count` bytes from the position given by origin and offset into `buffer`. Bytes that lie
// beyond either end of the stream read as zero; returns how many bytes came from the stream.
std::size_t ReadAt(const Bytes& stream, Origin origin, std::int64_t offset, std::uint8_t* buffer,
                   std::size_t count);

// Appends `count` bytes of `catalog` starting at `offset` to the end of `destination`.
// Throws CatalogError (destination unchanged) when the range does not lie inside `catalog`.
void CopyCatalogRange(const Bytes& catalog, std::int64_t count, std::int64_t offset,
                      Bytes& destination);

struct FileIdentity;

// Reads the whole file, and with `identity` tells which version of it that was. Throws
// CatalogError naming the file and the reason when it cannot, and for anything but a regular
// file (a FIFO or a device is refused at once, never waited on).
Bytes LoadFile(const std::filesystem::path& path, FileIdentity* identity = nullptr);

// True when the file is empty or begins with the magic "Ctlg". Throws CatalogError when the file
// cannot be read or is not a regular file. Nothing past the magic is checked.
bool IsCatalogFile(const std::filesystem::path& path);

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_STREAM_H_
