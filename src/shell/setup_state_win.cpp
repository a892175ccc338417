#include "shell/setup_state_win.h"

#include "common/handles_win.h"
#include "common/texts.h"

SetupState gState;

namespace {

bool OpenKey(HKEY root, const char* path, ScopedKey& key) {
  return RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS, key.out()) == ERROR_SUCCESS;
}

// Reads a text value into a field of `size` bytes. A longer text is cut to
// size - 1 characters and a stored text without a terminator is terminated;
// a missing value or one of another type leaves the field as it was.
bool ReadTextValue(HKEY key, const char* name, char* field, DWORD size) {
  DWORD type = 0;
  DWORD length = 0;
  if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &length) != ERROR_SUCCESS) return false;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
  DWORD capacity = length + 1;
  HeapBlock data(capacity);
  char* text = static_cast<char*>(data.get());
  if (text == nullptr || RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text),
                                          &length) != ERROR_SUCCESS)
    return false;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
  text[length < capacity ? length : capacity - 1] = '\0';
  CopyText(field, size, text);
  return true;
}

// Reads a 32-bit value; anything but a four-byte REG_DWORD leaves the field.
bool ReadNumberValue(HKEY key, const char* name, DWORD* field) {
  DWORD type = 0;
  DWORD value = 0;
  DWORD length = sizeof value;
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &length) !=
      ERROR_SUCCESS)
    return false;
  if (type != REG_DWORD || length != sizeof value) return false;
  *field = value;
  return true;
}

void SetDefaults() {
  gState.MakeCurrent = 1;
  gState.ConfigureSaver = 0;
  gState.InstallSucceeded = 0;
  gState.LaunchAfterSetup = 1;
  gState.SSHotkey = 0x01100053;
  gState.ToolHotkey = 0x01100054;
  gState.DisplayMode = 1;
  gState.AppDir[0] = '\0';
}

void ReadSystemOwner() {
  ScopedKey key;
  if (!OpenKey(HKEY_LOCAL_MACHINE, kWindowsKey, key)) return;
  ReadTextValue(key.get(), kValueOwner, gState.RegisteredOwner, kUserTextSize);
  ReadTextValue(key.get(), kValueOrganization, gState.RegisteredOrganization, kUserTextSize);
}

void ReadPreviousSettings() {
  ScopedKey key;
  if (!OpenKey(HKEY_CURRENT_USER, kSettingsKey, key)) return;
  ReadTextValue(key.get(), kValueAppDir, gState.AppDir, kPathSize);
  ReadTextValue(key.get(), kValueOwner, gState.RegisteredOwner, kUserTextSize);
  ReadTextValue(key.get(), kValueOrganization, gState.RegisteredOrganization, kUserTextSize);
  ReadTextValue(key.get(), kValueEMail, gState.RegisteredEMail, kUserTextSize);
  ReadNumberValue(key.get(), kValueSSHotkey, &gState.SSHotkey);
  ReadNumberValue(key.get(), kValueToolHotkey, &gState.ToolHotkey);
  ReadNumberValue(key.get(), kValueDisplayMode, &gState.DisplayMode);
}

}  // namespace

int FindProgramFilesDir(char* buffer) {
  buffer[0] = '\0';
  ScopedKey key;
  if (OpenKey(HKEY_LOCAL_MACHINE, kProgramFilesKey, key))
    ReadTextValue(key.get(), kProgramFilesValue, buffer, kPathSize);
  if (buffer[0] == '\0') CopyText(buffer, kPathSize, kDefaultProgramFiles);
  return buffer[0] != '\0';
}

void LoadSetupState() {
  SetDefaults();
  if (FindProgramFilesDir(gState.BrowseFolder)) {
    CopyText(gState.AppDir, kPathSize, gState.BrowseFolder);
    AppendPath(gState.AppDir, kMakerDirectory);
  }
  ReadSystemOwner();
  ReadPreviousSettings();
}
