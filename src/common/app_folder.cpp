#include "common/app_folder.h"

#include <cstring>

#include "common/path.h"
#include "common/text_chars.h"

namespace {

bool IsDriveLetter(char byte) {
  return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
}

// The end of one name of a share's root ("server" or "share"), which must not
// be empty.
const char* SkipRootName(const char* name) {
  const char* end = FindPathSeparator(name);
  return end == name ? nullptr : end;
}

// Characters no file or folder name holds. The colon after the drive letter is
// part of the root, which the names below it do not include.
bool IsForbiddenCharacter(const char* character) {
  auto byte = static_cast<unsigned char>(*character);
  return byte < 32 || std::strchr("<>:\"/|?*", *character) != nullptr;
}

bool HasForbiddenCharacter(const char* text) {
  if (EndsInPartialChar(text)) return true;
  for (const char* p = text; *p != '\0'; p = NextChar(p)) {
    if (!IsLeadByte(*p) && IsForbiddenCharacter(p)) return true;
  }
  return false;
}

// The system drops trailing dots and spaces, so such a name would be created
// as another; "." and ".." name no new folder at all.
AppFolderFault CheckName(const char* name, std::size_t length) {
  if (length == 0) return kAppFolderBadName;
  const char* last = name;
  for (const char* p = name; p < name + length; p = NextChar(p)) last = p;
  if (*last == '.' || *last == ' ') return kAppFolderBadName;
  return IsDeviceName(name, length) ? kAppFolderDeviceName : kAppFolderFits;
}

// The names between backslashes; one backslash may end the folder.
AppFolderFault CheckNames(const char* names) {
  for (const char* name = names;;) {
    const char* end = FindPathSeparator(name);
    if (*end == '\0' && end == name && name != names) return kAppFolderFits;
    AppFolderFault fault = CheckName(name, static_cast<std::size_t>(end - name));
    if (fault != kAppFolderFits || *end == '\0') return fault;
    name = end + 1;
  }
}

}  // namespace

std::size_t PathRootLength(const char* path) {
  if (IsDriveLetter(path[0]) && path[1] == ':' && path[2] == '\\') return 3;
  if (path[0] != '\\' || path[1] != '\\') return 0;
  const char* server = SkipRootName(path + 2);
  if (server == nullptr || *server != '\\') return 0;
  const char* share = SkipRootName(server + 1);
  if (share == nullptr) return 0;
  return static_cast<std::size_t>(share - path) + (*share == '\0' ? 0 : 1);
}

AppFolderFault CheckAppFolder(const char* folder, std::size_t deepest) {
  std::size_t root = PathRootLength(folder);
  if (root == 0) return kAppFolderNotFullPath;
  const char* names = folder + root;
  // The share's names are checked as every other name is.
  const char* checked = folder[0] == '\\' ? folder + 2 : names;
  if (HasForbiddenCharacter(checked)) return kAppFolderBadCharacter;
  if (*names == '\0') return kAppFolderRoot;
  AppFolderFault fault = CheckNames(checked);
  if (fault != kAppFolderFits) return fault;
  std::size_t length = std::strlen(folder);
  if (EndsInPathSeparator(folder)) --length;
  return length + 1 + deepest < kPathSize ? kAppFolderFits : kAppFolderTooLong;
}
