// Feeds arbitrary bytes to the decoder as one member's compressed data: it must
// end every input with a result, within bounded time, reading nothing outside.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "archive/archive_reader.h"
#include "archive/inflater.h"

namespace {

class CountingSink : public ByteSink {
 public:
  void Write(const unsigned char* bytes, uint32_t count) override {
    // Touch the bytes so that a window handed out wrongly shows up.
    if (count > 0) checksum += bytes[0] + bytes[count - 1];
    total += count;
  }
  uint64_t total = 0;
  unsigned checksum = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact-size copy, so that a read past the input is a heap overflow.
  std::unique_ptr<unsigned char[]> input(new unsigned char[size]);
  if (size > 0) std::memcpy(input.get(), data, size);
  CountingSink sink;
  int result = InflateMemory(input.get(), static_cast<uint32_t>(size), sink);
  if (result < kInflateDone || result > kInflateNoMemory) std::abort();
  return 0;
}
