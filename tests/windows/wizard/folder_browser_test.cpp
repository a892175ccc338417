// Guards against the folder browser offering OK for a place the installation
// cannot go (read-only folder, CD-ROM, virtual folder) or refusing one it can,
// and against a browser or sheet placed off centre or off the work area.
#include <gtest/gtest.h>
#include <windows.h>
// The shell header needs windows.h first.
#include <shlobj.h>

#include <vector>

#include "wizard/centring_win.h"
#include "wizard/folder_browser_win.h"
#include "wizard_driver.h"

namespace {

UINT gFakeDriveType = DRIVE_UNKNOWN;
std::vector<std::string> gDrivesAsked;

UINT WINAPI FakeDriveType(LPCSTR root) {
  gDrivesAsked.push_back(root);
  return gFakeDriveType;
}

bool RootQualifies(UINT type, const char* root = "D:\\") {
  gFakeDriveType = type;
  return CanTakeInstallation(root, FakeDriveType);
}

TEST(CanTakeInstallation, AcceptsExistingFoldersUnlessReadOnly) {
  CreateDirectoryA("C:\\Writable", nullptr);
  ASSERT_NE(GetFileAttributesA(kReadOnlyFolder) & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_TRUE(CanTakeInstallation("C:\\Writable"));
  EXPECT_FALSE(CanTakeInstallation(kReadOnlyFolder));
  EXPECT_FALSE(CanTakeInstallation("C:\\Missing"));
  EXPECT_FALSE(CanTakeInstallation(""));
}

TEST(CanTakeInstallation, JudgesDriveRootsByTheirDriveType) {
  EXPECT_TRUE(CanTakeInstallation("C:\\"));   // the fixed drive of the prefix
  EXPECT_FALSE(CanTakeInstallation("Q:\\"));  // no such drive
  EXPECT_TRUE(RootQualifies(DRIVE_REMOVABLE));
  EXPECT_TRUE(RootQualifies(DRIVE_FIXED));
  EXPECT_TRUE(RootQualifies(DRIVE_REMOTE));
  EXPECT_TRUE(RootQualifies(DRIVE_RAMDISK));
  EXPECT_FALSE(RootQualifies(DRIVE_CDROM));
  EXPECT_FALSE(RootQualifies(DRIVE_UNKNOWN));
  EXPECT_FALSE(RootQualifies(DRIVE_NO_ROOT_DIR));
  // Only a bare "X:\" is a root; a missing folder on a good drive is not.
  gDrivesAsked.clear();
  EXPECT_FALSE(RootQualifies(DRIVE_FIXED, "D:\\Missing"));
  EXPECT_FALSE(RootQualifies(DRIVE_FIXED, "D:"));
  EXPECT_TRUE(gDrivesAsked.empty());
}

// Stands in for the browser window: records what the callback sends it.
struct BrowserRecord {
  std::vector<LPARAM> enableOk;
  std::vector<std::pair<WPARAM, LPARAM>> selections;
};
BrowserRecord gRecord;

LRESULT CALLBACK RecorderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == BFFM_ENABLEOK) gRecord.enableOk.push_back(lParam);
  if (message == BFFM_SETSELECTIONA) gRecord.selections.push_back({wParam, lParam});
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateRecorder(int width, int height) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = RecorderProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "BrowserRecorder";
    registered = RegisterClassA(&windowClass) != 0;
  }
  return CreateWindowExA(0, "BrowserRecorder", "", WS_POPUP, 0, 0, width, height, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

LPARAM EnableOkFor(HWND recorder, LPITEMIDLIST item) {
  gRecord.enableOk.clear();
  BrowseCallback(recorder, BFFM_SELCHANGED, reinterpret_cast<LPARAM>(item), 0);
  EXPECT_EQ(gRecord.enableOk.size(), 1u);
  return gRecord.enableOk.empty() ? -1 : gRecord.enableOk.back();
}

LPITEMIDLIST ItemForPath(const char* path) {
  wchar_t wide[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH);
  LPITEMIDLIST item = nullptr;
  SHParseDisplayName(wide, nullptr, &item, 0, nullptr);
  return item;
}

TEST(BrowseCallback, EnablesOkOnlyForSelectionsThatCanTakeTheInstallation) {
  HWND recorder = CreateRecorder(300, 200);
  ASSERT_NE(recorder, nullptr);
  CreateDirectoryA("C:\\Pick", nullptr);
  LPITEMIDLIST folder = ItemForPath("C:\\Pick");
  LPITEMIDLIST locked = ItemForPath(kReadOnlyFolder);
  LPITEMIDLIST root = ItemForPath("C:\\");
  LPITEMIDLIST computer = nullptr;
  SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &computer);
  ASSERT_TRUE(folder && locked && root && computer);
  EXPECT_EQ(EnableOkFor(recorder, folder), TRUE);
  EXPECT_EQ(EnableOkFor(recorder, locked), FALSE);
  EXPECT_EQ(EnableOkFor(recorder, root), TRUE);
  EXPECT_EQ(EnableOkFor(recorder, computer), FALSE);  // no file-system path
  // No item, no answer.
  gRecord.enableOk.clear();
  BrowseCallback(recorder, BFFM_SELCHANGED, 0, 0);
  EXPECT_TRUE(gRecord.enableOk.empty());
  for (LPITEMIDLIST item : {folder, locked, root, computer}) CoTaskMemFree(item);
  DestroyWindow(recorder);
}

TEST(BrowseCallback, CentresTheBrowserOverTheDesktopAndOpensAtTheStartFolder) {
  HWND recorder = CreateRecorder(300, 201);
  ASSERT_NE(recorder, nullptr);
  char start[MAX_PATH] = "C:\\windows";
  gRecord.selections.clear();
  EXPECT_EQ(BrowseCallback(recorder, BFFM_INITIALIZED, 0, reinterpret_cast<LPARAM>(start)), 0);
  ASSERT_EQ(gRecord.selections.size(), 1u);
  EXPECT_EQ(gRecord.selections[0].first, static_cast<WPARAM>(TRUE));
  EXPECT_EQ(gRecord.selections[0].second, reinterpret_cast<LPARAM>(start));
  RECT desktop;
  RECT placed;
  GetWindowRect(GetDesktopWindow(), &desktop);
  GetWindowRect(recorder, &placed);
  // 1024 - 300 and 768 - 201 halved toward zero.
  EXPECT_EQ(placed.left, desktop.left + (desktop.right - desktop.left - 300) / 2);
  EXPECT_EQ(placed.top, desktop.top + (desktop.bottom - desktop.top - 201) / 2);
  EXPECT_EQ(placed.right - placed.left, 300);
  DestroyWindow(recorder);
}

TEST(CenterWindowOver, KeepsAWindowLargerThanTheWorkAreaOnItsLeftAndTopEdges) {
  RECT area;
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0));
  HWND big = CreateRecorder(area.right - area.left + 100, area.bottom - area.top + 60);
  ASSERT_NE(big, nullptr);
  EXPECT_TRUE(CenterWindowOver(big, GetDesktopWindow()));
  RECT placed;
  GetWindowRect(big, &placed);
  EXPECT_EQ(placed.left, area.left);
  EXPECT_EQ(placed.top, area.top);
  // Without a reference window there is nothing to centre over: it stays put.
  EXPECT_FALSE(CenterWindowOver(big, nullptr));
  DestroyWindow(big);
}

}  // namespace
