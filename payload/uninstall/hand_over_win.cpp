#include "payload/uninstall/hand_over_win.h"

#include <cstdlib>

#include "common/command_line.h"
#include "common/handles_win.h"
#include "common/programs_win.h"
#include "common/texts.h"
#include "payload/common/payload_names.h"

namespace {

constexpr char kCopyPrefix[] = "tzu";
// The copy's command line: its path, the switch, the original's process id and
// pipe handle, the application directory, and the quiet switch or nothing.
constexpr char kCopyCommandFormat[] = "\"%s\" %s %lu %lu \"%s\" %s";
constexpr DWORD kPollMilliseconds = 50;
constexpr DWORD kOriginalEndMilliseconds = 60000;

bool GetOwnPath(char* path) {
  DWORD length = GetModuleFileNameA(nullptr, path, kPathSize);
  return length > 0 && length < kPathSize;
}

// A handle is passed on the command line by its number; handle values fit in
// 32 bits on every Windows.
unsigned long HandleNumber(HANDLE handle) {
  return static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(handle));
}

// A uniquely named copy of this program in the temporary folder, `folder`,
// where the copy also runs, so that it holds no folder of the product.
bool MakeTemporaryCopy(char* folder, char* copy) {
  DWORD length = GetTempPathA(kPathSize, folder);
  char self[kPathSize];
  if (length == 0 || length >= kPathSize || !GetOwnPath(self) ||
      !GetTempFileNameA(folder, kCopyPrefix, 0, copy))
    return false;
  if (CopyFileA(self, copy, FALSE)) return true;
  DeleteFileA(copy);
  return false;
}

// Waits for the copy's exit code; false when the copy ends without sending it.
bool ReceiveResult(HANDLE pipe, HANDLE copy, DWORD* exitCode) {
  for (;;) {
    bool ended = WaitForSingleObject(copy, kPollMilliseconds) == WAIT_OBJECT_0;
    DWORD available = 0;
    if (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) &&
        available >= sizeof *exitCode) {
      DWORD read = 0;
      return ReadFile(pipe, exitCode, sizeof *exitCode, &read, nullptr) && read == sizeof *exitCode;
    }
    if (ended) return false;
  }
}

// Starts the copy; its process handle goes to `process`.
bool StartCopy(const char* folder, const char* copy, const char* appDir, bool quiet, HANDLE pipe,
               HANDLE* process) {
  char command[3 * kPathSize];
  wsprintfA(command, kCopyCommandFormat, copy, kRemoveOption, GetCurrentProcessId(),
            HandleNumber(pipe), appDir, quiet ? kQuietOption : "");
  return StartProgram(copy, command, 0, folder, process) != 0;
}

// The next word of a command line, or null when there is none.
const char* TakeWord(const char* text, char* word, std::size_t size) {
  return text == nullptr ? nullptr : NextWord(text, word, size);
}

bool ReadNumber(const char* text, DWORD* number) {
  char* end = nullptr;
  *number = std::strtoul(text, &end, 10);
  return *text != '\0' && *end == '\0';
}

}  // namespace

bool HandOverToCopy(const char* appDir, bool quiet, DWORD* exitCode) {
  char folder[kPathSize];
  char copy[kPathSize];
  if (!MakeTemporaryCopy(folder, copy)) return false;
  ScopedHandle reader;
  ScopedHandle writer;  // the copy takes its own handle of it
  ScopedHandle process;
  if (!CreatePipe(reader.out(), writer.out(), nullptr, 0) ||
      !StartCopy(folder, copy, appDir, quiet, writer.get(), process.out())) {
    DeleteFileA(copy);
    return false;
  }
  if (ReceiveResult(reader.get(), process.get(), exitCode)) return true;
  DeleteFileA(copy);  // it has ended
  return false;
}

bool OriginalLink::Open(const char* commandLine) {
  char word[kPathSize];
  DWORD processId = 0;
  DWORD pipe = 0;
  const char* next = TakeWord(commandLine, word, sizeof word);  // the copy's own path
  next = TakeWord(next, word, sizeof word);
  if (next == nullptr || lstrcmpiA(word, kRemoveOption) != 0) return false;
  next = TakeWord(next, word, sizeof word);
  if (next == nullptr || !ReadNumber(word, &processId)) return false;
  next = TakeWord(next, word, sizeof word);
  if (next == nullptr || !ReadNumber(word, &pipe)) return false;
  if (TakeWord(next, appDir_, kPathSize) == nullptr || appDir_[0] == '\0') return false;
  process_.reset(OpenProcess(SYNCHRONIZE | PROCESS_DUP_HANDLE, FALSE, processId));
  return process_.valid() &&
         DuplicateHandle(process_.get(), reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(pipe)),
                         GetCurrentProcess(), result_.out(), 0, FALSE, DUPLICATE_SAME_ACCESS);
}

void OriginalLink::SendResultAndWait(DWORD exitCode) {
  DWORD written = 0;
  WriteFile(result_.get(), &exitCode, sizeof exitCode, &written, nullptr);
  WaitForSingleObject(process_.get(), kOriginalEndMilliseconds);
}

bool IsRemovalCopy(const char* commandLine) {
  return HasOption(commandLine, kRemoveOption);
}

void ScheduleCopyDeletion() {
  char self[kPathSize];
  if (GetOwnPath(self)) MoveFileExA(self, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}
