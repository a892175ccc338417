#include "wizard/centring.h"

namespace {

// C++ division truncates toward zero, which is the halving the placement wants.
int CentreSpan(int start, int referenceLength, int length) {
  return start + (referenceLength - length) / 2;
}

int KeepInside(int position, int length, int low, int high) {
  if (position < low) return low;
  if (position + length > high) return high - length;
  return position;
}

}  // namespace

ScreenPoint FindCentredPosition(int width, int height, const ScreenRect& reference,
                                const ScreenRect& workArea) {
  int x = CentreSpan(reference.left, reference.right - reference.left, width);
  int y = CentreSpan(reference.top, reference.bottom - reference.top, height);
  return {KeepInside(x, width, workArea.left, workArea.right),
          KeepInside(y, height, workArea.top, workArea.bottom)};
}
