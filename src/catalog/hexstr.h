// Conversion between hexadecimal text and raw bytes: the reference route of every integer field.
#ifndef QUORVEL_CATALOG_HEXSTR_H_
#define QUORVEL_CATALOG_HEXSTR_H_

#include <string>
#include <string_view>

#include "catalog/stream.h"

namespace quorvel {

// Reads `text` as pairs of hex digits (either case), one byte per pair, in order. A trailing odd
// digit is ignored; an empty text gives no bytes. Throws CatalogError on a non-hex character.
Bytes HexToBytes(std::string_view text);

// Two upper-case hex digits per byte, high nibble first.
std::string BytesToHex(ByteView bytes);

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_HEXSTR_H_
