// Splitting a program's command line into words, the way the installed
// programs read their switches.
#pragma once

#include <cstddef>

// Copies the next word of `text` into `word` (a buffer of `size` bytes, cut
// before the first character that does not fit whole) and returns where the
// scan goes on, or nullptr when no word is left. Words are separated by blanks;
// double quotes group blanks into a word and are not copied.
const char* NextWord(const char* text, char* word, std::size_t size);

// Whether any word of the command line equals `option`, ignoring case.
bool HasOption(const char* commandLine, const char* option);
