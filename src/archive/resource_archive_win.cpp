#include "archive/resource_archive_win.h"

#include "archive/archive_reader.h"
#include "common/report_error_win.h"
#include "install/progress_panel_win.h"
#include "resource_ids.h"

namespace {

// Member files on disk; the progress and the message go to the panel.
class FileMemberOutput : public MemberOutput {
 public:
  explicit FileMemberOutput(HWND panel) : panel_(panel) {}
  ~FileMemberOutput() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  }
  FileMemberOutput(const FileMemberOutput&) = delete;
  FileMemberOutput& operator=(const FileMemberOutput&) = delete;

  bool Exists(const char* path) override {
    OFSTRUCT info;
    return OpenFile(path, &info, OF_EXIST) != HFILE_ERROR;
  }
  void Delete(const char* path) override { DeleteFileA(path); }
  bool Create(const char* path) override {
    file_ =
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file_ != INVALID_HANDLE_VALUE;
  }
  // A failed or short write shows in the size Finish returns.
  void Write(const unsigned char* bytes, uint32_t count) override {
    DWORD written = 0;
    WriteFile(file_, bytes, count, &written, nullptr);
  }
  uint32_t Finish() override {
    FlushFileBuffers(file_);
    DWORD size = GetFileSize(file_, nullptr);
    CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
    bytesWritten_ += size;
    return size;
  }
  DWORD bytesWritten() const { return bytesWritten_; }
  bool SetTimeAndAttributes(const char* path, uint16_t dosDate, uint16_t dosTime,
                            uint32_t attributes) override {
    FILETIME local;
    if (DosDateTimeToFileTime(dosDate, dosTime, &local) && !SetLastWriteTime(path, local)) {
      return false;
    }
    SetFileAttributesA(path, attributes);
    return true;
  }
  void ShowMemberPath(const char* path) override {
    SetProgressText(panel_, IDC_PROGRESS_DETAIL, "%s", path);
  }
  void Report(const char* message) override { ReportError(panel_, "%s", message); }

 private:
  // The archive holds local time; a time that cannot be converted is used as it is.
  static bool SetLastWriteTime(const char* path, const FILETIME& local) {
    FILETIME universal;
    if (!LocalFileTimeToFileTime(&local, &universal)) universal = local;
    HANDLE file =
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    SetFileTime(file, nullptr, nullptr, &universal);
    CloseHandle(file);
    return true;
  }

  HWND panel_;
  HANDLE file_ = INVALID_HANDLE_VALUE;
  DWORD bytesWritten_ = 0;
};

}  // namespace

int ExtractResourceArchive(HWND panel, const char* directory, int resourceId, char* lastPath,
                           DWORD* bytesWritten) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(resourceId), RT_RCDATA);
  if (resource == nullptr) return 0;
  HGLOBAL loaded = LoadResource(module, resource);
  DWORD size = SizeofResource(module, resource);
  if (loaded == nullptr) return 0;
  // The archive is read where the loader put it; nothing is copied.
  const auto* bytes = static_cast<const unsigned char*>(LockResource(loaded));
  FileMemberOutput output(panel);
  int result = bytes == nullptr ? 0 : ExtractArchive(bytes, size, directory, lastPath, output);
  FreeResource(loaded);
  if (bytesWritten != nullptr) *bytesWritten = output.bytesWritten();
  return result;
}
