// Reading registry values, the one way setup and the programs it installs do.
#pragma once

#include <windows.h>

// Reads a REG_SZ value into `text`, a buffer of `size` bytes, always
// terminated; a text stored without its terminator ends where its data ends.
// Returns false, leaving `text` empty, when the value is missing, of another
// type, or too long for the buffer: a path cut to fit would name another
// place. An expandable text (REG_EXPAND_SZ) counts as another type: taken as
// it stands it would name another place too, and these programs read no
// environment variables to expand it.
bool ReadRegistryText(HKEY key, const char* name, char* text, DWORD size);

// Reads a four-byte REG_DWORD value into `number`; returns false, leaving it
// as it was, for anything else.
bool ReadRegistryNumber(HKEY key, const char* name, DWORD* number);
