#include "common/path.h"

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

void CopyText(char* destination, std::size_t size, const char* text) {
  if (size == 0) return;
  std::size_t length = std::strlen(text);
  if (length >= size) length = size - 1;
  std::memcpy(destination, text, length);
  destination[length] = '\0';
}
