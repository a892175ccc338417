// Guards against answers that are lost, changed or let through unchecked: an
// e-mail address without "@", a folder that cannot work (relative, a root, a
// bad name, too long) taken, a typed directory that is rewritten, a browsed
// folder joined wrongly, check boxes that forget the user's choice, and a
// failed installation reported as a success or offering to launch.
#include <gtest/gtest.h>
#include <windows.h>
// The shell and common-control headers need windows.h first.
#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "resource_ids.h"
#include "shell/setup_state_win.h"
#include "wizard/wizard_sheet_win.h"
#include "wizard_driver.h"

namespace {

struct Refusal {
  std::string boxText;
  std::string owner;
  std::string organization;
  std::string email;
  bool focusOnEmail = false;
  bool backdropKeptOpen = false;
  LPARAM pageAfter = 0;
};

// Presses a button on the user page and records the error box it brings up.
Refusal PressAndExpectRefusal(HWND sheet, int button) {
  Refusal refusal;
  PressButton(sheet, button);
  HWND box = WaitForDialog(DialogKind::MessageBox);
  if (box == nullptr) return refusal;
  refusal.boxText = DialogTexts(box);
  // The texts are stored before the address is checked.
  refusal.owner = gState.RegisteredOwner;
  refusal.organization = gState.RegisteredOrganization;
  refusal.email = gState.RegisteredEMail;
  // A click on the backdrop and Escape must not end setup under the box.
  ClickScreenThenPress({8, GetSystemMetrics(SM_CYSCREEN) - 8}, VK_ESCAPE);
  // Escape closes the box itself once the input arrives, which on a busy
  // machine takes a while; setup must go on either way.
  WaitUntil([] { return FindDialog(DialogKind::MessageBox) == nullptr; }, 5000);
  refusal.backdropKeptOpen = IsWindow(gState.BackdropWnd) && IsWindow(sheet);
  if (IsWindow(box)) ClickControl(box, IDOK);
  WaitUntil([] { return FindDialog(DialogKind::MessageBox) == nullptr; });
  HWND page = CurrentPage(sheet);
  refusal.focusOnEmail =
      WaitUntil([&] { return FocusedWindow() == GetDlgItem(page, IDC_USER_EMAIL); });
  refusal.pageAfter = CurrentPageId(sheet);
  return refusal;
}

TEST(WizardUserInfo, AnAddressWithoutAtIsRefusedForNextAndBackWithTheTextsStored) {
  PrepareSetupState();
  Refusal empty;
  Refusal noAt;
  bool movedWithAtAlone = false;
  bool boxForAtAlone = true;
  std::string shownAgain[3];
  WizardRun run = RunWizard([&](HWND sheet) {
    ASSERT_TRUE(AcceptLicence(sheet));
    HWND page = CurrentPage(sheet);
    SetControlText(page, IDC_USER_NAME, "Ann");
    SetControlText(page, IDC_USER_ORGANIZATION, "Org One");
    SetControlText(page, IDC_USER_EMAIL, "");
    empty = PressAndExpectRefusal(sheet, PSBTN_NEXT);

    SetControlText(page, IDC_USER_NAME, "Bob");
    SetControlText(page, IDC_USER_EMAIL, "no-at");
    noAt = PressAndExpectRefusal(sheet, PSBTN_BACK);

    // "@" alone passes; empty name and organisation pass too.
    SetControlText(page, IDC_USER_NAME, "");
    SetControlText(page, IDC_USER_ORGANIZATION, "");
    SetControlText(page, IDC_USER_EMAIL, "@");
    movedWithAtAlone = MoveTo(sheet, PSBTN_NEXT, PageAppDirectory);
    boxForAtAlone = FindDialog(DialogKind::MessageBox) != nullptr;
    ASSERT_TRUE(MoveTo(sheet, PSBTN_BACK, PageUserInfo));
    shownAgain[0] = ControlText(page, IDC_USER_NAME);
    shownAgain[1] = ControlText(page, IDC_USER_ORGANIZATION);
    shownAgain[2] = ControlText(page, IDC_USER_EMAIL);
    EXPECT_TRUE(MoveTo(sheet, PSBTN_BACK, PageWelcome));
    PressButton(sheet, PSBTN_CANCEL);
  });
  EXPECT_FALSE(run.forcedEnd);
  const std::string warning = ResourceText(IDS_EMAIL_WARNING) + "\n";
  EXPECT_EQ(empty.boxText, warning);
  EXPECT_EQ(empty.owner, "Ann");
  EXPECT_EQ(empty.organization, "Org One");
  EXPECT_EQ(empty.email, "");
  EXPECT_TRUE(empty.focusOnEmail);
  EXPECT_TRUE(empty.backdropKeptOpen);
  EXPECT_EQ(empty.pageAfter, PageUserInfo);

  EXPECT_EQ(noAt.boxText, warning);
  EXPECT_EQ(noAt.owner, "Bob");
  EXPECT_EQ(noAt.email, "no-at");
  EXPECT_TRUE(noAt.focusOnEmail);
  EXPECT_TRUE(noAt.backdropKeptOpen);
  EXPECT_EQ(noAt.pageAfter, PageUserInfo);

  EXPECT_TRUE(movedWithAtAlone);
  EXPECT_FALSE(boxForAtAlone);
  EXPECT_STREQ(gState.RegisteredEMail, "@");
  EXPECT_STREQ(gState.RegisteredOwner, "");
  EXPECT_STREQ(gState.RegisteredOrganization, "");
  EXPECT_EQ(shownAgain[0], "");
  EXPECT_EQ(shownAgain[1], "");
  EXPECT_EQ(shownAgain[2], "@");
}

HWND BrowserTree(HWND browser) {
  return FindWindowExA(browser, nullptr, "SysTreeView32", nullptr);
}

HTREEITEM NextItem(HWND tree, HTREEITEM item, WPARAM relation) {
  return reinterpret_cast<HTREEITEM>(
      SendMessageA(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

std::string ItemText(HWND tree, HTREEITEM item) {
  char text[MAX_PATH] = "";
  TVITEMA query = {};
  query.mask = TVIF_TEXT;
  query.hItem = item;
  query.pszText = text;
  query.cchTextMax = sizeof text;
  if (item == nullptr || !SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query)))
    return "";
  return text;
}

// The folder browser's current selection, as its tree shows it.
std::string SelectedFolderName(HWND browser) {
  HWND tree = BrowserTree(browser);
  return ItemText(tree, NextItem(tree, nullptr, TVGN_CARET));
}

// The first item below `item` (its children first, then theirs) whose text
// contains `part`; the tree is searched as far as it is filled.
HTREEITEM FindItem(HWND tree, HTREEITEM item, const std::string& part) {
  for (; item != nullptr; item = NextItem(tree, item, TVGN_NEXT)) {
    if (ItemText(tree, item).find(part) != std::string::npos) return item;
    if (HTREEITEM below = FindItem(tree, NextItem(tree, item, TVGN_CHILD), part)) return below;
  }
  return nullptr;
}

// The tree item of "C:\" or of a folder below it, opening each level on the
// way as a click on its button would.
HTREEITEM OpenToFolder(HWND tree, const std::string& path) {
  HTREEITEM item = FindItem(tree, NextItem(tree, nullptr, TVGN_ROOT), "(C:)");
  for (std::size_t start = 3; item != nullptr && start < path.size();) {
    std::size_t end = std::min(path.find('\\', start), path.size());
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
    HTREEITEM child = NextItem(tree, item, TVGN_CHILD);
    while (child != nullptr &&
           lstrcmpiA(ItemText(tree, child).c_str(), path.substr(start, end - start).c_str()) != 0)
      child = NextItem(tree, child, TVGN_NEXT);
    item = child;
    start = end + 1;
  }
  return item;
}

// The answers the browser gets about its OK button, each with the folder its
// tree had selected at that moment. Both the program's callback and the
// browser's own check of file-system folders send them; on this system the
// browser checks after the callback, so a refusal shows up here rather than on
// the button. The browser's thread records them, the driver's reads them.
struct OkAnswer {
  std::string selected;
  LPARAM enabled;
};
std::mutex gOkAnswersLock;
std::vector<OkAnswer> gOkAnswers;
WNDPROC gBrowserProc = nullptr;

LRESULT CALLBACK RecordOkAnswers(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == BFFM_ENABLEOK) {
    OkAnswer answer{SelectedFolderName(window), lParam};
    std::lock_guard<std::mutex> hold(gOkAnswersLock);
    gOkAnswers.push_back(answer);
  }
  return CallWindowProcW(gBrowserProc, window, message, wParam, lParam);
}

void RecordBrowserAnswers(HWND browser) {
  gBrowserProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(browser, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordOkAnswers)));
}

