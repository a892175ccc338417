#include "common/path.h"

#include <cstdarg>
#include <cstring>

bool AppendPath(char* path, const char* component) {
  std::size_t length = std::strlen(path);
  bool separator = length > 0 && path[length - 1] != '\\' && path[length - 1] != '/';
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
  std::size_t length = std::strlen(text);
  if (length >= size) length = size - 1;
  std::memcpy(destination, text, length);
  destination[length] = '\0';
}

namespace {

// Appends as much of `text` as fits before the terminator's place.
void AppendText(char* destination, std::size_t size, std::size_t& length, const char* text) {
  while (*text != '\0' && length + 1 < size) destination[length++] = *text++;
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
  std::size_t length = 0;
  for (; *format != '\0' && length + 1 < size; ++format) {
    if (format[0] == '%' && format[1] == 's') {
      AppendText(destination, size, length, va_arg(arguments, const char*));
      ++format;
    } else if (format[0] == '%' && format[1] == 'd') {
      char digits[12];
      FormatDecimal(va_arg(arguments, int), digits);
      AppendText(destination, size, length, digits);
      ++format;
    } else {
      destination[length++] = *format;
    }
  }
  destination[length] = '\0';
  va_end(arguments);
}
