#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/text.h"

namespace zorvane {
namespace {

std::string Cut(const std::string& source, std::size_t fieldSize) {
  char field[256];
  std::memset(field, 'X', sizeof field);
  const std::size_t copied = CopyTextCut(field, fieldSize, source.c_str());
  EXPECT_EQ(copied, std::strlen(field));
  return field;
}

TEST(TextCut, KeepsWholeCharactersOfEveryWidth) {
  // 2-, 3- and 4-byte characters: a cut never keeps part of one.
  const std::string twoByte = "ab\xC3\xA9";          // "abé", 4 bytes
  const std::string threeByte = "ab\xE3\x81\x82";    // "abあ", 5 bytes
  const std::string fourByte = "ab\xF0\x9F\x93\xAC";  // "ab" + U+1F4EC, 6 bytes
  EXPECT_EQ(Cut(twoByte, 5), twoByte);
  EXPECT_EQ(Cut(twoByte, 4), "ab");
  EXPECT_EQ(Cut(threeByte, 6), threeByte);
  EXPECT_EQ(Cut(threeByte, 5), "ab");
  EXPECT_EQ(Cut(threeByte, 4), "ab");
  EXPECT_EQ(Cut(fourByte, 7), fourByte);
  for (std::size_t size = 3; size <= 6; ++size) EXPECT_EQ(Cut(fourByte, size), "ab") << size;
}

TEST(TextCut, AsciiIsCutToTheFieldLessItsTerminator) {
  EXPECT_EQ(Cut("abcdef", 4), "abc");
  EXPECT_EQ(Cut("abc", 4), "abc");
  EXPECT_EQ(Cut("abc", 1), "");
  EXPECT_EQ(Cut("", 8), "");
}

TEST(TextCut, SourceEndsAtItsFirstZeroOrAtItsLength) {
  const char source[] = {'a', 'b', '\0', 'c', 'd'};
  char field[8];
  EXPECT_EQ(CopyTextCut(field, sizeof field, source, sizeof source), 2u);
  EXPECT_STREQ(field, "ab");
  // No terminator within the given length: nothing beyond it is read.
  const char unterminated[] = {'x', 'y', 'z'};
  EXPECT_EQ(CopyTextCut(field, sizeof field, unterminated, sizeof unterminated), 3u);
  EXPECT_STREQ(field, "xyz");
}

TEST(TextCut, PrefixLengthStopsBeforeASplitCharacter) {
  const std::string text = "\xE3\x81\x82\xE3\x81\x84";  // "あい"
  EXPECT_EQ(Utf8PrefixLength(text.data(), text.size(), 6), 6u);
  EXPECT_EQ(Utf8PrefixLength(text.data(), text.size(), 5), 3u);
  EXPECT_EQ(Utf8PrefixLength(text.data(), text.size(), 3), 3u);
  EXPECT_EQ(Utf8PrefixLength(text.data(), text.size(), 2), 0u);
  EXPECT_EQ(Utf8PrefixLength(text.data(), text.size(), 0), 0u);
}

}  // namespace
}  // namespace zorvane
