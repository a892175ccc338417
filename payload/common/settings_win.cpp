#include "payload/common/settings_win.h"

#include "common/handles_win.h"
#include "common/registry_win.h"
#include "common/texts.h"

namespace {

bool OpenSettings(ScopedKey* key) {
  return RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, key->out()) == ERROR_SUCCESS;
}

}  // namespace

bool ReadSettingText(const char* name, char* text, DWORD size) {
  ScopedKey key;
  return OpenSettings(&key) && ReadRegistryText(key.get(), name, text, size);
}

DWORD ReadSettingNumber(const char* name, DWORD fallback) {
  ScopedKey key;
  DWORD value = fallback;
  if (OpenSettings(&key)) ReadRegistryNumber(key.get(), name, &value);
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
