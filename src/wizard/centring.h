// Where a window goes when it is centred over another and kept on the screen.
#pragma once

struct ScreenRect {
  int left;
  int top;
  int right;
  int bottom;
};

struct ScreenPoint {
  int x;
  int y;
};

// The top-left corner for a width x height window centred over `reference`
// (odd differences are halved toward zero) and then moved inside `workArea`.
// The left and top edges are tested first, so a window larger than the work
// area ends with its right (bottom) edge on the work area's edge unless its
// centred position lies left of (above) the work area.
ScreenPoint FindCentredPosition(int width, int height, const ScreenRect& reference,
                                const ScreenRect& workArea);
