// Windows-1251, the code page of every name and path stored in a catalogue and its settings.
//
// Above the catalogue layer all text is Unicode; it becomes 1251 bytes only where it is stored.
#ifndef QUORVEL_CATALOG_CP1251_H_
#define QUORVEL_CATALOG_CP1251_H_

#include <string>
#include <string_view>

namespace quorvel {

// UTF-8 text of 1251 bytes. Every byte has a meaning (0x98, unassigned, maps to U+0098), so the
// round trip back through Utf8ToCp1251 gives the same bytes.
std::string Cp1251ToUtf8(std::string_view cp1251);

// 1251 bytes of UTF-8 text; a character 1251 cannot hold, or a malformed UTF-8 sequence,
// becomes "?".
std::string Utf8ToCp1251(std::string_view utf8);

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_CP1251_H_
