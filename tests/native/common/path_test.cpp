// Guards against paths joined with a doubled or missing separator, a base cut
// into another path, and a join or a formatted text that overruns its buffer;
// and, in the double-byte code pages of Japanese and Chinese Windows, against
// the second byte of a character taken for a "\\" or an "@" and a text cut
// in the middle of a character.
#include "common/path.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "common/text_chars.h"

namespace {

std::string Join(const char* path, const char* component) {
  char buffer[kPathSize];
  CopyText(buffer, sizeof buffer, path);
  EXPECT_TRUE(AppendPath(buffer, component));
  return buffer;
}

TEST(AppendPath, InsertsOneBackslashOnlyWhereNeeded) {
  EXPECT_EQ(Join("", "Tarnwick"), "Tarnwick");
  EXPECT_EQ(Join("C:\\Program Files\\", "Tarnwick"), "C:\\Program Files\\Tarnwick");
  EXPECT_EQ(Join("C:/Apps/", "Tarnwick"), "C:/Apps/Tarnwick");
  EXPECT_EQ(Join("D:\\Apps", "Tarnwick"), "D:\\Apps\\Tarnwick");
  EXPECT_EQ(Join("C:\\", "Tarnwick"), "C:\\Tarnwick");
}

TEST(AppendPath, RefusesAResultThatDoesNotFitAndKeepsThePath) {
  char buffer[kPathSize];
  std::string longPath(251, 'a');  // 251 + separator + 8 = 260: one too many
  CopyText(buffer, sizeof buffer, longPath.c_str());
  EXPECT_FALSE(AppendPath(buffer, "Tarnwick"));
  EXPECT_EQ(std::string(buffer), longPath);

  std::string fits(250, 'b');
  CopyText(buffer, sizeof buffer, fits.c_str());
  EXPECT_TRUE(AppendPath(buffer, "12345678"));  // 259 characters and the terminator
  EXPECT_EQ(std::string(buffer).size(), 259u);
}

// A base cut to fit the buffer would name another place.
TEST(BuildPath, JoinsABaseAndRefusesOneThatDoesNotFit) {
  char buffer[kPathSize];
  EXPECT_TRUE(BuildPath(buffer, "C:\\Apps\\", "Tarnwick"));
  EXPECT_STREQ(buffer, "C:\\Apps\\Tarnwick");
  // Cut to the buffer, this base would end at its separator and still take "".
  std::string tooLong = std::string(kPathSize - 2, 'a') + "\\tail";
  EXPECT_FALSE(BuildPath(buffer, tooLong.c_str(), ""));
}

TEST(CopyText, CutsToTheBufferAndAlwaysTerminates) {
  char small[4] = {'x', 'x', 'x', 'x'};
  CopyText(small, sizeof small, "abcdef");
  EXPECT_STREQ(small, "abc");
  CopyText(small, sizeof small, "");
  EXPECT_STREQ(small, "");
}

TEST(FormatText, FillsTextsAndNumbersAndCutsWhatDoesNotFit) {
  char buffer[40];
  FormatText(buffer, sizeof buffer, "'%s' is type %d", "a.bin", 12);
  EXPECT_STREQ(buffer, "'a.bin' is type 12");
  FormatText(buffer, sizeof buffer, "%d %d %d 100%", 0, -7, INT_MIN);
  EXPECT_STREQ(buffer, "0 -7 -2147483648 100%");
  char small[8] = "xxxxxxx";
  FormatText(small, 6, "%s!", "Tarnwick");
  EXPECT_STREQ(small, "Tarnw");
  EXPECT_EQ(small[6], 'x');  // nothing past the size given
  FormatText(small, 4, "P%s", "K\x03\x04");
  EXPECT_STREQ(small, "PK\x03");
}

// The lead bytes of code pages 932 (Japanese) and 950 (Traditional Chinese).
constexpr unsigned char kCodePage932[kLeadByteRangesSize] = {0x81, 0x9F, 0xE0, 0xFC};
constexpr unsigned char kCodePage950[kLeadByteRangesSize] = {0x81, 0xFE};

// In 932: 予定表 ends in 0x5C, 山田ァ holds 0x40 only as a second byte.
constexpr char kYoteihyo[] = "\x97\x5C\x92\xE8\x95\x5C";
constexpr char kYamadaA[] = "\x8E\x52\x93\x63\x83\x40";

class CodePage932 : public ::testing::Test {
 protected:
  void SetUp() override { SetLeadByteRanges(kCodePage932); }
  void TearDown() override { SetLeadByteRanges(nullptr); }
};

TEST_F(CodePage932, JoinsAfterACharacterWhoseSecondByteIsABackslash) {
  std::string folder = std::string("C:\\") + kYoteihyo;
  EXPECT_EQ(Join(folder.c_str(), "Tarnwick"), folder + "\\Tarnwick");
  EXPECT_EQ(Join((folder + "\\").c_str(), "Tarnwick"), folder + "\\Tarnwick");
  EXPECT_EQ(Join((folder + "/").c_str(), "x"), folder + "/x");
  EXPECT_EQ(Join("C:\\", "x"), "C:\\x");
  // Half a character at the end would take the backslash as its second byte.
  char half[kPathSize] = "C:\\\x95";
  EXPECT_FALSE(AppendPath(half, "x"));
  EXPECT_STREQ(half, "C:\\\x95");
  char built[kPathSize];
  EXPECT_FALSE(BuildPath(built, half, "x"));
  EXPECT_STREQ(FindPathSeparator(kYoteihyo), "");
  EXPECT_STREQ(FindPathSeparator((folder + "\\a").c_str() + 3), "\\a");
}

TEST_F(CodePage932, FindsOnlyCharactersOfTheirOwn) {
  EXPECT_EQ(FindChar(kYamadaA, '@'), nullptr);
  std::string address = std::string(kYamadaA) + "@x";
  EXPECT_EQ(FindChar(address.c_str(), '@'), address.c_str() + 6);
  std::string path = std::string("C:\\a\\") + kYoteihyo;
  EXPECT_EQ(FindLastChar(path.c_str(), '\\'), path.c_str() + 4);
  EXPECT_EQ(FindLastChar(kYoteihyo, '\\'), nullptr);
  SetLeadByteRanges(nullptr);  // one byte a character: the same bytes are an "@" and a "\"
  EXPECT_EQ(FindChar(kYamadaA, '@'), kYamadaA + 5);
  EXPECT_EQ(FindLastChar(kYoteihyo, '\\'), kYoteihyo + 5);
}

TEST_F(CodePage932, CutsTextsBeforeACharacterThatDoesNotFitWhole) {
  char small[4];
  CopyText(small, sizeof small, "ab\x95\x5C");
  EXPECT_STREQ(small, "ab");
  CopyText(small, sizeof small, "a\x95\x5C");
  EXPECT_STREQ(small, "a\x95\x5C");
  FormatText(small, sizeof small, "%s!", "a\x95\x5C");
  EXPECT_STREQ(small, "a\x95\x5C");
  // Once a character is left out, nothing after it follows.
  FormatText(small, 3,
             "a\x83\x40"
             "b");
  EXPECT_STREQ(small, "a");
  FormatText(small, 3, "%s%s", "a\x83\x40", "b");
  EXPECT_STREQ(small, "a");
  EXPECT_TRUE(EndsInPartialChar("ab\x95"));
  EXPECT_FALSE(EndsInPartialChar("ab\x95\x5C"));
}

TEST(CodePage950, JoinsAfterACharacterWhoseSecondByteIsABackslash) {
  SetLeadByteRanges(kCodePage950);
  const char* folder = "C:\\Program Files\\\xA6\xA8\xA5\x5C";  // 成功
  std::string joined = Join(folder, "Tarnwick");
  SetLeadByteRanges(nullptr);
  EXPECT_EQ(joined, std::string(folder) + "\\Tarnwick");
}

}  // namespace
