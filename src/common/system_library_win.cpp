#include "common/system_library_win.h"

#include "common/path.h"

namespace {

// Loads a library from the system directory by its full path, once.
HMODULE LoadSystemLibrary(const char* name) {
  char path[kPathSize];
  return BuildSystemPath(path, name) ? LoadLibraryA(path) : nullptr;
}

template <typename Function>
Function Comctl32(const char* name) {
  static HMODULE module = LoadSystemLibrary("comctl32.dll");
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

template <typename Function>
Function Version(const char* name) {
  static HMODULE module = LoadSystemLibrary("version.dll");
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

bool FindSystemDirectory(char* path) {
  UINT length = GetSystemDirectoryA(path, kPathSize);
  return length > 0 && length < kPathSize;
}

bool BuildSystemPath(char* path, const char* name) {
  return FindSystemDirectory(path) && AppendPath(path, name);
}

void HardenDllSearch() {
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  using SetDllDirectoryFunction = BOOL(WINAPI*)(LPCSTR);
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (kernel == nullptr) return;
  auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (setDefault != nullptr) setDefault(0x00000800 /* LOAD_LIBRARY_SEARCH_SYSTEM32 */);
  auto setDirectory = reinterpret_cast<SetDllDirectoryFunction>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryA")));
  if (setDirectory != nullptr) setDirectory("");
}

INT_PTR SystemPropertySheetA(LPCPROPSHEETHEADERA header) {
  using Function = INT_PTR(WINAPI*)(LPCPROPSHEETHEADERA);
  Function function = Comctl32<Function>("PropertySheetA");
  if (function == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return -1;
  }
  return function(header);
}

BOOL SystemInitCommonControls() {
  using Function = void(WINAPI*)();
  Function function = Comctl32<Function>("InitCommonControls");
  if (function == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return FALSE;
  }
  function();
  return TRUE;
}

DWORD SystemGetFileVersionInfoSizeA(const char* file, DWORD* handle) {
  using Function = DWORD(WINAPI*)(LPCSTR, LPDWORD);
  Function function = Version<Function>("GetFileVersionInfoSizeA");
  return function != nullptr ? function(file, handle) : 0;
}

BOOL SystemGetFileVersionInfoA(const char* file, DWORD handle, DWORD size, void* data) {
  using Function = BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID);
  Function function = Version<Function>("GetFileVersionInfoA");
  return function != nullptr && function(file, handle, size, data);
}

BOOL SystemVerQueryValueA(const void* block, const char* subBlock, void** buffer, UINT* length) {
  using Function = BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT);
  Function function = Version<Function>("VerQueryValueA");
  return function != nullptr && function(block, subBlock, buffer, length);
}
