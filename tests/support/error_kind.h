// The kind of CatalogError a call throws, for tests that tell failures apart by kind.
#ifndef QUORVEL_TESTS_SUPPORT_ERROR_KIND_H_
#define QUORVEL_TESTS_SUPPORT_ERROR_KIND_H_

#include <gtest/gtest.h>

#include "catalog/catalog_error.h"

namespace quorvel::testkit {

// The kind of error `call` throws; a failure of the test, and kRefused, when it throws none.
template <typename Call>
ErrorKind KindOf(Call call) {
  try {
    call();
  } catch (const CatalogError& error) {
    return error.kind();
  }
  ADD_FAILURE() << "no error was thrown";
  return ErrorKind::kRefused;
}

}  // namespace quorvel::testkit

#endif  // QUORVEL_TESTS_SUPPORT_ERROR_KIND_H_
