// Guards against a backdrop gradient that leaves rows unpainted or paints them
// twice, puts a band or a colour in the wrong place, overflows on tall screens,
// and against credit and notice texts placed off their corners or with gaps.
#include "shell/backdrop_bands.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Fills every band the way the window does and records, per row, how often it
// was painted and by which band (the last one).
struct PaintedRows {
  std::vector<int> count;
  std::vector<int> band;
};

PaintedRows PaintBands(int width, int height) {
  PaintedRows rows{std::vector<int>(height, 0), std::vector<int>(height, -1)};
  for (int i = 0; i < kBackdropBandCount; ++i) {
    BandRect r = GetBackdropBand(i, width, height);
    EXPECT_LE(r.top, r.bottom) << "band " << i;
    for (int y = r.top; y < r.bottom; ++y) {
      if (y < 0 || y >= height) {
        ADD_FAILURE() << "band " << i << " paints row " << y << " outside 0.." << height - 1;
        continue;
      }
      ++rows.count[y];
      rows.band[y] = i;
    }
  }
  return rows;
}

void ExpectEveryRowPaintedOnce(const PaintedRows& rows) {
  for (size_t y = 0; y < rows.count.size(); ++y) EXPECT_EQ(rows.count[y], 1) << "row " << y;
}

TEST(BackdropGradient, On768RowsEveryBandIsThreeRowsFromBlueToBlack) {
  PaintedRows rows = PaintBands(1024, 768);
  ExpectEveryRowPaintedOnce(rows);
  for (int i = 0; i < kBackdropBandCount; ++i) {
    BandRect r = GetBackdropBand(i, 1024, 768);
    EXPECT_EQ(r.bottom - r.top, 3) << "band " << i;
  }
  for (int y : {0, 1, 2}) EXPECT_EQ(GetBackdropBandColor(rows.band[y]), 0x00FF0000u) << y;
  for (int y : {765, 766, 767}) EXPECT_EQ(GetBackdropBandColor(rows.band[y]), 0u) << y;
}

TEST(BackdropGradient, On1000RowsBandsAreThreeOrFourRowsAndTheLastEndsAtTheBottom) {
  PaintedRows rows = PaintBands(800, 1000);
  ExpectEveryRowPaintedOnce(rows);
  for (int i = 0; i < kBackdropBandCount; ++i) {
    BandRect r = GetBackdropBand(i, 800, 1000);
    EXPECT_EQ(r.top, i * 1000 / 256) << "band " << i;
    EXPECT_EQ(r.bottom, (i + 1) * 1000 / 256) << "band " << i;
    EXPECT_TRUE(r.bottom - r.top == 3 || r.bottom - r.top == 4) << "band " << i;
  }
  EXPECT_EQ(GetBackdropBand(255, 800, 1000).bottom, 1000);
  EXPECT_EQ(rows.band[999], 255);
}

TEST(BackdropGradient, On100RowsOnlyHundredBandsDrawAndEveryRowOnce) {
  PaintedRows rows = PaintBands(640, 100);
  ExpectEveryRowPaintedOnce(rows);
  int nonEmpty = 0;
  for (int i = 0; i < kBackdropBandCount; ++i) {
    BandRect r = GetBackdropBand(i, 640, 100);
    if (r.bottom > r.top) ++nonEmpty;
  }
  EXPECT_EQ(nonEmpty, 100);
  // Bands 0 and 1 are empty (floor(2 x 100 / 256) = 0); band 2 paints row 0.
  EXPECT_EQ(GetBackdropBand(0, 640, 100).bottom, 0);
  EXPECT_EQ(rows.band[0], 2);
  EXPECT_EQ(rows.band[99], 255);
}

