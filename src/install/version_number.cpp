#include "install/version_number.h"

std::uint32_t VersionNumberFromFileVersion(std::uint32_t versionHigh, std::uint32_t versionLow) {
  std::uint32_t major = versionHigh >> 16;
  std::uint32_t minor = versionHigh & 0xFFFF;
  std::uint32_t build = versionLow & 0xFFFF;
  return major * 10000 + minor * 100 + build;
}
