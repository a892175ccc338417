#include "wizard/scaled_picture_win.h"

#include "common/handles_win.h"
#include "wizard/packed_picture.h"

namespace {

constexpr int kDesignDpi = 96;

int GetScreenDpi() {
  HDC screen = GetDC(nullptr);
  int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : kDesignDpi;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi;
}

// A 24-bit bitmap: every colour the halftone mixes can be held.
HBITMAP CreateTrueColourBitmap(int width, int height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
}

// Draws the packed picture at twice the size into width x height of `dc`;
// false when the resource is missing or not a whole picture.
bool DrawDoubledPicture(HDC dc, HINSTANCE instance, int doubled, int width, int height) {
  HRSRC resource = FindResourceA(instance, MAKEINTRESOURCEA(doubled), RT_RCDATA);
  HGLOBAL loaded = resource != nullptr ? LoadResource(instance, resource) : nullptr;
  const auto* data = static_cast<const unsigned char*>(loaded ? LockResource(loaded) : nullptr);
  if (data == nullptr) return false;
  DWORD length = SizeofResource(instance, resource);
  uint32_t size = GetUnpackedPictureSize(data, length);
  HeapBlock buffer(size);
  auto* bytes = static_cast<unsigned char*>(buffer.get());
  PictureLayout layout;
  if (bytes == nullptr || !UnpackPicture(data, length, bytes, size, &layout)) return false;
  return StretchDIBits(dc, 0, 0, width, height, 0, 0, layout.width, layout.height,
                       bytes + layout.rowsOffset, reinterpret_cast<const BITMAPINFO*>(bytes),
                       DIB_RGB_COLORS, SRCCOPY) != 0;
}

// Draws the bitmap, whatever its size, into width x height of `dc`.
void DrawBitmap(HDC dc, HBITMAP bitmap, const BITMAP& size, int width, int height) {
  ScopedMemoryDc source(CreateCompatibleDC(nullptr));
  if (!source.valid()) return;
  HGDIOBJ previous = SelectObject(source.get(), bitmap);
  StretchBlt(dc, 0, 0, width, height, source.get(), 0, 0, size.bmWidth, size.bmHeight, SRCCOPY);
  SelectObject(source.get(), previous);
}

// A new bitmap of width x height showing the picture; null when there is no
// memory for it.
HBITMAP DrawScaledPicture(HINSTANCE instance, HBITMAP own, const BITMAP& size, int doubled,
                          int width, int height) {
  ScopedGdiObject scaled(CreateTrueColourBitmap(width, height));
  ScopedMemoryDc dc(CreateCompatibleDC(nullptr));
  if (!scaled.valid() || !dc.valid()) return nullptr;
  HGDIOBJ previous = SelectObject(dc.get(), scaled.get());
  // Halftone mixes the pixels each screen pixel covers; it needs the brush
  // origin set after it is chosen.
  SetStretchBltMode(dc.get(), HALFTONE);
  SetBrushOrgEx(dc.get(), 0, 0, nullptr);
  if (!DrawDoubledPicture(dc.get(), instance, doubled, width, height))
    DrawBitmap(dc.get(), own, size, width, height);
  SelectObject(dc.get(), previous);
  return static_cast<HBITMAP>(scaled.release());
}

}  // namespace

HBITMAP LoadScaledBitmap(HINSTANCE instance, int bitmap, int doubled) {
  auto own = static_cast<HBITMAP>(LoadImageA(instance, MAKEINTRESOURCEA(bitmap), IMAGE_BITMAP, 0, 0,
                                             LR_CREATEDIBSECTION | LR_DEFAULTSIZE));
  BITMAP size;
  if (own == nullptr || GetObjectA(own, sizeof size, &size) == 0) return own;
  int dpi = GetScreenDpi();
  int width = MulDiv(size.bmWidth, dpi, kDesignDpi);
  int height = MulDiv(size.bmHeight, dpi, kDesignDpi);
  if (width == size.bmWidth && height == size.bmHeight) return own;
  ScopedGdiObject source(own);
  HBITMAP scaled = DrawScaledPicture(instance, own, size, doubled, width, height);
  // Without memory for the larger one the picture keeps its own size.
  return scaled != nullptr ? scaled : static_cast<HBITMAP>(source.release());
}

void FitControlToBitmap(HWND control, HBITMAP bitmap) {
  BITMAP size;
  RECT frame;
  RECT inside;
  if (GetObjectA(bitmap, sizeof size, &size) == 0 || !GetWindowRect(control, &frame) ||
      !GetClientRect(control, &inside))
    return;
  int width = size.bmWidth + (frame.right - frame.left) - inside.right;
  int height = size.bmHeight + (frame.bottom - frame.top) - inside.bottom;
  SetWindowPos(control, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}
