#include "install/install_test_support.h"

#include <cstring>

#include "resource_ids.h"
#include "shell/setup_state_win.h"

namespace {

constexpr char kBoxCaption[] = "My Zindle Setup";
constexpr int kBoxTextId = 0xFFFF;

bool EndsWithNoCase(const std::string& text, const char* tail) {
  std::size_t length = std::strlen(tail);
  return text.size() >= length && lstrcmpiA(text.c_str() + text.size() - length, tail) == 0;
}

std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t bar; (bar = line.find('|', start)) != std::string::npos; start = bar + 1)
    fields.push_back(line.substr(start, bar - start));
  fields.push_back(line.substr(start));
  return fields;
}

struct BoxSearch {
  HWND found;
  HWND skip;
};

// The text of a window of this process that another of its threads owns. A
// plain WM_GETTEXT would wait for that thread, which may itself be waiting for
// the watcher to stop; the time limit keeps the two from blocking each other.
std::string WindowText(HWND window) {
  char text[1100] = "";
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                           SMTO_ABORTIFHUNG, 200, &length))
    return std::string();
  return std::string(text, length);
}

BOOL CALLBACK FindSetupBox(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<BoxSearch*>(data);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  char className[32] = "";
  GetClassNameA(window, className, sizeof className);
  // The box is shown only once its text is in place.
  if (window == search->skip || process != GetCurrentProcessId() || !IsWindowVisible(window) ||
      std::strcmp(className, "#32770") != 0 || WindowText(window) != kBoxCaption)
    return TRUE;
  search->found = window;
  return FALSE;
}

LRESULT CALLBACK OwnerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

std::vector<ProbeRecord> ReadProbeLog() {
  std::string contents;
  std::vector<ProbeRecord> records;
  if (!ReadWholeFile(kProbeLogPath, &contents)) return records;
  std::size_t start = 0;
  for (std::size_t end; (end = contents.find("\r\n", start)) != std::string::npos;
       start = end + 2) {
    std::vector<std::string> fields = SplitFields(contents.substr(start, end - start));
    if (fields.size() == 4) records.push_back({fields[0], fields[1], fields[2], fields[3]});
  }
  return records;
}

bool WaitForProbeRecord(const char* event, const char* moduleTail, DWORD milliseconds,
                        ProbeRecord* found) {
  for (DWORD start = GetTickCount();;) {
    for (const ProbeRecord& record : ReadProbeLog()) {
      if (record.event != event || !EndsWithNoCase(record.module, moduleTail)) continue;
      if (found != nullptr) *found = record;
      return true;
    }
    if (GetTickCount() - start >= milliseconds) return false;
    Sleep(50);
  }
}

void ClearProbeLog() {
  DeleteFileA(kProbeLogPath);
}

MessageBoxWatcher::MessageBoxWatcher() : thread_(&MessageBoxWatcher::Watch, this) {}

MessageBoxWatcher::~MessageBoxWatcher() {
  stop_ = true;
  thread_.join();
}

std::vector<SeenBox> MessageBoxWatcher::Boxes() {
  std::lock_guard<std::mutex> guard(lock_);
  return boxes_;
}

void MessageBoxWatcher::Watch() {
  HWND handled = nullptr;
  while (!stop_) {
    Sleep(20);
    BoxSearch search = {nullptr, handled};
    EnumWindows(FindSetupBox, reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr) continue;
    std::string text = WindowText(GetDlgItem(search.found, kBoxTextId));
    {
      std::lock_guard<std::mutex> guard(lock_);
      boxes_.push_back({text, GetWindow(search.found, GW_OWNER)});
    }
    PostMessageA(search.found, WM_COMMAND, IDOK, 0);
    for (int tries = 0; tries < 250 && IsWindow(search.found); ++tries) Sleep(20);
    handled = search.found;
  }
}

StepRecorder* StepRecorder::active_ = nullptr;

StepRecorder::StepRecorder() {
  active_ = this;
  hook_ = SetWindowsHookExA(WH_CALLWNDPROC, Hook, nullptr, GetCurrentThreadId());
}

StepRecorder::~StepRecorder() {
  if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
  active_ = nullptr;
}

