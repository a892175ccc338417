// Guards against an uninstaller that leaves pieces of the product behind or
// for a restart, deletes what is not the product's or what another
// installation still uses, reports a half-removed product as removed, leaves
// the product's programs running, or removes anything before the user agreed.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstring>
#include <thread>
// After windows.h, which it builds on.
#include <shellapi.h>

#include "common/texts.h"
#include "payload/common/payload_names.h"
#include "payload/uninstall/remove_product_win.h"
#include "payload_members.h"
#include "program_driver_win.h"

namespace {

constexpr DWORD kRunMilliseconds = 60000;
constexpr DWORD kStartMilliseconds = 10000;
constexpr char kAppDir[] = "C:\\Program Files\\Tarnwick";
constexpr char kThemesDir[] = "C:\\Program Files\\Tarnwick\\Themes";
constexpr char kOtherAppDir[] = "C:\\Other Zindle";
constexpr char kTipFile[] = "tips.txt";
constexpr char kStartMenu[] = "C:\\test-menu";
constexpr char kStartup[] = "C:\\test-menu\\Programs\\Startup";
constexpr char kMakerMenu[] = "C:\\test-menu\\Programs\\Tarnwick";
constexpr char kBoxCaption[] = "Tarnwick My Zindle Uninstall";
constexpr char kPendingKey[] = "System\\CurrentControlSet\\Control\\Session Manager";

std::string Join(const std::string& folder, const char* name) {
  return folder + "\\" + name;
}

std::string SystemFile(const char* name) {
  char directory[MAX_PATH] = "";
  GetSystemDirectoryA(directory, MAX_PATH);
  return Join(directory, name);
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WriteText(const std::string& path, const char* text) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
  DWORD written = 0;
  WriteFile(file, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
  CloseHandle(file);
}

void MakeFolders(const std::string& path) {
  for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
    CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
  CreateDirectoryA(path.c_str(), nullptr);
}

bool KeyExists(HKEY root, const char* path) {
  HKEY key;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

void SetText(HKEY root, const char* path, const char* name, const std::string& value) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
  RegCloseKey(key);
}

std::string CurrentSaverEntry() {
  char entry[MAX_PATH] = "";
  GetPrivateProfileStringA(kBootSection, kSaverKey, "", entry, MAX_PATH, kSystemIni);
  return entry;
}

// The files Windows deletes at its next start, lower-cased.
std::string PendingDeletions() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPendingKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return "";
  DWORD size = 0;
  std::string list;
  if (RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, nullptr, nullptr, &size) ==
      ERROR_SUCCESS) {
    list.resize(size);
    RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, nullptr,
                     reinterpret_cast<BYTE*>(&list[0]), &size);
  }
  RegCloseKey(key);
  for (char& c : list) {
    if (c == '\0') c = '|';
  }
  if (!list.empty()) CharLowerBuffA(&list[0], static_cast<DWORD>(list.size()));
  return list;
}

void DeleteTree(const char* folder) {
  char from[MAX_PATH + 1] = "";  // a list of names, ended by an empty one
  lstrcpynA(from, folder, MAX_PATH);
  SHFILEOPSTRUCTA operation = {};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from;
  operation.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
  SHFileOperationA(&operation);
}

// The copy the uninstaller leaves through removes its file and folder just
// after the run has ended.
bool WaitUntilGone(const std::string& path) {
  for (int i = 0; i < 100 && Exists(path); ++i) Sleep(100);
  return !Exists(path);
}

std::string PackDir() {
  return Join(kThemesDir, kImagePackTitle);
}

class UninstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RemoveLeftovers();
    SimulateInstall();
  }
  void TearDown() override { RemoveLeftovers(); }

  // Lays out what a finished installation leaves, with the companion running
  // from the application directory.
  void SimulateInstall() {
    MakeFolders(PackDir());
    MakeFolders(kMakerMenu);
    MakeFolders(kStartup);
    ASSERT_TRUE(CopyFileA(RunFile("Tarnwick.scr").c_str(), SystemFile(kSaverFile).c_str(), FALSE));
    ASSERT_TRUE(
        CopyFileA(RunFile("zindle.exe").c_str(), Join(kAppDir, kCompanionFile).c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(RunFile("uninstall.exe").c_str(), Join(kAppDir, kUninstallerFile).c_str(),
                          FALSE));
    WriteText(Join(kAppDir, kTipFile), "Press Ctrl-Alt-T.\r\n");
    for (const char* member : kImagePackMembers) WriteText(Join(PackDir(), member), "BM");
    SetFileAttributesA(Join(PackDir(), "pack.ini").c_str(), FILE_ATTRIBUTE_READONLY);
    WriteText(Join(kMakerMenu, kUninstallLink), "link");
    WriteText(Join(kMakerMenu, kSaverLink), "link");
    WriteText(Join(kStartup, kCompanionLink), "link");

    char shortSaver[MAX_PATH] = "";
    GetShortPathNameA(SystemFile(kSaverFile).c_str(), shortSaver, MAX_PATH);
    CharUpperA(shortSaver);  // as older systems write it
    WritePrivateProfileStringA(kBootSection, kSaverKey, shortSaver, kSystemIni);
    SetText(HKEY_CURRENT_USER, kSettingsKey, kValueAppDir, kAppDir);
    SetText(HKEY_CURRENT_USER, kSettingsKey, kValueExecutable, SystemFile(kSaverFile));
    SetText(HKEY_LOCAL_MACHINE, kUninstallKey, kValueDisplayName, kProductName);
    SetText(HKEY_LOCAL_MACHINE, kUninstallKey, kValueUninstallString,
            std::string("\"") + kAppDir + "\\Uninstall.exe\"");
    SetText(HKEY_CURRENT_USER, kShellFoldersKey, kValueStartMenu, kStartMenu);
    SetText(HKEY_CURRENT_USER, kShellFoldersKey, kValueStartup, kStartup);

    ASSERT_TRUE(companion_.Start(Join(kAppDir, kCompanionFile), nullptr));
    ASSERT_TRUE(companion_.WaitUntilIdle(kStartMilliseconds));
    ASSERT_NE(WaitForWindow(kCompanionClass, nullptr, companion_.id(), kStartMilliseconds),
              nullptr);
  }

  // Runs the installed uninstaller from the application directory, as the
  // list of installed programs does, and waits for the process it started.
  DWORD RunUninstaller(const char* arguments) {
    std::string application = Join(kAppDir, kUninstallerFile);
    std::string command = "\"" + application + "\"" + arguments;
    RunningProgram uninstaller;
    if (!uninstaller.Start(application, command.c_str())) return 1000;
    DWORD exitCode = 1001;
    return uninstaller.WaitForExit(kRunMilliseconds, &exitCode) ? exitCode : 1002;
  }

  void ExpectInstallIntact() {
    EXPECT_TRUE(Exists(SystemFile(kSaverFile)));
    EXPECT_TRUE(Exists(Join(kAppDir, kCompanionFile)));
    EXPECT_TRUE(Exists(Join(PackDir(), "aurora.bmp")));
    EXPECT_TRUE(Exists(Join(kStartup, kCompanionLink)));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kSettingsKey));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(CurrentSaverEntry().empty());
    EXPECT_NE(FindWindowA(kCompanionClass, nullptr), nullptr);
  }

  void ExpectProductRemoved() {
    EXPECT_EQ(FindWindowA(kCompanionClass, nullptr), nullptr) << "the companion still runs";
    DWORD exitCode = 1;
    EXPECT_TRUE(companion_.WaitForExit(0, &exitCode));
    EXPECT_TRUE(WaitUntilGone(kAppDir));
    EXPECT_EQ(PendingDeletions().find("tarnwick"), std::string::npos)
        << "left for a restart: " << PendingDeletions();
    EXPECT_FALSE(Exists(SystemFile(kSaverFile)));
    EXPECT_FALSE(Exists(Join(kMakerMenu, kUninstallLink)));
    EXPECT_FALSE(Exists(Join(kMakerMenu, kSaverLink)));
    EXPECT_FALSE(Exists(kMakerMenu));
    EXPECT_FALSE(Exists(Join(kStartup, kCompanionLink)));
    EXPECT_TRUE(Exists(kStartup));
    EXPECT_EQ(CurrentSaverEntry(), "");
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kSettingsKey));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kMakerKey));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  }

  void RemoveLeftovers() {
    if (HWND window = FindWindowA(kCompanionClass, nullptr)) SendMessageA(window, WM_CLOSE, 0, 0);
    DWORD exitCode = 0;
    companion_.WaitForExit(5000, &exitCode);
    DeleteTree(kAppDir);
    DeleteTree(kOtherAppDir);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Tarnwick\\Other");
    RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
    RegDeleteKeyA(HKEY_CURRENT_USER, kMakerKey);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
    WritePrivateProfileStringA(kBootSection, kSaverKey, nullptr, kSystemIni);
  }

  RunningProgram companion_;
};

