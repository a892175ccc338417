// A DLL planted beside a program under a system DLL's name: when it is loaded
// it leaves a marker file named after itself in the program's folder, telling
// a load while the process starts (a static import) from a later one. It
// exports the names its namesakes' callers import, doing nothing.
#include <windows.h>

namespace {

void LeaveMarker(HMODULE self, bool atStart) {
  char path[MAX_PATH] = "";
  DWORD length = GetModuleFileNameA(self, path, MAX_PATH - 20);
  if (length == 0) return;
  lstrcatA(path, atStart ? ".loaded-at-start" : ".loaded-later");
  HANDLE marker =
      CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
}

}  // namespace

// The loader passes a non-null reserved pointer for the DLLs it loads while
// the process starts, and null for LoadLibrary.
extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) LeaveMarker(self, reserved != nullptr);
  return TRUE;
}

extern "C" __declspec(dllexport) DWORD WINAPI PlantedGetFileVersionInfoSizeA(LPCSTR, LPDWORD) {
  return 0;
}

extern "C" __declspec(dllexport) DWORD WINAPI PlantedGetFileVersionInfoSizeW(LPCWSTR, LPDWORD) {
  return 0;
}

extern "C" __declspec(dllexport) BOOL WINAPI
    PlantedGetFileVersionInfoW(LPCWSTR, DWORD, DWORD, LPVOID) {
  return FALSE;
}

extern "C" __declspec(dllexport) BOOL WINAPI
    PlantedVerQueryValueW(LPCVOID, LPCWSTR, LPVOID*, PUINT) {
  return FALSE;
}

extern "C" __declspec(dllexport) void WINAPI PlantedInitCommonControls() {}
