// The file name a stored thumbnail is written under when it is saved to a folder.
#ifndef QUORVEL_CATALOG_THUMBNAIL_FILE_NAME_H_
#define QUORVEL_CATALOG_THUMBNAIL_FILE_NAME_H_

#include <string>
#include <string_view>

namespace quorvel {

// The part of the image name after its last "\", "/" or ":", then ".jpg". The result never holds
// a separator, so joined to a folder it always names a file directly inside that folder.
std::string ThumbnailFileName(std::string_view image_name);

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_THUMBNAIL_FILE_NAME_H_
