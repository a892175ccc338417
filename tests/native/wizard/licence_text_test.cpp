// Guards against a licence text that an edit control would show wrongly: bare
// line feeds, a trailing line break, merged or split paragraphs, a wrong size.
#include "wizard/licence_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::string> SplitAtCrLf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  lines.push_back(text.substr(start));
  return lines;
}

TEST(LicenceText, Has6288CharactersIn47CrLfLines) {
  std::string text = LicenceText;
  EXPECT_EQ(std::strlen(LicenceText), 6288u);
  EXPECT_EQ(SplitAtCrLf(text).size(), 47u);
  // No bare CR or LF: each one belongs to one of the 46 line ends.
  EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 46);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 46);
  EXPECT_NE(text.back(), '\n');
  EXPECT_NE(text.back(), '\r');
}

TEST(LicenceText, AlternatesParagraphLinesOfUpTo551CharactersWithEmptyLines) {
  std::vector<std::string> lines = SplitAtCrLf(LicenceText);
  std::size_t longest = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i % 2 == 1) {
      EXPECT_TRUE(lines[i].empty()) << "line " << i + 1;
      continue;
    }
    EXPECT_FALSE(lines[i].empty()) << "line " << i + 1;
    EXPECT_NE(lines[i].front(), ' ') << "line " << i + 1;
    EXPECT_NE(lines[i].back(), ' ') << "line " << i + 1;
    longest = std::max(longest, lines[i].size());
  }
  EXPECT_EQ(longest, 551u);
  // Plain ANSI text without tabs or control characters.
  for (char c : std::string(LicenceText))
    EXPECT_TRUE(c == '\r' || c == '\n' || (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F));
}

}  // namespace
