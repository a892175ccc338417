// Guards against a screen saver that mistakes its switches, shows no settings
// on "/c" or keeps them on Cancel, leaves the screen uncovered or does not end
// on a key press, draws no preview into the window "/p" names or outlives it,
// or carries a version other than the one setup reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "common/system_library_win.h"
#include "common/texts.h"
#include "payload/common/payload_names.h"
#include "payload/saver/saver_command.h"
#include "payload/saver/saver_ids.h"
#include "payload/saver/saver_window_win.h"
#include "program_driver_win.h"

namespace {

constexpr DWORD kStartMilliseconds = 10000;
constexpr DWORD kEndMilliseconds = 5000;
constexpr char kSettingsCaption[] = "My Zindle Settings";

TEST(SaverCommandTest, ReadsTheLastSwitchAsWindowsAndSetupWriteIt) {
  struct Case {
    const char* commandLine;
    SaverMode mode;
    std::uintptr_t window;
  } const cases[] = {
      {"\"C:\\windows\\system32\\Tarnwick.scr\" /c", SaverMode::kConfigure, 0},
      {"C:\\windows\\system32\\Tarnwick.scr +s", SaverMode::kFullScreen, 0},
      {"Tarnwick.scr /s", SaverMode::kFullScreen, 0},
      {"Tarnwick.scr -S", SaverMode::kFullScreen, 0},
      {"Tarnwick.scr /C:65604", SaverMode::kConfigure, 65604},
      {"Tarnwick.scr -c", SaverMode::kConfigure, 0},
      {"Tarnwick.scr /p 1234", SaverMode::kPreview, 1234},
      {"Tarnwick.scr /p:1234", SaverMode::kPreview, 1234},
      {"Tarnwick.scr /a 99", SaverMode::kPassword, 99},
      {"\"C:\\Program Files\\My -s Saver\\Tarnwick.scr\"", SaverMode::kConfigure, 0},
      {"\"C:\\Program Files\\My -s Saver\\Tarnwick.scr\" /s", SaverMode::kFullScreen, 0},
      {"Tarnwick.scr", SaverMode::kConfigure, 0},
      {"", SaverMode::kConfigure, 0},
      {"Tarnwick.scr /c /s", SaverMode::kFullScreen, 0},
      {"Tarnwick.scr /s 12", SaverMode::kFullScreen, 12},
      {"Tarnwick.scr /x /sx", SaverMode::kConfigure, 0},
      {"Tarnwick.scr /c:12ab", SaverMode::kConfigure, 0},
  };
  for (const Case& c : cases) {
    SaverCommand command = ParseSaverCommand(c.commandLine);
    EXPECT_EQ(command.mode, c.mode) << c.commandLine;
    EXPECT_EQ(command.window, c.window) << c.commandLine;
  }
}

TEST(SaverVersionTest, CarriesFileVersionOneTwoThreeFour) {
  std::string saver = RunFile("Tarnwick.scr");
  DWORD handle = 0;
  DWORD size = SystemGetFileVersionInfoSizeA(saver.c_str(), &handle);
  ASSERT_GT(size, 0u);
  std::vector<char> block(size);
  ASSERT_TRUE(SystemGetFileVersionInfoA(saver.c_str(), handle, size, block.data()));
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  ASSERT_TRUE(SystemVerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&info), &length));
  ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(info->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(info->dwFileVersionMS, 0x00010002u);
  EXPECT_EQ(info->dwFileVersionLS, 0x00030004u);
  // The number setup stores: a * 10000 + b * 100 + d.
  EXPECT_EQ(HIWORD(info->dwFileVersionMS) * 10000 + LOWORD(info->dwFileVersionMS) * 100 +
                LOWORD(info->dwFileVersionLS),
            10204u);
}

class SaverSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { DeleteSettings(); }
  void TearDown() override { DeleteSettings(); }

  HWND StartSettings(RunningProgram& saver, const char* commandLine) {
    if (!saver.Start(RunFile("Tarnwick.scr"), commandLine)) return nullptr;
    return WaitForShownWindow(kSaverSettingsClass, kSettingsCaption, saver.id(),
                              kStartMilliseconds);
  }

  static bool Checked(HWND dialog, int control) {
    return SendDlgItemMessageA(dialog, control, BM_GETCHECK, 0, 0) == BST_CHECKED;
  }

  static void Press(HWND dialog, int control) {
    SendMessageA(GetDlgItem(dialog, control), BM_CLICK, 0, 0);
  }
};

