// The uninstaller: asks, removes the product and says how it went. With
// "/quiet" it asks and says nothing and only its exit code tells. It removes
// the installation in its own folder, never one a registry value names, and
// leaves through a temporary copy of itself (hand_over_win.h), so that its own
// file and folder go at once, without a restart.
#include "common/command_line.h"
#include "common/system_library_win.h"
#include "common/text_chars.h"
#include "common/texts.h"
#include "payload/common/payload_names.h"
#include "payload/uninstall/hand_over_win.h"
#include "payload/uninstall/remove_product_win.h"
#include "payload/uninstall/uninstall_ids.h"

namespace {

constexpr int kTextSize = 512;

struct Texts {
  HINSTANCE instance;
  char caption[128];
};

bool ConfirmRemoval(const Texts& texts) {
  char question[kTextSize] = "";
  LoadStringA(texts.instance, IDS_CONFIRM_REMOVAL, question, sizeof question);
  return MessageBoxA(nullptr, question, texts.caption,
                     MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) == IDYES;
}

// The user's items left, one quoted path a line, the rest counted.
void ListUserItems(const Texts& texts, const RemovalReport& report, char* list) {
  list[0] = '\0';
  for (int i = 0; i < report.userItems && i < kNamedUserItems; ++i) {
    wsprintfA(list + lstrlenA(list), "'%s'\n", report.userItemNames[i]);
  }
  if (report.userItems <= kNamedUserItems) return;
  char format[kTextSize] = "";
  LoadStringA(texts.instance, IDS_MORE_USER_ITEMS, format, sizeof format);
  wsprintfA(list + lstrlenA(list), format, report.userItems - kNamedUserItems);
}

void ShowOutcome(const Texts& texts, const RemovalReport& report) {
  char format[kTextSize] = "";
  char list[(kNamedUserItems + 1) * (kPathSize + 4) + kTextSize];
  char message[sizeof list + kTextSize] = "";
  UINT icon = MB_ICONINFORMATION;
  if (report.failures > 0) {
    LoadStringA(texts.instance, IDS_NOT_REMOVED, format, sizeof format);
    wsprintfA(message, format, report.firstFailure);
    icon = MB_ICONEXCLAMATION;
  } else if (report.userItems > 0) {
    LoadStringA(texts.instance, IDS_KEPT_USER_ITEMS, format, sizeof format);
    ListUserItems(texts, report, list);
    wsprintfA(message, format, list);
  } else {
    LoadStringA(texts.instance, IDS_REMOVED, message, sizeof message);
  }
  MessageBoxA(nullptr, message, texts.caption, MB_OK | icon | MB_SETFOREGROUND);
}

// The temporary copy: removes the product, lets the original end with the
// result, then removes the original's file and folder, unless something of
// the product is left: the uninstaller then stays for another run.
int RunAsCopy(const Texts& texts, const char* commandLine, bool quiet) {
  OriginalLink original;
  if (!original.Open(commandLine)) return kUninstallIncomplete;
  RemovalReport report = {};
  RemoveProduct(original.appDir(), false, &report);
  UninstallExitCode result = ExitCodeOf(report);
  original.SendResultAndWait(result);
  if (result != kUninstallIncomplete) RemoveUninstaller(original.appDir(), &report);
  if (!quiet) ShowOutcome(texts, report);
  ScheduleCopyDeletion();
  return result;
}

bool FindOwnFolder(char* folder) {
  DWORD length = GetModuleFileNameA(nullptr, folder, kPathSize);
  if (length == 0 || length >= kPathSize) return false;
  const char* name = FindLastChar(folder, '\\');
  folder[name != nullptr ? name - folder : 0] = '\0';
  return folder[0] != '\0';
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  HardenDllSearch();
  const char* commandLine = GetCommandLineA();
  bool quiet = HasOption(commandLine, kQuietOption);
  Texts texts = {instance, ""};
  LoadStringA(instance, IDS_UNINSTALL_CAPTION, texts.caption, sizeof texts.caption);
  if (IsRemovalCopy(commandLine)) return RunAsCopy(texts, commandLine, quiet);
  char appDir[kPathSize];
  if (!FindOwnFolder(appDir)) return kUninstallIncomplete;
  if (!quiet && !ConfirmRemoval(texts)) return kUninstallCancelled;
  DWORD result = kUninstallIncomplete;
  if (HandOverToCopy(appDir, quiet, &result)) return static_cast<int>(result);
  // No copy could take over: everything goes but this program and its folder.
  RemovalReport report = {};
  RemoveProduct(appDir, true, &report);
  if (!quiet) ShowOutcome(texts, report);
  return ExitCodeOf(report);
}
