// What the screen saver was asked to do, read from its command line the way
// Windows and setup start screen savers: "/c" or "/c:<window>" to configure,
// "/s", "-s" or "+s" to run full screen, "/p <window>" to preview.
#pragma once

#include <cstdint>

enum class SaverMode { kConfigure, kFullScreen, kPreview, kPassword };

struct SaverCommand {
  SaverMode mode;
  std::uintptr_t window;  // the parent named after the switch, 0 when none
};

// The last switch on the command line decides; without one the saver shows
// its configuration, as Windows does for a saver opened from Explorer. The
// program's own path may stand quoted or unquoted before the switch.
SaverCommand ParseSaverCommand(const char* commandLine);
