// Guards against a companion program that setup cannot find or close, that
// runs twice (also when started twice at once), or that takes the wrong hot
// key (or one without modifiers).
#include <gtest/gtest.h>

#include "common/texts.h"
#include "payload/common/payload_names.h"
#include "program_driver_win.h"

namespace {

constexpr DWORD kStartMilliseconds = 10000;
constexpr DWORD kEndMilliseconds = 5000;
constexpr int kTestHotKey = 7;

class CompanionTest : public ::testing::Test {
 protected:
  void SetUp() override { DeleteSettings(); }
  void TearDown() override { DeleteSettings(); }

  // Starts the companion as setup does (no command line) and waits for its window.
  HWND StartCompanion(RunningProgram& companion) {
    if (!companion.Start(RunFile("zindle.exe"), nullptr) ||
        !companion.WaitUntilIdle(kStartMilliseconds))
      return nullptr;
    return WaitForWindow(kCompanionClass, nullptr, companion.id(), kStartMilliseconds);
  }
};

// Whether some program holds the hot key: registering it again then fails.
bool HotKeyTaken(UINT modifiers, UINT key) {
  if (!RegisterHotKey(nullptr, kTestHotKey, modifiers, key)) return true;
  UnregisterHotKey(nullptr, kTestHotKey);
  return false;
}

TEST_F(CompanionTest, OwnsTopLevelWindowOfItsClassAndEndsOnClose) {
  RunningProgram companion;
  HWND window = StartCompanion(companion);
  ASSERT_NE(window, nullptr) << "no window of class " << kCompanionClass;
  EXPECT_EQ(FindWindowA(kCompanionClass, nullptr), window);
  EXPECT_EQ(GetAncestor(window, GA_PARENT), GetDesktopWindow());
  EXPECT_EQ(GetWindow(window, GW_OWNER), nullptr);

  DWORD start = GetTickCount();
  SendMessageA(window, WM_CLOSE, 0, 0);  // exactly what setup sends
  DWORD exitCode = 1;
  ASSERT_TRUE(companion.WaitForExit(kEndMilliseconds, &exitCode));
  EXPECT_EQ(exitCode, 0u);
  EXPECT_LT(GetTickCount() - start, kEndMilliseconds);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(FindWindowA(kCompanionClass, nullptr), nullptr);
}

TEST_F(CompanionTest, SecondStartEndsAndLeavesTheFirstRunning) {
  RunningProgram first;
  HWND window = StartCompanion(first);
  ASSERT_NE(window, nullptr);
  RunningProgram second;
  ASSERT_TRUE(second.Start(RunFile("zindle.exe"), nullptr));
  DWORD exitCode = 1;
  ASSERT_TRUE(second.WaitForExit(kEndMilliseconds, &exitCode));
  EXPECT_EQ(exitCode, 0u);
  EXPECT_EQ(FindWindowsOfClass(kCompanionClass).size(), 1u);
  EXPECT_TRUE(IsWindow(window));
  SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(first.WaitForExit(kEndMilliseconds, &exitCode));
}

// Two starts at the same moment, before either has a window: one ends.
TEST_F(CompanionTest, TwoQuickStartsLeaveOneRunning) {
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    RunningProgram first, second;
    ASSERT_TRUE(first.Start(RunFile("zindle.exe"), nullptr));
    ASSERT_TRUE(second.Start(RunFile("zindle.exe"), nullptr));
    DWORD exitCode = 1;
    bool firstEnded = false, secondEnded = false;
    for (DWORD waited = 0; waited < kEndMilliseconds && !firstEnded && !secondEnded; waited += 50) {
      firstEnded = first.WaitForExit(0, &exitCode);
      secondEnded = second.WaitForExit(0, &exitCode);
      Sleep(50);
    }
    ASSERT_NE(firstEnded, secondEnded) << "not exactly one of the two ended";
    EXPECT_EQ(exitCode, 0u);
    HWND window = WaitForWindow(kCompanionClass, nullptr, 0, kStartMilliseconds);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(FindWindowsOfClass(kCompanionClass).size(), 1u);
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE((firstEnded ? second : first).WaitForExit(kEndMilliseconds, &exitCode));
  }
}

TEST_F(CompanionTest, HoldsTheToolHotKeyOfTheSettingsOnlyWithControlAltOrWindows) {
  struct Case {
    bool stored;
    DWORD value;
    UINT modifiers;
    UINT key;
    bool held;
  };
  const Case cases[] = {
      {false, 0, MOD_CONTROL | MOD_ALT, 'T', true},          // the default, Ctrl+Alt+T
      {true, 0x01100054, MOD_CONTROL | MOD_ALT, 'T', true},  // setup's default value
      {true, 0x01000051, MOD_ALT, 'Q', true},                // Alt+Q
      {true, 0x10010042, MOD_WIN | MOD_SHIFT, 'B', true},    // Windows+Shift+B
      {true, 0x00000054, 0, 'T', false},                     // plain T would eat typing
      {true, 0x00010054, MOD_SHIFT, 'T', false},             // so would Shift+T
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.value);
    DeleteSettings();
    if (c.stored) SetSettingNumber(kValueToolHotkey, c.value);
    ASSERT_FALSE(HotKeyTaken(c.modifiers, c.key)) << "taken before the companion ran";
    RunningProgram companion;
    HWND window = StartCompanion(companion);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(HotKeyTaken(c.modifiers, c.key), c.held);
    if (c.stored && c.value != 0x01100054) {
      EXPECT_FALSE(HotKeyTaken(MOD_CONTROL | MOD_ALT, 'T')) << "the default is taken instead";
    }
    SendMessageA(window, WM_CLOSE, 0, 0);
    DWORD exitCode = 1;
    ASSERT_TRUE(companion.WaitForExit(kEndMilliseconds, &exitCode));
    EXPECT_FALSE(HotKeyTaken(c.modifiers, c.key)) << "not given back on close";
  }
}

TEST_F(CompanionTest, HotKeyStartsTheInstalledScreenSaver) {
  SetSettingText(kValueExecutable, RunFile("Tarnwick.scr"));
  SetSettingNumber(kValueShowPictures, 0);
  RunningProgram companion;
  HWND window = StartCompanion(companion);
  ASSERT_NE(window, nullptr);

  // The key combination itself, through the system's input queue.
  INPUT inputs[6] = {};
  const WORD keys[3] = {VK_CONTROL, VK_MENU, 'T'};
  for (int i = 0; i < 3; ++i) {
    inputs[i].type = inputs[5 - i].type = INPUT_KEYBOARD;
    inputs[i].ki.wVk = inputs[5 - i].ki.wVk = keys[i];
    inputs[5 - i].ki.dwFlags = KEYEVENTF_KEYUP;
  }
  SendInput(6, inputs, sizeof(INPUT));

  HWND saver = WaitForShownWindow(kSaverWindowClass, nullptr, 0, kStartMilliseconds);
  ASSERT_NE(saver, nullptr) << "the hot key started no screen saver";
  DWORD saverProcess = 0;
  GetWindowThreadProcessId(saver, &saverProcess);
  EXPECT_NE(saverProcess, companion.id());
  PostMessageA(saver, WM_KEYDOWN, VK_SPACE, 0);
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, saverProcess);
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(WaitForSingleObject(process, kEndMilliseconds), WAIT_OBJECT_0);
  CloseHandle(process);

  SendMessageA(window, WM_CLOSE, 0, 0);
  DWORD exitCode = 1;
  EXPECT_TRUE(companion.WaitForExit(kEndMilliseconds, &exitCode));
}

}  // namespace