TEST_F(SaverSettingsTest, ConfigureShowsTheStoredSettingsAndCancelKeepsThem) {
  SetSettingNumber(kValueStarSpeed, 1);
  SetSettingNumber(kValueShowPictures, 0);
  RunningProgram saver;
  HWND dialog = StartSettings(saver, "\"C:\\run\\Tarnwick.scr\" /c");  // as setup starts it
  ASSERT_NE(dialog, nullptr) << "no settings dialog on /c";
  EXPECT_TRUE(Checked(dialog, IDC_SPEED_SLOW));
  EXPECT_FALSE(Checked(dialog, IDC_SPEED_FAST));
  EXPECT_FALSE(Checked(dialog, IDC_SHOW_PICTURES));
  Press(dialog, IDC_SPEED_FAST);
  Press(dialog, IDC_SHOW_PICTURES);
  EXPECT_TRUE(Checked(dialog, IDC_SPEED_FAST));
  Press(dialog, IDCANCEL);
  DWORD exitCode = 1;
  ASSERT_TRUE(saver.WaitForExit(kEndMilliseconds, &exitCode));
  EXPECT_EQ(exitCode, 0u);
  EXPECT_EQ(GetSettingNumber(kValueStarSpeed, 0), 1u);
  EXPECT_EQ(GetSettingNumber(kValueShowPictures, 9), 0u);
}

TEST_F(SaverSettingsTest, OkStoresTheChoices) {
  RunningProgram saver;
  HWND dialog = StartSettings(saver, "Tarnwick.scr /c:0");
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(Checked(dialog, IDC_SPEED_MEDIUM)) << "the default speed";
  EXPECT_TRUE(Checked(dialog, IDC_SHOW_PICTURES)) << "pictures are shown by default";
  Press(dialog, IDC_SPEED_FAST);
  Press(dialog, IDC_SHOW_PICTURES);
  Press(dialog, IDOK);
  DWORD exitCode = 1;
  ASSERT_TRUE(saver.WaitForExit(kEndMilliseconds, &exitCode));
  EXPECT_EQ(exitCode, 0u);
  EXPECT_EQ(GetSettingNumber(kValueStarSpeed, 0), 3u);
  EXPECT_EQ(GetSettingNumber(kValueShowPictures, 9), 0u);
}

TEST_F(SaverSettingsTest, OutOfRangeSpeedShowsTheDefault) {
  SetSettingNumber(kValueStarSpeed, 77);
  RunningProgram saver;
  HWND dialog = StartSettings(saver, "Tarnwick.scr -c");
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(Checked(dialog, IDC_SPEED_MEDIUM));
  Press(dialog, IDCANCEL);
  DWORD exitCode = 1;
  EXPECT_TRUE(saver.WaitForExit(kEndMilliseconds, &exitCode));
}

TEST_F(SaverSettingsTest, NoArgumentsShowsTheSettings) {
  RunningProgram opened;
  HWND dialog = StartSettings(opened, nullptr);
  ASSERT_NE(dialog, nullptr) << "a saver opened without arguments shows its settings";
  Press(dialog, IDCANCEL);
  DWORD exitCode = 1;
  EXPECT_TRUE(opened.WaitForExit(kEndMilliseconds, &exitCode));
}

constexpr int kPreviewLeft = 40, kPreviewTop = 40, kPreviewWidth = 152, kPreviewHeight = 112;

// The display settings' little monitor: a window of another program.
HWND MakeDisplayWindow() {
  return CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN,
                         kPreviewLeft, kPreviewTop, kPreviewWidth, kPreviewHeight, nullptr, nullptr,
                         nullptr, nullptr);
}

// The preview once it shows: a window made visible by its style is found a
// moment before it is shown.
HWND WaitForPreview(HWND display) {
  HWND child = nullptr;
  for (int i = 0; i < 200 && child == nullptr; ++i) {
    PumpMessagesFor(50);
    child = FindWindowExA(display, nullptr, kSaverPreviewClass, nullptr);
    if (child != nullptr && !IsWindowVisible(child)) child = nullptr;
  }
  return child;
}