// Selects a folder in the browser's tree as a click on it would and returns
// whether OK was refused for it. The browser fills its tree as it goes, which
// on a busy machine takes a while; answers given while another folder was
// selected on the way do not count.
bool SelectionRefused(HWND browser, const char* path) {
  {
    std::lock_guard<std::mutex> hold(gOkAnswersLock);
    gOkAnswers.clear();
  }
  HWND tree = BrowserTree(browser);
  HTREEITEM item = nullptr;
  if (!WaitUntil([&] { return (item = OpenToFolder(tree, path)) != nullptr; })) {
    ADD_FAILURE() << path << " is not in the tree";
    return false;
  }
  SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
  std::string shown = ItemText(tree, item);
  EXPECT_EQ(SelectedFolderName(browser), shown) << path;
  bool answered = false;
  bool refused = false;
  WaitUntil([&] {
    std::lock_guard<std::mutex> hold(gOkAnswersLock);
    for (const OkAnswer& answer : gOkAnswers) {
      if (answer.selected != shown) continue;
      answered = true;
      refused = refused || answer.enabled == FALSE;
    }
    return answered;
  });
  EXPECT_TRUE(answered) << path;
  return refused;
}

HWND OpenBrowser(HWND page) {
  ClickControl(page, IDC_APPDIR_BROWSE);
  HWND browser = WaitForDialog(DialogKind::FolderBrowser);
  if (browser != nullptr) RecordBrowserAnswers(browser);
  return browser;
}

