// Walks arbitrary bytes as an archive: the walk must end with a result, read
// nothing outside the bytes, never create a file outside the destination, and
// never keep a member whose bytes lack the CRC-32 of its central header. Inputs
// of odd length are walked in code page 932, where the second byte of a
// character may have the value of a separator.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "archive/archive_reader.h"
#include "common/text_chars.h"

namespace {

constexpr char kDestination[] = "D:\\dest";
constexpr unsigned char kCodePage932[kLeadByteRangesSize] = {0x81, 0x9F, 0xE0, 0xFC};
bool gCodePage932 = false;

// The bytes of the character at name[i], read as the system may read code page
// 932 at worst: a lead byte pairs only with a byte that can end a character
// there; any other byte is a character of its own.
size_t CharacterLength(const std::string& name, size_t i) {
  if (!gCodePage932 || i + 1 >= name.size()) return 1;
  auto lead = static_cast<unsigned char>(name[i]);
  auto trail = static_cast<unsigned char>(name[i + 1]);
  bool isLead = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC);
  bool isTrail = (trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFC);
  return isLead && isTrail ? 2 : 1;
}

bool HasParentComponent(const std::string& name) {
  size_t start = 0;
  for (size_t i = 0; i <= name.size();) {
    size_t length = i < name.size() ? CharacterLength(name, i) : 1;
    if (i < name.size() && (length == 2 || (name[i] != '/' && name[i] != '\\'))) {
      i += length;
      continue;
    }
    std::string component = name.substr(start, i - start);
    if (component.find_first_not_of(". ") == std::string::npos &&
        component.find("..") != std::string::npos) {
      return true;
    }
    start = ++i;
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
  gCodePage932 = size % 2 == 1;
  SetLeadByteRanges(gCodePage932 ? kCodePage932 : nullptr);
  CheckingOutput output;
  char lastPath[kPathSize];
  int result =
      ExtractArchive(archive.get(), static_cast<uint32_t>(size), kDestination, lastPath, output);
  if ((result != 0 && result != 1) || output.open()) std::abort();
  return 0;
}
