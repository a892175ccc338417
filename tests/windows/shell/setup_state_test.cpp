// Guards against start-up filling the answers from the wrong source, in the
// wrong order of precedence, or overrunning a field with a long registry text
// or taking a cut one.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/texts.h"
#include "shell/setup_state_win.h"

namespace {

// Each test starts from a zero-filled state and a registry without the values
// it seeds; what it changed in HKLM is put back afterwards.
class LoadSetupStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(&gState, 0, sizeof gState);
    RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
    SaveMachineValue(kProgramFilesKey, kProgramFilesValue, savedProgramFiles_);
    SaveMachineValue(kWindowsKey, kValueOwner, savedOwner_);
    SaveMachineValue(kWindowsKey, kValueOrganization, savedOrganization_);
    DeleteMachineValue(kWindowsKey, kValueOwner);
    DeleteMachineValue(kWindowsKey, kValueOrganization);
  }
  void TearDown() override {
    RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
    RestoreMachineValue(kProgramFilesKey, kProgramFilesValue, savedProgramFiles_);
    RestoreMachineValue(kWindowsKey, kValueOwner, savedOwner_);
    RestoreMachineValue(kWindowsKey, kValueOrganization, savedOrganization_);
  }

  static void SetValue(HKEY root, const char* path, const char* name, DWORD type, const void* data,
                       DWORD size) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  static void SetText(HKEY root, const char* path, const char* name, const std::string& text) {
    SetValue(root, path, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
  }
  static void SetNumber(const char* name, DWORD value) {
    SetValue(HKEY_CURRENT_USER, kSettingsKey, name, REG_DWORD, &value, sizeof value);
  }
  static void DeleteMachineValue(const char* path, const char* name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key, name);
    RegCloseKey(key);
  }

 private:
  static void SaveMachineValue(const char* path, const char* name, std::string& saved) {
    char buffer[1024] = "";
    DWORD size = sizeof buffer;
    HKEY key;
    saved = "\x01";  // marks a value that did not exist
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) ==
        ERROR_SUCCESS)
      saved = buffer;
    RegCloseKey(key);
  }
  static void RestoreMachineValue(const char* path, const char* name, const std::string& saved) {
    if (saved == "\x01")
      DeleteMachineValue(path, name);
    else
      SetText(HKEY_LOCAL_MACHINE, path, name, saved);
  }

  std::string savedProgramFiles_, savedOwner_, savedOrganization_;
};

TEST_F(LoadSetupStateTest, FallsBackToTheDefaultsWithoutAnyRegistryValues) {
  DeleteMachineValue(kProgramFilesKey, kProgramFilesValue);
  LoadSetupState();
  EXPECT_STREQ(gState.AppDir, "C:\\Program Files\\Tarnwick");
  EXPECT_STREQ(gState.BrowseFolder, "C:\\Program Files\\");
  EXPECT_STREQ(gState.RegisteredOwner, "");
  EXPECT_STREQ(gState.RegisteredOrganization, "");
  EXPECT_STREQ(gState.RegisteredEMail, "");
  EXPECT_EQ(gState.SSHotkey, 0x01100053u);
  EXPECT_EQ(gState.ToolHotkey, 0x01100054u);
  EXPECT_EQ(gState.DisplayMode, 1u);
  EXPECT_EQ(gState.MakeCurrent, 1u);
  EXPECT_EQ(gState.ConfigureSaver, 0u);
  EXPECT_EQ(gState.LaunchAfterSetup, 1u);
  EXPECT_EQ(gState.InstallSucceeded, 0u);
}

TEST_F(LoadSetupStateTest, AppendsTheMakerToAProgramFilesDirWithoutTrailingBackslash) {
  SetText(HKEY_LOCAL_MACHINE, kProgramFilesKey, kProgramFilesValue, "D:\\Apps");
  LoadSetupState();
  EXPECT_STREQ(gState.AppDir, "D:\\Apps\\Tarnwick");
  EXPECT_STREQ(gState.BrowseFolder, "D:\\Apps");
}

