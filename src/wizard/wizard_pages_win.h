// The wizard's pages: one dialog procedure for all of them, which fills each
// page from SetupState when it becomes active and stores it back when it is
// left; the last page runs the installation.
#pragma once

#include <windows.h>

// Set at most once in a run and never cleared by the wizard (a test that runs
// the wizard again in the same process clears them first).
extern int SheetCentred;      // the sheet has been centred over its owner
extern int WelcomeActivated;  // the welcome page has taken the foreground
extern int LicenceAccepted;   // the user said Yes to the licence agreement

INT_PTR CALLBACK WizardPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Puts a bitmap resource into a picture control of the page and deletes the
// image the control showed before.
void SetPageBitmap(HWND page, int control, int bitmap);

// Shows a string resource as an error box of the page, with `number` in place
// of a "%d" in it, then focuses the control and makes the page refuse to be
// left (PSN_KILLACTIVE's answer).
void ShowPageError(HWND page, int string, int control, int number = 0);
