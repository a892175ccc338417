// The wizard's pictures at the screen's scale. The programs declare themselves
// DPI-aware, so Windows leaves every picture at its pixel size: on a screen of
// more than 96 DPI each is drawn here at its 96-DPI size times LOGPIXELSY / 96.
#pragma once

#include <windows.h>

// Bitmap resource `bitmap` of `instance` at the screen's scale: the resource
// itself at 96 DPI; on other screens a new bitmap drawn smoothly (halftone)
// from the picture at twice the size (RCDATA `doubled`, as
// tools/make_pictures.py packs it), or from the bitmap itself when that
// cannot be unpacked. Null when the bitmap cannot be loaded.
HBITMAP LoadScaledBitmap(HINSTANCE instance, int bitmap, int doubled);

// Sizes a picture control so that the area inside its frame is the bitmap's
// size. A control that takes the bitmap's size frame and all squeezes the
// picture into what its frame leaves, dropping rows and columns.
void FitControlToBitmap(HWND control, HBITMAP bitmap);
