#include "catalog/thumbnail_file_name.h"

namespace quorvel {
namespace {

// The longest file name, in bytes, that common file systems accept (NAME_MAX on Linux).
constexpr std::size_t kMaxFileNameBytes = 255;

constexpr std::string_view kExtension = ".jpg";

bool IsUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

std::string FileName(std::string_view image_name, std::string_view ending) {
  const std::size_t cut = image_name.find_last_of("\\/:");
  std::string_view part = cut == std::string_view::npos ? image_name : image_name.substr(cut + 1);
  // Stored paths may be up to 255 bytes of 1251 text, which can be twice as long in UTF-8; a
  // shortened name still saves the thumbnail, a refused one would stop the whole run.
  if (part.size() > kMaxFileNameBytes - ending.size()) {
    std::size_t size = kMaxFileNameBytes - ending.size();
    while (size > 0 && IsUtf8Continuation(part[size])) --size;
    part = part.substr(0, size);
  }
  return std::string(part) + std::string(ending);
}

}  // namespace

std::string ThumbnailFileName(std::string_view image_name) {
  return FileName(image_name, kExtension);
}

std::string NumberedThumbnailFileName(std::string_view image_name, unsigned copy) {
  return FileName(image_name, " (" + std::to_string(copy) + ")" + std::string(kExtension));
}

}  // namespace quorvel
