#include "common/path.h"

#include <cstdarg>
#include <cstring>

#include "common/text_chars.h"

const char* FindPathSeparator(const char* path) {
  while (*path != '\0' && !IsPathSeparator(*path)) path = NextChar(path);
  return path;
}

bool EndsInPathSeparator(const char* path) {
  const char* last = nullptr;
  for (; *path != '\0'; path = NextChar(path)) last = path;
  return last != nullptr && IsPathSeparator(*last);
}

namespace {

// Whether `base` is, in any case, the letters of `device` (lower case).
bool IsDeviceSpelling(const char* base, const char* device, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    char letter =
        base[i] >= 'A' && base[i] <= 'Z' ? static_cast<char>(base[i] - 'A' + 'a') : base[i];
    if (letter != device[i]) return false;
  }
  return true;
}

}  // namespace

// Byte by byte: a byte of a device's letters or a dot is never a lead byte, and
// the second byte of a character follows a lead byte, which no letter matches.
bool IsDeviceName(const char* component, std::size_t length) {
  std::size_t base = 0;
  while (base < length && component[base] != '.') ++base;
  while (base > 0 && component[base - 1] == ' ') --base;
  static const char* const kDevices[] = {"con", "prn", "aux", "nul"};
  if (base == 3) {
    for (const char* device : kDevices) {
      if (IsDeviceSpelling(component, device, 3)) return true;
    }
  }
  if (base == 4 && component[3] >= '1' && component[3] <= '9') {
    return IsDeviceSpelling(component, "com", 3) || IsDeviceSpelling(component, "lpt", 3);
  }
  return false;
}

bool AppendPath(char* path, const char* component) {
  if (EndsInPartialChar(path)) return false;
  std::size_t length = std::strlen(path);
  bool separator = length > 0 && !EndsInPathSeparator(path);
  std::size_t needed = length + (separator ? 1 : 0) + std::strlen(component);
  if (needed >= kPathSize) return false;
  if (separator) path[length++] = '\\';
  std::strcpy(path + length, component);
  return true;
}

bool BuildPath(char* path, const char* base, const char* component) {
  path[0] = '\0';
  return AppendPath(path, base) && AppendPath(path, component);
}

void CopyText(char* destination, std::size_t size, const char* text) {
  if (size == 0) return;
  std::size_t length = FitText(text, size - 1);
  std::memcpy(destination, text, length);
  destination[length] = '\0';
}

namespace {

// A text being formatted into a buffer; once a character does not fit whole,
// nothing more is added.
struct FormattedText {
  char* text;
  std::size_t size;
  std::size_t length;
  bool full;
};

// Appends the whole characters of text[0..count) that fit before the
// terminator's place.
void AppendChars(FormattedText& out, const char* text, std::size_t count) {
  std::size_t room = out.size - 1 - out.length;
  std::size_t fitting = FitText(text, count < room ? count : room);
  std::memcpy(out.text + out.length, text, fitting);
  out.length += fitting;
  out.full = fitting < count;
}

void AppendText(FormattedText& out, const char* text) {
  AppendChars(out, text, std::strlen(text));
}

// Writes `value` in decimal, with a minus sign when negative, into `digits`.
void FormatDecimal(int value, char (&digits)[12]) {
  unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
  char reversed[10];
  int count = 0;
  do {
    reversed[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  int length = 0;
  if (value < 0) digits[length++] = '-';
  while (count > 0) digits[length++] = reversed[--count];
  digits[length] = '\0';
}

}  // namespace

void FormatText(char* destination, std::size_t size, const char* format, ...) {
  if (size == 0) return;
  va_list arguments;
  va_start(arguments, format);
  FormattedText out = {destination, size, 0, false};
  while (*format != '\0' && !out.full) {
    if (format[0] == '%' && format[1] == 's') {
      AppendText(out, va_arg(arguments, const char*));
      format += 2;
    } else if (format[0] == '%' && format[1] == 'd') {
      char digits[12];
      FormatDecimal(va_arg(arguments, int), digits);
      AppendText(out, digits);
      format += 2;
    } else {
      const char* next = NextChar(format);
      AppendChars(out, format, static_cast<std::size_t>(next - format));
      format = next;
    }
  }
  destination[out.length] = '\0';
  va_end(arguments);
}
