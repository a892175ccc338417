// Decodes a corpus of raw DEFLATE streams with the setup program's decoder and
// with the system zlib, and prints the output rate of each and their ratio.
// Ours runs as a deflated member does, its output checked with the member's
// CRC-32 on the way out; zlib is measured alone, and again followed by its own
// crc32 over the output, as a ZIP reader built on zlib checks a member.
//
//   inflate_bench CORPUS_DIR [REPEATS]
//
// CORPUS_DIR holds index.txt ("STREAM RAW" per line) as made by
// tools/make_bench_corpus.py. Each decode is checked against the raw file, and
// each CRC-32 against zlib's of the raw file.
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "archive/archive_reader.h"

namespace {

using Bytes = std::vector<unsigned char>;
using Clock = std::chrono::steady_clock;

struct Sample {
  std::string name;
  Bytes stream;
  Bytes raw;
  uint32_t crc;  // of the raw file
};

// The seconds of the best round of each way of decoding.
struct Times {
  double ours;
  double zlib;
  double zlibChecked;
};

// Copies each window into a buffer of the whole output, as a file write would
// take it away.
class BufferSink : public ByteSink {
 public:
  void Write(const unsigned char* bytes, uint32_t count) override {
    if (count > output.size() - size) count = static_cast<uint32_t>(output.size() - size);
    std::memcpy(output.data() + size, bytes, count);
    size += count;
  }
  Bytes output;
  size_t size = 0;
};

bool ReadFile(const std::string& path, Bytes& bytes) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return true;
}

bool LoadCorpus(const std::string& folder, std::vector<Sample>& samples) {
  std::ifstream index(folder + "/index.txt");
  std::string streamName, rawName;
  while (index >> streamName >> rawName) {
    Sample sample{streamName, {}, {}, 0};
    if (!ReadFile(folder + "/" + streamName, sample.stream) ||
        !ReadFile(folder + "/" + rawName, sample.raw)) {
      std::fprintf(stderr, "cannot read %s or %s\n", streamName.c_str(), rawName.c_str());
      return false;
    }
    sample.crc =
        static_cast<uint32_t>(crc32(0, sample.raw.data(), static_cast<uInt>(sample.raw.size())));
    samples.push_back(std::move(sample));
  }
  return !samples.empty();
}

bool DecodeOurs(const Sample& sample, Bytes& output) {
  BufferSink sink;
  sink.output.swap(output);
  int result =
      InflateMemory(sample.stream.data(), static_cast<uint32_t>(sample.stream.size()), sink);
  sink.output.swap(output);
  return result == 0 && sink.size == sample.raw.size() && gArchiveReader.memberCrc == sample.crc;
}

bool DecodeZlib(const Sample& sample, Bytes& output) {
  z_stream stream{};
  if (inflateInit2(&stream, -15) != Z_OK) return false;
  stream.next_in = const_cast<unsigned char*>(sample.stream.data());
  stream.avail_in = static_cast<uInt>(sample.stream.size());
  stream.next_out = output.data();
  stream.avail_out = static_cast<uInt>(output.size());
  int result = inflate(&stream, Z_FINISH);
  size_t size = stream.total_out;
  inflateEnd(&stream);
  return result == Z_STREAM_END && size == sample.raw.size();
}

bool DecodeZlibChecked(const Sample& sample, Bytes& output) {
  return DecodeZlib(sample, output) &&
         crc32(0, output.data(), static_cast<uInt>(output.size())) == sample.crc;
}

// Seconds one decode takes; negative when it fails or gives other bytes than
// the raw file.
template <typename Decoder>
double TimeDecode(const Sample& sample, Bytes& output, Decoder decode) {
  std::fill(output.begin(), output.end(), 0);
  auto start = Clock::now();
  bool decoded = decode(sample, output);
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return decoded && output == sample.raw ? seconds : -1;
}

// The best times of `repeats` rounds, each decoding all three ways in turn, so
// that a busy machine slows them alike. False when a decode fails.
bool TimeDecoders(const Sample& sample, int repeats, Times& best) {
  Bytes output(sample.raw.size());
  best = Times{1e9, 1e9, 1e9};
  for (int i = 0; i < repeats; ++i) {
    Times now = {TimeDecode(sample, output, DecodeOurs), TimeDecode(sample, output, DecodeZlib),
                 TimeDecode(sample, output, DecodeZlibChecked)};
    if (now.ours < 0 || now.zlib < 0 || now.zlibChecked < 0) {
      std::fprintf(stderr, "%s: %s decode failed\n", sample.name.c_str(),
                   now.ours < 0 ? "our" : "zlib");
      return false;
    }
    best = Times{std::min(best.ours, now.ours), std::min(best.zlib, now.zlib),
                 std::min(best.zlibChecked, now.zlibChecked)};
  }
  return true;
}

double Rate(size_t bytes, double seconds) {
  return bytes / seconds / 1e6;
}

void PrintRates(const char* name, size_t bytes, const Times& times) {
  std::printf("%-22s %10zu %12.1f %12.1f %7.2f %16.1f %7.2f\n", name, bytes,
              Rate(bytes, times.ours), Rate(bytes, times.zlib), times.zlib / times.ours,
              Rate(bytes, times.zlibChecked), times.zlibChecked / times.ours);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: inflate_bench CORPUS_DIR [REPEATS]\n");
    return 2;
  }
  int repeats = argc > 2 ? std::atoi(argv[2]) : 10;
  std::vector<Sample> samples;
  if (!LoadCorpus(argv[1], samples)) return 1;
  std::printf("%zu-bit build, zlib %s, best of %d rounds\n", sizeof(void*) * 8, zlibVersion(),
              repeats);
  std::printf("%-22s %10s %12s %12s %7s %16s %7s\n", "stream", "output", "ours MB/s", "zlib MB/s",
              "ratio", "zlib+crc32 MB/s", "ratio");
  Times total = {0, 0, 0};
  size_t bytesTotal = 0;
  for (const Sample& sample : samples) {
    Times times;
    if (!TimeDecoders(sample, repeats, times)) return 1;
    PrintRates(sample.name.c_str(), sample.raw.size(), times);
    total = Times{total.ours + times.ours, total.zlib + times.zlib,
                  total.zlibChecked + times.zlibChecked};
    bytesTotal += sample.raw.size();
  }
  PrintRates("overall", bytesTotal, total);
  return 0;
}
