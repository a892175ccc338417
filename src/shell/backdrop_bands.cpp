#include "shell/backdrop_bands.h"

namespace {

// Row where band `index` starts; 64-bit so that no screen height can overflow.
int BandEdge(int index, int height) {
  return static_cast<int>(static_cast<std::int64_t>(index) * height / kBackdropBandCount);
}

}  // namespace

BandRect GetBackdropBand(int index, int width, int height) {
  return BandRect{0, BandEdge(index, height), width + 1, BandEdge(index + 1, height)};
}

std::uint32_t GetBackdropBandColor(int index) {
  return static_cast<std::uint32_t>(kBackdropBandCount - 1 - index) << 16;
}

ShadowedText PlaceBackdropNotice(int height, int letterHeight) {
  return ShadowedText{{6, height - letterHeight - 6}, {4, height - letterHeight - 8}};
}

void PlaceBackdropCredits(int width, int height, int letterHeight, const TextExtent* lines,
                          int count, ShadowedText* placed) {
  int base = height - letterHeight - 8;
  for (int i = 0; i < count; ++i) {
    int left = width - lines[i].width;
    placed[i] = ShadowedText{{left - 8, base + 6}, {left - 6, base + 4}};
    base -= lines[i].height;
  }
}
