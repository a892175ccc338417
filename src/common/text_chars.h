// Paths and texts are held in the ANSI code page. In the code pages of Japanese,
// Chinese and Korean Windows a character is one byte or two, and the second
// byte of two may have the value of "\", "/" or "@": every scan of a path or a
// text walks it by character with these helpers, never byte by byte.
#pragma once

#include <cstddef>

// The size of a list of lead-byte ranges, as the system gives it (CPINFO).
constexpr std::size_t kLeadByteRangesSize = 12;

// Sets the rule of which bytes lead a two-byte character, once at start:
// `ranges` holds pairs of first and last lead byte, ended by a pair of zeros or
// after kLeadByteRangesSize bytes. Null or an empty list: every character is
// one byte, the rule until this is called.
void SetLeadByteRanges(const unsigned char* ranges);

bool IsLeadByte(char byte);

// The character after the one at `text`; `text` itself at the terminator. A
// lead byte takes the byte after it along, unless that is the terminator.
const char* NextChar(const char* text);

// Where `character` (a one-byte character) stands as a character of its own,
// first or last; null when it does not.
const char* FindChar(const char* text, char character);
const char* FindLastChar(const char* text, char character);

// Whether the text ends in a lead byte without its second byte, as a text cut
// in the middle of a character does.
bool EndsInPartialChar(const char* text);

// The length of the longest start of `text` that fits in `limit` bytes and
// ends after a whole character.
std::size_t FitText(const char* text, std::size_t limit);
