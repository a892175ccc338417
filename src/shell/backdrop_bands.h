// The geometry of the painted backdrop: the gradient's bands and where its
// texts and their shadows go. It depends only on the client size and on the
// measured text extents, so it is kept apart from the drawing.
#pragma once

#include <cstdint>

constexpr int kBackdropBandCount = 256;

// A rectangle in FillRect's sense: right and bottom are excluded.
struct BandRect {
  int left;
  int top;
  int right;
  int bottom;
};

// Band `index` (0..255) of a client area `width` x `height`: rows
// floor(index * height / 256) up to floor((index + 1) * height / 256), columns 0
// to width + 1. Bands tile the area top to bottom; some are empty when the
// height is below 256.
BandRect GetBackdropBand(int index, int width, int height);

// The band's colour as a COLORREF (0x00BBGGRR): blue 255 - index, no red or
// green, so band 0 is pure blue and band 255 black.
std::uint32_t GetBackdropBandColor(int index);

struct TextOrigin {
  int x;
  int y;
};

// Where a text with a shadow is drawn: first the shadow, then the text.
struct ShadowedText {
  TextOrigin shadow;
  TextOrigin text;
};

struct TextExtent {
  int width;
  int height;
};

// The notice at the bottom left; `letterHeight` is the height of "X" in its font.
ShadowedText PlaceBackdropNotice(int height, int letterHeight);

// The credit lines at the bottom right, right-aligned 6 pixels from the edge.
// `lines` holds the extents of the lines present, the lowest first; each next
// line sits one line height above the previous one, so a missing line leaves
// no gap. Their shadows lie 2 pixels left of and below the text.
void PlaceBackdropCredits(int width, int height, int letterHeight, const TextExtent* lines,
                          int count, ShadowedText* placed);
