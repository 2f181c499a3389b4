// The byte layout of a .qrv catalogue: every constant of the format, named once.
//
// A catalogue is a 6-byte header ("Ctlg", disk count) followed by disk records; each disk record
// ("D", name length, thumbnail count, name, record length) is followed, inside its own length, by
// its thumbnail records ("F", path length, path, JPEG length, JPEG data). All integers are
// unsigned big-endian; all text is Windows-1251 with a one-byte length and no terminator.
#ifndef QUORVEL_CATALOG_FORMAT_H_
#define QUORVEL_CATALOG_FORMAT_H_

#include <cstdint>

namespace quorvel {

// 43 74 6C 67: "Ctlg", the first four bytes of every non-empty catalogue.
inline constexpr char kMagic[4] = {'C', 't', 'l', 'g'};
inline constexpr int kMagicSize = 4;
// Offset 4: the 2-byte disk count.
inline constexpr std::int64_t kDiskCountOffset = 4;
// 6 bytes: magic + disk count; the first disk record starts right after.
inline constexpr std::int64_t kHeaderSize = 6;

// 44: "D", first byte of every disk record.
inline constexpr std::uint8_t kDiskMarker = 0x44;
// 46: "F", first byte of every thumbnail record.
inline constexpr std::uint8_t kThumbMarker = 0x46;

// 22 22: the thumbnail count of a disk record while the disk is being added.
inline constexpr std::uint8_t kThumbCountPlaceholder[2] = {0x22, 0x22};
// 2A 2A 2A 2A: "****", the disk record length while the disk is being added.
inline constexpr std::uint8_t kRecordLengthPlaceholder[4] = {0x2A, 0x2A, 0x2A, 0x2A};
// 2A 2A: "**", the JPEG length of a thumbnail record until its JPEG data is appended.
inline constexpr std::uint8_t kJpegLengthPlaceholder[2] = {0x2A, 0x2A};

// 85: "…" in Windows-1251, the start of an image path shortened from the left to fit its field.
inline constexpr char kShortenedPathMark = '\x85';

// Field widths in bytes.
inline constexpr int kNameLengthWidth = 1;    // disk name length, image name length
inline constexpr int kCountWidth = 2;         // disk count, thumbnail count
inline constexpr int kJpegLengthWidth = 2;    // JPEG length
inline constexpr int kRecordLengthWidth = 4;  // disk record length

// Disk record fixed part: marker, name length, thumbnail count, (name), record length.
inline constexpr std::int64_t kDiskFixedSize =
    1 + kNameLengthWidth + kCountWidth + kRecordLengthWidth;
// Thumbnail record fixed part: marker, name length, (name), JPEG length.
inline constexpr std::int64_t kThumbFixedSize = 1 + kNameLengthWidth + kJpegLengthWidth;

// Limits that follow from the field widths.
inline constexpr std::uint32_t kMaxNameBytes = 255;
inline constexpr std::uint32_t kMaxDisks = 65535;
inline constexpr std::uint32_t kMaxThumbsPerDisk = 65535;
inline constexpr std::uint32_t kMaxJpegBytes = 65535;
// A disk record length must stay below 2^31 so that it reads back as a positive 32-bit value.
inline constexpr std::uint32_t kMaxDiskRecordLength = 0x7FFFFFFF;

// Thumbnails are 100 x 100 colour pictures stored as baseline JPEG at this quality.
inline constexpr int kThumbSide = 100;
inline constexpr int kThumbJpegQuality = 90;

// Facts inside a thumbnail's JPEG (docs/thumbnail-facts.md), in segments right after its JFIF
// header.
// E1: APP1, the segment of the standard facts as EXIF tags.
inline constexpr std::uint8_t kExifSegmentMarker = 0xE1;
// 45 78 69 66 00 00: "Exif\0\0", the start of an EXIF segment's payload.
inline constexpr std::uint8_t kExifSignature[6] = {'E', 'x', 'i', 'f', 0, 0};
// EA: APP10, the segment of the program's own facts.
inline constexpr std::uint8_t kOwnFactsMarker = 0xEA;
// 51 75 6F 72 76 65 6C 00: "Quorvel\0", the start of that segment's payload.
inline constexpr std::uint8_t kOwnFactsSignature[8] = {'Q', 'u', 'o', 'r', 'v', 'e', 'l', 0};
// 11: the byte after the signature, major version 1 in its high four bits and minor version 1 in
// its low four; a reader ignores a segment of a higher major version than its own.
inline constexpr std::uint8_t kOwnFactsVersion = 0x11;
// The tags of the segment's fields (tag byte, length byte, value):
inline constexpr std::uint8_t kFileSizeTag = 0x01;  // 01: the file's size in bytes
inline constexpr std::uint8_t kModifiedTag = 0x02;  // 02: modification time, seconds from 1970 UTC
inline constexpr std::uint8_t kDurationTag = 0x03;  // 03: a video's length in milliseconds
// 04: the fingerprint, 16 bytes (shape then detail, each big-endian); with length 0: the
// thumbnail shows no picture
inline constexpr std::uint8_t kFingerprintTag = 0x04;
inline constexpr std::uint8_t kFingerprintBytes = 16;

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_FORMAT_H_
