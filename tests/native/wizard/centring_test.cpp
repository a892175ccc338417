// Guards against a centred window placed a pixel off (halves rounded the wrong
// way) or pushed off the work area, or clamped on the wrong edge when too big.
#include "wizard/centring.h"

#include <gtest/gtest.h>

namespace {

constexpr ScreenRect kScreen = {0, 0, 1024, 768};

TEST(FindCentredPosition, HalvesOddDifferencesTowardZero) {
  // A window 5 pixels larger than its reference moves by -2, not -3.
  ScreenPoint larger = FindCentredPosition(105, 55, {100, 100, 200, 150}, kScreen);
  EXPECT_EQ(larger.x, 98);
  EXPECT_EQ(larger.y, 98);
  // 5 pixels smaller: +2, not +3.
  ScreenPoint smaller = FindCentredPosition(95, 45, {100, 100, 200, 150}, kScreen);
  EXPECT_EQ(smaller.x, 102);
  EXPECT_EQ(smaller.y, 102);
  // The sheet over a 1024 x 768 backdrop.
  ScreenPoint sheet = FindCentredPosition(461, 333, kScreen, kScreen);
  EXPECT_EQ(sheet.x, 281);
  EXPECT_EQ(sheet.y, 217);
}

TEST(FindCentredPosition, KeepsTheWindowInsideTheWorkArea) {
  const ScreenRect workArea = {0, 0, 1024, 740};  // a task bar below
  // Centred over a reference near the bottom right corner: pulled back in.
  ScreenPoint corner = FindCentredPosition(200, 100, {900, 700, 1000, 760}, workArea);
  EXPECT_EQ(corner.x, 1024 - 200);
  EXPECT_EQ(corner.y, 740 - 100);
  // Over a reference left of and above the work area: its left and top edges.
  ScreenPoint outside = FindCentredPosition(200, 100, {-300, -300, -100, -200}, {10, 20, 800, 600});
  EXPECT_EQ(outside.x, 10);
  EXPECT_EQ(outside.y, 20);
}

TEST(FindCentredPosition, ClampsAWindowLargerThanTheWorkAreaLeftOrTopFirst) {
  const ScreenRect workArea = {0, 0, 1024, 740};
  // Taller than the work area with its centred top inside it: the bottom edge
  // lands on the work area's bottom and the top goes above it.
  ScreenPoint tall = FindCentredPosition(300, 800, {0, 0, 1024, 1000}, workArea);
  EXPECT_EQ(tall.x, 362);
  EXPECT_EQ(tall.y, 740 - 800);
  // Wider than the work area with its centred left outside it: the left edge wins.
  ScreenPoint wide = FindCentredPosition(1100, 100, kScreen, workArea);
  EXPECT_EQ(wide.x, 0);
  EXPECT_EQ(wide.y, 334);
}

}  // namespace
