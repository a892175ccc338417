// Paths and texts held in fixed buffers, the way every part of setup keeps them.
#pragma once

#include <cstddef>

// The size of every path buffer of the program, its terminator included.
constexpr std::size_t kPathSize = 260;

// Whether the byte is a backslash or a forward slash. Only where a character
// starts: the second byte of a two-byte character may have the same value.
inline bool IsPathSeparator(char byte) {
  return byte == '\\' || byte == '/';
}

// The first backslash or forward slash of `path` that is a character of its
// own, or the path's terminator when there is none.
const char* FindPathSeparator(const char* path);

// Whether the last character of `path` is a backslash or a forward slash.
bool EndsInPathSeparator(const char* path);

// Whether a path component of `length` bytes names a device rather than a
// file, whatever the folder: a reserved device name (CON, PRN, AUX, NUL,
// COM1-9, LPT1-9, in any case) before the first dot, trailing spaces dropped
// ("con", "Aux .log", "nul.", "COM1.txt").
bool IsDeviceName(const char* component, std::size_t length);

// Appends a component to the path in a buffer of kPathSize characters: a
// backslash goes first unless the path is empty or its last character is
// already a backslash or a forward slash. Returns false, leaving the path
// unchanged, when the result would not fit, or when the path ends in half a
// character, which the backslash would complete into another character.
bool AppendPath(char* path, const char* component);

// `base`, then `component` as AppendPath joins them, in a buffer of kPathSize
// characters. Returns false when the result would not fit; a base cut to fit
// would name another place.
bool BuildPath(char* path, const char* base, const char* component);

// Copies text into a buffer of `size` bytes, cutting it to at most size - 1
// bytes of whole characters; the copy is always terminated.
void CopyText(char* destination, std::size_t size, const char* text);

// Formats into a buffer of `size` bytes: each "%s" takes the next text argument
// and each "%d" the next int, as decimal; every other character is copied. What
// does not fit is cut off before the first character that does not fit whole;
// the result is always terminated. The platform's own formatting would bring a
// large runtime into every program that uses it.
void FormatText(char* destination, std::size_t size, const char* format, ...);
