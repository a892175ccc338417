// The process entry of setup: state, backdrop, the message loop and the exit action.
#pragma once

#include <windows.h>

// Runs setup from start to exit and returns the process exit code.
int RunSetup(HINSTANCE instance, int showCommand);

// Serves the wizard and the backdrop until WM_QUIT; returns the quit code.
int RunMessageLoop();

// After the loop: starts the screen saver when the installation succeeded and
// the user left the launch option on.
void RunExitAction();
