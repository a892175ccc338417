// Compresses arbitrary bytes with zlib, at the level, strategy, window size,
// memory level and flush interval the input's first bytes choose, and decodes
// the raw stream: the decoder must give back exactly those bytes. The other
// fuzzers only see that it ends and stays in bounds; this one sees what it
// writes, across window ends, stored pieces and the end of the member's data.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "archive/archive_reader.h"
#include "archive/inflater.h"

namespace {

using Bytes = std::vector<unsigned char>;

class CollectingSink : public ByteSink {
 public:
  void Write(const unsigned char* bytes, uint32_t count) override {
    data.insert(data.end(), bytes, bytes + count);
  }
  Bytes data;
};

struct Settings {
  int level;
  int strategy;
  int windowBits;
  int memoryLevel;
  size_t flushEvery;  // bytes between full flushes, or 0 for none
  size_t repeats;     // how often the body follows itself
};

// Inputs stay below this many bytes, so that each run is quick.
constexpr size_t kMaxInput = 300000;

// Takes the settings from the first five bytes.
Settings ReadSettings(const uint8_t* data) {
  Settings settings;
  settings.level = data[0] % 10;
  settings.strategy = data[1] % 5;
  settings.windowBits = 9 + data[2] % 7;
  settings.memoryLevel = 1 + data[3] % 9;
  settings.flushEvery = data[4] & 0x80 ? 1 + (data[4] & 0x7F) * 517u : 0;
  settings.repeats = 1 + (data[3] >> 4) * 4;
  return settings;
}

// The body again and again, one byte changed in each round, so that the input
// runs over several windows with matches reaching far back.
Bytes MakeInput(const uint8_t* body, size_t size, size_t repeats) {
  if (repeats > kMaxInput / (size + 1) + 1) repeats = kMaxInput / (size + 1) + 1;
  Bytes input;
  for (size_t round = 0; round < repeats; ++round) {
    input.insert(input.end(), body, body + size);
    if (size > 0) input[input.size() - 1 - round * 7 % size] ^= static_cast<unsigned char>(round);
  }
  return input;
}

Bytes Deflate(const Bytes& input, const Settings& settings) {
  z_stream stream{};
  if (deflateInit2(&stream, settings.level, Z_DEFLATED, -settings.windowBits, settings.memoryLevel,
                   settings.strategy) != Z_OK) {
    std::abort();
  }
  size_t flushes = settings.flushEvery ? input.size() / settings.flushEvery + 1 : 1;
  Bytes output(deflateBound(&stream, input.size()) + flushes * 32 + 256);
  stream.next_out = output.data();
  stream.avail_out = static_cast<uInt>(output.size());
  size_t piece = settings.flushEvery ? settings.flushEvery : input.size() + 1;
  for (size_t at = 0;; at += piece) {
    size_t count = at < input.size() ? std::min(piece, input.size() - at) : 0;
    stream.next_in = const_cast<unsigned char*>(input.data() + at);
    stream.avail_in = static_cast<uInt>(count);
    bool last = at + count >= input.size();
    if (deflate(&stream, last ? Z_FINISH : Z_FULL_FLUSH) != (last ? Z_STREAM_END : Z_OK)) {
      std::abort();
    }
    if (last) break;
  }
  output.resize(stream.total_out);
  deflateEnd(&stream);
  return output;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 5) return 0;
  Settings settings = ReadSettings(data);
  Bytes input = MakeInput(data + 5, size - 5, settings.repeats);
  Bytes stream = Deflate(input, settings);
  // An exact-size copy, so that a read past the stream is a heap overflow.
  std::unique_ptr<unsigned char[]> copy(new unsigned char[stream.size()]);
  std::memcpy(copy.get(), stream.data(), stream.size());
  CollectingSink sink;
  int result = InflateMemory(copy.get(), static_cast<uint32_t>(stream.size()), sink);
  if (result != kInflateDone || sink.data != input) std::abort();
  return 0;
}
