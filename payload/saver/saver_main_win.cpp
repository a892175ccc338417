#include "common/system_library_win.h"
#include "payload/saver/saver_command.h"
#include "payload/saver/saver_settings_win.h"
#include "payload/saver/saver_window_win.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  HardenDllSearch();
  SaverCommand command = ParseSaverCommand(GetCommandLineA());
  switch (command.mode) {
    case SaverMode::kConfigure: {
      HWND parent = reinterpret_cast<HWND>(command.window);
      ShowSaverSettings(instance, IsWindow(parent) ? parent : nullptr);
      return 0;
    }
    case SaverMode::kFullScreen:
      return RunFullScreenSaver(instance);
    case SaverMode::kPreview:
      return RunSaverPreview(instance, reinterpret_cast<HWND>(command.window));
    case SaverMode::kPassword:
      break;  // no password of its own
  }
  return 0;
}
