// The image paths a scan stores, taken apart into their parts, so that a disk catalogued in one
// place (or on another system) is still found, and updated, by what its paths say below the
// folder they share.
#ifndef QUORVEL_CATALOG_STORED_PATH_H_
#define QUORVEL_CATALOG_STORED_PATH_H_

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "catalog/catalog_index.h"

namespace quorvel {

// `stored` (an image path as stored, Windows-1251) cut at '/' and '\' alike, whichever system
// scanned it: the folders from the top down, then the file name. A leading drive ("E:"), the
// root and empty parts are left out.
std::vector<std::string_view> StoredPathParts(std::string_view stored);

// How many leading folders two paths' parts share; a file name never counts as a folder.
std::size_t SharedFolders(std::span<const std::string_view> a, std::span<const std::string_view> b);

// `stored` without its first `depth` parts, the rest joined by '/': where the file lies below
// that folder. Empty when the path has no more than `depth` parts.
std::string PathBelow(std::string_view stored, std::size_t depth);

// The folders that every stored path of `disk` lies in, from the top down, as parts of one of
// its paths (views into the index's names). A path shortened to fit its record has lost its
// folders and is passed over. Empty when there are none or the disk has no thumbnails.
std::vector<std::string_view> SharedStoredFolders(const CatInfo& disk);

// The same folders as one stored path, spelt as the disk's paths spell them (drive, root and
// separators included); empty when there are none.
std::string_view SharedStoredFolderPath(const CatInfo& disk);

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_STORED_PATH_H_
