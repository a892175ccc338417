// Guards against decoding faults that only real compressor output reaches:
// long and sub-table codes, matches across the window's wrap, stored and
// empty blocks from flushes, and streams that end in the middle of a byte.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>

#include "archive/archive_reader.h"
#include "archive/inflater.h"
#include "zip_writer.h"

namespace {

class CollectingSink : public ByteSink {
 public:
  void Write(const unsigned char* bytes, uint32_t count) override {
    data.insert(data.end(), bytes, bytes + count);
  }
  Bytes data;
};

Bytes Inflated(const Bytes& stream, int* result) {
  std::unique_ptr<unsigned char[]> copy(new unsigned char[stream.size()]);
  std::memcpy(copy.get(), stream.data(), stream.size());
  CollectingSink sink;
  *result = InflateMemory(copy.get(), static_cast<uint32_t>(stream.size()), sink);
  return sink.data;
}

// Compresses in pieces with a full flush between them, which puts empty stored
// blocks and fresh block headers in the middle of the stream.
Bytes DeflateFlushed(const Bytes& input, size_t piece) {
  z_stream stream{};
  deflateInit2(&stream, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  Bytes output(deflateBound(&stream, input.size()) + input.size() / piece * 16 + 64);
  stream.next_out = output.data();
  stream.avail_out = static_cast<uInt>(output.size());
  for (size_t at = 0; at < input.size(); at += piece) {
    stream.next_in = const_cast<unsigned char*>(input.data() + at);
    stream.avail_in = static_cast<uInt>(std::min(piece, input.size() - at));
    deflate(&stream, at + piece >= input.size() ? Z_FINISH : Z_FULL_FLUSH);
  }
  output.resize(stream.total_out);
  deflateEnd(&stream);
  return output;
}

Bytes MakeRandom(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  Bytes bytes(size);
  for (unsigned char& byte : bytes) byte = static_cast<unsigned char>(random());
  return bytes;
}

// Words with a skewed frequency, so that codes get long and sub-tables appear.
Bytes MakeText(size_t size, unsigned seed) {
  static const char* kWords[] = {"the",  "screen",   "saver",  "zindle", "of",
                                 "and",  "Tarnwick", "window", "a",      "image",
                                 "pack", "\n",       "setup",  "qu",     "xyzzy"};
  std::mt19937 random(seed);
  std::geometric_distribution<int> pick(0.3);
  Bytes bytes;
  while (bytes.size() < size) {
    const char* word = kWords[pick(random) % 15];
    bytes.insert(bytes.end(), word, word + std::strlen(word));
    bytes.push_back(random() % 9 == 0 ? static_cast<unsigned char>(random()) : ' ');
  }
  bytes.resize(size);
  return bytes;
}

Bytes ReadOwnProgram() {
  std::ifstream file("/proc/self/exe", std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

TEST(InflateRoundTrip, EveryLevelAndStrategyGivesBackTheInput) {
  const Bytes inputs[] = {MakeRandom(70000, 1), MakeText(300000, 2), ReadOwnProgram()};
  const int strategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};
  for (const Bytes& input : inputs) {
    ASSERT_GT(input.size(), 1000u);
    for (int level = 0; level <= 9; ++level) {
      for (int strategy : strategies) {
        int result = -1;
        Bytes output = Inflated(DeflateRaw(input, level, strategy), &result);
        EXPECT_EQ(result, kInflateDone) << "level " << level << " strategy " << strategy;
        EXPECT_TRUE(output == input) << "level " << level << " strategy " << strategy;
      }
    }
  }
}

TEST(InflateRoundTrip, SizesAroundTheWindowAndFlushedStreams) {
  for (size_t size : {0, 1, 257, 32767, 32768, 32769, 65536, 65537}) {
    Bytes input = MakeText(size, static_cast<unsigned>(size));
    int result = -1;
    EXPECT_TRUE(Inflated(DeflateRaw(input), &result) == input) << size;
    EXPECT_EQ(result, kInflateDone) << size;
  }
  Bytes input = MakeText(200000, 7);
  for (size_t piece : {1000, 32768, 50000}) {
    int result = -1;
    EXPECT_TRUE(Inflated(DeflateFlushed(input, piece), &result) == input) << piece;
    EXPECT_EQ(result, kInflateDone) << piece;
  }
}

}  // namespace
