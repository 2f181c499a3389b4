#include "catalog/lookalike_index.h"

namespace quorvel {

// Placeholder until the index is written.
LookalikeIndex::LookalikeIndex(std::vector<ThumbPrint> prints, int disk_count)
    : prints_(std::move(prints)), disk_count_(disk_count) {}
std::vector<Alike> LookalikeIndex::Similar(const Fingerprint&, std::size_t) const { return {}; }
const std::vector<std::vector<ThumbRef>>& LookalikeIndex::CopyGroups() const { return groups_; }
std::vector<std::vector<std::int32_t>> LookalikeIndex::UniqueToDisk() const { return {}; }

}  // namespace quorvel
