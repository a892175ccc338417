#include "program_driver_win.h"

#include <cstring>

#include "common/texts.h"

RunningProgram::~RunningProgram() {
  if (info_.hProcess == nullptr) return;
  if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
    TerminateProcess(info_.hProcess, 255);
    WaitForSingleObject(info_.hProcess, 5000);
  }
  CloseHandle(info_.hProcess);
  CloseHandle(info_.hThread);
}

bool RunningProgram::Start(const std::string& application, const char* commandLine) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  std::vector<char> command;
  if (commandLine != nullptr)
    command.assign(commandLine, commandLine + std::strlen(commandLine) + 1);
  return CreateProcessA(application.c_str(), commandLine != nullptr ? command.data() : nullptr,
                        nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info_) != FALSE;
}

bool RunningProgram::WaitUntilIdle(DWORD milliseconds) {
  return WaitForInputIdle(info_.hProcess, milliseconds) == 0;
}

bool RunningProgram::WaitForExit(DWORD milliseconds, DWORD* exitCode) {
  if (!WaitPumping(info_.hProcess, milliseconds)) return false;
  return GetExitCodeProcess(info_.hProcess, exitCode) != FALSE;
}

bool WaitPumping(HANDLE object, DWORD milliseconds) {
  DWORD start = GetTickCount();
  for (DWORD waited = 0; waited <= milliseconds; waited = GetTickCount() - start) {
    DWORD result = MsgWaitForMultipleObjects(1, &object, FALSE, milliseconds - waited, QS_ALLINPUT);
    if (result == WAIT_OBJECT_0) return true;
    if (result != WAIT_OBJECT_0 + 1) return false;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
  return false;
}

void PumpMessagesFor(DWORD milliseconds) {
  WaitPumping(GetCurrentProcess(), milliseconds);  // this process does not end meanwhile
}

std::string RunFile(const char* name) {
  return std::string("C:\\run\\") + name;
}

namespace {

struct WindowSearch {
  const char* className;
  const char* caption;
  DWORD processId;
  bool shown;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<WindowSearch*>(data);
  char className[64] = "";
  char caption[128] = "";
  DWORD processId = 0;
  GetClassNameA(window, className, sizeof className);
  GetWindowTextA(window, caption, sizeof caption);
  GetWindowThreadProcessId(window, &processId);
  if (std::strcmp(className, search->className) == 0 &&
      (search->caption == nullptr || std::strcmp(caption, search->caption) == 0) &&
      (search->processId == 0 || processId == search->processId) &&
      (!search->shown || IsWindowVisible(window)))
    search->found.push_back(window);
  return TRUE;
}

std::vector<HWND> Collect(const char* className, const char* caption, DWORD processId, bool shown) {
  WindowSearch search = {className, caption, processId, shown, {}};
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitFor(const char* className, const char* caption, DWORD processId, bool shown,
             DWORD milliseconds) {
  DWORD start = GetTickCount();
  do {
    std::vector<HWND> found = Collect(className, caption, processId, shown);
    if (!found.empty()) return found.front();
    Sleep(50);
  } while (GetTickCount() - start < milliseconds);
  return nullptr;
}

}  // namespace

HWND WaitForWindow(const char* className, const char* caption, DWORD processId,
                   DWORD milliseconds) {
  return WaitFor(className, caption, processId, false, milliseconds);
}

HWND WaitForShownWindow(const char* className, const char* caption, DWORD processId,
                        DWORD milliseconds) {
  return WaitFor(className, caption, processId, true, milliseconds);
}

std::vector<HWND> FindWindowsOfClass(const char* className) {
  return Collect(className, nullptr, 0, false);
}

void DeleteSettings() {
  RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
}

void SetSettingText(const char* name, const std::string& value) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
  RegCloseKey(key);
}

void SetSettingNumber(const char* name, DWORD value) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(key);
}

DWORD GetSettingNumber(const char* name, DWORD fallback) {
  DWORD value = 0;
  DWORD size = sizeof value;
  DWORD type = 0;
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return fallback;
  LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
  return result == ERROR_SUCCESS && type == REG_DWORD ? value : fallback;
}

void PressKey(WORD key) {
  INPUT inputs[2] = {};
  for (INPUT& input : inputs) {
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
  }
  inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, inputs, sizeof(INPUT));
}

void MoveMouseBy(int dx, int dy) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dx = dx;
  input.mi.dy = dy;
  input.mi.dwFlags = MOUSEEVENTF_MOVE;
  SendInput(1, &input, sizeof(INPUT));
}

std::vector<DWORD> CaptureScreen(int* width, int* height) {
  *width = GetSystemMetrics(SM_CXSCREEN);
  *height = GetSystemMetrics(SM_CYSCREEN);
  std::vector<DWORD> pixels(static_cast<size_t>(*width) * *height);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, *width, *height);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, *width, *height, screen, 0, 0, SRCCOPY);
  SelectObject(memory, previous);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = *width;
  info.bmiHeader.biHeight = -*height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  GetDIBits(memory, bitmap, 0, *height, pixels.data(), &info, DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}
