// Guards against a licence dialog that shows the agreement wrongly (editable,
// cut, unwrapped, grey, in the dialog's font), answers Yes for anything but
// Yes, or leaks its brush and font.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "resource_ids.h"
#include "shell/setup_state_win.h"
#include "wizard/licence_dialog_win.h"
#include "wizard/licence_text.h"
#include "wizard_driver.h"

namespace {

// Runs the dialog on this thread while `script` answers it.
int RunLicenceWith(const std::function<void(HWND licence)>& script) {
  int answer = 0;
  RunWithScript([&] { answer = RunLicenceDialog(); },
                [&] {
                  HWND licence = WaitForDialog(DialogKind::Licence);
                  if (licence != nullptr) script(licence);
                });
  return answer;
}

struct ShownLicence {
  std::string text;
  std::string face;
  LONG fontHeight = 0;
  bool titleInTitleFont = false;
  bool focusOnYes = false;
  bool editable = true;
  int lineCount = 0;
  COLORREF textColour = 0;
  COLORREF backColour = 0;
  COLORREF brushColour = 0;
  bool ownBrushForStatics = true;
};

ShownLicence InspectLicence(HWND licence) {
  ShownLicence shown;
  HWND edit = GetDlgItem(licence, IDC_LICENCE_TEXT);
  std::string buffer(8192, '\0');
  SendMessageA(edit, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(&buffer[0]));
  shown.text = buffer.c_str();
  LOGFONTA font = {};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(edit, WM_GETFONT, 0, 0)), sizeof font, &font);
  shown.face = font.lfFaceName;
  shown.fontHeight = font.lfHeight;
  shown.titleInTitleFont =
      reinterpret_cast<HFONT>(SendMessageA(GetDlgItem(licence, IDC_TITLE), WM_GETFONT, 0, 0)) ==
      gState.TitleFont;
  shown.focusOnYes = WaitUntil([&] { return FocusedWindow() == GetDlgItem(licence, IDOK); });
  SendMessageA(edit, WM_CHAR, 'x', 1);
  shown.editable = SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0) != 6288;
  shown.lineCount = static_cast<int>(SendMessageA(edit, EM_GETLINECOUNT, 0, 0));
  // Ask for the colours as the edit does when it paints.
  HDC dc = CreateCompatibleDC(nullptr);
  auto brush = reinterpret_cast<HBRUSH>(SendMessageA(
      licence, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(edit)));
  shown.textColour = GetTextColor(dc);
  shown.backColour = GetBkColor(dc);
  LOGBRUSH colour = {};
  GetObjectA(brush, sizeof colour, &colour);
  shown.brushColour = colour.lbColor;
  auto staticBrush = reinterpret_cast<HBRUSH>(
      SendMessageA(licence, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                   reinterpret_cast<LPARAM>(GetDlgItem(licence, IDC_TITLE))));
  shown.ownBrushForStatics = staticBrush == brush;
  DeleteDC(dc);
  return shown;
}

HFONT CreateTitleFont() {
  HDC screen = GetDC(nullptr);
  int height = -MulDiv(18, GetDeviceCaps(screen, LOGPIXELSY), 72);
  ReleaseDC(nullptr, screen);
  return CreateFontA(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, 0, 0, 0, 0,
                     "Times New Roman");
}

TEST(LicenceDialog, ShowsTheWholeAgreementReadOnlyInCourierOnTheWindowColour) {
  PrepareSetupState();
  gState.TitleFont = CreateTitleFont();
  ShownLicence shown;
  int answer = RunLicenceWith([&](HWND licence) {
    shown = InspectLicence(licence);
    ClickControl(licence, IDOK);
  });
  EXPECT_EQ(answer, IDOK);
  EXPECT_EQ(shown.text, LicenceText);
  EXPECT_EQ(shown.face, "Courier New");
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(shown.fontHeight, -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72));
  ReleaseDC(nullptr, screen);
  EXPECT_TRUE(shown.titleInTitleFont);
  EXPECT_TRUE(shown.focusOnYes);
  EXPECT_FALSE(shown.editable);
  EXPECT_GT(shown.lineCount, 47) << "long paragraphs must wrap";
  EXPECT_EQ(shown.textColour, GetSysColor(COLOR_WINDOWTEXT));
  EXPECT_EQ(shown.backColour, GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(shown.brushColour, GetSysColor(COLOR_WINDOW));
  EXPECT_FALSE(shown.ownBrushForStatics);
  // The brush and the font live only as long as the dialog.
  EXPECT_FALSE(LicenceBrush.valid());
  EXPECT_FALSE(LicenceFont.valid());
  DeleteObject(gState.TitleFont);
  gState.TitleFont = nullptr;
}

TEST(LicenceDialog, OnlyYesAccepts) {
  PrepareSetupState();
  EXPECT_EQ(RunLicenceWith([](HWND licence) { ClickControl(licence, IDCANCEL); }), IDCANCEL);
  EXPECT_EQ(RunLicenceWith([](HWND licence) { PressKey(GetDlgItem(licence, IDOK), VK_ESCAPE); }),
            IDCANCEL);
  // Enter on the focused Yes button.
  EXPECT_EQ(RunLicenceWith([](HWND licence) { PressKey(GetDlgItem(licence, IDOK), VK_RETURN); }),
            IDOK);
  // Enter with the focus moved to No answers No: neither button is the default.
  EXPECT_EQ(RunLicenceWith([](HWND licence) {
              HWND no = GetDlgItem(licence, IDCANCEL);
              PostMessageA(licence, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(no), TRUE);
              WaitUntil([&] { return FocusedWindow() == no; });
              PressKey(no, VK_RETURN);
            }),
            IDCANCEL);
  EXPECT_FALSE(LicenceBrush.valid());
  EXPECT_FALSE(LicenceFont.valid());
}

}  // namespace
