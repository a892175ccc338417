#include "payload/saver/saver_command.h"

#include <cctype>

#include "common/command_line.h"

namespace {

// A switch is one of / - + followed by a mode letter, alone or with ":<number>".
bool ReadSwitch(const char* word, SaverMode* mode, const char** number) {
  if (word[0] != '/' && word[0] != '-' && word[0] != '+') return false;
  if (word[1] == '\0' || (word[2] != '\0' && word[2] != ':')) return false;
  switch (std::tolower(static_cast<unsigned char>(word[1]))) {
    case 'c':
      *mode = SaverMode::kConfigure;
      break;
    case 's':
      *mode = SaverMode::kFullScreen;
      break;
    case 'p':
      *mode = SaverMode::kPreview;
      break;
    case 'a':
      *mode = SaverMode::kPassword;
      break;
    default:
      return false;
  }
  *number = word[2] == ':' ? word + 3 : nullptr;
  return true;
}

bool IsNumber(const char* text) {
  if (*text == '\0') return false;
  for (; *text != '\0'; ++text) {
    if (!std::isdigit(static_cast<unsigned char>(*text))) return false;
  }
  return true;
}

// A number too large for a handle gives the largest one, which names no window.
std::uintptr_t ReadWindow(const char* text) {
  if (text == nullptr || !IsNumber(text)) return 0;
  constexpr std::uintptr_t kLargest = ~std::uintptr_t{0};
  std::uintptr_t window = 0;
  for (; *text != '\0'; ++text) {
    auto digit = static_cast<std::uintptr_t>(*text - '0');
    if (window > (kLargest - digit) / 10) return kLargest;
    window = window * 10 + digit;
  }
  return window;
}

}  // namespace

SaverCommand ParseSaverCommand(const char* commandLine) {
  SaverCommand command = {SaverMode::kConfigure, 0};
  bool afterSwitch = false;
  char word[64];
  for (const char* next = NextWord(commandLine, word, sizeof word); next != nullptr;
       next = NextWord(next, word, sizeof word)) {
    SaverMode mode;
    const char* number = nullptr;
    if (ReadSwitch(word, &mode, &number)) {
      command = {mode, ReadWindow(number)};
      afterSwitch = true;
    } else if (afterSwitch && command.window == 0 && IsNumber(word)) {
      command.window = ReadWindow(word);  // "/p 1234": the window follows the switch
    } else {
      afterSwitch = false;
    }
  }
  return command;
}
