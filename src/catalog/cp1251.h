// Windows-1251, the code page of every name and path stored in a catalogue and its settings.
//
// Above the catalogue layer all text is Unicode; it becomes 1251 bytes only where it is stored.
#ifndef QUORVEL_CATALOG_CP1251_H_
#define QUORVEL_CATALOG_CP1251_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvel {

// UTF-8 text of 1251 bytes. Every byte has a meaning (0x98, unassigned, maps to U+0098), so the
// round trip back through Utf8ToCp1251 gives the same bytes.
std::string Cp1251ToUtf8(std::string_view cp1251);

// 1251 bytes of UTF-8 text; a character 1251 cannot hold, or a malformed UTF-8 sequence,
// becomes "?".
std::string Utf8ToCp1251(std::string_view utf8);

// The characters of UTF-8 `text` that Utf8ToCp1251 would turn into "?", each once, in the order
// they first occur, as UTF-8 separated by blanks; empty when 1251 holds the whole text.
std::string CharactersNotInCp1251(std::string_view utf8);

// The length of the longest start of `text` that is well-formed UTF-8, ending between two
// characters.
std::size_t ValidUtf8Prefix(std::string_view text);

// The 1251 bytes a catalogue stores for a file-system path given as the system's own bytes,
// '/' between its parts: a part that is valid UTF-8 is converted as Utf8ToCp1251 does; one that
// is not (a name written by a system that kept names in 1251) is kept as the bytes it has.
// `replaced`, when given, tells whether a character 1251 cannot hold had to become "?".
std::string FileNameToCp1251(std::string_view name, bool* replaced = nullptr);

// The byte that stands for 1251 byte `b` when case does not matter: capital Latin and Cyrillic
// letters become their small letters, and "Ё" and "ё" become "е", so that a word typed either
// way finds the other. Every other byte stands for itself.
unsigned char FoldCp1251Byte(unsigned char b);

// Folds `size` bytes of 1251 text at `text` in place, byte by byte as FoldCp1251Byte does.
void FoldCp1251(char* text, std::size_t size);

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_CP1251_H_
