// The file name a stored thumbnail is written under when it is saved to a folder.
#ifndef QUORVEL_CATALOG_THUMBNAIL_FILE_NAME_H_
#define QUORVEL_CATALOG_THUMBNAIL_FILE_NAME_H_

#include <string>
#include <string_view>

namespace quorvel {

// The part of the UTF-8 image name after its last "\", "/" or ":", then ".jpg". The result never
// holds a separator, so joined to a folder it always names a file directly inside that folder;
// a part too long for a 255-byte file name is cut at a character boundary before ".jpg".
std::string ThumbnailFileName(std::string_view image_name);

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_THUMBNAIL_FILE_NAME_H_
