#include "e2e_support.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <cstring>

#include "common/handles_win.h"
#include "resource_ids.h"
#include "wizard/packed_picture.h"

namespace {

constexpr char kSetupPath[] = "C:\\run\\setup.exe";
constexpr char kCaption[] = "My Zindle Setup";
constexpr int kNextButton = 0x3024;      // the property sheet's Next button
constexpr int kMessageBoxText = 0xFFFF;  // the static holding a message box's text
constexpr DWORD kPoll = 50;

std::string ClassOf(HWND window) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

// Asks the window itself: GetWindowText does not, for another process's
// controls, and would miss what an edit control holds.
std::string TextOf(HWND window) {
  char text[2048] = "";
  DWORD_PTR copied = 0;
  if (window != nullptr)
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 2000, &copied);
  return text;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

}  // namespace

// ---------------------------------------------------------------------------
// The setup process and its windows.

SetupRun::SetupRun(const std::string& folder) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  std::string path = JoinPath(folder, "setup.exe");
  std::string commandLine = "\"" + path + "\"";
  if (!CreateProcessA(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &startup, &info))
    return;
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  id_ = info.dwProcessId;
}

SetupRun::~SetupRun() {
  if (process_ == nullptr) return;
  if (running()) {
    TerminateProcess(process_, 99);
    WaitForSingleObject(process_, 5000);
  }
  CloseHandle(process_);
}

bool SetupRun::running() const {
  return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool SetupRun::WaitForExit(DWORD milliseconds, DWORD* code) {
  if (!WaitUntil([this] { return !running(); }, milliseconds)) return false;
  return GetExitCodeProcess(process_, code) != 0;
}

bool SetupRun::WaitUntil(const std::function<bool()>& condition, DWORD milliseconds) {
  DWORD start = GetTickCount();
  for (;;) {
    AnswerMessageBoxes();
    if (condition()) return true;
    if (GetTickCount() - start >= milliseconds) return false;
    Sleep(kPoll);
  }
}

std::vector<HWND> SetupRun::TopWindows() const {
  std::vector<HWND> all;
  std::vector<HWND> mine;
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&all));
  for (HWND window : all) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == id_) mine.push_back(window);
  }
  return mine;
}

// A visible dialog of setup that has one control and none of the others.
HWND SetupRun::FindTopDialog(int withControl, std::initializer_list<int> without) const {
  for (HWND window : TopWindows()) {
    if (ClassOf(window) != "#32770" || !IsWindowVisible(window)) continue;
    if (GetDlgItem(window, withControl) == nullptr) continue;
    bool excluded = false;
    for (int control : without) excluded = excluded || GetDlgItem(window, control) != nullptr;
    if (!excluded) return window;
  }
  return nullptr;
}

// A message box is the one dialog of setup that is neither the wizard, the
// licence agreement nor the progress panel.
void SetupRun::AnswerMessageBoxes() {
  HWND box;
  while ((box = FindTopDialog(kMessageBoxText,
                              {kNextButton, IDC_LICENCE_TEXT, IDC_PROGRESS_STEP})) != nullptr) {
    if (TextOf(box) != kCaption) break;
    messages_.push_back(TextOf(GetDlgItem(box, kMessageBoxText)));
    SendMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    for (int i = 0; i < 100 && IsWindow(box) && IsWindowVisible(box); ++i) Sleep(20);
  }
}

HWND SetupRun::Backdrop() const {
  for (HWND window : TopWindows())
    if (ClassOf(window) == "SSSetupClass") return window;
  return nullptr;
}

HWND SetupRun::Sheet() const {
  for (HWND window : TopWindows())
    if (ClassOf(window) == "#32770" && GetDlgItem(window, kNextButton) != nullptr) return window;
  return nullptr;
}

HWND SetupRun::CurrentPage() const {
  HWND sheet = Sheet();
  if (sheet == nullptr) return nullptr;
  DWORD_PTR page = 0;
  SendMessageTimeoutA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0, SMTO_ABORTIFHUNG, 2000, &page);
  return reinterpret_cast<HWND>(page);
}

HWND SetupRun::LicenceDialog() const {
  return FindTopDialog(IDC_LICENCE_TEXT, {});
}

HWND SetupRun::ProgressPanel() const {
  return FindTopDialog(IDC_PROGRESS_STEP, {});
}

std::string SetupRun::PageTitle() const {
  HWND page = CurrentPage();
  return page != nullptr ? TextOf(GetDlgItem(page, IDC_TITLE)) : std::string();
}

