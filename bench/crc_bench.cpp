// Measures the CRC-32 that checks every member (as dispatched on this
// processor, and its portable table code alone) against the system zlib's
// crc32, and prints the rate of each and the ratios.
//
//   crc_bench [ROUNDS]
//
// Two shapes of input: the 32 KiB windows the decoder hands over, again and
// again over the same cached bytes, and one pass over 64 MiB.
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "archive/crc32.h"

namespace {

using Clock = std::chrono::steady_clock;
using Crc = uint32_t (*)(uint32_t, const unsigned char*, size_t);

constexpr size_t kWindow = 32768;
constexpr size_t kTotal = 64 << 20;

uint32_t ZlibCrc(uint32_t crc, const unsigned char* bytes, size_t count) {
  return static_cast<uint32_t>(crc32(crc, bytes, static_cast<uInt>(count)));
}

// Seconds to run `crc` over kTotal bytes taken `piece` at a time from the
// buffer, which wraps around; the result goes to *value.
double TimeCrc(Crc crc, const std::vector<unsigned char>& buffer, size_t piece, uint32_t* value) {
  auto start = Clock::now();
  uint32_t result = 0;
  for (size_t done = 0; done < kTotal; done += piece)
    result = crc(result, buffer.data() + done % buffer.size(), piece);
  *value = result;
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double Rate(double seconds) {
  return kTotal / seconds / 1e6;
}

// Best of `rounds`, the three taking turns so that a busy machine slows all
// alike. False when they disagree on the value.
bool MeasureShape(const char* name, const std::vector<unsigned char>& buffer, size_t piece,
                  int rounds) {
  const Crc crcs[] = {UpdateCrc32, UpdateCrc32Portable, ZlibCrc};
  double best[3] = {1e9, 1e9, 1e9};
  for (int round = 0; round < rounds; ++round) {
    uint32_t values[3];
    for (int i = 0; i < 3; ++i)
      best[i] = std::min(best[i], TimeCrc(crcs[i], buffer, piece, &values[i]));
    if (values[0] != values[2] || values[1] != values[2]) {
      std::fprintf(stderr, "%s: the CRCs differ from zlib's\n", name);
      return false;
    }
  }
  std::printf("%-16s %10.1f %10.1f %10.1f %10.2f %10.2f\n", name, Rate(best[0]), Rate(best[1]),
              Rate(best[2]), best[2] / best[0], best[2] / best[1]);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
  std::mt19937 random(32);
  std::vector<unsigned char> window(kWindow), large(kTotal);
  for (unsigned char& byte : window) byte = static_cast<unsigned char>(random());
  for (unsigned char& byte : large) byte = static_cast<unsigned char>(random());
  std::printf("%-16s %10s %10s %10s %10s %10s\n", "input", "ours MB/s", "table MB/s", "zlib MB/s",
              "ours/zlib", "table/zlib");
  bool same = MeasureShape("32 KiB windows", window, kWindow, rounds) &&
              MeasureShape("64 MiB at once", large, kTotal, rounds);
  return same ? 0 : 1;
}
