// Guards against a backdrop that paints the wrong gradient or texts, repaints
// instead of copying its cache, leaks or misorders its GDI objects, shows the
// wizard at the wrong time, or can be closed under a running installation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "backdrop_test_support.h"
#include "common/texts.h"
#include "resource_ids.h"
#include "shell/backdrop_bands.h"
#include "shell/backdrop_win.h"
#include "shell/messages_win.h"
#include "shell/setup_state_win.h"

namespace {

constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kCreditColour = RGB(255, 255, 128);

COLORREF BandColourOfRow(int y, int height) {
  for (int i = 0; i < kBackdropBandCount; ++i) {
    BandRect band = GetBackdropBand(i, 1, height);
    if (y >= band.top && y < band.bottom) return GetBackdropBandColor(i);
  }
  return CLR_INVALID;
}

// The height of "X" and of a line in the given font, on the screen.
SIZE MeasureX(int points, int weight, BOOL italic, const char* face, const char* text = "X") {
  HDC screen = GetDC(nullptr);
  HFONT font = CreateFontA(-MulDiv(points, GetDeviceCaps(screen, LOGPIXELSY), 72), 0, 0, 0, weight,
                           italic, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, face);
  HGDIOBJ replaced = SelectObject(screen, font);
  SIZE size = {};
  GetTextExtentPointA(screen, text, lstrlenA(text), &size);
  SelectObject(screen, replaced);
  DeleteObject(font);
  ReleaseDC(nullptr, screen);
  return size;
}

// The rows and columns a colour occupies within a rectangle of the canvas.
struct Extent {
  int count = 0;
  int left = INT32_MAX, top = INT32_MAX, right = -1, bottom = -1;
};

Extent FindColour(const DibCanvas& canvas, COLORREF colour, RECT area) {
  Extent found;
  for (int y = std::max(0L, area.top); y < std::min<long>(canvas.height(), area.bottom); ++y) {
    for (int x = std::max(0L, area.left); x < std::min<long>(canvas.width(), area.right); ++x) {
      if (canvas.Pixel(x, y) != colour) continue;
      ++found.count;
      found.left = std::min(found.left, x);
      found.right = std::max(found.right, x);
      found.top = std::min(found.top, y);
      found.bottom = std::max(found.bottom, y);
    }
  }
  return found;
}

int CountCreditLines() {
  char text[256];
  int count = 0;
  for (int id : {IDS_PACK_TITLE, IDS_PACK_AUTHOR, IDS_PACK_RIGHTS})
    if (LoadStringA(GetModuleHandleA(nullptr), id, text, sizeof text) > 0) ++count;
  return count;
}

class BackdropWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { PrepareBackdropProgram(); }

  void SetUp() override {
    ASSERT_TRUE(InstallCallHooks());
    ClearCalls();
    GetClientRect(GetDesktopWindow(), &desktop_);
    backdrop_ = CreateBackdrop();
    ASSERT_NE(backdrop_, nullptr);
    gState.BackdropWnd = backdrop_;
    ShowWindow(backdrop_, SW_SHOWNORMAL);
    UpdateWindow(backdrop_);
    PumpMessagesFor(300);
  }

  void TearDown() override {
    gState.InstallRunning = 0;
    if (IsWindow(backdrop_)) DestroyWindow(backdrop_);
    PumpMessagesFor(50);
  }

  // Lets the backdrop erase into the canvas, as the system does before painting.
  void EraseInto(const DibCanvas& canvas) {
    SendMessageA(backdrop_, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.dc()), 0);
  }

  int CountCalls(GdiCall call) const {
    return static_cast<int>(
        std::count_if(Calls().gdi.begin(), Calls().gdi.end(),
                      [call](const RecordedGdiCall& c) { return c.call == call; }));
  }

  RECT desktop_ = {};
  HWND backdrop_ = nullptr;
};

TEST_F(BackdropWindowTest, ScreenShowsPureBlueTopRowsAndBlackBottomRows) {
  ASSERT_EQ(desktop_.right, 1024);
  ASSERT_EQ(desktop_.bottom, 768);
  DibCanvas screen(1024, 768);
  screen.CaptureScreen();
  for (int y : {0, 1, 2, 765, 766, 767}) {
    COLORREF expected = y < 3 ? kBlue : kBlack;
    int wrong = 0;
    for (int x = 0; x < 1024; ++x) wrong += screen.Pixel(x, y) != expected;
    EXPECT_EQ(wrong, 0) << "row " << y << " should be " << std::hex << expected;
  }
  EXPECT_EQ(screen.Pixel(512, 3), RGB(0, 0, 254)) << "the second band starts at row 3";
}

