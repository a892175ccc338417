#include "common/registry_win.h"

#include "common/path.h"

bool ReadRegistryText(HKEY key, const char* name, char* text, DWORD size) {
  char value[kLongestRegistryText];
  DWORD type = REG_NONE;
  DWORD length = size;
  if (size == 0 || size > sizeof value ||
      RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &length) !=
          ERROR_SUCCESS ||
      type != REG_SZ || (length == size && value[size - 1] != '\0'))
    return false;
  // A text stored without its terminator ends where its data ends.
  value[length < size ? length : size - 1] = '\0';
  CopyText(text, size, value);
  return true;
}

bool ReadRegistryNumber(HKEY key, const char* name, DWORD* number) {
  DWORD type = REG_NONE;
  DWORD value = 0;
  DWORD length = sizeof value;
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &length) !=
          ERROR_SUCCESS ||
      type != REG_DWORD || length != sizeof value)
    return false;
  *number = value;
  return true;
}
