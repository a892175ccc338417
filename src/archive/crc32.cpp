#include "archive/crc32.h"

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#define CRC32_CARRYLESS 1
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace {

constexpr uint32_t kReflectedPolynomial = 0xEDB88320;

// gTables[k][b]: how byte b changes the CRC when k zero bytes follow it, so
// that eight bytes take eight independent look-ups.
uint32_t gTables[8][256];
bool gTablesBuilt = false;

void BuildTables() {
  for (uint32_t byte = 0; byte < 256; ++byte) {
    uint32_t crc = byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (kReflectedPolynomial & (0u - (crc & 1u)));
    gTables[0][byte] = crc;
  }
  for (int k = 1; k < 8; ++k) {
    for (int byte = 0; byte < 256; ++byte) {
      uint32_t previous = gTables[k - 1][byte];
      gTables[k][byte] = (previous >> 8) ^ gTables[0][previous & 0xFF];
    }
  }
}

// Little-endian whatever the host, and without alignment.
inline uint32_t Load32(const unsigned char* bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

// Runs the tables over the bytes; `state` is the CRC register (the CRC inverted).
uint32_t RunTables(uint32_t state, const unsigned char* bytes, size_t count) {
  for (; count >= 8; count -= 8, bytes += 8) {
    uint32_t one = state ^ Load32(bytes);
    uint32_t two = Load32(bytes + 4);
    state = gTables[7][one & 0xFF] ^ gTables[6][(one >> 8) & 0xFF] ^
            gTables[5][(one >> 16) & 0xFF] ^ gTables[4][one >> 24] ^ gTables[3][two & 0xFF] ^
            gTables[2][(two >> 8) & 0xFF] ^ gTables[1][(two >> 16) & 0xFF] ^ gTables[0][two >> 24];
  }
  for (; count > 0; --count) state = (state >> 8) ^ gTables[0][(state ^ *bytes++) & 0xFF];
  return state;
}

#ifdef CRC32_CARRYLESS

// Folding: a 16-byte block B followed by D more bits of the message is worth
// B * x^D mod P to the CRC. Its first 8 bytes (H) hold the higher powers, so
// B * x^D = H * x^(64+D) + L * x^D, and each product of a 64-bit half with a
// 32-bit remainder of x^n fits 128 bits again. The bytes are bit-reflected
// (a byte's bit 0 is the highest power), so the constants are too, and the
// reflected product comes out one place higher: hence x^(n-1).
bool gHasCarrylessMultiply = false;
// The same on 32-byte registers: two blocks folded at once.
bool gHasWideCarrylessMultiply = false;
uint64_t gFold128[2];   // x^191 and x^127 mod P: to fold one block onto the next
uint64_t gFold512[2];   // x^575 and x^511 mod P: to fold across four blocks
uint64_t gFold1024[4];  // x^1087 and x^1023 mod P, twice: to fold across eight

// x^power mod P, reflected into the upper half of a 64-bit lane: the
// coefficient of x^d at bit 63 - d.
uint64_t ReflectedPowerOfX(unsigned power) {
  uint32_t remainder = 0x80000000;  // x^0
  for (unsigned i = 0; i < power; ++i)
    remainder = (remainder >> 1) ^ (kReflectedPolynomial & (0u - (remainder & 1u)));
  return static_cast<uint64_t>(remainder) << 32;
}

// Whether the system saves the 32-byte registers on a task switch: on an older
// one, the processor may have them while no program can use them.
bool SystemKeepsWideRegisters(unsigned cpuidEcx) {
  if ((cpuidEcx & bit_OSXSAVE) == 0 || (cpuidEcx & bit_AVX) == 0) return false;
  unsigned low = 0, high = 0;
  __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
  return (low & 6) == 6;  // the 16- and 32-byte register states
}

bool HasWideCarrylessMultiply(unsigned cpuidEcx) {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  return SystemKeepsWideRegisters(cpuidEcx) && __get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) &&
         (ebx & bit_AVX2) && (ecx & bit_VPCLMULQDQ);
}

void PrepareCarrylessMultiply() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  gHasCarrylessMultiply =
      __get_cpuid(1, &eax, &ebx, &ecx, &edx) != 0 && (ecx & bit_PCLMUL) && (edx & bit_SSE2);
  gHasWideCarrylessMultiply = gHasCarrylessMultiply && HasWideCarrylessMultiply(ecx);
  gFold128[0] = ReflectedPowerOfX(191);
  gFold128[1] = ReflectedPowerOfX(127);
  gFold512[0] = ReflectedPowerOfX(575);
  gFold512[1] = ReflectedPowerOfX(511);
  gFold1024[0] = gFold1024[2] = ReflectedPowerOfX(1087);
  gFold1024[1] = gFold1024[3] = ReflectedPowerOfX(1023);
}

// 32-bit Windows keeps the stack only 4-byte aligned; the vector code wants 16.
#ifdef __i386__
#define CARRYLESS_CODE __attribute__((target("pclmul,sse2"), force_align_arg_pointer))
#define WIDE_CARRYLESS_CODE \
  __attribute__((target("pclmul,avx2,vpclmulqdq"), force_align_arg_pointer))
#else
#define CARRYLESS_CODE __attribute__((target("pclmul,sse2")))
#define WIDE_CARRYLESS_CODE __attribute__((target("pclmul,avx2,vpclmulqdq")))
#endif

