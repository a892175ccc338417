// Drives the real setup.exe from a second program in the same Wine prefix, the
// way a person would (pressing the wizard's buttons, typing into its fields,
// clicking and pressing keys), and reads back what it installed and started.
#pragma once

#include <windows.h>
// The property sheet's messages and button numbers, which the driver sends.
#include <prsht.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "support/windows_test_support.h"

// How long a step of setup may take before a test gives up on it.
constexpr DWORD kStepLimit = 20000;
// The installation, with the 15-second pause after closing the companion.
constexpr DWORD kInstallLimit = 60000;

// One run of setup.exe in `folder` (C:\run by default). Message boxes it shows
// are answered with OK while the run waits for something, and their texts are
// kept in order.
class SetupRun {
 public:
  explicit SetupRun(const std::string& folder = "C:\\run");
  // Ends the process if it still runs (a failed test must not leave it).
  ~SetupRun();
  SetupRun(const SetupRun&) = delete;
  SetupRun& operator=(const SetupRun&) = delete;

  bool started() const { return process_ != nullptr; }
  DWORD id() const { return id_; }
  bool running() const;
  // True when the process ended within `milliseconds`; its exit code in *code.
  bool WaitForExit(DWORD milliseconds, DWORD* code);

  const std::vector<std::string>& messages() const { return messages_; }
  // Polls `condition` until it holds or `milliseconds` pass, answering
  // message boxes meanwhile. Returns whether it held.
  bool WaitUntil(const std::function<bool()>& condition, DWORD milliseconds);

  HWND Backdrop() const;
  HWND Sheet() const;
  HWND CurrentPage() const;
  HWND LicenceDialog() const;
  HWND ProgressPanel() const;

  // Waits until the wizard is visible with the page of that title current.
  bool WaitForPage(const char* title, DWORD milliseconds = kStepLimit);
  std::string PageTitle() const;
  // Posts PSM_PRESSBUTTON, as a click on Next, Back, Finish or Cancel does.
  void PressButton(int button);
  std::string ControlText(int control) const;
  void TypeText(int control, const char* text);
  bool IsChecked(int control) const;
  void ClickControl(int control);
  // Waits for the licence agreement and answers it with its button (IDOK
  // is Yes, IDCANCEL is No).
  bool AnswerLicence(int button);

 private:
  void AnswerMessageBoxes();
  std::vector<HWND> TopWindows() const;
  HWND FindTopDialog(int withControl, std::initializer_list<int> without) const;

  HANDLE process_ = nullptr;
  DWORD id_ = 0;
  std::vector<std::string> messages_;
};

// The answers a person gives on the way through the wizard.
struct WizardAnswers {
  std::string name;
  std::string organisation;
  std::string email;
  std::string folder;  // empty: keep what the page shows
  bool makeCurrent = true;
  bool configure = false;
  std::string refusedEmail;  // when given, typed first, and must be refused
};

// Walks from the welcome page to the start page, accepting the licence, and
// presses Next there. Each step fails the calling test when a page does not
// come, or when its picture is not at the screen's scale; `stopAt` ends the
// walk when that page is reached (before its Next).
void WalkWizard(SetupRun& run, const WizardAnswers& answers, const char* stopAt = nullptr);

// The pictures' sizes at 96 DPI: the page picture (bitmap 108), the
// completion page's picture (bitmap 111) and the progress panel's icon.
struct PictureSize {
  int width;
  int height;
};
constexpr PictureSize kPagePicture = {120, 260};
constexpr PictureSize kCompletePicture = {101, 41};
constexpr PictureSize kPanelIcon = {32, 32};

// Expects the picture control to show its picture at the screen's scale: its
// 96-DPI size times LOGPIXELSY / 96, within two pixels.
void ExpectPictureAtScale(HWND control, PictureSize size, const std::string& what);
// At 192 DPI, twice 96, expects the picture control to show setup's picture at
// twice the size (RCDATA `rendition`) pixel for pixel, as far as its page lets
// it be seen: drawn from that rendition, not stretched from the small one.
// Checks nothing at other scales.
void ExpectDoubledPictureShown(HWND control, int rendition, const std::string& what);

// Real input, as the user gives it: it goes to whatever window is under the
// mouse or has the focus.
void ClickScreen(int x, int y);
void PressKey(WORD key);

// Programs running in the prefix.
struct RunningProgram {
  DWORD id;
  DWORD parent;
  std::string name;
  std::string commandLine;
};
std::vector<RunningProgram> FindPrograms(const char* exeName);
void EndProgram(DWORD id);
// Closes the companion through its window, as setup does, and waits for it.
bool CloseCompanion(DWORD milliseconds);

// What the whole screen shows, captured when it is made.
class ScreenImage : public DibCanvas {
 public:
  ScreenImage();
};

// Saves the screen as PREFIXNAME.bmp into the folder named by E2E_SHOTS, when
// the run was asked for screenshots; does nothing otherwise.
void SaveScreenshot(const char* name);
void SetScreenshotPrefix(const char* prefix);
bool ScreenshotsWanted();
// The folder E2E_SHOTS names; empty when no screenshots are wanted.
std::string ScreenshotFolder();

// Names compared as the file system compares them.
bool SameText(const std::string& a, const std::string& b);

// Registry values; false when the key or value is missing.
bool ReadRegistryText(HKEY root, const char* key, const char* value, std::string* text,
                      DWORD* type = nullptr, DWORD* size = nullptr);
bool ReadRegistryNumber(HKEY root, const char* key, const char* value, DWORD* number,
                        DWORD* type = nullptr);
bool WriteRegistryText(HKEY root, const char* key, const char* value, const std::string& text);
bool KeyExists(HKEY root, const char* key);

// A member of one of the archives setup.exe carries, as its central
// directory lists it.
struct ArchiveMember {
  std::string name;
  WORD dosTime;
  WORD dosDate;
  DWORD externalAttributes;
  DWORD crc;
  DWORD size;
};
std::vector<ArchiveMember> ListSetupArchive(int resourceId);
// RCDATA resource `resourceId` of setup.exe; empty when it has none.
std::vector<BYTE> ReadSetupResource(int resourceId);
std::string LoadSetupString(int id);
DWORD FileCrc(const std::string& path, DWORD* size);
