#include "catalog/cp1251.h"

#include <algorithm>
#include <cstdint>

namespace quorvel {
namespace {

// Code points of bytes 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F in order.
constexpr char16_t kHighHalf[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

constexpr char32_t ByteToCodePoint(std::uint8_t b) {
  if (b < 0x80) return b;
  if (b >= 0xC0) return 0x0410 + (b - 0xC0);
  return kHighHalf[b - 0x80];
}

constexpr char CodePointToByte(char32_t cp) {
  if (cp < 0x80) return static_cast<char>(cp);
  if (cp >= 0x0410 && cp <= 0x044F) return static_cast<char>(0xC0 + (cp - 0x0410));
  for (int i = 0; i < 64; ++i) {
    if (kHighHalf[i] == cp) return static_cast<char>(0x80 + i);
  }
  return '?';
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Decodes the UTF-8 sequence at text[i], advancing i past it. A malformed sequence yields
// U+FFFD and advances by one byte, so that decoding resynchronises on the next lead byte.
char32_t NextCodePoint(std::string_view text, std::size_t& i) {
  const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(text[k]); };
  const std::uint8_t lead = byte(i);
  if (lead < 0x80) {
    ++i;
    return lead;
  }
  int extra;
  char32_t cp;
  char32_t min;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1, cp = lead & 0x1F, min = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, cp = lead & 0x0F, min = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, cp = lead & 0x07, min = 0x10000;
  } else {
    ++i;
    return 0xFFFD;
  }
  if (i + extra >= text.size()) {  // cut short at the end of the text
    ++i;
    return 0xFFFD;
  }
  for (int k = 1; k <= extra; ++k) {
    const std::uint8_t next = byte(i + k);
    if ((next & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    cp = (cp << 6) | (next & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    return 0xFFFD;
  }
  i += extra + 1;
  return cp;
}

// Capital to small letter by code point: U+0400..U+040F (Ѐ..Џ) to U+0450..U+045F, the basic
// alphabet U+0410..U+042F to U+0430..U+044F, Ґ U+0490 to U+0491; then "ё" to "е".
constexpr char32_t FoldCodePoint(char32_t cp) {
  if (cp >= U'A' && cp <= U'Z') return cp + 0x20;
  if (cp >= 0x0400 && cp <= 0x040F) cp += 0x50;
  if (cp >= 0x0410 && cp <= 0x042F) cp += 0x20;
  if (cp == 0x0490) cp = 0x0491;
  return cp == 0x0451 ? 0x0435 : cp;
}

struct FoldTable {
  unsigned char bytes[256];
};

// Every small letter that a capital of 1251 folds to is itself in 1251.
constexpr FoldTable MakeFoldTable() {
  FoldTable table{};
  for (int b = 0; b < 256; ++b) {
    const char32_t cp = ByteToCodePoint(static_cast<std::uint8_t>(b));
    table.bytes[b] = static_cast<unsigned char>(CodePointToByte(FoldCodePoint(cp)));
  }
  return table;
}

constexpr FoldTable kFold = MakeFoldTable();

}  // namespace

unsigned char FoldCp1251Byte(unsigned char b) { return kFold.bytes[b]; }

void FoldCp1251(char* text, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    text[i] = static_cast<char>(kFold.bytes[static_cast<unsigned char>(text[i])]);
  }
}

std::string Cp1251ToUtf8(std::string_view cp1251) {
  // Most stored text is plain ASCII, which is the same in both.
  if (std::all_of(cp1251.begin(), cp1251.end(), [](char c) { return (c & 0x80) == 0; })) {
    return std::string(cp1251);
  }
  std::string out;
  out.reserve(cp1251.size() * 2);
  for (const char c : cp1251) AppendUtf8(out, ByteToCodePoint(static_cast<std::uint8_t>(c)));
  return out;
}

std::string Utf8ToCp1251(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) out.push_back(CodePointToByte(NextCodePoint(utf8, i)));
  return out;
}

std::string CharactersNotInCp1251(std::string_view utf8) {
  std::u32string seen;
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const char32_t cp = NextCodePoint(utf8, i);
    // "?" itself is held; only a character that becomes one is lost.
    if (cp == U'?' || CodePointToByte(cp) != '?' || seen.find(cp) != std::u32string::npos) {
      continue;
    }
    seen.push_back(cp);
    if (!out.empty()) out.push_back(' ');
    AppendUtf8(out, cp);
  }
  return out;
}

std::size_t ValidUtf8Prefix(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t at = i;
    // A malformed sequence decodes as U+FFFD of one byte; the character itself takes three.
    if (NextCodePoint(text, i) == 0xFFFD && i - at == 1) return at;
  }
  return i;
}

std::string FileNameToCp1251(std::string_view name, bool* replaced) {
  std::string out;
  out.reserve(name.size());
  if (replaced) *replaced = false;
  for (std::size_t begin = 0;;) {
    const std::size_t end = std::min(name.find('/', begin), name.size());
    const std::string_view part = name.substr(begin, end - begin);
    if (ValidUtf8Prefix(part) == part.size()) {
      out += Utf8ToCp1251(part);
      if (replaced && !*replaced) *replaced = !CharactersNotInCp1251(part).empty();
    } else {
      out += part;
    }
    if (end == name.size()) return out;
    out += '/';
    begin = end + 1;
  }
}

}  // namespace quorvel