// Answers the uninstaller's message boxes from a second thread: records each
// box's text and presses the given button.
class BoxAnswerer {
 public:
  explicit BoxAnswerer(std::vector<int> buttons) : buttons_(std::move(buttons)) {
    thread_ = std::thread([this] { Run(); });
  }
  ~BoxAnswerer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  // Waits until every button has been given (or the time is up).
  std::vector<std::string> texts() {
    if (thread_.joinable()) thread_.join();
    return texts_;
  }

 private:
  void Run() {
    DWORD start = GetTickCount();
    size_t answered = 0;
    while (!stop_ && answered < buttons_.size() && GetTickCount() - start < kRunMilliseconds) {
      HWND box = FindWindowA("#32770", kBoxCaption);
      if (box != nullptr && box != last_) {
        char text[512] = "";
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        texts_.push_back(text);
        last_ = box;
        PostMessageA(box, WM_COMMAND, buttons_[answered++], 0);
      }
      Sleep(50);
    }
  }

  std::vector<int> buttons_;
  std::vector<std::string> texts_;
  std::atomic<bool> stop_{false};
  HWND last_ = nullptr;
  std::thread thread_;
};

TEST_F(UninstallTest, QuietRunClosesThePreviewAndRemovesEverythingSetupLeft) {
  HWND display = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 50, 50, 160, 120, nullptr,
                                 nullptr, nullptr, nullptr);
  std::string command = SystemFile(kSaverFile) + " /p " + std::to_string(UINT_PTR(display));
  RunningProgram preview;
  ASSERT_TRUE(preview.Start(SystemFile(kSaverFile), command.c_str()));
  for (int i = 0;
       i < 100 && FindWindowExA(display, nullptr, kSaverPreviewClass, nullptr) == nullptr; ++i)
    PumpMessagesFor(50);
  ASSERT_NE(FindWindowExA(display, nullptr, kSaverPreviewClass, nullptr), nullptr);

  ASSERT_EQ(RunUninstaller(" /quiet"), static_cast<DWORD>(kUninstallRemoved));
  DWORD exitCode = 1;
  EXPECT_TRUE(preview.WaitForExit(0, &exitCode)) << "the preview still runs";
  ExpectProductRemoved();
  DestroyWindow(display);
}

TEST_F(UninstallTest, LeavesWhatIsNotTheProductsAndSaysSo) {
  const std::string otherSaver = SystemFile("other.scr");
  WriteText(otherSaver, "MZ");
  WritePrivateProfileStringA(kBootSection, kSaverKey, otherSaver.c_str(), kSystemIni);
  WriteText(Join(kAppDir, "my notes.txt"), "mine");
  WriteText(Join(kStartup, "Other Program.lnk"), "link");
  MakeFolders("C:\\keep\\Themes");
  WriteText("C:\\keep\\diary.txt", "mine");
  SetText(HKEY_CURRENT_USER, kSettingsKey, kValueExecutable, "C:\\keep\\diary.txt");
  SetText(HKEY_CURRENT_USER, kSettingsKey, kValueAppDir, "C:\\keep");
  SetText(HKEY_CURRENT_USER, "Software\\Tarnwick\\Other", "Kept", "yes");

  BoxAnswerer answerer({IDYES, IDOK});
  ASSERT_EQ(RunUninstaller(""), static_cast<DWORD>(kUninstallKeptUserItems));
  std::vector<std::string> texts = answerer.texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_NE(texts[1].find("left in place:\n'C:\\Program Files\\Tarnwick\\my notes.txt'"),
            std::string::npos)
      << texts[1];
  EXPECT_EQ(CurrentSaverEntry(), otherSaver) << "another current saver was taken out";
  EXPECT_TRUE(Exists(otherSaver));
  EXPECT_TRUE(Exists("C:\\keep\\diary.txt")) << "a file named by a tampered setting was deleted";
  EXPECT_TRUE(Exists("C:\\keep\\Themes"));
  EXPECT_FALSE(Exists(SystemFile(kSaverFile))) << "the saver in the system directory stays";
  EXPECT_FALSE(Exists(Join(kAppDir, kUninstallerFile)));
  EXPECT_TRUE(Exists(Join(kAppDir, "my notes.txt")));
  EXPECT_TRUE(Exists(Join(kStartup, "Other Program.lnk")));
  EXPECT_FALSE(Exists(Join(kAppDir, kCompanionFile)));
  EXPECT_FALSE(Exists(Join(kAppDir, kThemesDirectory)));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kSettingsKey));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software\\Tarnwick\\Other"));
  DeleteFileA(otherSaver.c_str());
  DeleteTree("C:\\keep");
}