TEST(BackdropGradient, TinyAndHugeHeightsStillTileExactly) {
  ExpectEveryRowPaintedOnce(PaintBands(10, 1));
  EXPECT_EQ(PaintBands(10, 0).count.size(), 0u);
  // 255 x 20,000,000 does not fit in 32 bits: the edges must still be exact.
  const int tall = 20000000;
  EXPECT_EQ(GetBackdropBand(255, 10, tall).bottom, tall);
  EXPECT_EQ(GetBackdropBand(255, 10, tall).top, 19921875);
  EXPECT_EQ(GetBackdropBand(128, 10, tall).top, tall / 2);
}

TEST(BackdropGradient, BandsSpanOnePixelPastTheRightEdge) {
  for (int i : {0, 77, 255}) {
    BandRect r = GetBackdropBand(i, 1024, 768);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.right, 1025);
  }
}

TEST(BackdropGradient, ColourFallsFromPureBlueToBlackInBlueOnly) {
  EXPECT_EQ(GetBackdropBandColor(0), 0x00FF0000u);
  EXPECT_EQ(GetBackdropBandColor(1), 0x00FE0000u);
  EXPECT_EQ(GetBackdropBandColor(128), 0x007F0000u);
  EXPECT_EQ(GetBackdropBandColor(255), 0x00000000u);
  for (int i = 0; i < kBackdropBandCount; ++i) {
    std::uint32_t colour = GetBackdropBandColor(i);
    EXPECT_EQ(colour & 0xFF00FFFFu, 0u) << "band " << i << " has red, green or a high byte";
    EXPECT_EQ(colour >> 16, 255u - i);
  }
}

TEST(BackdropTexts, NoticeSitsAtTheBottomLeftWithItsShadowRightAndBelow) {
  ShadowedText notice = PlaceBackdropNotice(768, 19);
  EXPECT_EQ(notice.text.x, 4);
  EXPECT_EQ(notice.text.y, 768 - 19 - 8);
  EXPECT_EQ(notice.shadow.x, notice.text.x + 2);
  EXPECT_EQ(notice.shadow.y, notice.text.y + 2);
  EXPECT_LE(notice.shadow.y + 19, 768 - 6) << "the shadow must stay clear of the bottom rows";
}

TEST(BackdropTexts, CreditLinesStackUpwardsRightAlignedWithShadowsLeftAndBelow) {
  const int width = 1024, height = 768, letter = 16;
  TextExtent lines[3] = {{150, 16}, {90, 17}, {60, 18}};
  ShadowedText placed[3];
  PlaceBackdropCredits(width, height, letter, lines, 3, placed);
  int base = height - letter - 8;
  EXPECT_EQ(placed[0].text.y, base + 4);
  EXPECT_EQ(placed[1].text.y, placed[0].text.y - 16);
  EXPECT_EQ(placed[2].text.y, placed[1].text.y - 17);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(placed[i].text.x + lines[i].width, width - 6)
        << "line " << i << " is not right-aligned";
    EXPECT_EQ(placed[i].shadow.x, placed[i].text.x - 2) << "line " << i;
    EXPECT_EQ(placed[i].shadow.y, placed[i].text.y + 2) << "line " << i;
  }
}

TEST(BackdropTexts, MissingCreditLinesLeaveNoGap) {
  TextExtent all[3] = {{150, 16}, {90, 16}, {60, 16}};
  ShadowedText full[3];
  PlaceBackdropCredits(1024, 768, 16, all, 3, full);
  // Without the lowest line, the next one takes the lowest position.
  TextExtent two[2] = {all[1], all[2]};
  ShadowedText placed[2];
  PlaceBackdropCredits(1024, 768, 16, two, 2, placed);
  EXPECT_EQ(placed[0].text.y, full[0].text.y);
  EXPECT_EQ(placed[1].text.y, full[1].text.y);
  EXPECT_EQ(placed[0].text.x, 1024 - 90 - 6);
  // No lines: nothing is placed and nothing is written.
  ShadowedText untouched = {{-1, -1}, {-1, -1}};
  PlaceBackdropCredits(1024, 768, 16, all, 0, &untouched);
  EXPECT_EQ(untouched.text.x, -1);
}

}  // namespace
