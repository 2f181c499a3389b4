#include "catalog/stored_path.h"

#include <algorithm>
#include <span>

#include "catalog/format.h"

namespace quorvel {

std::vector<std::string_view> StoredPathParts(std::string_view stored) {
  std::vector<std::string_view> parts;
  std::size_t from = 0;
  while (from <= stored.size()) {
    const std::size_t end = std::min(stored.find_first_of("/\\", from), stored.size());
    const std::string_view part = stored.substr(from, end - from);
    const bool drive = parts.empty() && from == 0 && part.size() == 2 && part[1] == ':';
    if (!part.empty() && !drive) parts.push_back(part);
    from = end + 1;
  }
  return parts;
}

std::size_t SharedFolders(std::span<const std::string_view> a,
                          std::span<const std::string_view> b) {
  const std::size_t folders = std::min(a.empty() ? 0 : a.size() - 1, b.empty() ? 0 : b.size() - 1);
  std::size_t shared = 0;
  while (shared < folders && a[shared] == b[shared]) ++shared;
  return shared;
}

std::string PathBelow(std::string_view stored, std::size_t depth) {
  const std::vector<std::string_view> parts = StoredPathParts(stored);
  std::string below;
  for (std::size_t i = depth; i < parts.size(); ++i) {
    if (!below.empty()) below += '/';
    below += parts[i];
  }
  return below;
}

namespace {

// A path shortened to fit its record has lost its folders.
bool Whole(const Disc& thumb) { return !thumb.Name().starts_with(kShortenedPathMark); }

}  // namespace

std::vector<std::string_view> SharedStoredFolders(const CatInfo& disk) {
  const auto first_whole = std::find_if(disk.Thumbs.begin(), disk.Thumbs.end(), Whole);
  if (first_whole == disk.Thumbs.end()) return {};
  const std::string_view first = first_whole->Name();
  std::vector<std::string_view> shared = StoredPathParts(first);
  std::size_t depth = shared.empty() ? 0 : shared.size() - 1;
  for (auto thumb = first_whole + 1; thumb != disk.Thumbs.end() && depth > 0; ++thumb) {
    if (!Whole(*thumb)) continue;
    // A path that begins with the same bytes up to the separator after the shared folders, and
    // goes on past it, shares them all: most do, and are passed without being taken apart.
    const std::string_view last = shared[depth - 1];
    const std::size_t lead = static_cast<std::size_t>(last.data() + last.size() - first.data()) + 1;
    const std::string_view path = thumb->Name();
    if (path.starts_with(first.substr(0, lead)) &&
        path.find_first_not_of("/\\", lead) != std::string_view::npos) {
      continue;
    }
    depth = SharedFolders(std::span(shared).first(depth + 1), StoredPathParts(path));
  }
  shared.resize(depth);
  return shared;
}

std::string_view SharedStoredFolderPath(const CatInfo& disk) {
  const std::vector<std::string_view> folders = SharedStoredFolders(disk);
  if (folders.empty()) return {};
  // The parts are views into the first whole path.
  const std::string_view first =
      std::find_if(disk.Thumbs.begin(), disk.Thumbs.end(), Whole)->Name();
  return first.substr(
      0, static_cast<std::size_t>(folders.back().data() + folders.back().size() - first.data()));
}

}  // namespace quorvel
