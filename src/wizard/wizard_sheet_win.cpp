#include "wizard/wizard_sheet_win.h"

#include "common/system_library_win.h"
#include "resource_ids.h"
#include "shell/setup_state_win.h"
#include "wizard/wizard_pages_win.h"

PROPSHEETPAGEA_V1 StandardPages[6];
PROPSHEETPAGEA_V1 PalettePages[7];
PROPSHEETHEADERA WizardHeader;

namespace {

struct PageRecord {
  int templateId;
  LPARAM pageId;
};

constexpr PageRecord kStandardOrder[] = {
    {IDD_PAGE_WELCOME, PageWelcome},
    {IDD_PAGE_USER_INFO, PageUserInfo},
    {IDD_PAGE_APP_DIRECTORY, PageAppDirectory},
    {IDD_PAGE_CONFIGURATION, PageConfiguration},
    {IDD_PAGE_START_INSTALL, PageStartInstall},
    {IDD_PAGE_COMPLETE, PageComplete},
};

constexpr PageRecord kPaletteOrder[] = {
    {IDD_PAGE_WELCOME, PageWelcome},
    {IDD_PAGE_USER_INFO, PageUserInfo},
    {IDD_PAGE_DISPLAY_SETTINGS, PageDisplaySettings},
    {IDD_PAGE_APP_DIRECTORY, PageAppDirectory},
    {IDD_PAGE_CONFIGURATION, PageConfiguration},
    {IDD_PAGE_START_INSTALL, PageStartInstall},
    {IDD_PAGE_COMPLETE, PageComplete},
};

static_assert(sizeof kStandardOrder / sizeof kStandardOrder[0] == 6, "six standard pages");
static_assert(sizeof kPaletteOrder / sizeof kPaletteOrder[0] == 7, "seven palette pages");

template <size_t N>
void FillPageTable(PROPSHEETPAGEA_V1 (&pages)[N], const PageRecord (&order)[N]) {
  for (size_t i = 0; i < N; ++i) {
    pages[i] = {};
    pages[i].dwSize = PROPSHEETPAGEA_V1_SIZE;
    pages[i].dwFlags = PSP_DEFAULT;
    pages[i].hInstance = gState.Instance;
    pages[i].pszTemplate = MAKEINTRESOURCEA(order[i].templateId);
    pages[i].pfnDlgProc = WizardPageProc;
    pages[i].lParam = order[i].pageId;
  }
}

void FillWizardHeader(HWND owner) {
  WizardHeader = {};
  WizardHeader.dwSize = PROPSHEETHEADERA_V1_SIZE;
  WizardHeader.dwFlags = PSH_MODELESS | PSH_NOAPPLYNOW | PSH_WIZARD | PSH_PROPSHEETPAGE |
                         PSH_USEICONID | PSH_PROPTITLE;
  WizardHeader.hwndParent = owner;
  WizardHeader.hInstance = gState.Instance;
  WizardHeader.pszIcon = MAKEINTRESOURCEA(IDI_SETUP);
  WizardHeader.pszCaption = MAKEINTRESOURCEA(IDS_CAPTION);
  WizardHeader.nStartPage = 0;
  WizardHeader.ppsp = reinterpret_cast<LPCPROPSHEETPAGEA>(StandardPages);
  WizardHeader.nPages = 6;
}

// A display that works with a palette gets the page that advises a change.
bool IsPaletteDisplay() {
  HDC probe = CreateCompatibleDC(nullptr);
  if (probe == nullptr) return false;
  bool palette = (GetDeviceCaps(probe, RASTERCAPS) & RC_PALETTE) != 0;
  DeleteDC(probe);
  return palette;
}

}  // namespace

HWND CreateWizardSheet(HWND owner) {
  // A missing library shows up as PropertySheetA's failure, with its cause.
  SystemInitCommonControls();
  FillPageTable(StandardPages, kStandardOrder);
  FillPageTable(PalettePages, kPaletteOrder);
  FillWizardHeader(owner);
  if (IsPaletteDisplay()) {
    WizardHeader.ppsp = reinterpret_cast<LPCPROPSHEETPAGEA>(PalettePages);
    WizardHeader.nPages = 7;
  }
  return reinterpret_cast<HWND>(SystemPropertySheetA(&WizardHeader));
}
