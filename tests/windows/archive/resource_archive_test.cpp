// Guards against extracted files with wrong contents, times or attributes, a
// progress line that changes the path, a wrong or missing message, and a failed
// member whose file stays or takes earlier members with it.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "archive/resource_archive_win.h"
#include "archive_test_ids.h"
#include "common/path.h"
#include "install/progress_panel_win.h"
#include "resource_ids.h"

namespace {

constexpr char kCaption[] = "My Zindle Setup";

std::string ReadWholeFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string ReadResource(int id) {
  HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(id), RT_RCDATA);
  HGLOBAL loaded = LoadResource(nullptr, resource);
  return std::string(static_cast<const char*>(LockResource(loaded)),
                     SizeofResource(nullptr, resource));
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The file's last-write time as local "YYYY-MM-DD hh:mm:ss".
std::string LocalWriteTime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  FILETIME local;
  SYSTEMTIME time;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
      !FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) ||
      !FileTimeToSystemTime(&local, &time)) {
    return "none";
  }
  char text[32];
  wsprintfA(text, "%04d-%02d-%02d %02d:%02d:%02d", time.wYear, time.wMonth, time.wDay, time.wHour,
            time.wMinute, time.wSecond);
  return text;
}

// Finds message boxes with setup's caption from a thread of its own, records
// their text and owner, and presses OK.
class MessageBoxWatcher {
 public:
  MessageBoxWatcher() : thread_([this] { Watch(); }) {}
  ~MessageBoxWatcher() {
    stop_ = true;
    thread_.join();
  }
  std::vector<std::pair<std::string, HWND>> Boxes() {
    std::lock_guard<std::mutex> lock(mutex_);
    return boxes_;
  }

 private:
  static BOOL CALLBACK CollectText(HWND child, LPARAM context) {
    char text[1100] = "";
    GetWindowTextA(child, text, sizeof text);
    auto* longest = reinterpret_cast<std::string*>(context);
    if (std::string(text).size() > longest->size()) *longest = text;
    return TRUE;
  }
  void Watch() {
    while (!stop_) {
      HWND box = FindWindowA("#32770", kCaption);
      DWORD process = 0;
      if (box != nullptr) GetWindowThreadProcessId(box, &process);
      if (box != nullptr && process == GetCurrentProcessId() && IsWindowVisible(box)) {
        std::string text;
        EnumChildWindows(box, CollectText, reinterpret_cast<LPARAM>(&text));
        {
          std::lock_guard<std::mutex> lock(mutex_);
          boxes_.emplace_back(text, GetWindow(box, GW_OWNER));
        }
        SendMessageA(box, WM_COMMAND, IDOK, 0);
      }
      Sleep(50);
    }
  }
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<std::pair<std::string, HWND>> boxes_;
  std::thread thread_;
};

class ResourceArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    CreateDirectoryA("C:\\extract", nullptr);
    directory_ = "C:\\extract\\" + name;
    ASSERT_TRUE(CreateDirectoryA(directory_.c_str(), nullptr));
    panel_ = CreateProgressPanel(nullptr);
    ASSERT_NE(panel_, nullptr);
  }
  void TearDown() override { DestroyWindow(panel_); }

  std::string PathOf(const char* name) const { return directory_ + "\\" + name; }
  std::string DetailLine() const {
    char text[1100] = "";
    GetDlgItemTextA(panel_, IDC_PROGRESS_DETAIL, text, sizeof text);
    return text;
  }

  std::string directory_;
  HWND panel_ = nullptr;
};

