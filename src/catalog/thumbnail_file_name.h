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

// ThumbnailFileName with " (copy)" before ".jpg", for the copy-th thumbnail (copy >= 2) that
// would get the same name in one run; the part is cut further where the number needs room.
std::string NumberedThumbnailFileName(std::string_view image_name, unsigned copy);

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_THUMBNAIL_FILE_NAME_H_
