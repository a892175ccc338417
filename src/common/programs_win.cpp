#include "common/programs_win.h"

int StartProgram(const char* application, const char* commandLine, DWORD flags,
                 const char* workingDirectory, HANDLE* process) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  // Only CreateProcessW writes into the command line; CreateProcessA hands it
  // a converted copy.
  if (!CreateProcessA(application, const_cast<char*>(commandLine), nullptr, nullptr, FALSE, flags,
                      nullptr, workingDirectory, &startup, &started))
    return 0;
  CloseHandle(started.hThread);
  if (process != nullptr)
    *process = started.hProcess;
  else
    CloseHandle(started.hProcess);
  return 1;
}
