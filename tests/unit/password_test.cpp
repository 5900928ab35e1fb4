#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "settings/password.h"

namespace zorvane {
namespace {

std::string Scrambled(std::string text) {
  ScramblePassword(text.data());
  return text;
}

TEST(ScramblePassword, XorsAsciiWithTheKeyAndRoundTrips) {
  // 'a' ^ 0x4E = '/', 'b' ^ 0x4E = ',', 'c' ^ 0x4E = '-'.
  EXPECT_EQ(Scrambled("abc"), "/,-");
  for (const std::string plain : {"secret", "P@ss w0rd!", "~\x01\x7f"}) {
    const std::string stored = Scrambled(plain);
    EXPECT_NE(stored, plain);
    EXPECT_EQ(Scrambled(stored), plain);
  }
}

TEST(ScramblePassword, KeyByteAndEmptyTextStayAsTheyAre) {
  EXPECT_EQ(Scrambled("N"), "N");
  EXPECT_EQ(Scrambled("NNNN"), "NNNN");
  EXPECT_EQ(Scrambled("aNb"), "/N,");
  EXPECT_EQ(Scrambled(""), "");
}

TEST(ScramblePassword, BytesFrom0x80UpAreLeftSoUtf8StaysValid) {
  const std::string plain = "p\xC3\xA4ss\xE3\x81\x82";  // "päss" + "あ"
  const std::string stored = Scrambled(plain);
  EXPECT_EQ(stored, "\x3E\xC3\xA4=="
                    "\xE3\x81\x82");
  EXPECT_EQ(Scrambled(stored), plain);
}

TEST(ScramblePassword, NoByteValueTurnsIntoAnEarlyTerminator) {
  for (int byte = 1; byte <= 255; ++byte) {
    char text[3] = {static_cast<char>(byte), 'z', '\0'};
    ScramblePassword(text);
    EXPECT_EQ(std::strlen(text), 2u) << "byte " << byte;
    ScramblePassword(text);
    EXPECT_EQ(static_cast<unsigned char>(text[0]), byte);
  }
}

TEST(ScramblePassword, StopsAtTheTerminator) {
  char text[] = {'a', '\0', 'b', 'c', '\0'};
  ScramblePassword(text);
  EXPECT_EQ(text[0], '/');
  EXPECT_EQ(text[2], 'b');
  EXPECT_EQ(text[3], 'c');
}

}  // namespace
}  // namespace zorvane
