// The product's settings key (HKEY_CURRENT_USER\Software\Tarnwick\SS), as the
// installed programs read and write it.
#pragma once

#include <windows.h>

// Reads a text value of the settings key as ReadRegistryText does.
bool ReadSettingText(const char* name, char* text, DWORD size);

// Reads a four-byte REG_DWORD value, or returns `fallback`.
DWORD ReadSettingNumber(const char* name, DWORD fallback);

// Writes a REG_DWORD value, creating the key when needed.
bool WriteSettingNumber(const char* name, DWORD value);
