// The ZIP CRC-32 (reflected polynomial 0xEDB88320, initial value and final XOR
// 0xFFFFFFFF), which checks every member's bytes as they go to its file.
#pragma once

#include <cstddef>
#include <cstdint>

// Continues `crc`, the CRC-32 of the bytes before (0 for none), over
// bytes[0..count) and returns the CRC-32 of them all. Uses the processor's
// carry-less multiply where it has one, else the portable table code.
uint32_t UpdateCrc32(uint32_t crc, const unsigned char* bytes, size_t count);

// The same with the portable table code alone, whatever the processor offers:
// what every other processor runs, measured and tested here too.
uint32_t UpdateCrc32Portable(uint32_t crc, const unsigned char* bytes, size_t count);
