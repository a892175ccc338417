// What several Windows test programs share: a 32-bit canvas to read pixels
// from, and small readers of paths, files and shortcut files.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// A top-down 32-bit DIB section selected into a memory device context.
class DibCanvas {
 public:
  DibCanvas(int width, int height);
  ~DibCanvas();
  DibCanvas(const DibCanvas&) = delete;
  DibCanvas& operator=(const DibCanvas&) = delete;
  HDC dc() const { return dc_; }
  int width() const { return width_; }
  int height() const { return height_; }
  // The pixel as a COLORREF (0x00BBGGRR).
  COLORREF Pixel(int x, int y) const;
  // Copies what the screen shows now.
  void CaptureScreen();
  // Writes the canvas as a 24-bit bitmap file.
  bool SaveBitmap(const std::string& path) const;

 private:
  int width_;
  int height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ replaced_ = nullptr;
  std::uint32_t* bits_ = nullptr;
};

std::string JoinPath(const std::string& directory, const std::string& name);
std::string SystemDirectory();
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);

// Reads a shortcut file back through the shell's link object.
struct ShortcutFields {
  std::string target;
  std::string description;
  std::string workingDirectory;
};
bool ReadShortcut(const std::string& linkFile, ShortcutFields* fields);