TEST_F(LoadSetupStateTest, UsesAStoredAppDirVerbatim) {
  SetText(HKEY_LOCAL_MACHINE, kProgramFilesKey, kProgramFilesValue, "D:\\Apps");
  SetText(HKEY_CURRENT_USER, kSettingsKey, kValueAppDir, "E:\\Savers\\Mine\\");
  LoadSetupState();
  EXPECT_STREQ(gState.AppDir, "E:\\Savers\\Mine\\");
  EXPECT_STREQ(gState.BrowseFolder, "D:\\Apps");
}

TEST_F(LoadSetupStateTest, StoredAnswersBeatTheSystemOwnerWhichBeatsTheDefault) {
  SetText(HKEY_LOCAL_MACHINE, kWindowsKey, kValueOwner, "System Owner");
  SetText(HKEY_LOCAL_MACHINE, kWindowsKey, kValueOrganization, "System Org");
  SetText(HKEY_CURRENT_USER, kSettingsKey, kValueOwner, "Stored Owner");
  LoadSetupState();
  EXPECT_STREQ(gState.RegisteredOwner, "Stored Owner");
  EXPECT_STREQ(gState.RegisteredOrganization, "System Org");
}

TEST_F(LoadSetupStateTest, APartialSettingsKeyKeepsTheOtherDefaults) {
  SetText(HKEY_CURRENT_USER, kSettingsKey, kValueEMail, "me@example.org");
  SetNumber(kValueToolHotkey, 0x02200041);
  LoadSetupState();
  EXPECT_STREQ(gState.RegisteredEMail, "me@example.org");
  EXPECT_EQ(gState.ToolHotkey, 0x02200041u);
  EXPECT_EQ(gState.SSHotkey, 0x01100053u);
  EXPECT_EQ(gState.DisplayMode, 1u);
  EXPECT_STREQ(gState.AppDir, "C:\\Program Files\\Tarnwick");
}

// A text cut to fit would be another name or another directory.
TEST_F(LoadSetupStateTest, IgnoresTextsLongerThanTheirFieldsWithoutOverrunningThem) {
  SetText(HKEY_LOCAL_MACHINE, kWindowsKey, kValueOwner, "System Owner");
  SetText(HKEY_CURRENT_USER, kSettingsKey, kValueOwner, std::string(256, 'o'));
  SetText(HKEY_CURRENT_USER, kSettingsKey, kValueAppDir, std::string(260, 'd'));
  SetText(HKEY_CURRENT_USER, kSettingsKey, kValueOrganization, std::string(255, 'g'));
  LoadSetupState();
  EXPECT_STREQ(gState.RegisteredOwner, "System Owner");
  EXPECT_STREQ(gState.AppDir, "C:\\Program Files\\Tarnwick");
  EXPECT_EQ(std::string(gState.RegisteredOrganization), std::string(255, 'g'));
  EXPECT_STREQ(gState.RegisteredEMail, "");  // the field after the owner is untouched
}

TEST_F(LoadSetupStateTest, TerminatesATextStoredWithoutItsTerminator) {
  const char raw[] = {'a', '@', 'b'};
  SetValue(HKEY_CURRENT_USER, kSettingsKey, kValueEMail, REG_SZ, raw, sizeof raw);
  LoadSetupState();
  EXPECT_STREQ(gState.RegisteredEMail, "a@b");
}

TEST_F(LoadSetupStateTest, IgnoresValuesOfAnUnexpectedType) {
  DWORD number = 7;
  SetValue(HKEY_CURRENT_USER, kSettingsKey, kValueAppDir, REG_DWORD, &number, sizeof number);
  SetText(HKEY_CURRENT_USER, kSettingsKey, kValueDisplayMode, "3");
  const BYTE shortNumber[2] = {1, 2};
  SetValue(HKEY_CURRENT_USER, kSettingsKey, kValueSSHotkey, REG_BINARY, shortNumber,
           sizeof shortNumber);
  // Taken as it stands, an expandable text would be another text.
  const char expandable[] = "%USERDOMAIN%";
  SetValue(HKEY_CURRENT_USER, kSettingsKey, kValueOrganization, REG_EXPAND_SZ, expandable,
           sizeof expandable);
  LoadSetupState();
  EXPECT_STREQ(gState.RegisteredOrganization, "");
  EXPECT_STREQ(gState.AppDir, "C:\\Program Files\\Tarnwick");
  EXPECT_EQ(gState.DisplayMode, 1u);
  EXPECT_EQ(gState.SSHotkey, 0x01100053u);
}

}  // namespace
