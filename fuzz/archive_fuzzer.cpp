// Walks arbitrary bytes as an archive: the walk must end with a result, read
// nothing outside the bytes, never create a file outside the destination, and
// never keep a member whose bytes lack the CRC-32 of its central header.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "archive/archive_reader.h"

namespace {

constexpr char kDestination[] = "D:\\dest";

bool HasParentComponent(const std::string& name) {
  size_t start = 0;
  for (size_t i = 0; i <= name.size(); ++i) {
    if (i < name.size() && name[i] != '/' && name[i] != '\\') continue;
    std::string component = name.substr(start, i - start);
    if (component.find_first_not_of(". ") == std::string::npos &&
        component.find("..") != std::string::npos) {
      return true;
    }
    start = i + 1;
  }
  return false;
}

// Aborts on any path that leaves the destination directory.
void CheckInsideDestination(const char* path) {
  std::string text = path;
  std::string prefix = std::string(kDestination) + "\\";
  if (text.compare(0, prefix.size(), prefix) != 0) std::abort();
  std::string name = text.substr(prefix.size());
  if (name.empty() || name[0] == '/' || name[0] == '\\') std::abort();
  if (name.size() > 1 && name[1] == ':') std::abort();
  if (HasParentComponent(name)) std::abort();
}

class CheckingOutput : public MemberOutput {
 public:
  bool Exists(const char* path) override {
    CheckInsideDestination(path);
    return false;
  }
  void Delete(const char* path) override { CheckInsideDestination(path); }
  bool Create(const char* path) override {
    CheckInsideDestination(path);
    if (open_) std::abort();
    open_ = true;
    size_ = 0;
    crc_ = 0;
    return true;
  }
  void Write(const unsigned char* bytes, uint32_t count) override {
    if (!open_) std::abort();
    crc_ = static_cast<uint32_t>(crc32(crc_, bytes, count));
    size_ += count;
  }
  uint32_t Finish() override {
    if (!open_) std::abort();
    open_ = false;
    return size_;
  }
  // Called only for a member that is kept.
  bool SetTimeAndAttributes(const char* path, uint16_t, uint16_t, uint32_t attributes) override {
    CheckInsideDestination(path);
    if ((attributes & ~0x7Fu) != 0 || (attributes & 0x20) == 0) std::abort();
    if (crc_ != gArchiveReader.central.crc) std::abort();
    return true;
  }
  void ShowMemberPath(const char* path) override { CheckInsideDestination(path); }
  void Report(const char* message) override {
    if (std::strlen(message) > 1024) std::abort();
  }
  bool open() const { return open_; }

 private:
  bool open_ = false;
  uint32_t size_ = 0;
  uint32_t crc_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact-size copy, so that a read past the archive is a heap overflow.
  std::unique_ptr<unsigned char[]> archive(new unsigned char[size]);
  if (size > 0) std::memcpy(archive.get(), data, size);
  CheckingOutput output;
  char lastPath[kPathSize];
  int result =
      ExtractArchive(archive.get(), static_cast<uint32_t>(size), kDestination, lastPath, output);
  if ((result != 0 && result != 1) || output.open()) std::abort();
  return 0;
}
