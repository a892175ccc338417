// The uninstaller: asks, removes the product and says how it went. With
// "/quiet" it asks and says nothing and only its exit code tells.
//
// It runs from the application directory it removes, and a running program's
// file cannot be deleted; its own file, and the directory holding it, are
// therefore left to be deleted when Windows restarts (MoveFileEx with
// MOVEFILE_DELAY_UNTIL_REBOOT), like any other file that is still in use.
#include "common/system_library_win.h"
#include "payload/common/command_line.h"
#include "payload/common/payload_names.h"
#include "payload/uninstall/remove_product_win.h"
#include "payload/uninstall/uninstall_ids.h"

namespace {

struct Texts {
  HINSTANCE instance;
  char caption[128];
};

bool ConfirmRemoval(const Texts& texts) {
  char question[512] = "";
  LoadStringA(texts.instance, IDS_CONFIRM_REMOVAL, question, sizeof question);
  return MessageBoxA(nullptr, question, texts.caption,
                     MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) == IDYES;
}

void ShowOutcome(const Texts& texts, const RemovalReport& report) {
  char format[512] = "";
  char message[512 + kPathSize] = "";
  if (report.failures > 0) {
    LoadStringA(texts.instance, IDS_NOT_REMOVED, format, sizeof format);
    wsprintfA(message, format, report.firstFailure);
    MessageBoxA(nullptr, message, texts.caption, MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND);
    return;
  }
  LoadStringA(texts.instance, report.restartNeeded ? IDS_REMOVED_AT_RESTART : IDS_REMOVED, message,
              sizeof message);
  MessageBoxA(nullptr, message, texts.caption, MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  HardenDllSearch();
  bool quiet = HasOption(GetCommandLineA(), kQuietOption);
  Texts texts = {instance, ""};
  LoadStringA(instance, IDS_UNINSTALL_CAPTION, texts.caption, sizeof texts.caption);
  if (!quiet && !ConfirmRemoval(texts)) return kUninstallCancelled;
  RemovalReport report;
  RemoveProduct(&report);
  if (!quiet) ShowOutcome(texts, report);
  return report.failures == 0 ? kUninstallRemoved : kUninstallIncomplete;
}
