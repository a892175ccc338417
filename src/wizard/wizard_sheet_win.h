// The setup wizard: a modeless property sheet in wizard mode whose pages all
// share WizardPageProc (wizard_pages_win.h) and read and write SetupState.
#pragma once

#include <windows.h>
// The common-control headers need windows.h first.
#include <commctrl.h>
#include <prsht.h>

// Page identifiers, carried in each page record's lParam and kept in the page
// window's GWLP_USERDATA slot.
constexpr LPARAM PageWelcome = 1000;
constexpr LPARAM PageUserInfo = 10005;
constexpr LPARAM PageDisplaySettings = 1999;
constexpr LPARAM PageAppDirectory = 1001;
constexpr LPARAM PageConfiguration = 1002;
constexpr LPARAM PageStartInstall = 1003;
constexpr LPARAM PageComplete = 1004;

// The page tables: six pages, or seven with the display-settings advice third
// on a display that works with a palette.
extern PROPSHEETPAGEA_V1 StandardPages[6];
extern PROPSHEETPAGEA_V1 PalettePages[7];
extern PROPSHEETHEADERA WizardHeader;

// Creates the wizard owned by `owner`, hidden; returns what PropertySheetA
// returned, a window on success.
HWND CreateWizardSheet(HWND owner);
