// Guards against a failed installation step that goes unreported, is reported
// twice or with the wrong text, a volume without room found only by writing
// half an installation, lets the later steps run (the saver made
// current, the companion started), leaves the panel or the running flag
// behind, or undoes what was already written.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/install_test_support.h"
#include "shell/setup_state_win.h"

namespace {

constexpr char kUninstallParent[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TarnwickSS";
constexpr char kMakerKey[] = "Software\\Tarnwick";
constexpr char kSettingsKey[] = "Software\\Tarnwick\\SS";

std::string SystemIniContents() {
  char windows[MAX_PATH] = "";
  GetWindowsDirectoryA(windows, MAX_PATH);
  std::string contents;
  ReadWholeFile(JoinPath(windows, "system.ini"), &contents);
  return contents;
}

// A key that only volatile keys may be created under: the system refuses the
// installation's ordinary key below it.
void MakeKeyVolatile(HKEY root, const char* keyPath) {
  DeleteKeyTree(root, keyPath);
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(root, keyPath, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

void MakeKeyOrdinary(HKEY root, const char* keyPath) {
  DeleteKeyTree(root, keyPath);
  HKEY key = nullptr;
  RegCreateKeyExA(root, keyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  RegCloseKey(key);
}

// A file held open without sharing, so that nobody else can replace it.
class LockedFile {
 public:
  explicit LockedFile(const std::string& path)
      : handle_(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~LockedFile() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  bool locked() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

bool NamesAppDir(HKEY root, const char* keyPath, const char* name, const std::string& text) {
  return QueryValue(root, keyPath, name).data == StoredText(text);
}

class InstallFailureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetCurrentDirectoryA("C:\\run");
    ClearProbeLog();
    owner_ = CreateOwnerWindow();
    systemIni_ = SystemIniContents();
  }
  void TearDown() override { DestroyWindow(owner_); }

  InstallOutcome Run(const char* appDir) {
    PrepareSetupState(appDir, 1, 1);
    return RunInstallWorker(owner_);
  }

  // What every fatal failure has in common.
  void ExpectFailedRun(const InstallOutcome& outcome, const std::string& message,
                       size_t stepsShown) {
    EXPECT_EQ(outcome.result, 0);
    ASSERT_EQ(outcome.boxes.size(), 1u);
    EXPECT_EQ(outcome.boxes[0].text, message);
    EXPECT_EQ(outcome.boxes[0].owner, owner_);
    EXPECT_EQ(outcome.stepTexts.size(), stepsShown);
    ASSERT_NE(outcome.panel, nullptr);
    EXPECT_FALSE(IsWindow(outcome.panel));
    EXPECT_EQ(gState.InstallRunning, 0u);
    for (const SeenStep& step : outcome.steps) EXPECT_EQ(step.installRunning, 1u) << step.text;
    EXPECT_EQ(SystemIniContents(), systemIni_);
    EXPECT_FALSE(WaitForProbeRecord("start", "", 500, nullptr));
    EXPECT_FALSE(WaitForCompanionWindow(0));
  }

  HWND owner_ = nullptr;
  std::string systemIni_;
};

TEST_F(InstallFailureTest, AnApplicationDirectoryOnAMissingDriveIsReported) {
  InstallOutcome outcome = Run("Q:\\Tarnwick");
  ExpectFailedRun(outcome, "Couldn't create directory\n'Q:\\Tarnwick\\Themes'\n", 1);
  EXPECT_EQ(outcome.stepTexts[0], "Create directory Q:\\Tarnwick\\Themes");
}

// ClusterBytes of the file at `path` on a volume of `cluster`-byte clusters.
ULONGLONG ClusterBytesOf(const std::string& path, DWORD cluster) {
  std::string contents;
  EXPECT_TRUE(ReadWholeFile(path, &contents)) << path;
  return (contents.size() + cluster - 1) / cluster * cluster;
}

// wine-run maps T: to a file system of 64 KB: too small for the program files
// and the image pack, which are refused before anything is written.
TEST_F(InstallFailureTest, AVolumeWithoutRoomIsRefusedBeforeAnythingIsWritten) {
  if (GetDriveTypeA("T:\\") == DRIVE_NO_ROOT_DIR) GTEST_SKIP() << "no small drive T: here";
  DWORD sectors = 0, bytes = 0, freeClusters = 0, clusters = 0;
  ASSERT_TRUE(GetDiskFreeSpaceA("T:\\", &sectors, &bytes, &freeClusters, &clusters));
  ULARGE_INTEGER available, total, free;
  ASSERT_TRUE(GetDiskFreeSpaceExA("T:\\", &available, &total, &free));
  const DWORD cluster = sectors * bytes;
  // What goes to T: (the saver goes to the system directory's volume), in
  // whole clusters, a cluster for each new folder and 64 KB for the file system.
  ULONGLONG needed = 3 * cluster + 65536;
  for (const char* file : {kProbePath, kPlainProbePath}) needed += ClusterBytesOf(file, cluster);
  for (const char* file : {"tips.txt", "meadow.txt", "credits.txt"})
    needed += ClusterBytesOf(JoinPath(kTestFilesPath, file), cluster);
  const std::string saver = JoinPath(SystemDirectory(), "Tarnwick.scr");
  DeleteFileA(saver.c_str());
  DeleteKeyTree(HKEY_LOCAL_MACHINE, kUninstallKey);

  InstallOutcome outcome = Run("T:\\Apps\\Tarnwick");

  auto kb = [](ULONGLONG value) { return std::to_string((value + 1023) / 1024); };
  // Refused before the first step, so no step text shows; otherwise as every
  // fatal failure.
  EXPECT_EQ(outcome.result, 0);
  ASSERT_EQ(outcome.boxes.size(), 1u);
  EXPECT_EQ(outcome.boxes[0].text,
            "There is not enough free space to install My Zindle in\n'T:\\Apps\\Tarnwick'\n" +
                kb(needed) + " KB are needed there, " + kb(available.QuadPart) +
                " KB are free.\nPlease free some space or choose another folder, then run Setup "
                "again.");
  EXPECT_EQ(outcome.boxes[0].owner, owner_);
  EXPECT_TRUE(outcome.stepTexts.empty());
  EXPECT_EQ(gState.InstallRunning, 0u);
  EXPECT_EQ(SystemIniContents(), systemIni_);
  EXPECT_FALSE(WaitForProbeRecord("start", "", 500, nullptr));
  std::printf("T: has %s KB free in clusters of %lu bytes; %s KB are needed\n",
              kb(available.QuadPart).c_str(), static_cast<unsigned long>(cluster),
              kb(needed).c_str());
  EXPECT_FALSE(DirectoryExists("T:\\Apps"));
  EXPECT_FALSE(FileExists(saver));
  EXPECT_FALSE(QueryValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString").found);
}

TEST_F(InstallFailureTest, AnApplicationDirectoryBelowAFileIsReported) {
  WriteWholeFile("C:\\blocker", "a file where a folder should be");
  InstallOutcome outcome = Run("C:\\blocker\\Tarnwick");
  ExpectFailedRun(outcome, "Couldn't create directory\n'C:\\blocker\\Tarnwick\\Themes'\n", 1);
}

TEST_F(InstallFailureTest, ALockedScreenSaverFileIsReportedWithTheSystemDirectory) {
  const std::string saver = JoinPath(SystemDirectory(), "Tarnwick.scr");
  InstallOutcome outcome;
  {
    LockedFile lock(saver);
    ASSERT_TRUE(lock.locked());
    outcome = Run("C:\\Fail Saver");
  }
  // Held by another program, as a running screen saver holds it: the user is
  // told which program to close.
  ExpectFailedRun(outcome,
                  "Couldn't write My Zindle\n'" + saver +
                      "'\nbecause the My Zindle screen saver is still running.\nClose My Zindle "
                      "(its settings, or its preview in Display Properties) and run Setup again.",
                  2);
  EXPECT_TRUE(DirectoryExists("C:\\Fail Saver\\Themes"));
  EXPECT_FALSE(FileExists("C:\\Fail Saver\\zindle.exe"));
  DeleteFileA(saver.c_str());
}

TEST_F(InstallFailureTest, ALockedProgramFileIsReportedWithTheApplicationDirectory) {
  ASSERT_TRUE(CreateDirectoryA("C:\\Fail Files", nullptr));
  InstallOutcome outcome;
  {
    LockedFile lock("C:\\Fail Files\\uninstall.exe");
    ASSERT_TRUE(lock.locked());
    outcome = Run("C:\\Fail Files");
  }
  ExpectFailedRun(outcome, "Couldn't write program file to:\n'C:\\Fail Files'\n", 3);
  EXPECT_TRUE(FileExists(JoinPath(SystemDirectory(), "Tarnwick.scr")));
  EXPECT_TRUE(FileExists("C:\\Fail Files\\zindle.exe"));
  EXPECT_FALSE(NamesAppDir(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString",
                           "\"C:\\Fail Files\\Uninstall.exe\""));
}

TEST_F(InstallFailureTest, AnUninstallKeyThatCannotBeCreatedIsReportedAndLaterStepsSkipped) {
  MakeKeyVolatile(HKEY_LOCAL_MACHINE, kUninstallParent);
  InstallOutcome outcome = Run("C:\\Fail Uninstall");
  MakeKeyOrdinary(HKEY_LOCAL_MACHINE, kUninstallParent);
  ExpectFailedRun(outcome, std::string("Couldn't create registry key\n'") + kUninstallKey + "'", 3);
  // What was written before stays.
  EXPECT_TRUE(DirectoryExists("C:\\Fail Uninstall\\Themes"));
  EXPECT_TRUE(FileExists(JoinPath(SystemDirectory(), "Tarnwick.scr")));
  EXPECT_TRUE(FileExists("C:\\Fail Uninstall\\zindle.exe"));
  EXPECT_TRUE(FileExists("C:\\Fail Uninstall\\tips.txt"));
  // Nothing after it was done.
  EXPECT_FALSE(NamesAppDir(HKEY_CURRENT_USER, kSettingsKey, "AppDir", "C:\\Fail Uninstall"));
  EXPECT_FALSE(DirectoryExists("C:\\Fail Uninstall\\Themes\\Meadow Test"));
}

TEST_F(InstallFailureTest, ASettingsKeyThatCannotBeCreatedIsReported) {
  MakeKeyVolatile(HKEY_CURRENT_USER, kMakerKey);
  InstallOutcome outcome = Run("C:\\Fail Settings");
  MakeKeyOrdinary(HKEY_CURRENT_USER, kMakerKey);
  ExpectFailedRun(outcome, "Couldn't create registry key\n'Software\\Tarnwick\\SS'", 4);
  EXPECT_TRUE(NamesAppDir(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString",
                          "\"C:\\Fail Settings\\Uninstall.exe\""));
  EXPECT_FALSE(DirectoryExists("C:\\Fail Settings\\Themes\\Meadow Test"));
}

TEST_F(InstallFailureTest, AFileWhereTheThemesFolderMustGoStopsTheImagePack) {
  // A file named "Themes" passes for the folder; the pack's folder inside fails.
  ASSERT_TRUE(CreateDirectoryA("C:\\Fail Themes", nullptr));
  WriteWholeFile("C:\\Fail Themes\\Themes", "a file where a folder should be");
  InstallOutcome outcome = Run("C:\\Fail Themes");
  ExpectFailedRun(
      outcome, "Couldn't create image pack directory\n'C:\\Fail Themes\\Themes\\Meadow Test'\n", 5);
  EXPECT_EQ(outcome.stepTexts[4], "Writing Meadow Test image pack");
  EXPECT_TRUE(NamesAppDir(HKEY_CURRENT_USER, kSettingsKey, "AppDir", "C:\\Fail Themes"));
}

TEST_F(InstallFailureTest, AFileWhereTheImagePackFolderMustGoFailsItsExtraction) {
  ASSERT_TRUE(CreateDirectoryA("C:\\Fail Pack", nullptr));
  ASSERT_TRUE(CreateDirectoryA("C:\\Fail Pack\\Themes", nullptr));
  WriteWholeFile("C:\\Fail Pack\\Themes\\Meadow Test", "a file where a folder should be");
  InstallOutcome outcome = Run("C:\\Fail Pack");
  ExpectFailedRun(outcome, "Couldn't decompress image pack", 5);
  EXPECT_TRUE(FileExists("C:\\Fail Pack\\Themes\\Meadow Test"));
}

}  // namespace