TEST_F(ResourceArchiveTest, WritesEveryMemberWithItsContentTimeAndAttributes) {
  std::ofstream(PathOf("readme.txt")) << "an older and longer readme";
  char lastPath[kPathSize] = "";
  ASSERT_EQ(ExtractResourceArchive(panel_, directory_.c_str(), IDR_TEST_GOOD, lastPath), 1);

  EXPECT_EQ(ReadWholeFile(PathOf("readme.txt")), "Tarnwick My Zindle");
  EXPECT_EQ(ReadWholeFile(PathOf("empty.txt")), "");
  EXPECT_EQ(ReadWholeFile(PathOf("picture.bmp")), ReadResource(IDR_TEST_BITMAP));
  EXPECT_EQ(ReadWholeFile(PathOf("100% text.txt")), ReadResource(IDR_TEST_TEXT));

  EXPECT_EQ(LocalWriteTime(PathOf("readme.txt")), "2026-05-01 12:34:56");
  EXPECT_EQ(LocalWriteTime(PathOf("empty.txt")), "1999-09-09 09:09:08");
  EXPECT_EQ(LocalWriteTime(PathOf("picture.bmp")), "2010-06-15 08:00:00");
  EXPECT_EQ(LocalWriteTime(PathOf("100% text.txt")), "2025-12-31 23:59:58");

  EXPECT_EQ(GetFileAttributesA(PathOf("readme.txt").c_str()), DWORD{FILE_ATTRIBUTE_ARCHIVE});
  EXPECT_EQ(GetFileAttributesA(PathOf("empty.txt").c_str()), DWORD{FILE_ATTRIBUTE_ARCHIVE});
  EXPECT_EQ(GetFileAttributesA(PathOf("picture.bmp").c_str()),
            DWORD{FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN});
  EXPECT_EQ(GetFileAttributesA(PathOf("100% text.txt").c_str()),
            DWORD{FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY});

  EXPECT_EQ(DetailLine(), PathOf("100% text.txt"));
  EXPECT_EQ(lastPath, PathOf("100% text.txt"));
}

TEST_F(ResourceArchiveTest, ReportsAnUnsupportedMethodAndDeletesOnlyThatFile) {
  std::vector<std::pair<std::string, HWND>> boxes;
  {
    MessageBoxWatcher watcher;
    EXPECT_EQ(ExtractResourceArchive(panel_, directory_.c_str(), IDR_TEST_UNSUPPORTED, nullptr), 0);
    boxes = watcher.Boxes();
  }
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].first,
            "'" + PathOf("second.bin") + "' is compressed with\nun-handled compression type 12");
  EXPECT_EQ(boxes[0].second, panel_);
  EXPECT_EQ(ReadWholeFile(PathOf("first.txt")), "first");
  EXPECT_FALSE(FileExists(PathOf("second.bin")));
  EXPECT_FALSE(FileExists(PathOf("third.txt")));
}

// The second member's file exists and cannot be replaced: the extraction stops
// there, keeping the first member and the old file.
void ExpectStopAtLockedMember(HWND panel, const std::string& dir) {
  char lastPath[kPathSize] = "";
  EXPECT_EQ(ExtractResourceArchive(panel, dir.c_str(), IDR_TEST_LOCKED, lastPath), 0);
  EXPECT_EQ(ReadWholeFile(dir + "\\before.txt"), "before");
  EXPECT_FALSE(FileExists(dir + "\\after.txt"));
  EXPECT_EQ(lastPath, dir + "\\locked.txt");
}

TEST_F(ResourceArchiveTest, FailsOnAMemberFileInUseAndKeepsEarlierMembers) {
  std::ofstream(PathOf("locked.txt")) << "old";
  HANDLE inUse = CreateFileA(PathOf("locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(inUse, INVALID_HANDLE_VALUE);
  ExpectStopAtLockedMember(panel_, directory_);
  CloseHandle(inUse);
  EXPECT_EQ(ReadWholeFile(PathOf("locked.txt")), "old");
  EXPECT_EQ(DetailLine(), PathOf("locked.txt"));
}

TEST_F(ResourceArchiveTest, FailsOnAReadOnlyMemberFileAndKeepsEarlierMembers) {
  std::ofstream(PathOf("locked.txt")) << "old";
  ASSERT_TRUE(SetFileAttributesA(PathOf("locked.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  HANDLE writable = CreateFileA(PathOf("locked.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (writable != INVALID_HANDLE_VALUE) {
    CloseHandle(writable);
    GTEST_SKIP() << "this system opens read-only files for writing (Wine run as root)";
  }
  ExpectStopAtLockedMember(panel_, directory_);
  EXPECT_EQ(ReadWholeFile(PathOf("locked.txt")), "old");
}

TEST_F(ResourceArchiveTest, FailsWithoutTheResourceTouchingNothing) {
  char lastPath[kPathSize] = "before";
  EXPECT_EQ(ExtractResourceArchive(panel_, directory_.c_str(), 7999, lastPath), 0);
  EXPECT_STREQ(lastPath, "before");
  EXPECT_EQ(DetailLine(), "");
}

}  // namespace