TEST(SaverPreviewTest, LivesInTheNamedWindowUntilItGoes) {
  RunningProgram lost;  // a window that does not exist
  DWORD exitCode = 1;
  ASSERT_TRUE(lost.Start(RunFile("Tarnwick.scr"), "Tarnwick.scr /p 1234"));
  ASSERT_TRUE(lost.WaitForExit(kEndMilliseconds, &exitCode));

  HWND display = MakeDisplayWindow();
  ASSERT_NE(display, nullptr);
  std::string command = "Tarnwick.scr /p " + std::to_string(UINT_PTR(display));
  RunningProgram preview;
  ASSERT_TRUE(preview.Start(RunFile("Tarnwick.scr"), command.c_str()));
  HWND child = WaitForPreview(display);
  ASSERT_NE(child, nullptr) << "no visible preview inside the window";
  RECT area;
  GetClientRect(child, &area);
  EXPECT_EQ(area.right, kPreviewWidth);
  EXPECT_EQ(area.bottom, kPreviewHeight);
  EXPECT_TRUE(FindWindowsOfClass(kSaverWindowClass).empty()) << "it covers the screen instead";
  DestroyWindow(display);
  ASSERT_TRUE(preview.WaitForExit(kEndMilliseconds, &exitCode)) << "it outlives its window";
  EXPECT_EQ(exitCode, 0u);
}

// Wine shows nothing another process draws into a child of this one's window,
// so the drawing is watched with the preview running in a thread of this test.
TEST(SaverPreviewTest, DrawsMovingStarsInsideTheWindowOnly) {
  HWND display = MakeDisplayWindow();
  ASSERT_NE(display, nullptr);
  std::thread preview([display] { RunSaverPreview(GetModuleHandleA(nullptr), display); });
  ASSERT_NE(WaitForPreview(display), nullptr);
  PumpMessagesFor(500);
  int width = 0, height = 0;
  std::vector<DWORD> before = CaptureScreen(&width, &height);
  PumpMessagesFor(400);
  std::vector<DWORD> after = CaptureScreen(&width, &height);
  size_t inside = 0, outside = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      size_t at = static_cast<size_t>(y) * width + x;
      bool within = x >= kPreviewLeft && x < kPreviewLeft + kPreviewWidth && y >= kPreviewTop &&
                    y < kPreviewTop + kPreviewHeight;
      (within ? inside : outside) += (before[at] & 0xFFFFFF) != (after[at] & 0xFFFFFF);
    }
  }
  EXPECT_GT(inside, 10u) << "the stars do not move in the preview";
  EXPECT_EQ(outside, 0u) << "the preview draws outside its window";
  DestroyWindow(display);
  preview.join();  // the preview ends with its window
}

class FullScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteSettings();
    SetSettingNumber(kValueStarSpeed, 3);
  }
  void TearDown() override { DeleteSettings(); }

  // Starts the saver the way setup's exit launch does: unquoted path, "+s".
  HWND StartFullScreen(RunningProgram& saver) {
    if (!saver.Start(RunFile("Tarnwick.scr"), "C:\\run\\Tarnwick.scr +s")) return nullptr;
    HWND window = WaitForShownWindow(kSaverWindowClass, nullptr, saver.id(), kStartMilliseconds);
    Sleep(500);  // a few frames
    return window;
  }

  static bool StillRunning(RunningProgram& saver, DWORD milliseconds) {
    DWORD exitCode = 0;
    return !saver.WaitForExit(milliseconds, &exitCode);
  }
};

// Counts pixels that differ between two captures of the screen.
size_t CountChanged(const std::vector<DWORD>& a, const std::vector<DWORD>& b) {
  size_t changed = 0;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i)
    changed += (a[i] & 0xFFFFFF) != (b[i] & 0xFFFFFF);
  return changed;
}