bool SetupRun::WaitForPage(const char* title, DWORD milliseconds) {
  return WaitUntil(
      [this, title] {
        HWND sheet = Sheet();
        return sheet != nullptr && IsWindowVisible(sheet) && PageTitle() == title;
      },
      milliseconds);
}

void SetupRun::PressButton(int button) {
  PostMessageA(Sheet(), PSM_PRESSBUTTON, button, 0);
}

std::string SetupRun::ControlText(int control) const {
  return TextOf(GetDlgItem(CurrentPage(), control));
}

void SetupRun::TypeText(int control, const char* text) {
  SendMessageA(GetDlgItem(CurrentPage(), control), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

bool SetupRun::IsChecked(int control) const {
  return SendMessageA(GetDlgItem(CurrentPage(), control), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SetupRun::ClickControl(int control) {
  SendMessageA(GetDlgItem(CurrentPage(), control), BM_CLICK, 0, 0);
}

bool SetupRun::AnswerLicence(int button) {
  HWND dialog = nullptr;
  if (!WaitUntil([&] { return (dialog = LicenceDialog()) != nullptr; }, kStepLimit)) return false;
  SendMessageA(GetDlgItem(dialog, button), BM_CLICK, 0, 0);
  return WaitUntil([this] { return LicenceDialog() == nullptr; }, kStepLimit);
}

// ---------------------------------------------------------------------------
// Walking the wizard.

namespace {

bool ReachedStop(const char* page, const char* stopAt) {
  return stopAt != nullptr && std::strcmp(page, stopAt) == 0;
}

void SetCheck(SetupRun& run, int control, bool wanted) {
  if (run.IsChecked(control) != wanted) run.ClickControl(control);
  EXPECT_EQ(run.IsChecked(control), wanted) << "check box " << control;
}

// Next with the refused address brings the warning and keeps the page.
void ExpectEmailRefused(SetupRun& run, const WizardAnswers& answers) {
  run.TypeText(IDC_USER_EMAIL, answers.refusedEmail.c_str());
  size_t shown = run.messages().size();
  run.PressButton(PSBTN_NEXT);
  ASSERT_TRUE(run.WaitUntil(
      [&] { return run.messages().size() > shown || run.PageTitle() != "User Information"; },
      kStepLimit));
  ASSERT_EQ(run.messages().size(), shown + 1) << "the address was taken: " << answers.refusedEmail;
  EXPECT_EQ(run.messages().back(), "You really should provide a valid E-mail Address");
  EXPECT_EQ(run.PageTitle(), "User Information");
}

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

// The part of the control's inside that its page leaves visible, in screen
// coordinates.
RECT VisiblePart(HWND control) {
  RECT inside = {};
  RECT page = {};
  GetClientRect(control, &inside);
  GetClientRect(GetParent(control), &page);
  MapWindowPoints(control, nullptr, reinterpret_cast<POINT*>(&inside), 2);
  MapWindowPoints(GetParent(control), nullptr, reinterpret_cast<POINT*>(&page), 2);
  RECT visible = {};
  IntersectRect(&visible, &inside, &page);
  return visible;
}

// The colour of pixel (x, y), counted from the top left, of an unpacked picture.
COLORREF PicturePixel(const std::vector<BYTE>& picture, const PictureLayout& layout, int x, int y) {
  const DWORD stride = (layout.width + 3) & ~3u;
  const BYTE* colour =
      &picture[40 + 4 * picture[layout.rowsOffset + (layout.height - 1 - y) * stride + x]];
  return RGB(colour[2], colour[1], colour[0]);
}

struct PixelCount {
  uint32_t compared;
  uint32_t wrong;
};

// Compares what the screen shows of the control with the picture drawn at its
// top left, pixel for pixel.
PixelCount CompareWithScreen(HWND control, const std::vector<BYTE>& picture,
                             const PictureLayout& layout) {
  POINT origin = {0, 0};
  ClientToScreen(control, &origin);
  const RECT visible = VisiblePart(control);
  const LONG right = std::min<LONG>(visible.right, origin.x + layout.width);
  const LONG bottom = std::min<LONG>(visible.bottom, origin.y + layout.height);
  ScreenImage screen;
  PixelCount count = {};
  for (LONG y = visible.top; y < bottom; ++y) {
    for (LONG x = visible.left; x < right; ++x) {
      ++count.compared;
      count.wrong +=
          screen.Pixel(x, y) != PicturePixel(picture, layout, x - origin.x, y - origin.y);
    }
  }
  return count;
}

void ExpectPagePicture(SetupRun& run) {
  ExpectPictureAtScale(GetDlgItem(run.CurrentPage(), IDC_PAGE_PICTURE), kPagePicture,
                       "the picture of page " + run.PageTitle());
}

}  // namespace

void ExpectPictureAtScale(HWND control, PictureSize size, const std::string& what) {
  RECT shown = {};
  ASSERT_TRUE(GetClientRect(control, &shown)) << what << " is missing";
  const int dpi = ScreenDpi();
  EXPECT_NEAR(shown.right, MulDiv(size.width, dpi, 96), 2) << what << " at " << dpi << " DPI";
  EXPECT_NEAR(shown.bottom, MulDiv(size.height, dpi, 96), 2) << what << " at " << dpi << " DPI";
}

void ExpectDoubledPictureShown(HWND control, int rendition, const std::string& what) {
  if (ScreenDpi() != 192) return;
  std::vector<BYTE> packed = ReadSetupResource(rendition);
  const auto length = static_cast<uint32_t>(packed.size());
  std::vector<BYTE> picture(GetUnpackedPictureSize(packed.data(), length));
  PictureLayout layout = {};
  ASSERT_TRUE(UnpackPicture(packed.data(), length, picture.data(),
                            static_cast<uint32_t>(picture.size()), &layout))
      << what << ": setup carries no whole picture at twice the size";
  PixelCount count = {};
  // The page may still be painting: a picture that is right comes within a moment.
  for (int attempt = 0; attempt < 15; ++attempt) {
    if (attempt > 0) Sleep(200);
    count = CompareWithScreen(control, picture, layout);
    if (count.wrong == 0) break;
  }
  EXPECT_GT(count.compared, layout.width * layout.height / 2) << what << " is hidden";
  EXPECT_EQ(count.wrong, 0u) << what << ": " << count.wrong << " of " << count.compared
                             << " pixels differ";
}

void WalkWizard(SetupRun& run, const WizardAnswers& answers, const char* stopAt) {
  ASSERT_TRUE(run.WaitForPage("Welcome!")) << "page now: " << run.PageTitle();
  ExpectPagePicture(run);
  SaveScreenshot("02-welcome");
  if (ReachedStop("Welcome!", stopAt)) return;
  run.PressButton(PSBTN_NEXT);

  ASSERT_TRUE(run.WaitUntil([&] { return run.LicenceDialog() != nullptr; }, kStepLimit));
  SaveScreenshot("03-licence");
  ASSERT_TRUE(run.AnswerLicence(IDOK));
  ASSERT_TRUE(run.WaitForPage("User Information")) << "page now: " << run.PageTitle();
  ExpectPagePicture(run);
  if (ReachedStop("User Information", stopAt)) return;
  run.TypeText(IDC_USER_NAME, answers.name.c_str());
  run.TypeText(IDC_USER_ORGANIZATION, answers.organisation.c_str());
  if (!answers.refusedEmail.empty()) {
    ASSERT_NO_FATAL_FAILURE(ExpectEmailRefused(run, answers));
  }
  run.TypeText(IDC_USER_EMAIL, answers.email.c_str());
  SaveScreenshot("04-user-information");
  run.PressButton(PSBTN_NEXT);

  ASSERT_TRUE(run.WaitForPage("Application Directory")) << "page now: " << run.PageTitle();
  ExpectPagePicture(run);
  if (ReachedStop("Application Directory", stopAt)) return;
  if (!answers.folder.empty()) run.TypeText(IDC_APPDIR_EDIT, answers.folder.c_str());
  SaveScreenshot("05-application-directory");
  run.PressButton(PSBTN_NEXT);

  ASSERT_TRUE(run.WaitForPage("Configuration")) << "page now: " << run.PageTitle();
  ExpectPagePicture(run);
  if (ReachedStop("Configuration", stopAt)) return;
  SetCheck(run, IDC_CONFIG_MAKE_CURRENT, answers.makeCurrent);
  SetCheck(run, IDC_CONFIG_CONFIGURE, answers.configure);
  SaveScreenshot("06-configuration");
  run.PressButton(PSBTN_NEXT);

  ASSERT_TRUE(run.WaitForPage("Start Installation")) << "page now: " << run.PageTitle();
  ExpectPagePicture(run);
  if (ReachedStop("Start Installation", stopAt)) return;
  SaveScreenshot("07-start-installation");
  run.PressButton(PSBTN_NEXT);
}

// ---------------------------------------------------------------------------
// Input.

void ClickScreen(int x, int y) {
  SetCursorPos(x, y);
  INPUT input[2] = {};
  input[0].type = INPUT_MOUSE;
  input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  input[1].type = INPUT_MOUSE;
  input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, input, sizeof(INPUT));
}

void PressKey(WORD key) {
  INPUT input[2] = {};
  input[0].type = INPUT_KEYBOARD;
  input[0].ki.wVk = key;
  input[1].type = INPUT_KEYBOARD;
  input[1].ki.wVk = key;
  input[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, input, sizeof(INPUT));
}

// ---------------------------------------------------------------------------
// Programs.

namespace {

using QueryProcessFunction = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);

// The command line from the process's own parameter block (this program and
// the one it reads are built for the same processor).
std::string ReadCommandLine(DWORD id) {
  auto query = reinterpret_cast<QueryProcessFunction>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
  ScopedHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id));
  if (query == nullptr || !process.valid()) return "";
  PROCESS_BASIC_INFORMATION basic = {};
  if (query(process.get(), ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) return "";
  PEB peb = {};
  RTL_USER_PROCESS_PARAMETERS parameters = {};
  SIZE_T read = 0;
  if (!ReadProcessMemory(process.get(), basic.PebBaseAddress, &peb, sizeof peb, &read) ||
      !ReadProcessMemory(process.get(), peb.ProcessParameters, &parameters, sizeof parameters,
                         &read))
    return "";
  std::wstring wide(parameters.CommandLine.Length / sizeof(wchar_t), L'\0');
  if (!wide.empty() && !ReadProcessMemory(process.get(), parameters.CommandLine.Buffer, &wide[0],
                                          parameters.CommandLine.Length, &read))
    return "";
  char text[2048] = "";
  WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, text, sizeof text, nullptr, nullptr);
  return text;
}

}  // namespace

