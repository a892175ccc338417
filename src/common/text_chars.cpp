#include "common/text_chars.h"

namespace {

// Zero-filled until set: no lead bytes.
unsigned char gLeadByteRanges[kLeadByteRangesSize];

}  // namespace

void SetLeadByteRanges(const unsigned char* ranges) {
  for (std::size_t i = 0; i < kLeadByteRangesSize; ++i)
    gLeadByteRanges[i] = ranges != nullptr ? ranges[i] : 0;
}

bool IsLeadByte(char byte) {
  auto value = static_cast<unsigned char>(byte);
  for (std::size_t i = 0; i + 1 < kLeadByteRangesSize && gLeadByteRanges[i] != 0; i += 2) {
    if (value >= gLeadByteRanges[i] && value <= gLeadByteRanges[i + 1]) return true;
  }
  return false;
}

const char* NextChar(const char* text) {
  if (*text == '\0') return text;
  return IsLeadByte(*text) && text[1] != '\0' ? text + 2 : text + 1;
}

const char* FindChar(const char* text, char character) {
  for (; *text != '\0'; text = NextChar(text)) {
    if (*text == character) return text;
  }
  return nullptr;
}

const char* FindLastChar(const char* text, char character) {
  const char* found = nullptr;
  for (; *text != '\0'; text = NextChar(text)) {
    if (*text == character) found = text;
  }
  return found;
}

bool EndsInPartialChar(const char* text) {
  const char* last = text;
  for (; *text != '\0'; text = NextChar(text)) last = text;
  return IsLeadByte(*last) && last[1] == '\0';
}

std::size_t FitText(const char* text, std::size_t limit) {
  const char* end = text;
  for (;;) {
    const char* next = NextChar(end);
    if (next == end || static_cast<std::size_t>(next - text) > limit) break;
    end = next;
  }
  return static_cast<std::size_t>(end - text);
}