// The browser's window goes before the page has taken the chosen folder.
bool CloseBrowser(HWND browser, int button) {
  ClickControl(browser, button);
  bool closed = WaitUntil([] { return FindDialog(DialogKind::FolderBrowser) == nullptr; });
  WaitForWizardThread();
  return closed;
}

TEST(WizardAppDirectory, TypedDirectoryIsKeptVerbatimAndBrowseJoinsTheChosenFolder) {
  PrepareSetupState();
  CreateDirectoryA("C:\\Start Here", nullptr);
  CreateDirectoryA("C:\\Chosen", nullptr);
  ASSERT_NE(GetFileAttributesA(kReadOnlyFolder) & FILE_ATTRIBUTE_READONLY, 0u);
  CopyText(gState.BrowseFolder, kPathSize, "C:\\Start Here");
  CopyText(gState.RegisteredEMail, kUserTextSize, "x@y");
  const std::string firstShown = gState.AppDir;
  const char typed[] = "D:\\Typed Dir\\";
  WizardRun run = RunWizard([&](HWND sheet) {
    ASSERT_TRUE(AcceptLicence(sheet));
    ASSERT_TRUE(MoveTo(sheet, PSBTN_NEXT, PageAppDirectory));
    HWND page = CurrentPage(sheet);
    EXPECT_EQ(ControlText(page, IDC_APPDIR_EDIT), firstShown);
    SetControlText(page, IDC_APPDIR_EDIT, typed);
    ASSERT_TRUE(MoveTo(sheet, PSBTN_NEXT, PageConfiguration));
    EXPECT_STREQ(gState.AppDir, typed);
    ASSERT_TRUE(MoveTo(sheet, PSBTN_BACK, PageAppDirectory));
    EXPECT_EQ(ControlText(page, IDC_APPDIR_EDIT), typed);

    // The browser opens at BrowseFolder, not at the typed directory, and
    // offers OK only where the installation can go.
    HWND browser = OpenBrowser(page);
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return SelectedFolderName(browser) == "Start Here"; }))
        << SelectedFolderName(browser);
    EXPECT_TRUE(SelectionRefused(browser, kReadOnlyFolder));
    EXPECT_EQ(SelectedFolderName(browser), "ReadOnly");
    EXPECT_FALSE(SelectionRefused(browser, "C:\\Chosen"));
    EXPECT_FALSE(SelectionRefused(browser, "C:\\"));
    // A click on the backdrop and Escape must not end setup under the browser.
    ClickScreenThenPress({8, GetSystemMetrics(SM_CYSCREEN) - 8}, VK_ESCAPE);
    // The Escape closes the browser once it arrives; it must not be left to
    // arrive later and cancel the next browser.
    WaitUntil([] { return FindDialog(DialogKind::FolderBrowser) == nullptr; }, 5000);
    EXPECT_TRUE(IsWindow(gState.BackdropWnd) && IsWindow(sheet));
    if (FindDialog(DialogKind::FolderBrowser) != nullptr) {
      ASSERT_TRUE(CloseBrowser(browser, IDCANCEL));
    }
    EXPECT_STREQ(gState.AppDir, typed);
    EXPECT_STREQ(gState.BrowseFolder, "C:\\Start Here");
    EXPECT_EQ(ControlText(page, IDC_APPDIR_EDIT), typed);

    browser = OpenBrowser(page);
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return SelectedFolderName(browser) == "Start Here"; }));
    EXPECT_FALSE(SelectionRefused(browser, "C:\\Chosen"));
    ASSERT_TRUE(CloseBrowser(browser, IDOK));
    EXPECT_STREQ(gState.AppDir, "C:\\Chosen\\Tarnwick");
    EXPECT_STREQ(gState.BrowseFolder, "C:\\Chosen");
    EXPECT_EQ(ControlText(page, IDC_APPDIR_EDIT), "C:\\Chosen\\Tarnwick");

    // A drive root gets no doubled backslash.
    browser = OpenBrowser(page);
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return SelectedFolderName(browser) == "Chosen"; }));
    EXPECT_FALSE(SelectionRefused(browser, "C:\\"));
    ASSERT_TRUE(CloseBrowser(browser, IDOK));
    EXPECT_STREQ(gState.AppDir, "C:\\Tarnwick");
    EXPECT_STREQ(gState.BrowseFolder, "C:\\");
    ASSERT_TRUE(MoveTo(sheet, PSBTN_NEXT, PageConfiguration));
    EXPECT_STREQ(gState.AppDir, "C:\\Tarnwick");
    PressButton(sheet, PSBTN_CANCEL);
  });
  EXPECT_FALSE(run.forcedEnd);
}

