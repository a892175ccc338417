// What the backdrop tests share: a record of the GDI, beep and message-box calls
// the program makes (through its import table), and a message pump; the canvas
// to read pixels from comes with the common test helpers.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "support/windows_test_support.h"

enum class GdiCall { CreateFont, CreateBrush, CreateBitmap, Delete };

struct RecordedGdiCall {
  GdiCall call;
  HGDIOBJ object;
};

struct RecordedMessageBox {
  HWND owner;
  std::string text;
  std::string caption;
  UINT type;
};

// Everything recorded since the hooks were installed or last cleared.
struct CallRecord {
  std::vector<RecordedGdiCall> gdi;
  std::vector<UINT> beeps;
  std::vector<RecordedMessageBox> boxes;
};

// Installs the hooks once; message boxes are answered with IDOK at once.
// Returns false when the program does not import one of the hooked calls.
bool InstallCallHooks();
CallRecord& Calls();

// Makes GetProcAddress find no procedure of that name, as on a system whose
// library lacks it; null lifts the refusal.
void RefuseProcedure(const char* name);
void ClearCalls();

// Loads SetupState as setup does at start and registers the backdrop's window
// class under setup's own class name.
void PrepareBackdropProgram();

// Dispatches this thread's messages for `milliseconds`; returns true when a
// WM_QUIT was removed meanwhile (its exit code in *quitCode when given).
bool PumpMessagesFor(DWORD milliseconds, WPARAM* quitCode = nullptr);
