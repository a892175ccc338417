#include "payload/common/settings_win.h"

#include "common/handles_win.h"
#include "common/texts.h"

bool ReadKeyText(HKEY key, const char* name, char* text, DWORD size) {
  if (size == 0) return false;
  text[0] = '\0';
  DWORD type = 0;
  DWORD length = size - 1;  // room for a terminator the stored text may lack
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &length) !=
          ERROR_SUCCESS ||
      type != REG_SZ) {
    text[0] = '\0';
    return false;
  }
  text[length] = '\0';
  return true;
}

bool ReadSettingText(const char* name, char* text, DWORD size) {
  if (size > 0) text[0] = '\0';
  ScopedKey key;
  return RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, key.out()) == ERROR_SUCCESS &&
         ReadKeyText(key.get(), name, text, size);
}

DWORD ReadSettingNumber(const char* name, DWORD fallback) {
  ScopedKey key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, key.out()) != ERROR_SUCCESS)
    return fallback;
  DWORD type = 0;
  DWORD value = 0;
  DWORD length = sizeof value;
  if (RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &length) !=
          ERROR_SUCCESS ||
      type != REG_DWORD || length != sizeof value)
    return fallback;
  return value;
}

bool WriteSettingNumber(const char* name, DWORD value) {
  ScopedKey key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, key.out(),
                      nullptr) != ERROR_SUCCESS)
    return false;
  return RegSetValueExA(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                        sizeof value) == ERROR_SUCCESS;
}
