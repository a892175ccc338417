#include "payload/saver/saver_window_win.h"

#include <cstdlib>

#include "common/handles_win.h"
#include "common/path.h"
#include "common/texts.h"
#include "payload/common/payload_names.h"
#include "payload/common/settings_win.h"
#include "payload/saver/saver_ids.h"
#include "payload/saver/saver_settings_win.h"

namespace {

constexpr int kStarCount = 240;
constexpr int kShadeCount = 4;  // star brightness levels, one brush each
constexpr UINT_PTR kFrameTimer = 1;
constexpr UINT kFrameMilliseconds = 40;
constexpr int kFramesPerPicture = 250;  // ten seconds
constexpr int kMaxPictures = 64;
constexpr int kMouseSlack = 8;  // pixels a resting mouse may jitter without ending the saver
constexpr float kNearest = 0.02f;

struct Star {
  float x, y;   // position in space; on screen x / depth runs -1..1 across
  float depth;  // 1 far away, kNearest at the viewer
};

// A memory device context with its own bitmap selected into it.
struct Surface {
  MemoryDcHolder dc;
  GdiObjectHolder bitmap;
  HGDIOBJ previous;
};

// Everything the one full-screen window draws with.
struct SaverScene {
  int width, height;
  Surface backdrop;  // the sky or the current picture, redrawn when the picture changes
  Surface frame;     // backdrop plus stars, copied to the window each frame
  GdiObjectHolder shades[kShadeCount];
  Star stars[kStarCount];
  unsigned seed;
  float step;  // how far a star comes closer each frame
  char pictures[kMaxPictures][kPathSize];
  int pictureCount, picture, framesShown;
  POINT firstMouse;
  bool mouseSeen;
};

SaverScene gScene = {};  // made at compile time: no start-up code

float NextRandom() {
  gScene.seed = gScene.seed * 1103515245u + 12345u;
  return static_cast<float>((gScene.seed >> 8) & 0xFFFF) / 65535.0f;
}

// Places a star somewhere on screen at the given depth.
void PlaceStar(Star& star, float depth) {
  star.x = (NextRandom() * 2 - 1) * depth;
  star.y = (NextRandom() * 2 - 1) * depth * gScene.height / gScene.width;
  star.depth = depth;
}

bool MakeSurface(HDC screen, Surface& surface) {
  surface.dc.reset(CreateCompatibleDC(screen));
  surface.bitmap.reset(CreateCompatibleBitmap(screen, gScene.width, gScene.height));
  if (!surface.dc.valid() || !surface.bitmap.valid()) return false;
  surface.previous = SelectObject(surface.dc.get(), surface.bitmap.get());
  return true;
}

// The bitmap is selected out before the two are deleted.
void ReleaseSurface(Surface& surface) {
  if (surface.dc.valid() && surface.previous != nullptr)
    SelectObject(surface.dc.get(), surface.previous);
  surface.previous = nullptr;
  surface.bitmap.reset();
  surface.dc.reset();
}

// Adds the pictures (*.bmp) of one image pack's folder.
void AddPackPictures(const char* folder) {
  char pattern[kPathSize];
  if (!BuildPath(pattern, folder, "*.bmp")) return;
  WIN32_FIND_DATAA image;
  HANDLE found = FindFirstFileA(pattern, &image);
  if (found == INVALID_HANDLE_VALUE) return;
  do {
    if (BuildPath(gScene.pictures[gScene.pictureCount], folder, image.cFileName))
      ++gScene.pictureCount;
  } while (gScene.pictureCount < kMaxPictures && FindNextFileA(found, &image));
  FindClose(found);
}

// Collects the pictures of every image pack under <AppDir>\Themes.
void FindPictures() {
  char themes[kPathSize] = "";
  if (!ReadSettingText(kValueAppDir, themes, kPathSize) || !AppendPath(themes, kThemesDirectory))
    return;
  char pattern[kPathSize];
  if (!BuildPath(pattern, themes, "*")) return;
  WIN32_FIND_DATAA pack;
  HANDLE packs = FindFirstFileA(pattern, &pack);
  if (packs == INVALID_HANDLE_VALUE) return;
  do {
    char folder[kPathSize];
    if ((pack.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && pack.cFileName[0] != '.' &&
        BuildPath(folder, themes, pack.cFileName)) {
      AddPackPictures(folder);
    }
  } while (gScene.pictureCount < kMaxPictures && FindNextFileA(packs, &pack));
  FindClose(packs);
}

void PaintSky(HDC dc) {
  constexpr int kBands = 64;
  for (int band = 0; band < kBands; ++band) {
    RECT rect = {0, gScene.height * band / kBands, gScene.width,
                 gScene.height * (band + 1) / kBands};
    ScopedGdiObject brush(CreateSolidBrush(RGB(2 + band / 8, 4 + band / 2, 20 + band / 3)));
    FillRect(dc, &rect, static_cast<HBRUSH>(brush.get()));
  }
}

// Stretches the picture over the screen, cut to the screen's proportions.
bool PaintPicture(HDC dc, const char* path) {
  ScopedGdiObject bitmap(LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
  BITMAP size;
  if (bitmap.get() == nullptr || !GetObjectA(bitmap.get(), sizeof size, &size)) return false;
  ScopedMemoryDc source(CreateCompatibleDC(dc));
  if (!source.valid()) return false;
  HGDIOBJ previous = SelectObject(source.get(), bitmap.get());
  int width = size.bmWidth, height = size.bmHeight;
  if (width * gScene.height > height * gScene.width) {
    width = height * gScene.width / gScene.height;
  } else {
    height = width * gScene.height / gScene.width;
  }
  SetStretchBltMode(dc, COLORONCOLOR);
  BOOL drawn =
      StretchBlt(dc, 0, 0, gScene.width, gScene.height, source.get(), (size.bmWidth - width) / 2,
                 (size.bmHeight - height) / 2, width, height, SRCCOPY);
  SelectObject(source.get(), previous);
  return drawn != FALSE;
}

void PaintBackdrop() {
  bool shown = false;
  if (gScene.pictureCount > 0) {
    shown = PaintPicture(gScene.backdrop.dc.get(), gScene.pictures[gScene.picture]);
  }
  if (!shown) PaintSky(gScene.backdrop.dc.get());
  gScene.framesShown = 0;
}

void DrawStars(HDC dc) {
  int centreX = gScene.width / 2, centreY = gScene.height / 2;
  HGDIOBJ previous = SelectObject(dc, gScene.shades[0].get());
  for (const Star& star : gScene.stars) {
    int x = centreX + static_cast<int>(star.x / star.depth * centreX);
    int y = centreY + static_cast<int>(star.y / star.depth * centreX);
    int nearness = static_cast<int>((1 - star.depth) * kShadeCount);
    if (nearness >= kShadeCount) nearness = kShadeCount - 1;
    int size = 1 + nearness * 2 / kShadeCount + (star.depth < 0.1f);
    SelectObject(dc, gScene.shades[nearness].get());
    PatBlt(dc, x, y, size, size, PATCOPY);
  }
  SelectObject(dc, previous);
}

// Brings every star closer; one that has passed the viewer or left the screen
// starts again far away.
void MoveStars() {
  for (Star& star : gScene.stars) {
    star.depth -= gScene.step;
    // On screen while |x| / depth <= 1 across and |y| / depth <= height / width down.
    float reachY = star.depth * gScene.height / gScene.width;
    if (star.depth <= kNearest || star.x > star.depth || star.x < -star.depth || star.y > reachY ||
        star.y < -reachY) {
      PlaceStar(star, 1.0f);
    }
  }
}

void DrawFrame(HWND window) {
  BitBlt(gScene.frame.dc.get(), 0, 0, gScene.width, gScene.height, gScene.backdrop.dc.get(), 0, 0,
         SRCCOPY);
  DrawStars(gScene.frame.dc.get());
  HDC dc = GetDC(window);
  if (dc == nullptr) return;
  BitBlt(dc, 0, 0, gScene.width, gScene.height, gScene.frame.dc.get(), 0, 0, SRCCOPY);
  ReleaseDC(window, dc);
}

void AdvanceScene(HWND window) {
  MoveStars();
  if (gScene.pictureCount > 1 && ++gScene.framesShown >= kFramesPerPicture) {
    gScene.picture = (gScene.picture + 1) % gScene.pictureCount;
    PaintBackdrop();
  }
  DrawFrame(window);
}

void ReleaseScene() {
  ReleaseSurface(gScene.frame);
  ReleaseSurface(gScene.backdrop);
  for (GdiObjectHolder& shade : gScene.shades) shade.reset();
}

bool CreateScene(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  gScene.width = client.right > 0 ? client.right : 1;
  gScene.height = client.bottom > 0 ? client.bottom : 1;
  HDC screen = GetDC(window);
  if (screen == nullptr) return false;
  bool made = MakeSurface(screen, gScene.backdrop) && MakeSurface(screen, gScene.frame);
  ReleaseDC(window, screen);
  for (int shade = 0; shade < kShadeCount; ++shade) {
    int level = 96 + shade * 159 / (kShadeCount - 1);
    gScene.shades[shade].reset(CreateSolidBrush(RGB(level, level, 255 - (255 - level) / 2)));
    made = made && gScene.shades[shade].valid();
  }
  if (!made) return false;
  SaverSettings settings = LoadSaverSettings();
  gScene.step = 0.004f * static_cast<float>(settings.speed);
  gScene.seed = GetTickCount();
  for (Star& star : gScene.stars) PlaceStar(star, kNearest + NextRandom() * (1 - kNearest));
  if (settings.pictures) FindPictures();
  PaintBackdrop();
  return SetTimer(window, kFrameTimer, kFrameMilliseconds, nullptr) != 0;
}

// The first movement reported only says where the mouse rests; after it, a
// jitter of a few pixels is not the user.
bool MouseMovedAway(LPARAM position) {
  POINT point = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
  if (!gScene.mouseSeen) {
    gScene.firstMouse = point;
    gScene.mouseSeen = true;
    return false;
  }
  return std::abs(point.x - gScene.firstMouse.x) > kMouseSlack ||
         std::abs(point.y - gScene.firstMouse.y) > kMouseSlack;
}

void PaintWindow(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  if (dc != nullptr && gScene.frame.dc.valid()) {
    BitBlt(dc, 0, 0, gScene.width, gScene.height, gScene.frame.dc.get(), 0, 0, SRCCOPY);
  }
  EndPaint(window, &paint);
}

// What the full-screen window and the preview do alike: make, draw and
// release the scene.
LRESULT HandleSceneMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return CreateScene(window) ? 0 : -1;
    case WM_TIMER:
      AdvanceScene(window);
      return 0;
    case WM_PAINT:
      PaintWindow(window);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_DESTROY:
      KillTimer(window, kFrameTimer);
      ReleaseScene();
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETCURSOR:
      SetCursor(nullptr);
      return TRUE;
    case WM_MOUSEMOVE:
      if (MouseMovedAway(lParam)) PostMessageA(window, WM_CLOSE, 0, 0);
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_RBUTTONDOWN:
      PostMessageA(window, WM_CLOSE, 0, 0);
      return 0;
    case WM_ACTIVATEAPP:
      if (!wParam) PostMessageA(window, WM_CLOSE, 0, 0);  // the user switched away
      break;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_SCREENSAVE) return 0;  // already saving the screen
      break;
  }
  return HandleSceneMessage(window, message, wParam, lParam);
}

