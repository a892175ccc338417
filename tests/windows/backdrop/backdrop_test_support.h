// What the backdrop tests share: a 32-bit canvas to read pixels from, the
// screen's contents, and a record of the GDI, beep and message-box calls the
// program makes (through its import table).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// A top-down 32-bit DIB section selected into a memory device context.
class DibCanvas {
 public:
  DibCanvas(int width, int height);
  ~DibCanvas();
  DibCanvas(const DibCanvas&) = delete;
  DibCanvas& operator=(const DibCanvas&) = delete;
  HDC dc() const { return dc_; }
  int width() const { return width_; }
  int height() const { return height_; }
  // The pixel as a COLORREF (0x00BBGGRR).
  COLORREF Pixel(int x, int y) const;
  // Copies what the screen shows now.
  void CaptureScreen();

 private:
  int width_;
  int height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ replaced_ = nullptr;
  std::uint32_t* bits_ = nullptr;
};

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

// Dispatches this thread's messages for `milliseconds`; returns true when a
// WM_QUIT was removed meanwhile (its exit code in *quitCode when given).
bool PumpMessagesFor(DWORD milliseconds, WPARAM* quitCode = nullptr);