TEST_F(BackdropWindowTest, PaintsBandsTitleNoticeAndCreditsInTheirCorners) {
  const int width = desktop_.right, height = desktop_.bottom;
  DibCanvas canvas(width, height);
  EraseInto(canvas);

  // A column clear of every text shows exactly the band colour of each row.
  const int x = width / 2 + 100;
  for (int y = 0; y < height - 120; ++y)
    ASSERT_EQ(canvas.Pixel(x, y), BandColourOfRow(y, height)) << "row " << y;

  // Title: white text from (4, 4) with its black shadow 2 pixels right and below.
  SIZE title = MeasureX(42, FW_BOLD, TRUE, "Arial", kSetupCaption);
  RECT titleArea = {0, 0, title.cx + 16, title.cy + 10};
  Extent white = FindColour(canvas, kWhite, titleArea);
  ASSERT_GT(white.count, 200);
  EXPECT_GE(white.left, 4);
  EXPECT_GE(white.top, 4);
  EXPECT_LE(white.bottom, 4 + title.cy);
  Extent shadow = FindColour(canvas, kBlack, titleArea);
  EXPECT_GT(shadow.count, 50);
  EXPECT_GT(shadow.bottom, white.bottom) << "the title's shadow lies below it";
  EXPECT_GT(shadow.right, white.right) << "the title's shadow lies right of it";

  // Notice: white at the bottom left, its cell ending 8 rows above the bottom.
  SIZE x12 = MeasureX(12, FW_NORMAL, TRUE, "Arial");
  Extent notice = FindColour(canvas, kWhite, {0, height - 60, width / 2, height});
  ASSERT_GT(notice.count, 20);
  EXPECT_GE(notice.top, height - x12.cy - 8);
  EXPECT_LT(notice.bottom, height - 8);
  EXPECT_LT(notice.left, 12);

  // Credits: right-aligned 6 pixels from the edge, as many lines as strings.
  SIZE x10 = MeasureX(10, FW_NORMAL, FALSE, "Arial");
  Extent credits = FindColour(canvas, kCreditColour, {0, 0, width, height});
  int lines = CountCreditLines();
  if (lines == 0) {
    EXPECT_EQ(credits.count, 0);
    return;
  }
  ASSERT_GT(credits.count, 10);
  EXPECT_LT(credits.right, width - 6);
  EXPECT_GE(credits.right, width - 6 - 4);
  EXPECT_LT(credits.bottom, height - 4);
  int lowestCellTop = height - x10.cy - 8 + 4;
  EXPECT_GE(credits.top, lowestCellTop - (lines - 1) * x10.cy) << lines << " lines";
  EXPECT_LT(credits.top, lowestCellTop - (lines - 2) * x10.cy) << lines << " lines";
  EXPECT_GT(credits.left, width / 2);
}

TEST_F(BackdropWindowTest, LaterErasesCopyTheFirstImageEvenAfterAResize) {
  const int width = desktop_.right, height = desktop_.bottom;
  DibCanvas canvas(width, height);
  EraseInto(canvas);
  COLORREF middle = canvas.Pixel(700, height / 2);
  EXPECT_EQ(middle, BandColourOfRow(height / 2, height));

  ClearCalls();
  SetWindowPos(backdrop_, nullptr, 0, 0, width, height * 2 / 3,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  DibCanvas again(width, height);
  EraseInto(again);
  EXPECT_EQ(again.Pixel(700, height / 2), middle) << "the image was painted again";
  EXPECT_EQ(CountCalls(GdiCall::CreateBrush), 0);
  EXPECT_EQ(CountCalls(GdiCall::CreateBitmap), 0);
}

TEST_F(BackdropWindowTest, PaintingDeletesEachFontBeforeTheNextAndEveryBrush) {
  DibCanvas canvas(desktop_.right, desktop_.bottom);
  HGDIOBJ fontBefore = GetCurrentObject(canvas.dc(), OBJ_FONT);
  ClearCalls();
  EXPECT_EQ(PaintBackdrop(backdrop_, canvas.dc()), 0);

  const auto& calls = Calls().gdi;
  EXPECT_EQ(CountCalls(GdiCall::CreateBrush), kBackdropBandCount);
  EXPECT_EQ(CountCalls(GdiCall::CreateFont), 3);
  HGDIOBJ openFont = nullptr;
  for (const RecordedGdiCall& call : calls) {
    if (call.call == GdiCall::CreateFont) {
      EXPECT_EQ(openFont, nullptr) << "a font was made before the previous one was deleted";
      openFont = call.object;
    } else if (call.call == GdiCall::Delete && call.object == openFont) {
      openFont = nullptr;
    }
  }
  EXPECT_EQ(openFont, nullptr) << "the last font was not deleted";
  for (const RecordedGdiCall& call : calls) {
    if (call.call == GdiCall::Delete) continue;
    EXPECT_EQ(GetObjectType(call.object), 0u) << "leaked";
  }
  EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_FONT), fontBefore);
}

