#include "common/command_line.h"

#include <cctype>

#include "common/text_chars.h"

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

bool EqualIgnoringCase(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (std::tolower(static_cast<unsigned char>(*a)) !=
        std::tolower(static_cast<unsigned char>(*b)))
      return false;
  }
  return *a == *b;
}

}  // namespace

const char* NextWord(const char* text, char* word, std::size_t size) {
  while (IsBlank(*text)) ++text;
  if (*text == '\0') return nullptr;
  std::size_t length = 0;
  bool quoted = false;
  bool full = false;  // once a character is left out, so is the rest of the word
  for (const char* next; *text != '\0' && (quoted || !IsBlank(*text)); text = next) {
    next = NextChar(text);
    auto count = static_cast<std::size_t>(next - text);
    if (*text == '"') {
      quoted = !quoted;
    } else if (!full && length + count < size) {
      for (std::size_t i = 0; i < count; ++i) word[length++] = text[i];
    } else {
      full = true;
    }
  }
  if (size > 0) word[length] = '\0';
  return text;
}

bool HasOption(const char* commandLine, const char* option) {
  char word[64];
  for (const char* next = NextWord(commandLine, word, sizeof word); next != nullptr;
       next = NextWord(next, word, sizeof word)) {
    if (EqualIgnoringCase(word, option)) return true;
  }
  return false;
}