// A file in use stays, with both keys and the uninstaller, and nothing waits
// for a restart; once the file is free, a second run finishes the job.
TEST_F(UninstallTest, ReportsAnItemInUseAndASecondRunFinishes) {
  HANDLE held = CreateFileA(Join(kAppDir, kTipFile).c_str(), GENERIC_READ, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  BoxAnswerer answerer({IDYES, IDOK});
  EXPECT_EQ(RunUninstaller(""), static_cast<DWORD>(kUninstallIncomplete));
  std::vector<std::string> texts = answerer.texts();  // shown once the copy is done
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_NE(texts[1].find("left:\n'C:\\Program Files\\Tarnwick\\tips.txt'\nClose the program"),
            std::string::npos)
      << texts[1];
  EXPECT_FALSE(Exists(Join(kAppDir, kCompanionFile))) << "the rest is still removed";
  EXPECT_TRUE(Exists(Join(kAppDir, kUninstallerFile)));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kSettingsKey));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_EQ(PendingDeletions().find("tarnwick"), std::string::npos) << PendingDeletions();
  CloseHandle(held);
  EXPECT_EQ(RunUninstaller(" /quiet"), static_cast<DWORD>(kUninstallRemoved));
  ExpectProductRemoved();
}

// A program that is only starting, or has only just ended, holds its file for
// a moment: the file is still removed, not reported as left.
TEST_F(UninstallTest, RemovesAFileReleasedAMomentLater) {
  HANDLE held = CreateFileA(Join(kAppDir, kCompanionFile).c_str(), GENERIC_READ, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::thread release([held] {
    Sleep(1000);
    CloseHandle(held);
  });
  EXPECT_EQ(RunUninstaller(" /quiet"), static_cast<DWORD>(kUninstallRemoved));
  release.join();
  ExpectProductRemoved();
}

// The uninstall entry names another installation: it keeps the saver, the
// current-saver entry, the shortcuts and both keys.
TEST_F(UninstallTest, LeavesTheSharedPartsToTheRegisteredInstallation) {
  MakeFolders(kOtherAppDir);
  WriteText(Join(kOtherAppDir, "Uninstall.exe"), "MZ");
  SetText(HKEY_LOCAL_MACHINE, kUninstallKey, kValueUninstallString,
          std::string("\"") + kOtherAppDir + "\\Uninstall.exe\"");
  ASSERT_EQ(RunUninstaller(" /QUIET"), static_cast<DWORD>(kUninstallRemoved));
  EXPECT_TRUE(WaitUntilGone(kAppDir));
  EXPECT_TRUE(Exists(SystemFile(kSaverFile)));
  EXPECT_FALSE(CurrentSaverEntry().empty());
  EXPECT_TRUE(Exists(Join(kStartup, kCompanionLink)));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kSettingsKey));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

// Without a temporary folder to leave through, it removes all but itself and
// says that it is left.
TEST_F(UninstallTest, WithoutATemporaryCopyLeavesOnlyItself) {
  char saved[MAX_PATH] = "";
  GetEnvironmentVariableA("TMP", saved, MAX_PATH);
  SetEnvironmentVariableA("TMP", "C:\\no such folder");
  SetEnvironmentVariableA("TEMP", "C:\\no such folder");
  DWORD result = RunUninstaller(" /quiet");
  SetEnvironmentVariableA("TMP", saved);
  SetEnvironmentVariableA("TEMP", saved);
  EXPECT_EQ(result, static_cast<DWORD>(kUninstallIncomplete));
  EXPECT_TRUE(Exists(Join(kAppDir, kUninstallerFile)));
  EXPECT_FALSE(Exists(Join(kAppDir, kThemesDirectory)));
  EXPECT_FALSE(Exists(SystemFile(kSaverFile)));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

TEST_F(UninstallTest, AsksFirstAndRemovesNothingOnNo) {
  BoxAnswerer answerer({IDNO});
  ASSERT_EQ(RunUninstaller(""), static_cast<DWORD>(kUninstallCancelled));
  std::vector<std::string> texts = answerer.texts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_NE(texts[0].find("Remove Tarnwick My Zindle"), std::string::npos) << texts[0];
  ExpectInstallIntact();
}

TEST_F(UninstallTest, OnYesRemovesAndSaysSo) {
  BoxAnswerer answerer({IDYES, IDOK});
  ASSERT_EQ(RunUninstaller(""), static_cast<DWORD>(kUninstallRemoved));
  std::vector<std::string> texts = answerer.texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_NE(texts[1].find("Tarnwick My Zindle has been removed."), std::string::npos) << texts[1];
  ExpectProductRemoved();
}

}  // namespace
