// Starting other programs and asking them to close, the one way setup and the
// programs it installs do it.
#pragma once

#include <windows.h>

// Starts a program by its full path, so that it is found whatever its command
// line (which may be null) holds. On success returns 1 and, when `process` is
// given, hands over the process handle (the caller closes it).
int StartProgram(const char* application, const char* commandLine, DWORD flags,
                 const char* workingDirectory, HANDLE* process);

// Asks the program that owns `window` to close it and waits until the program
// has taken the request, at most `limit` ms; a program that has stopped
// answering is not waited for. Returns whether the program took it.
inline bool AskToClose(HWND window, DWORD limit) {
  DWORD_PTR answer = 0;
  return SendMessageTimeoutA(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, limit, &answer) != 0;
}
