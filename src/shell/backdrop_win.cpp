#include "shell/backdrop_win.h"

#include "common/handles_win.h"
#include "common/path.h"
#include "common/report_error_win.h"
#include "common/texts.h"
#include "resource_ids.h"
#include "shell/backdrop_bands.h"
#include "shell/messages_win.h"
#include "shell/setup_state_win.h"
#include "wizard/wizard_sheet_win.h"

namespace {

// The painted image, made at the first erase and copied on every later one.
GdiObjectHolder BackdropImage;

constexpr int kCreditLineSize = 256;
constexpr COLORREF kShadowColor = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kCreditColor = 0x0080FFFF;

HFONT CreatePointFont(HDC dc, int points, int weight, BOOL italic, const char* face) {
  int height = -MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72);
  return CreateFontA(height, 0, 0, 0, weight, italic, FALSE, FALSE, ANSI_CHARSET, 0, 0, 0, 0, face);
}

// A font selected into a device context for one block of drawing; it is
// selected out and deleted before the next one is made.
class FontInUse {
 public:
  FontInUse(HDC dc, int points, int weight, BOOL italic, const char* face)
      : dc_(dc), font_(CreatePointFont(dc, points, weight, italic, face)) {
    if (font_ != nullptr) previous_ = SelectObject(dc_, font_);
  }
  ~FontInUse() {
    if (font_ == nullptr) return;
    SelectObject(dc_, previous_);
    DeleteObject(font_);
  }
  FontInUse(const FontInUse&) = delete;
  FontInUse& operator=(const FontInUse&) = delete;

 private:
  HDC dc_;
  HFONT font_;
  HGDIOBJ previous_ = nullptr;
};

TextExtent MeasureText(HDC dc, const char* text) {
  SIZE size = {};
  GetTextExtentPointA(dc, text, lstrlenA(text), &size);
  return TextExtent{size.cx, size.cy};
}

void DrawShadowedText(HDC dc, const ShadowedText& place, COLORREF color, const char* text) {
  int length = lstrlenA(text);
  SetTextColor(dc, kShadowColor);
  TextOutA(dc, place.shadow.x, place.shadow.y, text, length);
  SetTextColor(dc, color);
  TextOutA(dc, place.text.x, place.text.y, text, length);
}

void PaintGradient(HDC dc, int width, int height) {
  for (int i = 0; i < kBackdropBandCount; ++i) {
    BandRect band = GetBackdropBand(i, width, height);
    RECT rect = {band.left, band.top, band.right, band.bottom};
    ScopedGdiObject brush(CreateSolidBrush(GetBackdropBandColor(i)));
    if (brush.get() != nullptr) FillRect(dc, &rect, static_cast<HBRUSH>(brush.get()));
  }
}

void PaintTitle(HDC dc) {
  FontInUse font(dc, 42, FW_BOLD, TRUE, "Arial");
  DrawShadowedText(dc, ShadowedText{{6, 6}, {4, 4}}, kWhite, kSetupCaption);
}

// Loads the credit lines that exist, lowest first: the rights holder, the
// author ("by %s") and the image pack's title. Returns how many there are.
int LoadCreditLines(char lines[][kCreditLineSize]) {
  char text[kCreditLineSize];
  int count = 0;
  if (LoadStringA(gState.Instance, IDS_PACK_RIGHTS, lines[count], kCreditLineSize) > 0) ++count;
  if (LoadStringA(gState.Instance, IDS_PACK_AUTHOR, text, kCreditLineSize) > 0) {
    FormatText(lines[count], kCreditLineSize, kByFormat, text);  // the line takes what fits
    ++count;
  }
  if (LoadStringA(gState.Instance, IDS_PACK_TITLE, lines[count], kCreditLineSize) > 0) ++count;
  return count;
}

void PaintCredits(HDC dc, int width, int height) {
  char lines[3][kCreditLineSize];
  int count = LoadCreditLines(lines);
  FontInUse font(dc, 10, FW_NORMAL, FALSE, "Arial");
  TextExtent extents[3];
  for (int i = 0; i < count; ++i) extents[i] = MeasureText(dc, lines[i]);
  ShadowedText placed[3];
  PlaceBackdropCredits(width, height, MeasureText(dc, "X").height, extents, count, placed);
  for (int i = 0; i < count; ++i) DrawShadowedText(dc, placed[i], kCreditColor, lines[i]);
}

void PaintNotice(HDC dc, int height) {
  FontInUse font(dc, 12, FW_NORMAL, TRUE, "Arial");
  ShadowedText place = PlaceBackdropNotice(height, MeasureText(dc, "X").height);
  DrawShadowedText(dc, place, kWhite, kBackdropNotice);
}