struct FolderRefusal {
  std::string boxText;
  bool focusOnFolder = false;
  LPARAM pageAfter = 0;
};

// Types a folder on the folder page, presses Next and records the refusal.
FolderRefusal RefuseFolder(HWND sheet, const std::string& folder) {
  FolderRefusal refusal;
  HWND page = CurrentPage(sheet);
  SetControlText(page, IDC_APPDIR_EDIT, folder.c_str());
  PressButton(sheet, PSBTN_NEXT);
  HWND box = WaitForDialog(DialogKind::MessageBox);
  if (box == nullptr) return refusal;
  refusal.boxText = DialogTexts(box);
  ClickControl(box, IDOK);
  WaitUntil([] { return FindDialog(DialogKind::MessageBox) == nullptr; });
  refusal.focusOnFolder =
      WaitUntil([&] { return FocusedWindow() == GetDlgItem(page, IDC_APPDIR_EDIT); });
  refusal.pageAfter = CurrentPageId(sheet);
  return refusal;
}

// The test's archives: "Themes\Northern Lights\pack.ini" is the deepest file.
constexpr std::size_t kDeepestFile = 31;
constexpr std::size_t kLongestFolder = 259 - 1 - kDeepestFile;

TEST(WizardAppDirectory, FoldersThatCannotWorkAreRefusedOnNextWithTheFocusOnTheFolder) {
  PrepareSetupState();
  CopyText(gState.RegisteredEMail, kUserTextSize, "x@y");
  const std::string longest = "C:\\" + std::string(kLongestFolder - 3, 'L');
  const std::string tooLong = std::to_string(kLongestFolder) + " characters";
  const std::pair<std::string, std::string> cases[] = {
      {"Tarnwick", ResourceText(IDS_FOLDER_NOT_FULL_PATH)},
      {"", ResourceText(IDS_FOLDER_NOT_FULL_PATH)},
      {"C:\\", ResourceText(IDS_FOLDER_ROOT)},
      {"C:\\Tarnwick.", ResourceText(IDS_FOLDER_BAD_NAME)},
      {"C:\\Apps \\Tarnwick", ResourceText(IDS_FOLDER_BAD_NAME)},
      {"C:\\Apps\\a|b", ResourceText(IDS_FOLDER_BAD_CHARACTER)},
      {"C:\\Apps\\nul.txt\\Tarnwick", ResourceText(IDS_FOLDER_DEVICE_NAME)},
      {longest + "L", tooLong}};
  std::vector<FolderRefusal> refusals;
  bool longestTaken = false;
  WizardRun run = RunWizard([&](HWND sheet) {
    ASSERT_TRUE(AcceptLicence(sheet));
    ASSERT_TRUE(MoveTo(sheet, PSBTN_NEXT, PageAppDirectory));
    for (const auto& refused : cases) refusals.push_back(RefuseFolder(sheet, refused.first));
    SetControlText(CurrentPage(sheet), IDC_APPDIR_EDIT, longest.c_str());
    longestTaken = MoveTo(sheet, PSBTN_NEXT, PageConfiguration);
    PressButton(sheet, PSBTN_CANCEL);
  });
  EXPECT_FALSE(run.forcedEnd);
  ASSERT_EQ(refusals.size(), std::size(cases));
  for (std::size_t i = 0; i < refusals.size(); ++i) {
    const std::string& folder = cases[i].first;
    EXPECT_NE(refusals[i].boxText.find(cases[i].second), std::string::npos)
        << folder << ": " << refusals[i].boxText;
    EXPECT_TRUE(refusals[i].focusOnFolder) << folder;
    EXPECT_EQ(refusals[i].pageAfter, PageAppDirectory) << folder;
    std::printf("Refused \"%s\": %s", folder.size() > 40 ? "(too long)" : folder.c_str(),
                refusals[i].boxText.c_str());
  }
  EXPECT_TRUE(longestTaken);
  EXPECT_EQ(gState.AppDir, longest);
  // Nothing was written on the way.
  EXPECT_EQ(GetFileAttributesA(longest.c_str()), INVALID_FILE_ATTRIBUTES);
}