std::vector<RunningProgram> FindPrograms(const char* exeName) {
  std::vector<RunningProgram> found;
  ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.valid()) return found;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot.get(), &entry); more;
       more = Process32Next(snapshot.get(), &entry)) {
    if (lstrcmpiA(entry.szExeFile, exeName) != 0) continue;
    found.push_back({entry.th32ProcessID, entry.th32ParentProcessID, entry.szExeFile,
                     ReadCommandLine(entry.th32ProcessID)});
  }
  return found;
}

void EndProgram(DWORD id) {
  ScopedHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
  if (!process.valid()) return;
  TerminateProcess(process.get(), 0);
  WaitForSingleObject(process.get(), 5000);
}

bool CloseCompanion(DWORD milliseconds) {
  HWND companion = FindWindowA("TarnwickZindleClass", nullptr);
  if (companion == nullptr) return true;
  PostMessageA(companion, WM_CLOSE, 0, 0);
  for (DWORD waited = 0; waited < milliseconds; waited += kPoll) {
    if (FindWindowA("TarnwickZindleClass", nullptr) == nullptr) return true;
    Sleep(kPoll);
  }
  return false;
}

// ---------------------------------------------------------------------------
// The screen.

ScreenImage::ScreenImage()
    : DibCanvas(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)) {
  CaptureScreen();
}