TEST_F(BackdropWindowTest, TitleFontIsEighteenPointBoldTimesNewRoman) {
  ASSERT_NE(gState.TitleFont, nullptr);
  LOGFONTA font = {};
  ASSERT_EQ(GetObjectA(gState.TitleFont, sizeof font, &font), static_cast<int>(sizeof font));
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(font.lfHeight, -MulDiv(18, GetDeviceCaps(screen, LOGPIXELSY), 72));
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(font.lfWeight, FW_BOLD);
  EXPECT_FALSE(font.lfItalic);
  EXPECT_STREQ(font.lfFaceName, "Times New Roman");
}

TEST_F(BackdropWindowTest, ShowsTheWizardOnlyForARealSize) {
  HWND wizard = gState.WizardWnd;
  ASSERT_TRUE(IsWindow(wizard));
  EXPECT_TRUE(IsWindowVisible(wizard)) << "the first WM_SIZE shows the wizard";
  EXPECT_EQ(GetWindow(wizard, GW_OWNER), backdrop_);

  ShowWindow(wizard, SW_HIDE);
  SendMessageA(backdrop_, WM_SIZE, SIZE_MINIMIZED, MAKELPARAM(0, 0));
  SendMessageA(backdrop_, WM_SIZE, SIZE_RESTORED, MAKELPARAM(0, 768));
  SendMessageA(backdrop_, WM_SIZE, SIZE_RESTORED, MAKELPARAM(1024, 0));
  PumpMessagesFor(200);
  EXPECT_FALSE(IsWindowVisible(wizard));

  SendMessageA(backdrop_, WM_SIZE, SIZE_RESTORED, MAKELPARAM(1024, 768));
  PumpMessagesFor(200);
  EXPECT_TRUE(IsWindowVisible(wizard));
}

TEST_F(BackdropWindowTest, RefusesCloseAndEscapeWithABeepWhileInstalling) {
  gState.InstallRunning = 1;
  ClearCalls();
  SendMessageA(backdrop_, WM_CLOSE, 0, 0);
  SendMessageA(backdrop_, WM_KEYDOWN, VK_ESCAPE, 0);
  WPARAM code = 99;
  EXPECT_FALSE(PumpMessagesFor(100, &code));
  EXPECT_TRUE(IsWindow(backdrop_));
  EXPECT_TRUE(IsWindow(gState.WizardWnd));
  ASSERT_EQ(Calls().beeps.size(), 2u);
  EXPECT_EQ(Calls().beeps[0], 0u);
  EXPECT_EQ(Calls().beeps[1], 0u);
  EXPECT_TRUE(Calls().boxes.empty());

  gState.InstallRunning = 0;
  SendMessageA(backdrop_, WM_KEYDOWN, VK_RETURN, 0);
  SendMessageA(backdrop_, WM_KEYDOWN, 'Q', 0);
  EXPECT_TRUE(IsWindow(backdrop_)) << "only Escape ends setup";
  EXPECT_EQ(Calls().beeps.size(), 2u);

  HWND wizard = gState.WizardWnd;
  SendMessageA(backdrop_, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_FALSE(IsWindow(backdrop_));
  EXPECT_FALSE(IsWindow(wizard));
  EXPECT_TRUE(PumpMessagesFor(50, &code));
  EXPECT_EQ(code, 0u);
}

TEST_F(BackdropWindowTest, ClosingDestroysTheWizardFreesTheCacheAndFontAndQuits) {
  HWND wizard = gState.WizardWnd;
  HFONT titleFont = gState.TitleFont;
  HGDIOBJ cache = nullptr;
  for (const RecordedGdiCall& call : Calls().gdi)
    if (call.call == GdiCall::CreateBitmap && cache == nullptr) cache = call.object;
  ASSERT_NE(cache, nullptr) << "showing the backdrop should have made its image";
  EXPECT_NE(GetObjectType(cache), 0u);

  SendMessageA(backdrop_, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(backdrop_));
  EXPECT_FALSE(IsWindow(wizard));
  EXPECT_EQ(gState.WizardWnd, nullptr);
  EXPECT_EQ(gState.TitleFont, nullptr);
  EXPECT_EQ(GetObjectType(titleFont), 0u) << "the title font was not deleted";
  EXPECT_EQ(GetObjectType(cache), 0u) << "the cached image was not deleted";
  WPARAM code = 99;
  EXPECT_TRUE(PumpMessagesFor(50, &code));
  EXPECT_EQ(code, 0u);
}

}  // namespace
