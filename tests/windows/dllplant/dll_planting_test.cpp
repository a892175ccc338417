// Guards against setup.exe loading a DLL planted beside it in place of the
// system's VERSION or COMCTL32 (a download folder holds anyone's files).
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

#include "common/texts.h"

namespace {

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool LoadedAtStart(const char* dll) {
  return Exists(std::string("C:\\run\\") + dll + ".loaded-at-start");
}
bool LoadedLater(const char* dll) {
  return Exists(std::string("C:\\run\\") + dll + ".loaded-later");
}

void RemoveMarkers() {
  for (const char* dll : {"version.dll", "comctl32.dll"})
    for (const char* when : {".loaded-at-start", ".loaded-later"})
      DeleteFileA((std::string("C:\\run\\") + dll + when).c_str());
}

// Native-first load order for the planted names in this prefix (Wine's own
// setting), so that the loader takes a DLL from the program's folder first, as
// Windows does for any DLL that is not a Known DLL.
void PreferPlantedDlls() {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\DllOverrides", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const char order[] = "native,builtin";
  for (const char* name : {"version", "comctl32"})
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(order), sizeof order);
  RegCloseKey(key);
}

// Starts a command line whose first token is the program's full path.
HANDLE Start(const char* commandLine) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::string command = commandLine;
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, "C:\\run",
                      &startup, &process))
    return nullptr;
  CloseHandle(process.hThread);
  return process.hProcess;
}

DWORD RunToEnd(const char* program) {
  HANDLE process = Start(program);
  if (process == nullptr) return 0xFFFFFFFF;
  WaitForSingleObject(process, 30000);
  DWORD exitCode = 0xFFFFFFFF;
  GetExitCodeProcess(process, &exitCode);
  CloseHandle(process);
  return exitCode;
}

HWND WaitForWizardPage(DWORD milliseconds) {
  for (DWORD waited = 0; waited < milliseconds; waited += 100) {
    HWND sheet = FindWindowA("#32770", nullptr);
    if (sheet != nullptr && IsWindowVisible(sheet) &&
        SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0) != 0)
      return sheet;
    Sleep(100);
  }
  return nullptr;
}

class DllPlantingTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { PreferPlantedDlls(); }
  void SetUp() override { RemoveMarkers(); }
};

TEST_F(DllPlantingTest, AProgramImportingThemOrdinarilyLoadsThePlantedDlls) {
  RunToEnd("C:\\run\\control_program.exe");
  EXPECT_TRUE(LoadedAtStart("version.dll"));
  EXPECT_TRUE(LoadedAtStart("comctl32.dll"));
}

TEST_F(DllPlantingTest, SetupShowsItsWizardWithoutLoadingThem) {
  HANDLE process = Start("C:\\run\\setup.exe");
  ASSERT_NE(process, nullptr);
  HWND sheet = WaitForWizardPage(30000);
  EXPECT_NE(sheet, nullptr) << "the wizard did not appear";
  HWND backdrop = FindWindowA(kBackdropClass, nullptr);
  ASSERT_NE(backdrop, nullptr);
  PostMessageA(backdrop, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(process, 20000), WAIT_OBJECT_0);
  CloseHandle(process);
  EXPECT_FALSE(LoadedAtStart("comctl32.dll"));
  EXPECT_FALSE(LoadedLater("comctl32.dll"));
  // Wine's own USER32 imports VERSION (Windows' does not), so under Wine a
  // planted version.dll enters every GUI process as it starts; what setup
  // itself loads afterwards must not be the planted one.
  EXPECT_FALSE(LoadedLater("version.dll"));
}

TEST_F(DllPlantingTest, TheInstalledProgramsDoNotLoadThemEither) {
  HANDLE companion = Start("C:\\run\\zindle.exe");
  ASSERT_NE(companion, nullptr);
  HWND window = nullptr;
  for (int tries = 0; tries < 100 && window == nullptr; ++tries) {
    Sleep(100);
    window = FindWindowA(kCompanionClass, nullptr);
  }
  EXPECT_NE(window, nullptr) << "the companion did not start";
  if (window != nullptr) PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(companion, 20000), WAIT_OBJECT_0);
  CloseHandle(companion);
  EXPECT_NE(RunToEnd("C:\\run\\uninstall.exe /quiet"), 0xFFFFFFFFu);
  EXPECT_FALSE(LoadedAtStart("comctl32.dll"));
  EXPECT_FALSE(LoadedLater("comctl32.dll"));
  EXPECT_FALSE(LoadedLater("version.dll"));
}

TEST_F(DllPlantingTest, SetupReadsVersionsThroughTheSystemLibrary) {
  EXPECT_EQ(RunToEnd("C:\\run\\version_probe.exe"), 0u);
  EXPECT_FALSE(LoadedLater("version.dll"));
}

}  // namespace
