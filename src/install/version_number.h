// The installed screen saver's version number, as the settings key records it.
#pragma once

#include <cstdint>

// The version number when the screen saver's version resource cannot be read.
constexpr std::uint32_t kUnknownVersionNumber = 10043;

// Folds a file version a.b.c.d, given as its two 32-bit halves (a and b in
// `versionHigh`, c and d in `versionLow`), into a * 10000 + b * 100 + d. The
// third component is left out: the product numbers its builds in the fourth.
std::uint32_t VersionNumberFromFileVersion(std::uint32_t versionHigh, std::uint32_t versionLow);
