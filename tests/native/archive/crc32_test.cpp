// Guards against a CRC-32 that differs from the ZIP one for some length,
// alignment or split of the bytes: every member check would then fail, or
// pass damaged files.
#include "archive/crc32.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <vector>

namespace {

using Crc = uint32_t (*)(uint32_t, const unsigned char*, size_t);

TEST(Crc32, GivesTheKnownValues) {
  const auto* digits = reinterpret_cast<const unsigned char*>("123456789");
  for (Crc crc : {UpdateCrc32, UpdateCrc32Portable}) {
    EXPECT_EQ(crc(0, digits, 9), 0xCBF43926u);
    EXPECT_EQ(crc(0, digits, 0), 0u);
    EXPECT_EQ(crc(0x12345678, nullptr, 0), 0x12345678u);
  }
}

// Every length up to a few folding rounds and some long ones, at every
// alignment, whole and split in two at a random place.
TEST(Crc32, AgreesWithZlibForEveryLengthAlignmentAndSplit) {
  std::mt19937 random(1951);
  std::vector<unsigned char> buffer(70000);
  for (unsigned char& byte : buffer) byte = static_cast<unsigned char>(random());
  std::vector<size_t> lengths;
  for (size_t length = 0; length <= 300; ++length) lengths.push_back(length);
  for (size_t length : {1023u, 4096u, 32768u, 65521u, 69984u}) lengths.push_back(length);
  for (size_t length : lengths) {
    for (size_t offset = 0; offset < 16; ++offset) {
      const unsigned char* bytes = buffer.data() + offset;
      uLong expected = crc32(0, bytes, static_cast<uInt>(length));
      size_t split = length == 0 ? 0 : random() % length;
      for (Crc crc : {UpdateCrc32, UpdateCrc32Portable}) {
        ASSERT_EQ(crc(0, bytes, length), expected) << length << " at " << offset;
        ASSERT_EQ(crc(crc(0, bytes, split), bytes + split, length - split), expected)
            << length << " split at " << split;
      }
    }
  }
}

}  // namespace
