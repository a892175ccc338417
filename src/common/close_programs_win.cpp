#include "common/close_programs_win.h"

#include "common/handles_win.h"
#include "common/programs_win.h"
#include "common/texts.h"
#include "payload/common/payload_names.h"

namespace {

constexpr DWORD kCloseMilliseconds = 10000;
constexpr int kMaxWindows = 16;
constexpr const char* kSaverClasses[] = {kSaverWindowClass, kSaverPreviewClass,
                                         kSaverSettingsClass};

struct WindowSearch {
  const char* className;
  HWND found[kMaxWindows];
  int count;
};

BOOL CALLBACK CollectIfOfClass(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<WindowSearch*>(data);
  char name[64] = "";
  if (search->count < kMaxWindows && GetClassNameA(window, name, sizeof name) > 0 &&
      lstrcmpiA(name, search->className) == 0)
    search->found[search->count++] = window;
  return TRUE;
}

// A preview is a child of another program's window, so every window's
// descendants are searched too.
BOOL CALLBACK SearchWindowTree(HWND window, LPARAM data) {
  CollectIfOfClass(window, data);
  EnumChildWindows(window, CollectIfOfClass, data);
  return TRUE;
}

void AskToCloseAndWait(HWND window, DWORD limit) {
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  ScopedHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
  // Its files stay in use until the process has ended, not only its window.
  AskToClose(window, limit);
  if (process.valid()) WaitForSingleObject(process.get(), limit);
}

void CloseWindowsOfClass(const char* className, DWORD limit) {
  WindowSearch search = {className, {}, 0};
  EnumWindows(SearchWindowTree, reinterpret_cast<LPARAM>(&search));
  for (int i = 0; i < search.count; ++i) AskToCloseAndWait(search.found[i], limit);
}

}  // namespace

void CloseSaverWindows(DWORD limit) {
  for (const char* className : kSaverClasses) CloseWindowsOfClass(className, limit);
}

void CloseProductPrograms() {
  CloseWindowsOfClass(kCompanionClass, kCloseMilliseconds);
  CloseSaverWindows(kCloseMilliseconds);
}
