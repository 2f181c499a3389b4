#include "catalog/thumbnail_file_name.h"

namespace quorvel {

std::string ThumbnailFileName(std::string_view image_name) {
  const std::size_t cut = image_name.find_last_of("\\/:");
  const std::string_view part =
      cut == std::string_view::npos ? image_name : image_name.substr(cut + 1);
  return std::string(part) + ".jpg";
}

}  // namespace quorvel