namespace {
std::string gScreenshotPrefix;
}  // namespace

void SetScreenshotPrefix(const char* prefix) {
  gScreenshotPrefix = prefix;
}

std::string ScreenshotFolder() {
  char folder[MAX_PATH] = "";
  DWORD length = GetEnvironmentVariableA("E2E_SHOTS", folder, sizeof folder);
  return length > 0 && length < sizeof folder ? folder : "";
}

bool ScreenshotsWanted() {
  return !ScreenshotFolder().empty();
}

void SaveScreenshot(const char* name) {
  std::string folder = ScreenshotFolder();
  if (folder.empty()) return;
  CreateDirectoryA(folder.c_str(), nullptr);
  Sleep(300);  // let the windows finish painting
  ScreenImage screen;
  screen.SaveBitmap(JoinPath(folder, gScreenshotPrefix + name + ".bmp"));
}

// ---------------------------------------------------------------------------
// Names and the registry.

bool SameText(const std::string& a, const std::string& b) {
  return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

bool ReadRegistryText(HKEY root, const char* key, const char* value, std::string* text, DWORD* type,
                      DWORD* size) {
  ScopedKey opened;
  if (RegOpenKeyExA(root, key, 0, KEY_READ, opened.out()) != ERROR_SUCCESS) return false;
  char data[1024] = "";
  DWORD length = sizeof data - 1;
  DWORD kind = 0;
  if (RegQueryValueExA(opened.get(), value, nullptr, &kind, reinterpret_cast<BYTE*>(data),
                       &length) != ERROR_SUCCESS)
    return false;
  data[length] = '\0';
  *text = data;
  if (type != nullptr) *type = kind;
  if (size != nullptr) *size = length;
  return true;
}

bool ReadRegistryNumber(HKEY root, const char* key, const char* value, DWORD* number, DWORD* type) {
  ScopedKey opened;
  if (RegOpenKeyExA(root, key, 0, KEY_READ, opened.out()) != ERROR_SUCCESS) return false;
  DWORD length = sizeof *number;
  DWORD kind = 0;
  if (RegQueryValueExA(opened.get(), value, nullptr, &kind, reinterpret_cast<BYTE*>(number),
                       &length) != ERROR_SUCCESS)
    return false;
  if (type != nullptr) *type = kind;
  return length == sizeof *number;
}

bool WriteRegistryText(HKEY root, const char* key, const char* value, const std::string& text) {
  ScopedKey opened;
  if (RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, opened.out(), nullptr) !=
      ERROR_SUCCESS)
    return false;
  return RegSetValueExA(opened.get(), value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

bool KeyExists(HKEY root, const char* key) {
  ScopedKey opened;
  return RegOpenKeyExA(root, key, 0, KEY_READ, opened.out()) == ERROR_SUCCESS;
}

// ---------------------------------------------------------------------------
// What setup.exe carries.

namespace {

DWORD Read32(const BYTE* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<DWORD>(p[3]) << 24;
}
WORD Read16(const BYTE* p) {
  return static_cast<WORD>(p[0] | p[1] << 8);
}

// Lists the central directory from the end record, which has no comment in
// the archives the build makes; each entry is read only within the bytes.
std::vector<ArchiveMember> ListCentralDirectory(const BYTE* data, DWORD length) {
  std::vector<ArchiveMember> members;
  if (length < 22 || Read32(data + length - 22) != 0x06054B50) return members;
  const BYTE* end = data + length - 22;
  WORD count = Read16(end + 10);
  DWORD offset = Read32(end + 16);
  for (WORD i = 0; i < count; ++i) {
    if (offset > length || length - offset < 46 || Read32(data + offset) != 0x02014B50) break;
    const BYTE* header = data + offset;
    WORD nameLength = Read16(header + 28);
    DWORD next = offset + 46 + nameLength + Read16(header + 30) + Read16(header + 32);
    if (next > length) break;
    members.push_back({std::string(reinterpret_cast<const char*>(header + 46), nameLength),
                       Read16(header + 12), Read16(header + 14), Read32(header + 38),
                       Read32(header + 16), Read32(header + 24)});
    offset = next;
  }
  return members;
}

DWORD UpdateCrc(DWORD crc, const BYTE* data, size_t length) {
  crc = ~crc;
  for (size_t i = 0; i < length; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

}  // namespace

std::vector<BYTE> ReadSetupResource(int resourceId) {
  std::vector<BYTE> bytes;
  HMODULE module = LoadLibraryExA(kSetupPath, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) return bytes;
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(resourceId), MAKEINTRESOURCEA(10));
  HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
  const auto* data = static_cast<const BYTE*>(loaded != nullptr ? LockResource(loaded) : nullptr);
  if (data != nullptr) bytes.assign(data, data + SizeofResource(module, found));
  FreeLibrary(module);
  return bytes;
}

std::vector<ArchiveMember> ListSetupArchive(int resourceId) {
  std::vector<BYTE> archive = ReadSetupResource(resourceId);
  return archive.empty() ? std::vector<ArchiveMember>()
                         : ListCentralDirectory(archive.data(), static_cast<DWORD>(archive.size()));
}

std::string LoadSetupString(int id) {
  HMODULE module = LoadLibraryExA(kSetupPath, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  char text[256] = "";
  if (module != nullptr) {
    LoadStringA(module, id, text, sizeof text);
    FreeLibrary(module);
  }
  return text;
}

DWORD FileCrc(const std::string& path, DWORD* size) {
  ScopedHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr));
  DWORD crc = 0;
  *size = 0;
  if (!file.valid()) return crc;
  BYTE buffer[65536];
  DWORD read = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) {
    crc = UpdateCrc(crc, buffer, read);
    *size += read;
  }
  return crc;
}
