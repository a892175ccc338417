// What the install tests share: the probe's log, a watcher that reads and
// closes setup's message boxes, a recorder of the progress panel's step texts,
// and small readers of files and registry values.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "install/install_worker_win.h"
#include "support/windows_test_support.h"

// Where the probe programs copied beside the test program stand.
constexpr char kProbePath[] = "C:\\run\\install_probe.exe";
constexpr char kPlainProbePath[] = "C:\\run\\install_probe_plain.exe";
constexpr char kProbeLogPath[] = "C:\\probe-log.txt";
constexpr char kTestFilesPath[] = "C:\\run\\files";

// One start of a probe, as it recorded it.
struct ProbeRecord {
  std::string event;  // "start", "end", "closed" or "hung"
  std::string module;
  std::string commandLine;
  std::string directory;
};

std::vector<ProbeRecord> ReadProbeLog();
// Waits up to `milliseconds` for a record of `event` whose module path ends in
// `moduleTail` (case ignored); returns whether one came.
bool WaitForProbeRecord(const char* event, const char* moduleTail, DWORD milliseconds,
                        ProbeRecord* found);
void ClearProbeLog();

// A message box setup showed, as the watcher found it.
struct SeenBox {
  std::string text;
  HWND owner;
};

// Watches for message boxes captioned "My Zindle Setup" of this process from a
// thread of its own, records each box's text and owner and presses its button.
class MessageBoxWatcher {
 public:
  MessageBoxWatcher();
  ~MessageBoxWatcher();
  MessageBoxWatcher(const MessageBoxWatcher&) = delete;
  MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;
  std::vector<SeenBox> Boxes();

 private:
  void Watch();
  std::atomic<bool> stop_{false};
  std::mutex lock_;
  std::vector<SeenBox> boxes_;
  std::thread thread_;
};

// One text set on the progress panel's step line.
struct SeenStep {
  std::string text;
  DWORD tick;
  DWORD installRunning;  // SetupState's flag at that moment
};

// Records, through a hook on the calling thread, every text sent to the step
// line of a progress panel, and the panel itself.
class StepRecorder {
 public:
  StepRecorder();
  ~StepRecorder();
  StepRecorder(const StepRecorder&) = delete;
  StepRecorder& operator=(const StepRecorder&) = delete;
  const std::vector<SeenStep>& steps() const { return steps_; }
  std::vector<std::string> Texts() const;
  HWND panel() const { return panel_; }

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
  static StepRecorder* active_;
  HHOOK hook_ = nullptr;
  std::vector<SeenStep> steps_;
  HWND panel_ = nullptr;
};

// A visible top-level window standing in for the wizard page that owns the run.
HWND CreateOwnerWindow();

// Fills SetupState as the wizard would before the installation.
void PrepareSetupState(const char* appDir, DWORD makeCurrent, DWORD configureSaver);

// Asks every running companion to close and waits until their windows are gone.
void CloseRunningCompanions();
bool WaitForCompanionWindow(DWORD milliseconds);
// Starts `program` as a running companion, with `mode` ("hang", "ignore-close")
// as the last word of its command line, or with none for the usual companion
// (then the program must be named Zindle.exe). Returns its process handle once
// its window is there (and, for "hang", once it has stopped reading messages),
// or null.
HANDLE StartRunningCompanion(const std::string& program, const char* mode);
// Copies a probe into the application directory as the companion's program.
bool PlaceCompanionProgram(const std::string& appDir, const char* probe);

bool ReadWholeFile(const std::string& path, std::string* contents);
void WriteWholeFile(const std::string& path, const std::string& contents);
// The last-write time of a file as an MS-DOS local date and time.
bool ReadDosTime(const std::string& path, WORD* date, WORD* time);

struct RegistryValue {
  bool found = false;
  DWORD type = REG_NONE;
  std::string data;  // the bytes as stored, terminators included
};
RegistryValue QueryValue(HKEY root, const char* keyPath, const char* name);
// `text` with its terminating zero: what a REG_SZ of it holds.
std::string StoredText(const std::string& text);
std::string StoredNumber(DWORD value);
void DeleteKeyTree(HKEY root, const char* keyPath);

// The value of SCRNSAVE.EXE in [boot] of the Windows directory's system.ini,
// read from the file as it stands on disk.
std::string SaverEntryOnDisk();

// What one call of InstallWorker did, as the test saw it.
struct InstallOutcome {
  int result = -1;
  DWORD elapsed = 0;
  std::vector<SeenStep> steps;
  std::vector<std::string> stepTexts;
  std::vector<SeenBox> boxes;
  HWND panel = nullptr;
  std::vector<ProbeRecord> logAtReturn;  // the probe log the moment it returned
};
InstallOutcome RunInstallWorker(HWND owner, const InstallWaits& waits = kProductWaits);

// The step texts of a run that ends without failure and without a companion to
// close, for an application directory and a pack title.
std::vector<std::string> InstallingStepTexts(const std::string& appDir, const std::string& title);
