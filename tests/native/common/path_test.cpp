// Guards against paths joined with a doubled or missing separator, a base cut
// into another path, and a join or a formatted text that overruns its buffer.
#include "common/path.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

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

}  // namespace
