// A stand-in for the programs setup installs and starts. It appends one record
// of how it was started (module path, command line, current directory) to
// C:\probe-log.txt, then acts as the last word of its command line or its file
// name asks:
//   ... /c            the screen saver's configuration: a window for a second,
//                     then it ends (with the code in PROBE_EXIT_CODE, if set);
//                     with PROBE_NEVER_IDLE set, it reads no message for three
//                     seconds and ends
//   zindle.exe        the companion: a "TarnwickZindleClass" window that ends
//                     the program when it gets WM_CLOSE
//   ... ignore-close  a companion that ignores WM_CLOSE
//   ... hang          a companion that stops reading its messages for ever
//   ... /p WINDOW     the screen saver's preview: a "TarnwickSaverPreviewClass"
//                     child of that window (a decimal handle), which ends the
//                     program when it gets WM_CLOSE
//   anything else     ends at once (the saver started with "+s", the uninstaller)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr char kLogFile[] = "C:\\probe-log.txt";
constexpr char kCompanionClass[] = "TarnwickZindleClass";
constexpr char kConfigureClass[] = "TarnwickProbeConfiguration";
constexpr char kPreviewClass[] = "TarnwickSaverPreviewClass";
constexpr UINT kConfigureTime = 1000;

bool gIgnoreClose = false;

void AppendRecord(const char* event) {
  char module[MAX_PATH] = "";
  char directory[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  GetCurrentDirectoryA(MAX_PATH, directory);
  char record[4096];
  int length = std::snprintf(record, sizeof record, "%s|%s|%s|%s\r\n", event, module,
                             GetCommandLineA(), directory);
  if (length < 0 || length >= static_cast<int>(sizeof record)) return;
  HANDLE log = CreateFileA(kLogFile, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (log == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(log, record, static_cast<DWORD>(length), &written, nullptr);
  CloseHandle(log);
}

bool EndsWith(const char* text, const char* tail) {
  std::size_t length = std::strlen(text);
  std::size_t tailLength = std::strlen(tail);
  return length >= tailLength && std::strcmp(text + length - tailLength, tail) == 0;
}

bool NamedAsCompanion() {
  char module[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  const char* name = std::strrchr(module, '\\');
  return lstrcmpiA(name != nullptr ? name + 1 : module, "zindle.exe") == 0;
}

LRESULT CALLBACK ProbeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      if (!gIgnoreClose) DestroyWindow(window);
      return 0;
    case WM_TIMER:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateProbeWindow(const char* className, DWORD style) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = ProbeWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = className;
  RegisterClassA(&windowClass);
  return CreateWindowA(className, "Probe", style, 10, 10, 200, 100, nullptr, nullptr,
                       GetModuleHandleA(nullptr), nullptr);
}

void RunMessageLoop() {
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

int RunConfiguration() {
  HWND window = CreateProbeWindow(kConfigureClass, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  if (std::getenv("PROBE_NEVER_IDLE") != nullptr) {
    Sleep(3000);
    AppendRecord("end");
    return 0;
  }
  SetTimer(window, 1, kConfigureTime, nullptr);
  RunMessageLoop();
  AppendRecord("end");
  const char* code = std::getenv("PROBE_EXIT_CODE");
  return code != nullptr ? std::atoi(code) : 0;
}

int RunCompanion() {
  CreateProbeWindow(kCompanionClass, WS_OVERLAPPEDWINDOW);
  RunMessageLoop();
  AppendRecord("closed");
  return 0;
}

int RunPreview(const char* parentText) {
  auto parent =
      reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(parentText, nullptr, 10)));
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = ProbeWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kPreviewClass;
  RegisterClassA(&windowClass);
  if (CreateWindowExA(WS_EX_NOPARENTNOTIFY, kPreviewClass, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 50,
                      50, parent, nullptr, GetModuleHandleA(nullptr), nullptr) == nullptr)
    return 1;
  RunMessageLoop();
  AppendRecord("closed");
  return 0;
}

int Hang() {
  CreateProbeWindow(kCompanionClass, WS_OVERLAPPEDWINDOW);
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  AppendRecord("hung");
  Sleep(INFINITE);
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  AppendRecord("start");
  const char* commandLine = GetCommandLineA();
  if (EndsWith(commandLine, " hang")) return Hang();
  if (EndsWith(commandLine, " ignore-close")) {
    gIgnoreClose = true;
    return RunCompanion();
  }
  if (EndsWith(commandLine, "/c")) return RunConfiguration();
  if (const char* preview = std::strstr(commandLine, " /p ")) return RunPreview(preview + 4);
  if (NamedAsCompanion()) return RunCompanion();
  return 0;
}
