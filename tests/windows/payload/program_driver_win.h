// Starting the installed programs from a test and finding their windows, the
// way setup and the user reach them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A started program; one still running when the test ends is ended with it.
class RunningProgram {
 public:
  RunningProgram() = default;
  ~RunningProgram();
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  // Starts `application` with `commandLine` (none when null), as CreateProcess does.
  bool Start(const std::string& application, const char* commandLine);
  // Waits until the program waits for input: its start-up is done.
  bool WaitUntilIdle(DWORD milliseconds);
  // Waits for the end, answering this thread's windows meanwhile; true with
  // the exit code when it ended in time.
  bool WaitForExit(DWORD milliseconds, DWORD* exitCode);
  DWORD id() const { return info_.dwProcessId; }

 private:
  PROCESS_INFORMATION info_ = {};
};

// Waits for the object while this thread keeps answering its windows'
// messages (a preview saver lives inside one of them); false on time-out.
bool WaitPumping(HANDLE object, DWORD milliseconds);
void PumpMessagesFor(DWORD milliseconds);

// C:\run\<name>: where the test finds the programs it was given.
std::string RunFile(const char* name);

// Polls for a top-level window of the class (and caption, unless null) that
// belongs to the process (any, when 0), for up to `milliseconds`.
HWND WaitForWindow(const char* className, const char* caption, DWORD processId, DWORD milliseconds);

// The same for a window that is shown: a dialog once its controls are set.
HWND WaitForShownWindow(const char* className, const char* caption, DWORD processId,
                        DWORD milliseconds);

// Every top-level window of the class, of any process.
std::vector<HWND> FindWindowsOfClass(const char* className);

// The settings key of the product, emptied or filled by a test.
void DeleteSettings();
void SetSettingText(const char* name, const std::string& value);
void SetSettingNumber(const char* name, DWORD value);
DWORD GetSettingNumber(const char* name, DWORD fallback);

// Presses keys and moves the mouse through the system's input queue.
void PressKey(WORD key);
void MoveMouseBy(int dx, int dy);

// The screen as 0x00RRGGBB pixels, row by row.
std::vector<DWORD> CaptureScreen(int* width, int* height);
