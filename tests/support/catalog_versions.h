// Comparing catalogue versions with what their bytes say, for the tests of the changes.
#ifndef QUORVEL_TESTS_SUPPORT_CATALOG_VERSIONS_H_
#define QUORVEL_TESTS_SUPPORT_CATALOG_VERSIONS_H_

#include <string>

#include "catalog/catalog_index.h"
#include "catalog/catalog_version.h"

namespace quorvel::testkit {

// The first way `a` and `b` differ, in words, or empty when they describe the same records:
// disk count, damage offset, and every disk's and thumbnail's positions, lengths and names.
std::string IndexDifference(const CatalogIndex& a, const CatalogIndex& b);

// How the index a change built beside `version`'s bytes differs from the one BuildIndex makes of
// those bytes; empty when they agree.
std::string IndexMismatch(const CatalogVersion& version);

}  // namespace quorvel::testkit

#endif  // QUORVEL_TESTS_SUPPORT_CATALOG_VERSIONS_H_