// A folder chosen with Browse is checked as a typed one: here the maker's
// folder appended to it makes it too long.
TEST(WizardAppDirectory, AFolderFromBrowseIsCheckedTheSameWay) {
  PrepareSetupState();
  CopyText(gState.RegisteredEMail, kUserTextSize, "x@y");
  const std::string outer = "C:\\" + std::string(120, 'D');
  const std::string deep = outer + "\\" + std::string(kLongestFolder - 120 - 4 - 8, 'E');
  ASSERT_TRUE(CreateDirectoryA(outer.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
  CopyText(gState.BrowseFolder, kPathSize, "C:\\");
  std::string boxText;
  bool focusOnFolder = false;
  WizardRun run = RunWizard([&](HWND sheet) {
    ASSERT_TRUE(AcceptLicence(sheet));
    ASSERT_TRUE(MoveTo(sheet, PSBTN_NEXT, PageAppDirectory));
    HWND page = CurrentPage(sheet);
    HWND browser = OpenBrowser(page);
    ASSERT_NE(browser, nullptr);
    EXPECT_FALSE(SelectionRefused(browser, deep.c_str()));
    ClickControl(browser, IDOK);
    HWND box = WaitForDialog(DialogKind::MessageBox);
    ASSERT_NE(box, nullptr);
    boxText = DialogTexts(box);
    ClickControl(box, IDOK);
    WaitUntil([] { return FindDialog(DialogKind::MessageBox) == nullptr; });
    focusOnFolder = WaitUntil([&] { return FocusedWindow() == GetDlgItem(page, IDC_APPDIR_EDIT); });
    PressButton(sheet, PSBTN_CANCEL);
  });
  EXPECT_FALSE(run.forcedEnd);
  EXPECT_NE(boxText.find(std::to_string(kLongestFolder) + " characters"), std::string::npos)
      << boxText;
  EXPECT_TRUE(focusOnFolder);
  EXPECT_EQ(gState.AppDir, deep + "\\Tarnwick");
  RemoveDirectoryA(deep.c_str());
  RemoveDirectoryA(outer.c_str());
}

struct CheckBoxes {
  bool makeCurrent;
  bool configure;
};

CheckBoxes ReadConfiguration(HWND sheet) {
  HWND page = CurrentPage(sheet);
  return {IsControlChecked(page, IDC_CONFIG_MAKE_CURRENT),
          IsControlChecked(page, IDC_CONFIG_CONFIGURE)};
}

TEST(WizardChoices, CheckBoxesKeepTheChoiceAndAFailedInstallationSaysSo) {
  PrepareSetupState();
  CopyText(gState.RegisteredEMail, kUserTextSize, "c@d");
  // A file where the application directory must go makes the installation fail.
  HANDLE blocker = CreateFileA("C:\\Blocker", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(blocker, INVALID_HANDLE_VALUE);
  CloseHandle(blocker);
  CopyText(gState.AppDir, kPathSize, "C:\\Blocker\\Tarnwick");
  CheckBoxes first = {};
  CheckBoxes afterBack = {};
  CheckBoxes afterRevisit = {};
  DWORD storedMakeCurrent = 9;
  DWORD storedConfigure = 9;
  std::string installError;
  std::string result;
  bool launchChecked = true;
  bool launchEnabled = true;
  WizardRun run = RunWizard([&](HWND sheet) {
    ASSERT_TRUE(AcceptLicence(sheet));
    ASSERT_TRUE(MoveTo(sheet, PSBTN_NEXT, PageAppDirectory));
    ASSERT_TRUE(MoveTo(sheet, PSBTN_NEXT, PageConfiguration));
    first = ReadConfiguration(sheet);
    HWND page = CurrentPage(sheet);
    ClickControl(page, IDC_CONFIG_MAKE_CURRENT);
    ClickControl(page, IDC_CONFIG_CONFIGURE);
    ASSERT_TRUE(MoveTo(sheet, PSBTN_NEXT, PageStartInstall));
    storedMakeCurrent = gState.MakeCurrent;
    storedConfigure = gState.ConfigureSaver;
    ASSERT_TRUE(MoveTo(sheet, PSBTN_BACK, PageConfiguration));
    afterBack = ReadConfiguration(sheet);
    ASSERT_TRUE(MoveTo(sheet, PSBTN_BACK, PageAppDirectory));
    ASSERT_TRUE(MoveTo(sheet, PSBTN_NEXT, PageConfiguration));
    afterRevisit = ReadConfiguration(sheet);
    ASSERT_TRUE(MoveTo(sheet, PSBTN_NEXT, PageStartInstall));

    PressButton(sheet, PSBTN_NEXT);
    HWND box = WaitForDialog(DialogKind::MessageBox, 60000);
    ASSERT_NE(box, nullptr);
    installError = DialogTexts(box);
    ClickControl(box, IDOK);
    ASSERT_TRUE(WaitForPage(sheet, PageComplete, 60000));
    page = CurrentPage(sheet);
    result = ControlText(page, IDC_COMPLETE_RESULT);
    launchChecked = IsControlChecked(page, IDC_COMPLETE_LAUNCH);
    launchEnabled = IsControlEnabled(page, IDC_COMPLETE_LAUNCH);
    PressButton(sheet, PSBTN_FINISH);
  });
  EXPECT_FALSE(run.forcedEnd);
  EXPECT_TRUE(first.makeCurrent);
  EXPECT_FALSE(first.configure);
  EXPECT_EQ(storedMakeCurrent, 0u);
  EXPECT_EQ(storedConfigure, 1u);
  EXPECT_FALSE(afterBack.makeCurrent);
  EXPECT_TRUE(afterBack.configure);
  EXPECT_FALSE(afterRevisit.makeCurrent);
  EXPECT_TRUE(afterRevisit.configure);
  EXPECT_NE(installError.find("C:\\Blocker\\Tarnwick"), std::string::npos) << installError;
  EXPECT_EQ(result, ResourceText(IDS_INSTALL_FAILED));
  EXPECT_EQ(gState.InstallSucceeded, 0u);
  // Nothing is started after a failure: the launch option is not offered.
  EXPECT_FALSE(launchChecked);
  EXPECT_FALSE(launchEnabled);
  EXPECT_EQ(gState.LaunchAfterSetup, 0u);
  DeleteFileA("C:\\Blocker");
}

}  // namespace
