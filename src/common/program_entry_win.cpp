// The process entry of setup and of the programs it installs, in place of the C
// runtime's start-up code, which would be a good part of each program's size.
// Nothing here needs that code: the system's msvcrt sets itself up as it loads,
// no thread-local data is used, and no runtime pseudo-relocation is needed (the
// link refuses auto-imported data). Static constructors still run before
// WinMain; nothing is destroyed after it, as ExitProcess releases everything.
#include <windows.h>

#include "common/text_chars.h"

// The linker's table of static constructors: -1, the constructors, then null.
extern "C" void (*__CTOR_LIST__[])();

namespace {

void RunStaticConstructors() {
  void (**last)() = __CTOR_LIST__ + 1;
  while (*last != nullptr) ++last;
  while (--last != __CTOR_LIST__) (*last)();  // last first, as GCC's start-up does
}

// The command line after the program's name, which may be quoted.
char* GetCommandTail() {
  char* text = GetCommandLineA();
  bool quoted = false;
  for (; *text != '\0' && (quoted || (*text != ' ' && *text != '\t'));
       text += NextChar(text) - text) {
    if (*text == '"') quoted = !quoted;
  }
  while (*text == ' ' || *text == '\t') ++text;
  return text;
}

// Paths and texts are walked by character in the system's ANSI code page.
void UseSystemLeadBytes() {
  CPINFO codePage;
  static_assert(sizeof codePage.LeadByte == kLeadByteRangesSize, "the system's list of ranges");
  if (GetCPInfo(CP_ACP, &codePage)) SetLeadByteRanges(codePage.LeadByte);
}

int GetShowCommand() {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  GetStartupInfoA(&startup);
  return (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : SW_SHOWDEFAULT;
}

}  // namespace

extern "C" __attribute__((force_align_arg_pointer)) void WinMainCRTStartup() {
  UseSystemLeadBytes();
  RunStaticConstructors();
  int result = WinMain(GetModuleHandleA(nullptr), nullptr, GetCommandTail(), GetShowCommand());
  ExitProcess(static_cast<UINT>(result));
}
