// Guards against an uninstaller that leaves pieces of the product behind,
// deletes what is not the product's, or removes anything before the user agreed.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "common/texts.h"
#include "payload/common/payload_names.h"
#include "payload/uninstall/remove_product_win.h"
#include "program_driver_win.h"

namespace {

constexpr DWORD kRunMilliseconds = 60000;
constexpr DWORD kStartMilliseconds = 10000;
constexpr char kAppDir[] = "C:\\Program Files\\Tarnwick";
constexpr char kPackDir[] = "C:\\Program Files\\Tarnwick\\Themes\\Northern Lights";
constexpr char kStartMenu[] = "C:\\test-menu";
constexpr char kStartup[] = "C:\\test-menu\\Programs\\Startup";
constexpr char kMakerMenu[] = "C:\\test-menu\\Programs\\Tarnwick";
constexpr char kBoxCaption[] = "Tarnwick My Zindle Uninstall";
constexpr char kPendingKey[] = "System\\CurrentControlSet\\Control\\Session Manager";

std::string Join(const char* folder, const char* name) {
  return std::string(folder) + "\\" + name;
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

bool GoneOrPending(const std::string& path) {
  if (!Exists(path)) return true;
  std::string lower = path;
  CharLowerA(&lower[0]);
  return PendingDeletions().find(lower) != std::string::npos;
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
    MakeFolders(kPackDir);
    MakeFolders(kMakerMenu);
    MakeFolders(kStartup);
    ASSERT_TRUE(CopyFileA(RunFile("Tarnwick.scr").c_str(), SystemFile(kSaverFile).c_str(), FALSE));
    ASSERT_TRUE(
        CopyFileA(RunFile("zindle.exe").c_str(), Join(kAppDir, kCompanionFile).c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(RunFile("uninstall.exe").c_str(), Join(kAppDir, kUninstallerFile).c_str(),
                          FALSE));
    WriteText(Join(kAppDir, kTipFile), "Press Ctrl-Alt-T.\r\n");
    WriteText(Join(kPackDir, "aurora.bmp"), "BM");
    WriteText(Join(kPackDir, "pack.ini"), "[Pack]\r\n");
    SetFileAttributesA(Join(kPackDir, "pack.ini").c_str(), FILE_ATTRIBUTE_READONLY);
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

  // Runs the installed uninstaller from the application directory.
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
    EXPECT_TRUE(Exists(Join(kPackDir, "aurora.bmp")));
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
    EXPECT_FALSE(Exists(SystemFile(kSaverFile)));
    EXPECT_FALSE(Exists(Join(kAppDir, kCompanionFile)));
    EXPECT_FALSE(Exists(Join(kAppDir, kTipFile)));
    EXPECT_FALSE(Exists(Join(kAppDir, kThemesDirectory)));
    EXPECT_TRUE(GoneOrPending(Join(kAppDir, kUninstallerFile)));
    EXPECT_TRUE(GoneOrPending(kAppDir));
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
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Tarnwick\\SS\\Extra");
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Tarnwick\\Other");
    RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
    RegDeleteKeyA(HKEY_CURRENT_USER, kMakerKey);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
    WritePrivateProfileStringA(kBootSection, kSaverKey, nullptr, kSystemIni);
  }

  RunningProgram companion_;
};

TEST_F(UninstallTest, QuietRunRemovesEverythingSetupLeft) {
  ASSERT_EQ(RunUninstaller(" /quiet"), static_cast<DWORD>(kUninstallRemoved));
  ExpectProductRemoved();
}

TEST_F(UninstallTest, LeavesWhatIsNotTheProducts) {
  const std::string otherSaver = SystemFile("other.scr");
  WriteText(otherSaver, "MZ");
  WritePrivateProfileStringA(kBootSection, kSaverKey, otherSaver.c_str(), kSystemIni);
  WriteText(Join(kAppDir, "my notes.txt"), "mine");
  WriteText(Join(kStartup, "Other Program.lnk"), "link");
  MakeFolders("C:\\keep");
  WriteText("C:\\keep\\diary.txt", "mine");
  SetText(HKEY_CURRENT_USER, kSettingsKey, kValueExecutable, "C:\\keep\\diary.txt");
  SetText(HKEY_CURRENT_USER, "Software\\Tarnwick\\Other", "Kept", "yes");

  ASSERT_EQ(RunUninstaller(" /QUIET"), static_cast<DWORD>(kUninstallRemoved));
  EXPECT_EQ(CurrentSaverEntry(), otherSaver) << "another current saver was taken out";
  EXPECT_TRUE(Exists(otherSaver));
  EXPECT_TRUE(Exists("C:\\keep\\diary.txt")) << "a file named by a tampered setting was deleted";
  EXPECT_FALSE(Exists(SystemFile(kSaverFile))) << "the saver in the system directory stays";
  EXPECT_TRUE(Exists(Join(kAppDir, "my notes.txt")));
  EXPECT_TRUE(Exists(Join(kStartup, "Other Program.lnk")));
  EXPECT_FALSE(Exists(Join(kAppDir, kCompanionFile)));
  EXPECT_FALSE(Exists(Join(kAppDir, kThemesDirectory)));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kSettingsKey));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software\\Tarnwick\\Other"));
  DeleteFileA(otherSaver.c_str());
  DeleteFileA(Join(kAppDir, "my notes.txt").c_str());
}

TEST_F(UninstallTest, ReportsAnItemItCouldNotRemove) {
  SetText(HKEY_CURRENT_USER, "Software\\Tarnwick\\SS\\Extra", "Kept", "yes");
  ASSERT_EQ(RunUninstaller(" /quiet"), static_cast<DWORD>(kUninstallIncomplete));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software\\Tarnwick\\SS\\Extra"));
  EXPECT_FALSE(Exists(Join(kAppDir, kCompanionFile))) << "the rest is still removed";
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

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
  std::vector<std::string> texts() {
    stop_ = true;
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
