// Guards against a wizard failure that goes unreported or with the wrong
// error, leaves a half-made backdrop or leaks its font, and against credit
// lines that keep a gap where a string is missing. This program carries only
// two of the three credit strings.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "backdrop_test_support.h"
#include "common/texts.h"
#include "resource_ids.h"
#include "shell/backdrop_win.h"
#include "shell/setup_state_win.h"

namespace {

constexpr COLORREF kCreditColour = RGB(255, 255, 128);

SIZE MeasureCreditText(const char* text) {
  HDC screen = GetDC(nullptr);
  HFONT font = CreateFontA(-MulDiv(10, GetDeviceCaps(screen, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL,
                           FALSE, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
  HGDIOBJ replaced = SelectObject(screen, font);
  SIZE size = {};
  GetTextExtentPointA(screen, text, lstrlenA(text), &size);
  SelectObject(screen, replaced);
  DeleteObject(font);
  ReleaseDC(nullptr, screen);
  return size;
}

// The leftmost column holding the credit colour within rows [top, bottom).
int LeftmostCredit(const DibCanvas& canvas, int top, int bottom) {
  int left = canvas.width();
  for (int y = top; y < bottom; ++y)
    for (int x = 0; x < canvas.width(); ++x)
      if (canvas.Pixel(x, y) == kCreditColour) left = std::min(left, x);
  return left;
}

class MissingParts : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { PrepareBackdropProgram(); }
  void SetUp() override {
    ASSERT_TRUE(InstallCallHooks());
    ClearCalls();
  }
};

TEST_F(MissingParts, NoPropertySheetFailsTheBackdropWithOneMessageAndFreesTheTitleFont) {
  RefuseProcedure("PropertySheetA");
  HWND backdrop = CreateBackdrop();
  RefuseProcedure(nullptr);
  EXPECT_EQ(backdrop, nullptr);
  EXPECT_EQ(gState.WizardWnd, nullptr);
  EXPECT_EQ(gState.TitleFont, nullptr);

  ASSERT_EQ(Calls().boxes.size(), 1u);
  const RecordedMessageBox& box = Calls().boxes[0];
  EXPECT_EQ(box.text, "Couldn't create Setup wizard\nError=126") << "126: the module lacks it";
  EXPECT_EQ(box.caption, kSetupCaption);
  EXPECT_EQ(box.owner, nullptr);
  EXPECT_EQ(box.type & MB_ICONMASK, static_cast<UINT>(MB_ICONEXCLAMATION));

  int fonts = 0;
  for (const RecordedGdiCall& call : Calls().gdi) {
    if (call.call != GdiCall::CreateFont) continue;
    ++fonts;
    EXPECT_EQ(GetObjectType(call.object), 0u) << "the title font outlived the failed window";
  }
  EXPECT_EQ(fonts, 1);
  PumpMessagesFor(20);
}

TEST_F(MissingParts, ThePresentCreditLinesTakeTheLowestPositions) {
  const int width = 800, height = 600;
  HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, width, height, nullptr, nullptr,
                                nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  DibCanvas canvas(width, height);
  PaintBackdrop(window, canvas.dc());
  DestroyWindow(window);

  const int letter = MeasureCreditText("X").cy;
  const int lowestTop = height - letter - 8 + 4;
  SIZE author = MeasureCreditText("by Annabel Example-Longname, Photographer");
  SIZE title = MeasureCreditText("Birds");
  // The author's line sits where the missing rights line would have been.
  // Glyph edges blend into the background, so the first pure pixel may lie
  // a few columns in; the two lines differ in width by far more than that.
  EXPECT_NEAR(LeftmostCredit(canvas, lowestTop, lowestTop + author.cy), width - 6 - author.cx, 6);
  EXPECT_NEAR(LeftmostCredit(canvas, lowestTop - author.cy, lowestTop), width - 6 - title.cx, 6);
  EXPECT_EQ(LeftmostCredit(canvas, 0, lowestTop - author.cy), width) << "a third line was drawn";
}

}  // namespace
