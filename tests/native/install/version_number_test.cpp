// Guards against a version number built from the wrong components of the file
// version, or one that wraps around for large components.
#include "install/version_number.h"

#include <gtest/gtest.h>

namespace {

std::uint32_t FromComponents(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
  return VersionNumberFromFileVersion((a << 16) | b, (c << 16) | d);
}

TEST(VersionNumber, TakesTheFourthComponentNotTheThird) {
  EXPECT_EQ(FromComponents(1, 2, 3, 4), 10204u);
  EXPECT_EQ(FromComponents(1, 2, 0, 4), 10204u);
  EXPECT_EQ(FromComponents(1, 2, 9, 0), 10200u);
  EXPECT_EQ(FromComponents(2, 0, 0, 0), 20000u);
  EXPECT_EQ(FromComponents(0, 0, 0, 43), 43u);
}

TEST(VersionNumber, KeepsEachComponentInItsOwnPlace) {
  EXPECT_EQ(FromComponents(0, 1, 0, 0), 100u);
  EXPECT_EQ(FromComponents(1, 0, 0, 0), 10000u);
  EXPECT_EQ(FromComponents(1, 0, 43, 43), 10043u);
}

TEST(VersionNumber, LargestComponentsStillFitWithoutWrapping) {
  EXPECT_EQ(FromComponents(65535, 65535, 65535, 65535), 65535u * 10000 + 65535u * 100 + 65535u);
}

}  // namespace
