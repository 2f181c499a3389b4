#include "catalog/stored_path.h"

#include <algorithm>

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

}  // namespace quorvel
