#include "install/shell_actions_win.h"

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include "common/handles_win.h"
#include "common/path.h"
#include "common/programs_win.h"
#include "common/system_library_win.h"
#include "common/text_chars.h"
#include "common/texts.h"

namespace {

bool CreateOneDirectory(const char* path) {
  return CreateDirectoryA(path, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

// Balances CoInitialize for the one shortcut being written.
class ComScope {
 public:
  ComScope() : ok_(SUCCEEDED(CoInitialize(nullptr))) {}
  ~ComScope() {
    if (ok_) CoUninitialize();
  }
  bool ok() const { return ok_; }

 private:
  bool ok_;
};

bool SaveLink(IShellLinkA* link, const char* linkFile) {
  ComPointer<IPersistFile> file;
  if (FAILED(link->QueryInterface(__uuidof(IPersistFile), file.out()))) return false;
  WCHAR widePath[kPathSize] = L"";
  MultiByteToWideChar(CP_ACP, 0, linkFile, -1, widePath, kPathSize);
  return SUCCEEDED(file->Save(widePath, TRUE));
}

}  // namespace

int MakeDirectoryPath(const char* path) {
  if (CreateOneDirectory(path)) return 1;
  char parent[kPathSize];
  CopyText(parent, kPathSize, path);
  const char* separator = FindLastChar(parent, '\\');
  if (separator != nullptr) {
    parent[separator - parent] = '\0';
    if (!MakeDirectoryPath(parent)) return 0;
  }
  return CreateOneDirectory(path) ? 1 : 0;
}

int CreateShortcut(const char* description, const char* target, const char* linkFile,
                   const char* workingDirectory) {
  ComScope com;
  if (!com.ok()) return 0;
  ComPointer<IShellLinkA> link;
  // __uuidof: the identifiers from the headers; the uuid library would bring
  // every identifier of the system along with the three used here.
  if (FAILED(CoCreateInstance(__uuidof(ShellLink), nullptr, CLSCTX_INPROC_SERVER,
                              __uuidof(IShellLinkA), link.out())))
    return 0;
  link->SetPath(target);
  link->SetDescription(description);
  if (workingDirectory != nullptr) link->SetWorkingDirectory(workingDirectory);
  return SaveLink(link.get(), linkFile) ? 1 : 0;
}

void MakeCurrentScreenSaver(const char* saverPath) {
  char shortPath[kPathSize] = "";
  DWORD length = GetShortPathNameA(saverPath, shortPath, kPathSize);
  // Without a short form the long path still names the saver.
  if (length == 0 || length >= kPathSize) CopyText(shortPath, kPathSize, saverPath);
  WritePrivateProfileStringA(kBootSection, kSaverKey, shortPath, kSystemIni);
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, kSystemIni);
  SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, 1, nullptr, SPIF_SENDWININICHANGE);
}

void LaunchScreenSaver() {
  char systemDirectory[kPathSize];
  char saverPath[kPathSize];
  char command[kPathSize + 8];
  if (FindSystemDirectory(systemDirectory) && BuildSystemPath(saverPath, kSaverFile)) {
    wsprintfA(command, kSaverCommandFormat, saverPath);
    if (StartProgram(saverPath, command, CREATE_NEW_CONSOLE, systemDirectory, nullptr)) return;
  }
  MessageBeep(0);
}
