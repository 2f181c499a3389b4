#include "catalog/cp1251.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

namespace quorvel {
namespace {

TEST(Cp1251Test, CyrillicNamesRoundTrip) {
  const std::string utf8 = "Диск 1: Фото, Ёлка, ёж, «Мир» №5 — €";
  const std::string cp1251 = Utf8ToCp1251(utf8);
  EXPECT_EQ(cp1251,
            "\xC4\xE8\xF1\xEA 1: \xD4\xEE\xF2\xEE, \xA8\xEB\xEA\xE0, \xB8\xE6, "
            "\xAB\xCC\xE8\xF0\xBB \xB9"
            "5 \x97 \x88");
  EXPECT_EQ(Cp1251ToUtf8(cp1251), utf8);
}

TEST(Cp1251Test, EveryByteRoundTrips) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(all)), all);
}

TEST(Cp1251Test, AgreesWithTheSystemConverter) {
  iconv_t cd = iconv_open("UTF-8", "CP1251");
  ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
  for (int b = 0x80; b < 256; ++b) {
    if (b == 0x98) continue;  // unassigned; we keep it as U+0098 so that it round-trips
    char in = static_cast<char>(b);
    char out[8] = {};
    char* inp = &in;
    char* outp = out;
    std::size_t in_left = 1, out_left = sizeof out;
    ASSERT_NE(iconv(cd, &inp, &in_left, &outp, &out_left), static_cast<std::size_t>(-1)) << b;
    EXPECT_EQ(Cp1251ToUtf8(std::string(1, static_cast<char>(b))), std::string(out, outp))
        << "byte " << b;
  }
  iconv_close(cd);
}

TEST(Cp1251Test, WhatTheCodePageCannotHoldBecomesAQuestionMark) {
  EXPECT_EQ(Utf8ToCp1251("日本 ü ☃ 😀"), "?? ? ? ?");
  EXPECT_EQ(Utf8ToCp1251("a\xFF"
                         "b"),
            "a?b")
      << "a stray byte";
  EXPECT_EQ(Utf8ToCp1251("a\xD0"), "a?") << "a sequence cut at the end";
  EXPECT_EQ(Utf8ToCp1251("\xC0\xAF"), "??") << "an overlong form is not a slash";
  EXPECT_EQ(Utf8ToCp1251("\xED\xA0\x80"), "???") << "a lone surrogate";
  EXPECT_EQ(Utf8ToCp1251(""), "");
}

TEST(Cp1251Test, NamesWhatTheCodePageCannotHold) {
  EXPECT_EQ(CharactersNotInCp1251("Диск 😀 日本 😀 ? №5"), "😀 日 本");
  EXPECT_EQ(CharactersNotInCp1251("Диск №5 «Мир»"), "");
  bool replaced = false;
  // A part that is not UTF-8 keeps its own bytes, so nothing of it is lost.
  EXPECT_EQ(FileNameToCp1251("/media/\xcf\xf0\xe8/ё?.jpg", &replaced),
            "/media/\xcf\xf0\xe8/\xb8?.jpg");
  EXPECT_FALSE(replaced);
  EXPECT_EQ(FileNameToCp1251("/media/日本/a.jpg", &replaced), "/media/?\?/a.jpg");
  EXPECT_TRUE(replaced);
}

TEST(Cp1251Test, FoldingMakesCapitalsOfBothAlphabetsSmallAndYoYe) {
  const std::string capitals = Utf8ToCp1251("ABZАБЯЂЃЉЊЌЋЏЎЈҐЄЇІЅЁё");
  std::string folded = capitals;
  FoldCp1251(folded.data(), folded.size());
  EXPECT_EQ(Cp1251ToUtf8(folded), "abzабяђѓљњќћџўјґєїіѕее");
  std::string small = Utf8ToCp1251("az09?*_абяђѓљњќћџўјґєїіѕ№«€");
  const std::string kept = small;
  FoldCp1251(small.data(), small.size());
  EXPECT_EQ(small, kept);
  EXPECT_EQ(FoldCp1251Byte(0xA8), 0xE5);
}

}  // namespace
}  // namespace quorvel
