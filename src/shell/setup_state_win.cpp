#include "shell/setup_state_win.h"

#include "common/handles_win.h"
#include "common/registry_win.h"
#include "common/texts.h"

SetupState gState;

namespace {

bool OpenKey(HKEY root, const char* path, ScopedKey& key) {
  return RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS, key.out()) == ERROR_SUCCESS;
}

// Reads a text value of at most size - 1 characters into a field through a
// temporary, so that the field keeps its value when the value cannot be read.
void ReadField(HKEY key, const char* name, char* field, DWORD size) {
  char value[kPathSize];
  if (ReadRegistryText(key, name, value, size)) CopyText(field, size, value);
}

void SetDefaults() {
  gState.MakeCurrent = 1;
  gState.ConfigureSaver = 0;
  gState.InstallSucceeded = 0;
  gState.LaunchAfterSetup = 1;
  gState.SSHotkey = kDefaultSSHotkey;
  gState.ToolHotkey = kDefaultToolHotkey;
  gState.DisplayMode = kDefaultDisplayMode;
  gState.AppDir[0] = '\0';
}

void ReadSystemOwner() {
  ScopedKey key;
  if (!OpenKey(HKEY_LOCAL_MACHINE, kWindowsKey, key)) return;
  ReadField(key.get(), kValueOwner, gState.RegisteredOwner, kUserTextSize);
  ReadField(key.get(), kValueOrganization, gState.RegisteredOrganization, kUserTextSize);
}

void ReadPreviousSettings() {
  ScopedKey key;
  if (!OpenKey(HKEY_CURRENT_USER, kSettingsKey, key)) return;
  ReadField(key.get(), kValueAppDir, gState.AppDir, kPathSize);
  ReadField(key.get(), kValueOwner, gState.RegisteredOwner, kUserTextSize);
  ReadField(key.get(), kValueOrganization, gState.RegisteredOrganization, kUserTextSize);
  ReadField(key.get(), kValueEMail, gState.RegisteredEMail, kUserTextSize);
  ReadRegistryNumber(key.get(), kValueSSHotkey, &gState.SSHotkey);
  ReadRegistryNumber(key.get(), kValueToolHotkey, &gState.ToolHotkey);
  ReadRegistryNumber(key.get(), kValueDisplayMode, &gState.DisplayMode);
}

}  // namespace

int FindProgramFilesDir(char* buffer) {
  buffer[0] = '\0';
  ScopedKey key;
  if (OpenKey(HKEY_LOCAL_MACHINE, kProgramFilesKey, key))
    ReadRegistryText(key.get(), kProgramFilesValue, buffer, kPathSize);
  if (buffer[0] == '\0') CopyText(buffer, kPathSize, kDefaultProgramFiles);
  return buffer[0] != '\0';
}

void LoadSetupState() {
  SetDefaults();
  if (FindProgramFilesDir(gState.BrowseFolder))
    BuildPath(gState.AppDir, gState.BrowseFolder, kMakerDirectory);
  ReadSystemOwner();
  ReadPreviousSettings();
}
