// Guards against a folder taken for the installation that cannot work: a
// relative or empty one (files land beside setup), a drive or share root, names
// the system cannot create or changes (bad characters, trailing dots and
// spaces, devices), and one too long for the deepest file below it; also where
// a character's second byte has the value of a backslash.
#include "common/app_folder.h"

#include <gtest/gtest.h>

#include <string>

#include "common/path.h"
#include "common/text_chars.h"

namespace {

constexpr std::size_t kDeepest = 40;

AppFolderFault Check(const std::string& folder) {
  return CheckAppFolder(folder.c_str(), kDeepest);
}

TEST(CheckAppFolder, RefusesFoldersThatAreNoFullPathOrARoot) {
  for (const char* folder : {"", "Tarnwick", "C:", "C:Tarnwick", "\\Tarnwick", "\\\\server",
                             "\\\\server\\", "\\\\\\share\\x", "1:\\x"})
    EXPECT_EQ(Check(folder), kAppFolderNotFullPath) << folder;
  for (const char* folder : {"C:\\", "d:\\", "\\\\server\\share", "\\\\server\\share\\"})
    EXPECT_EQ(Check(folder), kAppFolderRoot) << folder;
  for (const char* folder : {"C:\\Tarnwick", "C:\\Program Files\\Tarnwick\\",
                             "\\\\server\\share\\Tarnwick", "C:\\.hidden\\a b"})
    EXPECT_EQ(Check(folder), kAppFolderFits) << folder;
}

TEST(CheckAppFolder, RefusesNamesTheSystemCannotCreateAsTyped) {
  for (const char* folder : {"C:\\a<b", "C:\\a>b", "C:\\a:b", "C:\\a\"b", "C:\\a/b", "C:\\a|b",
                             "C:\\a?b", "C:\\a*b", "C:\\a\tb", "C:\\a\x1f", "\\\\ser:ver\\s\\a"})
    EXPECT_EQ(Check(folder), kAppFolderBadCharacter) << folder;
  for (const char* folder : {"C:\\Tarnwick.", "C:\\Tarnwick. ", "C:\\Apps \\Tarnwick", "C:\\.",
                             "C:\\a\\..\\b", "C:\\a\\\\b", "C:\\\\"})
    EXPECT_EQ(Check(folder), kAppFolderBadName) << folder;
  for (const char* folder : {"C:\\con", "C:\\Apps\\NUL.txt", "C:\\aux .x\\b", "C:\\COM1",
                             "C:\\a\\lpt9.log", "\\\\server\\prn\\a"})
    EXPECT_EQ(Check(folder), kAppFolderDeviceName) << folder;
  for (const char* folder : {"C:\\console", "C:\\COM0", "C:\\LPT10", "C:\\nul1"})
    EXPECT_EQ(Check(folder), kAppFolderFits) << folder;
}

TEST(CheckAppFolder, TakesTheLongestFolderWhoseDeepestFileFitsAndNoLonger) {
  // The folder, a backslash and the deepest file in 259 characters.
  std::string longest = "C:\\" + std::string(kPathSize - 2 - kDeepest - 3, 'a');
  EXPECT_EQ(Check(longest), kAppFolderFits);
  EXPECT_EQ(Check(longest + "\\"), kAppFolderFits);
  EXPECT_EQ(Check(longest + "a"), kAppFolderTooLong);
  EXPECT_EQ(CheckAppFolder("C:\\a", kPathSize), kAppFolderTooLong);
}

TEST(CheckAppFolder, WalksTheFolderByCharacter) {
  constexpr unsigned char kCodePage932[kLeadByteRangesSize] = {0x81, 0x9F, 0xE0, 0xFC};
  SetLeadByteRanges(kCodePage932);
  // 予定表 ends in 0x5C, ソ in 0x7C ("|"); half a character at the end is refused.
  AppFolderFault yoteihyo = Check("C:\\\x97\x5C\x92\xE8\x95\x5C");
  AppFolderFault so = Check("C:\\\x83\x7C");
  AppFolderFault half = Check("C:\\a\x95");
  std::size_t shareRoot = PathRootLength("\\\\\x95\x5C\\s\\x");
  SetLeadByteRanges(nullptr);
  EXPECT_EQ(yoteihyo, kAppFolderFits);
  EXPECT_EQ(so, kAppFolderFits);
  EXPECT_EQ(half, kAppFolderBadCharacter);
  EXPECT_EQ(shareRoot, 7u);
  EXPECT_EQ(Check("C:\\\x83\x7C"), kAppFolderBadCharacter);  // one byte a character
}

}  // namespace
