// How the uninstaller leaves the folder it removes, without a restart. A
// running program's file cannot be deleted, so the uninstaller started from
// the application directory (the original) copies itself into the temporary
// folder and starts the copy. The copy removes everything but the original's
// file and folder and sends its exit code back through a pipe; the original
// ends with that code, so that whoever waits for it learns the result; the
// copy then waits for the original's process to end and removes its file and
// the emptied folder. Only the copy itself is left, for deletion at restart.
#pragma once

#include <windows.h>

#include "common/handles_win.h"
#include "common/path.h"

// The original's side. Copies the program, starts the copy for `appDir` and
// waits for its result. False when no copy could take over; the caller then
// removes the product itself.
bool HandOverToCopy(const char* appDir, bool quiet, DWORD* exitCode);

// The copy's side: its link to the original, read from its command line (the
// original's process and the write end of its result pipe), closed when it
// goes.
class OriginalLink {
 public:
  // False when the command line is not a copy's or the original cannot be
  // reached; the copy then removes nothing.
  bool Open(const char* commandLine);
  const char* appDir() const { return appDir_; }
  // Sends the exit code to the original and waits for the original to end.
  void SendResultAndWait(DWORD exitCode);

 private:
  ScopedHandle process_;
  ScopedHandle result_;
  char appDir_[kPathSize] = "";
};

// Whether the command line is the copy's (it carries the removal switch).
bool IsRemovalCopy(const char* commandLine);

// Has the running copy deleted when Windows restarts.
void ScheduleCopyDeletion();