TEST_F(FullScreenTest, CoversTheScreenOnTopAnimatesAndEndsOnAKey) {
  RunningProgram saver;
  HWND window = StartFullScreen(saver);
  ASSERT_NE(window, nullptr) << "no full-screen window on +s";
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
  RECT rect;
  GetWindowRect(window, &rect);
  EXPECT_LE(rect.left, 0);
  EXPECT_LE(rect.top, 0);
  EXPECT_GE(rect.right, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_GE(rect.bottom, GetSystemMetrics(SM_CYSCREEN));
  POINT centre = {GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2};
  EXPECT_EQ(WindowFromPoint(centre), window);

  int width = 0, height = 0;
  std::vector<DWORD> before = CaptureScreen(&width, &height);
  Sleep(400);
  std::vector<DWORD> after = CaptureScreen(&width, &height);
  EXPECT_GT(CountChanged(before, after), 50u) << "the stars do not move";

  PressKey(VK_SPACE);
  DWORD exitCode = 1;
  ASSERT_TRUE(saver.WaitForExit(kEndMilliseconds, &exitCode)) << "a key press did not end it";
  EXPECT_EQ(exitCode, 0u);
}

TEST_F(FullScreenTest, IgnoresAJitterButEndsOnARealMouseMovement) {
  RunningProgram saver;
  ASSERT_NE(StartFullScreen(saver), nullptr);
  MoveMouseBy(2, 1);
  Sleep(150);
  MoveMouseBy(-3, 2);
  EXPECT_TRUE(StillRunning(saver, 800)) << "a jitter of a few pixels ended the saver";
  MoveMouseBy(60, 40);
  DWORD exitCode = 1;
  ASSERT_TRUE(saver.WaitForExit(kEndMilliseconds, &exitCode)) << "a real movement did not end it";
  EXPECT_EQ(exitCode, 0u);
}

TEST_F(FullScreenTest, ASecondStartDoesNotStackAnotherSaver) {
  RunningProgram first;
  HWND window = StartFullScreen(first);
  ASSERT_NE(window, nullptr);
  RunningProgram second;
  ASSERT_TRUE(second.Start(RunFile("Tarnwick.scr"), "Tarnwick.scr /s"));
  DWORD exitCode = 1;
  ASSERT_TRUE(second.WaitForExit(kEndMilliseconds, &exitCode));
  EXPECT_EQ(FindWindowsOfClass(kSaverWindowClass).size(), 1u);
  PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(first.WaitForExit(kEndMilliseconds, &exitCode));
}

// Writes a plain 24-bit picture of one colour.
void WriteSolidBitmap(const std::string& path, int width, int height, BYTE red, BYTE green,
                      BYTE blue) {
  int stride = (width * 3 + 3) & ~3;
  std::vector<BYTE> rows(static_cast<size_t>(stride) * height, 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      BYTE* pixel = &rows[static_cast<size_t>(y) * stride + x * 3];
      pixel[0] = blue;
      pixel[1] = green;
      pixel[2] = red;
    }
  }
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = static_cast<DWORD>(file.bfOffBits + rows.size());
  HANDLE out = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(out, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(out, &file, sizeof file, &written, nullptr);
  WriteFile(out, &info, sizeof info, &written, nullptr);
  WriteFile(out, rows.data(), static_cast<DWORD>(rows.size()), &written, nullptr);
  CloseHandle(out);
}

size_t CountColour(const std::vector<DWORD>& pixels, DWORD colour) {
  return static_cast<size_t>(std::count_if(pixels.begin(), pixels.end(),
                                           [colour](DWORD p) { return (p & 0xFFFFFF) == colour; }));
}

TEST_F(FullScreenTest, ShowsThePicturesOfTheImagePacksWhenAsked) {
  CreateDirectoryA("C:\\saver-app", nullptr);
  CreateDirectoryA("C:\\saver-app\\Themes", nullptr);
  CreateDirectoryA("C:\\saver-app\\Themes\\Red Pack", nullptr);
  WriteSolidBitmap("C:\\saver-app\\Themes\\Red Pack\\red.bmp", 64, 48, 200, 0, 0);
  SetSettingText(kValueAppDir, "C:\\saver-app");
  const DWORD red = 0xC80000;

  for (DWORD pictures : {1u, 0u}) {
    SCOPED_TRACE(pictures ? "pictures on" : "pictures off");
    SetSettingNumber(kValueShowPictures, pictures);
    RunningProgram saver;
    ASSERT_NE(StartFullScreen(saver), nullptr);
    int width = 0, height = 0;
    std::vector<DWORD> screen = CaptureScreen(&width, &height);
    size_t share = CountColour(screen, red) * 100 / screen.size();
    if (pictures) {
      EXPECT_GT(share, 90u) << "the pack's picture does not fill the screen";
    } else {
      EXPECT_EQ(share, 0u) << "a picture is shown although switched off";
    }
    PressKey(VK_RETURN);
    DWORD exitCode = 1;
    ASSERT_TRUE(saver.WaitForExit(kEndMilliseconds, &exitCode));
  }
}

}  // namespace