// The preview lives inside a window of another program (the display settings)
// and draws the same scene; it takes no input and ends with that window.
LRESULT CALLBACK PreviewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER && !IsWindow(GetParent(window))) {
    DestroyWindow(window);
    return 0;
  }
  return HandleSceneMessage(window, message, wParam, lParam);
}

RECT WholeScreen() {
  RECT screen = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                 GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
  if (screen.right <= 0 || screen.bottom <= 0) {  // systems before multiple monitors
    screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }
  return screen;  // left, top, width, height
}

bool RegisterSaverClass(HINSTANCE instance, const char* name, WNDPROC procedure) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_SAVER));
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = name;
  return RegisterClassA(&windowClass) != 0;
}

int RunMessageLoop() {
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}

}  // namespace

int RunFullScreenSaver(HINSTANCE instance) {
  if (FindWindowA(kSaverWindowClass, nullptr) != nullptr) return 0;  // one is already running
  if (!RegisterSaverClass(instance, kSaverWindowClass, SaverWindowProc)) return 1;
  char title[64] = "";
  LoadStringA(instance, IDS_SAVER_TITLE, title, sizeof title);
  RECT screen = WholeScreen();
  HWND window =
      CreateWindowExA(WS_EX_TOPMOST, kSaverWindowClass, title, WS_POPUP | WS_VISIBLE, screen.left,
                      screen.top, screen.right, screen.bottom, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  return RunMessageLoop();
}

int RunSaverPreview(HINSTANCE instance, HWND parent) {
  if (!IsWindow(parent)) return 0;
  if (!RegisterSaverClass(instance, kSaverPreviewClass, PreviewWindowProc)) return 1;
  RECT area;
  GetClientRect(parent, &area);
  // No notice to the parent: its program may not answer while the child is made.
  HWND window =
      CreateWindowExA(WS_EX_NOPARENTNOTIFY, kSaverPreviewClass, nullptr, WS_CHILD | WS_VISIBLE, 0,
                      0, area.right, area.bottom, parent, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  return RunMessageLoop();
}
