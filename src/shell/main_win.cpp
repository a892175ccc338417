#include "shell/run_setup_win.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  return RunSetup(instance, showCommand);
}
