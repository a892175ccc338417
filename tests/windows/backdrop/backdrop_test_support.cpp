#include "backdrop_test_support.h"

#include "common/texts.h"
#include "import_hook_win.h"
#include "shell/backdrop_win.h"
#include "shell/setup_state_win.h"

namespace {

CallRecord gCalls;

using CreateFontFunction = HFONT(WINAPI*)(int, int, int, int, int, DWORD, DWORD, DWORD, DWORD,
                                          DWORD, DWORD, DWORD, DWORD, LPCSTR);
using CreateBrushFunction = HBRUSH(WINAPI*)(COLORREF);
using CreateBitmapFunction = HBITMAP(WINAPI*)(HDC, int, int);
using DeleteFunction = BOOL(WINAPI*)(HGDIOBJ);
using BeepFunction = BOOL(WINAPI*)(UINT);

using GetProcAddressFunction = FARPROC(WINAPI*)(HMODULE, LPCSTR);

GetProcAddressFunction gGetProcAddress;
std::string gRefusedProcedure;
CreateFontFunction gCreateFont;
CreateBrushFunction gCreateBrush;
CreateBitmapFunction gCreateBitmap;
DeleteFunction gDelete;

HFONT WINAPI RecordCreateFont(int height, int width, int escapement, int orientation, int weight,
                              DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                              DWORD precision, DWORD clip, DWORD quality, DWORD pitch,
                              LPCSTR face) {
  HFONT font = gCreateFont(height, width, escapement, orientation, weight, italic, underline,
                           strikeOut, charSet, precision, clip, quality, pitch, face);
  gCalls.gdi.push_back({GdiCall::CreateFont, font});
  return font;
}

HBRUSH WINAPI RecordCreateBrush(COLORREF colour) {
  HBRUSH brush = gCreateBrush(colour);
  gCalls.gdi.push_back({GdiCall::CreateBrush, brush});
  return brush;
}

HBITMAP WINAPI RecordCreateBitmap(HDC dc, int width, int height) {
  HBITMAP bitmap = gCreateBitmap(dc, width, height);
  gCalls.gdi.push_back({GdiCall::CreateBitmap, bitmap});
  return bitmap;
}

BOOL WINAPI RecordDelete(HGDIOBJ object) {
  gCalls.gdi.push_back({GdiCall::Delete, object});
  return gDelete(object);
}

BOOL WINAPI RecordBeep(UINT type) {
  gCalls.beeps.push_back(type);
  return TRUE;
}

int WINAPI AnswerMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  gCalls.boxes.push_back({owner, text ? text : "", caption ? caption : "", type});
  return IDOK;
}

FARPROC WINAPI RefuseOrGetProcAddress(HMODULE module, LPCSTR name) {
  bool byName = reinterpret_cast<ULONG_PTR>(name) > 0xFFFF;
  if (byName && gRefusedProcedure == name) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return gGetProcAddress(module, name);
}

template <typename F>
void Hook(const char* dll, const char* name, void* replacement, F* original) {
  *original = reinterpret_cast<F>(HookImport(dll, name, replacement));
}

}  // namespace

bool InstallCallHooks() {
  static bool installed = false;
  if (installed) return true;
  Hook("gdi32.dll", "CreateFontA", reinterpret_cast<void*>(RecordCreateFont), &gCreateFont);
  Hook("gdi32.dll", "CreateSolidBrush", reinterpret_cast<void*>(RecordCreateBrush), &gCreateBrush);
  Hook("gdi32.dll", "CreateCompatibleBitmap", reinterpret_cast<void*>(RecordCreateBitmap),
       &gCreateBitmap);
  Hook("gdi32.dll", "DeleteObject", reinterpret_cast<void*>(RecordDelete), &gDelete);
  BeepFunction beep = nullptr;
  Hook("user32.dll", "MessageBeep", reinterpret_cast<void*>(RecordBeep), &beep);
  void* box = HookImport("user32.dll", "MessageBoxA", reinterpret_cast<void*>(AnswerMessageBox));
  Hook("kernel32.dll", "GetProcAddress", reinterpret_cast<void*>(RefuseOrGetProcAddress),
       &gGetProcAddress);
  installed =
      gGetProcAddress && gCreateFont && gCreateBrush && gCreateBitmap && gDelete && beep && box;
  return installed;
}

CallRecord& Calls() {
  return gCalls;
}

void RefuseProcedure(const char* name) {
  gRefusedProcedure = name != nullptr ? name : "";
}

void ClearCalls() {
  gCalls = CallRecord();
}

bool PumpMessagesFor(DWORD milliseconds, WPARAM* quitCode) {
  bool quit = false;
  DWORD start = GetTickCount();
  do {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        quit = true;
        if (quitCode != nullptr) *quitCode = message.wParam;
        continue;
      }
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    Sleep(10);
  } while (GetTickCount() - start < milliseconds);
  return quit;
}

void PrepareBackdropProgram() {
  gState.Instance = GetModuleHandleA(nullptr);
  LoadSetupState();
  RegisterBackdropClass();
}