LRESULT CALLBACK StepRecorder::Hook(int code, WPARAM wParam, LPARAM lParam) {
  const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && active_ != nullptr && call->message == WM_SETTEXT &&
      GetDlgCtrlID(call->hwnd) == IDC_PROGRESS_STEP) {
    HWND panel = GetParent(call->hwnd);
    if (GetDlgItem(panel, IDC_TITLE) != nullptr) {
      const char* text = reinterpret_cast<const char*>(call->lParam);
      active_->steps_.push_back(
          {text != nullptr ? text : "", GetTickCount(), gState.InstallRunning});
      active_->panel_ = panel;
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

std::vector<std::string> StepRecorder::Texts() const {
  std::vector<std::string> texts;
  for (const SeenStep& step : steps_) texts.push_back(step.text);
  return texts;
}

HWND CreateOwnerWindow() {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = OwnerWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "InstallTestOwner";
  RegisterClassA(&windowClass);
  return CreateWindowA("InstallTestOwner", "Install test owner", WS_POPUP | WS_VISIBLE, 0, 0, 200,
                       100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

void PrepareSetupState(const char* appDir, DWORD makeCurrent, DWORD configureSaver) {
  gState = SetupState();
  gState.Instance = GetModuleHandleA(nullptr);
  lstrcpyA(gState.AppDir, appDir);
  lstrcpyA(gState.RegisteredOwner, "Ada Tester");
  lstrcpyA(gState.RegisteredOrganization, "Fen & Marsh Works");
  lstrcpyA(gState.RegisteredEMail, "ada@example.test");
  gState.SSHotkey = 0x0653;
  gState.ToolHotkey = 0x0754;
  gState.DisplayMode = 3;
  gState.MakeCurrent = makeCurrent;
  gState.ConfigureSaver = configureSaver;
}

void CloseRunningCompanions() {
  for (int tries = 0; tries < 200; ++tries) {
    HWND companion = FindWindowA("TarnwickZindleClass", nullptr);
    if (companion == nullptr) return;
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(companion, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer);
    Sleep(50);
  }
}

bool WaitForCompanionWindow(DWORD milliseconds) {
  for (DWORD start = GetTickCount();; Sleep(50)) {
    if (FindWindowA("TarnwickZindleClass", nullptr) != nullptr) return true;
    if (GetTickCount() - start >= milliseconds) return false;
  }
}

HANDLE StartRunningCompanion(const std::string& program, const char* mode) {
  std::string command = "\"" + program + "\"";
  if (mode != nullptr) command += std::string(" ") + mode;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  if (!CreateProcessA(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &started))
    return nullptr;
  CloseHandle(started.hThread);
  bool ready = WaitForCompanionWindow(20000);
  if (ready && mode != nullptr && std::strcmp(mode, "hang") == 0)
    ready = WaitForProbeRecord("hung", "", 20000, nullptr);
  if (ready) return started.hProcess;
  TerminateProcess(started.hProcess, 1);
  CloseHandle(started.hProcess);
  return nullptr;
}

bool PlaceCompanionProgram(const std::string& appDir, const char* probe) {
  CreateDirectoryA(appDir.c_str(), nullptr);
  return CopyFileA(probe, JoinPath(appDir, "Zindle.exe").c_str(), FALSE) != FALSE;
}

bool ReadWholeFile(const std::string& path, std::string* contents) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  contents->clear();
  char buffer[65536];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
    contents->append(buffer, read);
  CloseHandle(file);
  return true;
}

void WriteWholeFile(const std::string& path, const std::string& contents) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr);
  CloseHandle(file);
}

bool ReadDosTime(const std::string& path, WORD* date, WORD* time) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  FILETIME local;
  return GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) &&
         FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) &&
         FileTimeToDosDateTime(&local, date, time);
}

RegistryValue QueryValue(HKEY root, const char* keyPath, const char* name) {
  RegistryValue value;
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return value;
  char data[2048];
  DWORD size = sizeof data;
  if (RegQueryValueExA(key, name, nullptr, &value.type, reinterpret_cast<BYTE*>(data), &size) ==
      ERROR_SUCCESS) {
    value.found = true;
    value.data.assign(data, size);
  }
  RegCloseKey(key);
  return value;
}

std::string StoredText(const std::string& text) {
  return text + std::string(1, '\0');
}

std::string StoredNumber(DWORD value) {
  return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

void DeleteKeyTree(HKEY root, const char* keyPath) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, keyPath, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  char child[256];
  DWORD length = sizeof child;
  std::vector<std::string> children;
  for (DWORD index = 0; RegEnumKeyExA(key, index, child, &length, nullptr, nullptr, nullptr,
                                      nullptr) == ERROR_SUCCESS;
       ++index, length = sizeof child)
    children.push_back(JoinPath(keyPath, child));
  RegCloseKey(key);
  for (const std::string& path : children) DeleteKeyTree(root, path.c_str());
  RegDeleteKeyA(root, keyPath);
}

std::vector<std::string> InstallingStepTexts(const std::string& appDir, const std::string& title) {
  return {"Create directory " + JoinPath(appDir, "Themes"),
          "Writing screen saver",
          "Writing program files",
          "Writing registry entries",
          "Writing " + title + " image pack",
          "Creating shortcuts"};
}

std::string SaverEntryOnDisk() {
  char windows[MAX_PATH] = "";
  GetWindowsDirectoryA(windows, MAX_PATH);
  std::string contents;
  if (!ReadWholeFile(JoinPath(windows, "system.ini"), &contents)) return "<no system.ini>";
  std::size_t section = contents.find("[boot]");
  if (section == std::string::npos) return "<no [boot]>";
  const std::string key = "\nSCRNSAVE.EXE=";
  std::size_t next = contents.find("\n[", section);
  std::size_t entry = contents.find(key, section);
  if (entry == std::string::npos || (next != std::string::npos && entry > next)) return "<none>";
  std::size_t start = entry + key.size();
  return contents.substr(start, contents.find_first_of("\r\n", start) - start);
}

InstallOutcome RunInstallWorker(HWND owner, const InstallWaits& waits) {
  InstallOutcome outcome;
  MessageBoxWatcher watcher;
  StepRecorder recorder;
  DWORD start = GetTickCount();
  outcome.result = InstallWorker(owner, waits);
  outcome.elapsed = GetTickCount() - start;
  outcome.logAtReturn = ReadProbeLog();
  outcome.steps = recorder.steps();
  outcome.stepTexts = recorder.Texts();
  outcome.panel = recorder.panel();
  outcome.boxes = watcher.Boxes();
  return outcome;
}