// The title font the wizard pages share, measured on the screen.
void CreateTitleFont() {
  HDC screen = GetDC(nullptr);
  if (screen == nullptr) return;
  gState.TitleFont = CreatePointFont(screen, 18, FW_BOLD, FALSE, "Times New Roman");
  ReleaseDC(nullptr, screen);
}

void DeleteTitleFont() {
  if (gState.TitleFont == nullptr) return;
  DeleteObject(gState.TitleFont);
  gState.TitleFont = nullptr;
}

LRESULT OnCreate(HWND window) {
  CreateTitleFont();
  gState.WizardWnd = CreateWizardSheet(window);
  // Taken before IsWindow, which sets its own error for a handle that is no window.
  DWORD error = GetLastError();
  if (!IsWindow(gState.WizardWnd)) {
    gState.WizardWnd = nullptr;
    ReportError(nullptr, kWizardFailedFormat, static_cast<long>(error));
    DeleteTitleFont();  // not every system sends WM_DESTROY after a failed WM_CREATE
    return -1;
  }
  return 0;
}

LRESULT OnDestroy() {
  if (IsWindow(gState.WizardWnd)) DestroyWindow(gState.WizardWnd);
  gState.WizardWnd = nullptr;
  BackdropImage.reset();
  DeleteTitleFont();
  PostQuitMessage(0);
  return 0;
}

// Paints the image once into a bitmap compatible with `dc`, which is kept.
bool MakeBackdropImage(HWND window, HDC dc, HDC memory, int width, int height) {
  BackdropImage.reset(CreateCompatibleBitmap(dc, width, height));
  if (!BackdropImage.valid()) return false;
  HGDIOBJ replaced = SelectObject(memory, BackdropImage.get());
  PaintBackdrop(window, memory);
  SelectObject(memory, replaced);
  return true;
}

// Copies the cached image, painting it at the first erase. Without the memory
// to cache it, the backdrop is painted straight into `dc` each time instead.
LRESULT OnEraseBackground(HWND window, HDC dc) {
  RECT client;
  GetClientRect(window, &client);
  int width = client.right - client.left;
  int height = client.bottom - client.top;
  ScopedMemoryDc memory(CreateCompatibleDC(dc));
  bool cached = memory.valid() && (BackdropImage.valid() ||
                                   MakeBackdropImage(window, dc, memory.get(), width, height));
  if (cached) {
    HGDIOBJ replaced = SelectObject(memory.get(), BackdropImage.get());
    BitBlt(dc, 0, 0, width, height, memory.get(), 0, 0, SRCCOPY);
    SelectObject(memory.get(), replaced);
  } else {
    PaintBackdrop(window, dc);
  }
  return 0;
}

// Closing while the installation pumps messages would destroy the wizard
// under it, so the backdrop only beeps then.
LRESULT OnClose(HWND window) {
  if (gState.InstallRunning) {
    MessageBeep(0);
    return 0;
  }
  return DefWindowProcA(window, WM_CLOSE, 0, 0);
}

LRESULT OnKeyDown(HWND window, WPARAM key) {
  if (key != VK_ESCAPE) return 0;
  if (gState.InstallRunning)
    MessageBeep(0);
  else
    DestroyWindow(window);
  return 0;
}

}  // namespace

int PaintBackdrop(HWND window, HDC dc) {
  RECT client;
  GetClientRect(window, &client);
  SetBkMode(dc, TRANSPARENT);
  PaintGradient(dc, client.right, client.bottom);
  PaintTitle(dc);
  PaintCredits(dc, client.right, client.bottom);
  PaintNotice(dc, client.bottom);
  return 0;
}

LRESULT CALLBACK BackdropWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return OnCreate(window);
    case WM_DESTROY:
      return OnDestroy();
    case WM_SIZE:
      if (LOWORD(lParam) != 0 && HIWORD(lParam) != 0) PostMessageA(window, WM_SHOWWIZARD, 0, 0);
      return 0;
    case WM_CLOSE:
      return OnClose(window);
    case WM_ERASEBKGND:
      return OnEraseBackground(window, reinterpret_cast<HDC>(wParam));
    case WM_KEYDOWN:
      return OnKeyDown(window, wParam);
    case WM_SHOWWIZARD:
      ShowWindow(gState.WizardWnd, SW_SHOWNORMAL);
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterBackdropClass() {
  WNDCLASSA windowClass = {};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = BackdropWindowProc;
  windowClass.hInstance = gState.Instance;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kBackdropClass;
  return RegisterClassA(&windowClass) != 0;
}

HWND CreateBackdrop() {
  RECT desktop;
  GetClientRect(GetDesktopWindow(), &desktop);
  return CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kBackdropClass, kSetupCaption, WS_POPUP,
                         desktop.left, desktop.top, desktop.right - desktop.left,
                         desktop.bottom - desktop.top, nullptr, nullptr, gState.Instance, nullptr);
}