// block * x^D + next, with x^(64+D-1) and x^(D-1) in the constants' halves.
CARRYLESS_CODE inline __m128i Fold(__m128i block, __m128i constants, __m128i next) {
  __m128i first = _mm_clmulepi64_si128(block, constants, 0x00);
  __m128i second = _mm_clmulepi64_si128(block, constants, 0x11);
  return _mm_xor_si128(_mm_xor_si128(first, second), next);
}

CARRYLESS_CODE inline __m128i Load128(const unsigned char* bytes) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
}

// Folds the whole 16-byte blocks left onto `block`, then gives the CRC
// register of it all, which the tables work out from the one block left.
CARRYLESS_CODE uint32_t FinishFolding(__m128i block, const unsigned char*& bytes, size_t& count) {
  const __m128i by128 =
      _mm_set_epi64x(static_cast<long long>(gFold128[1]), static_cast<long long>(gFold128[0]));
  for (; count >= 16; bytes += 16, count -= 16) block = Fold(block, by128, Load128(bytes));
  unsigned char last[16];
  _mm_storeu_si128(reinterpret_cast<__m128i*>(last), block);
  return RunTables(0, last, sizeof last);
}

// Folds at least 64 bytes down to one 16-byte block that has the same CRC,
// which the tables then finish; `count` is left with the bytes not taken.
CARRYLESS_CODE uint32_t RunCarrylessMultiply(uint32_t state, const unsigned char*& bytes,
                                             size_t& count) {
  const __m128i by512 =
      _mm_set_epi64x(static_cast<long long>(gFold512[1]), static_cast<long long>(gFold512[0]));
  const __m128i by128 =
      _mm_set_epi64x(static_cast<long long>(gFold128[1]), static_cast<long long>(gFold128[0]));
  // The register goes into the message's first four bytes.
  __m128i a = _mm_xor_si128(Load128(bytes), _mm_cvtsi32_si128(static_cast<int>(state)));
  __m128i b = Load128(bytes + 16), c = Load128(bytes + 32), d = Load128(bytes + 48);
  for (bytes += 64, count -= 64; count >= 64; bytes += 64, count -= 64) {
    a = Fold(a, by512, Load128(bytes));
    b = Fold(b, by512, Load128(bytes + 16));
    c = Fold(c, by512, Load128(bytes + 32));
    d = Fold(d, by512, Load128(bytes + 48));
  }
  return FinishFolding(Fold(Fold(Fold(a, by128, b), by128, c), by128, d), bytes, count);
}

WIDE_CARRYLESS_CODE inline __m256i FoldWide(__m256i blocks, __m256i constants, __m256i next) {
  __m256i first = _mm256_clmulepi64_epi128(blocks, constants, 0x00);
  __m256i second = _mm256_clmulepi64_epi128(blocks, constants, 0x11);
  return _mm256_xor_si256(_mm256_xor_si256(first, second), next);
}

WIDE_CARRYLESS_CODE inline __m256i Load256(const unsigned char* bytes) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes));
}

// Folds a pair of blocks onto `block`, the one before them, in their order.
WIDE_CARRYLESS_CODE inline __m128i FoldPair(__m128i block, __m128i constants, __m256i pair) {
  block = Fold(block, constants, _mm256_castsi256_si128(pair));
  return Fold(block, constants, _mm256_extracti128_si256(pair, 1));
}

// As RunCarrylessMultiply, eight blocks at a time in four pairs, over at
// least 128 bytes.
WIDE_CARRYLESS_CODE uint32_t RunWideCarrylessMultiply(uint32_t state, const unsigned char*& bytes,
                                                      size_t& count) {
  const __m256i by1024 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(gFold1024));
  const __m128i by128 =
      _mm_set_epi64x(static_cast<long long>(gFold128[1]), static_cast<long long>(gFold128[0]));
  __m256i a = _mm256_xor_si256(Load256(bytes),
                               _mm256_zextsi128_si256(_mm_cvtsi32_si128(static_cast<int>(state))));
  __m256i b = Load256(bytes + 32), c = Load256(bytes + 64), d = Load256(bytes + 96);
  for (bytes += 128, count -= 128; count >= 128; bytes += 128, count -= 128) {
    a = FoldWide(a, by1024, Load256(bytes));
    b = FoldWide(b, by1024, Load256(bytes + 32));
    c = FoldWide(c, by1024, Load256(bytes + 64));
    d = FoldWide(d, by1024, Load256(bytes + 96));
  }
  __m128i block = Fold(_mm256_castsi256_si128(a), by128, _mm256_extracti128_si256(a, 1));
  block = FoldPair(FoldPair(FoldPair(block, by128, b), by128, c), by128, d);
  return FinishFolding(block, bytes, count);
}

#endif

void PrepareTables() {
  BuildTables();
#ifdef CRC32_CARRYLESS
  PrepareCarrylessMultiply();
#endif
  gTablesBuilt = true;
}

}  // namespace

uint32_t UpdateCrc32(uint32_t crc, const unsigned char* bytes, size_t count) {
  if (!gTablesBuilt) PrepareTables();
  uint32_t state = ~crc;
#ifdef CRC32_CARRYLESS
  if (count >= 128 && gHasWideCarrylessMultiply)
    state = RunWideCarrylessMultiply(state, bytes, count);
  else if (count >= 64 && gHasCarrylessMultiply)
    state = RunCarrylessMultiply(state, bytes, count);
#endif
  return ~RunTables(state, bytes, count);
}

uint32_t UpdateCrc32Portable(uint32_t crc, const unsigned char* bytes, size_t count) {
  if (!gTablesBuilt) PrepareTables();
  return ~RunTables(~crc, bytes, count);
}
