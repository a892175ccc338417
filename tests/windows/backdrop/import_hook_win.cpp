#include "import_hook_win.h"

#include <windows.h>

#include <cstring>

namespace {

template <typename T>
T* AtOffset(BYTE* base, DWORD offset) {
  return reinterpret_cast<T*>(base + offset);
}

// Swaps one import address, lifting the page protection for the write.
void* SwapThunk(ULONG_PTR* slot, void* replacement) {
  DWORD protection = 0;
  if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection)) return nullptr;
  void* original = reinterpret_cast<void*>(*slot);
  *slot = reinterpret_cast<ULONG_PTR>(replacement);
  VirtualProtect(slot, sizeof *slot, protection, &protection);
  return original;
}

void* HookInDescriptor(BYTE* base, const IMAGE_IMPORT_DESCRIPTOR* import, const char* function,
                       void* replacement) {
  auto* names = AtOffset<IMAGE_THUNK_DATA>(base, import->OriginalFirstThunk);
  auto* slots = AtOffset<IMAGE_THUNK_DATA>(base, import->FirstThunk);
  for (; names->u1.AddressOfData != 0; ++names, ++slots) {
    if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
    auto* byName =
        AtOffset<IMAGE_IMPORT_BY_NAME>(base, static_cast<DWORD>(names->u1.AddressOfData));
    if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0)
      return SwapThunk(&slots->u1.Function, replacement);
  }
  return nullptr;
}

}  // namespace

void* HookImport(const char* dll, const char* function, void* replacement) {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  auto* nt = AtOffset<IMAGE_NT_HEADERS>(base, dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& directory =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (directory.VirtualAddress == 0) return nullptr;
  auto* import = AtOffset<IMAGE_IMPORT_DESCRIPTOR>(base, directory.VirtualAddress);
  for (; import->Name != 0; ++import) {
    if (lstrcmpiA(AtOffset<char>(base, import->Name), dll) != 0) continue;
    if (import->OriginalFirstThunk == 0) continue;
    void* original = HookInDescriptor(base, import, function, replacement);
    if (original != nullptr) return original;
  }
  return nullptr;
}
