#include "common/registry_win.h"

bool ReadRegistryText(HKEY key, const char* name, char* text, DWORD size) {
  if (size == 0) return false;
  DWORD type = REG_NONE;
  DWORD length = size;
  // A value that fills the buffer must end in its terminator to fit.
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &length) !=
          ERROR_SUCCESS ||
      type != REG_SZ || (length == size && text[size - 1] != '\0')) {
    text[0] = '\0';  // whatever the query left there is no text of the value
    return false;
  }
  if (length < size) text[length] = '\0';
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
