#include "support/windows_test_support.h"

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include <vector>

#include "common/handles_win.h"

DibCanvas::DibCanvas(int width, int height) : width_(width), height_(height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  dc_ = CreateCompatibleDC(nullptr);
  void* bits = nullptr;
  bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bits_ = static_cast<std::uint32_t*>(bits);
  replaced_ = SelectObject(dc_, bitmap_);
}

DibCanvas::~DibCanvas() {
  SelectObject(dc_, replaced_);
  DeleteObject(bitmap_);
  DeleteDC(dc_);
}

COLORREF DibCanvas::Pixel(int x, int y) const {
  GdiFlush();
  std::uint32_t value = bits_[static_cast<size_t>(y) * width_ + x];
  return RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
}

void DibCanvas::CaptureScreen() {
  HDC screen = GetDC(nullptr);
  BitBlt(dc_, 0, 0, width_, height_, screen, 0, 0, SRCCOPY);
  ReleaseDC(nullptr, screen);
}

// Without an alpha byte no viewer takes the picture for transparent.
bool DibCanvas::SaveBitmap(const std::string& path) const {
  GdiFlush();
  const DWORD rowSize = (static_cast<DWORD>(width_) * 3 + 3) & ~3u;
  std::vector<BYTE> pixels(static_cast<size_t>(rowSize) * height_, 0);
  for (int y = 0; y < height_; ++y) {
    BYTE* row = &pixels[static_cast<size_t>(y) * rowSize];
    for (int x = 0; x < width_; ++x) {
      std::uint32_t value = bits_[static_cast<size_t>(y) * width_ + x];
      row[x * 3] = value & 0xFF;
      row[x * 3 + 1] = (value >> 8) & 0xFF;
      row[x * 3 + 2] = (value >> 16) & 0xFF;
    }
  }
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof header;
  header.biWidth = width_;
  header.biHeight = -height_;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  ScopedHandle out(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return out.valid() && WriteFile(out.get(), &file, sizeof file, &written, nullptr) &&
         WriteFile(out.get(), &header, sizeof header, &written, nullptr) &&
         WriteFile(out.get(), pixels.data(), static_cast<DWORD>(pixels.size()), &written,
                   nullptr) &&
         written == pixels.size();
}

// The directory's last character decides, not its last byte: in a double-byte
// code page that may be the second byte of a character.
std::string JoinPath(const std::string& directory, const std::string& name) {
  if (directory.empty()) return name;
  const char* end = directory.c_str() + directory.size();
  const char* last = CharPrevA(directory.c_str(), end);
  if (last + 1 == end && *last == '\\') return directory + name;
  return directory + "\\" + name;
}

std::string SystemDirectory() {
  char path[MAX_PATH] = "";
  GetSystemDirectoryA(path, sizeof path);
  return path;
}

bool FileExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ReadShortcut(const std::string& linkFile, ShortcutFields* fields) {
  bool initialised = SUCCEEDED(CoInitialize(nullptr));
  bool read = false;
  {
    ComPointer<IShellLinkA> link;
    ComPointer<IPersistFile> file;
    wchar_t widePath[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, linkFile.c_str(), -1, widePath, MAX_PATH);
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   link.out())) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.out())) &&
        SUCCEEDED(file->Load(widePath, STGM_READ))) {
      char text[MAX_PATH] = "";
      link->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH);
      fields->target = text;
      text[0] = '\0';
      link->GetDescription(text, sizeof text);
      fields->description = text;
      text[0] = '\0';
      link->GetWorkingDirectory(text, sizeof text);
      fields->workingDirectory = text;
      read = true;
    }
  }
  if (initialised) CoUninitialize();
  return read;
}
