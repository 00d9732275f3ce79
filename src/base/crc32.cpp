#include "base/crc32.h"

#include <array>
#include <cstddef>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define BRENVIK_CRC_FOLDING 1
#endif

namespace brenvik {
namespace {

using CrcTables = std::array<std::array<std::uint32_t, 256>, 8>;

CrcTables MakeCrcTables() {
  CrcTables t{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
    t[0][i] = c;
  }
  for (std::size_t s = 1; s < 8; ++s) {
    for (std::size_t i = 0; i < 256; ++i) t[s][i] = (t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF];
  }
  return t;
}

const CrcTables& Tables() {
  static const CrcTables tables = MakeCrcTables();
  return tables;
}

std::uint32_t LoadLe32(const unsigned char* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}

// The working register (the CRC inverted) over n bytes, by table look-ups:
// slicing by eight, one look-up per byte and eight bytes per step.
std::uint32_t TableUpdate(std::uint32_t reg, const unsigned char* p, std::size_t n) {
  const CrcTables& t = Tables();
  while (n >= 8) {
    const std::uint32_t a = LoadLe32(p) ^ reg;
    const std::uint32_t b = LoadLe32(p + 4);
    reg = t[7][a & 0xFF] ^ t[6][(a >> 8) & 0xFF] ^ t[5][(a >> 16) & 0xFF] ^ t[4][a >> 24] ^
          t[3][b & 0xFF] ^ t[2][(b >> 8) & 0xFF] ^ t[1][(b >> 16) & 0xFF] ^ t[0][b >> 24];
    p += 8;
    n -= 8;
  }
  while (n-- > 0) reg = (reg >> 8) ^ t[0][(reg ^ *p++) & 0xFF];
  return reg;
}

#ifdef BRENVIK_CRC_FOLDING

// Folding with carry-less multiplication (the method of Gopal et al., "Fast
// CRC Computation for Generic Polynomials Using PCLMULQDQ Instruction",
// Intel 2009), with the constants of the bit-reflected CRC-32 polynomial:
// x^(4*128+32) mod P and x^(4*128-32) mod P fold 64 bytes, x^(128+32) and
// x^(128-32) fold 16, x^64 reduces to 64 bits, then a Barrett reduction with
// P itself and floor(x^64 / P).
constexpr std::uint64_t kFold64Low = 0x0154442bd4;
constexpr std::uint64_t kFold64High = 0x01c6e41596;
constexpr std::uint64_t kFold16Low = 0x01751997d0;
constexpr std::uint64_t kFold16High = 0x00ccaa009e;
constexpr std::uint64_t kTo64 = 0x0163cd6124;
constexpr std::uint64_t kPoly = 0x01db710641;
constexpr std::uint64_t kBarrett = 0x01f7011641;

__attribute__((target("pclmul,sse2"))) inline __m128i Fold(__m128i x, __m128i k, __m128i next) {
  const __m128i low = _mm_clmulepi64_si128(x, k, 0x00);
  const __m128i high = _mm_clmulepi64_si128(x, k, 0x11);
  return _mm_xor_si128(_mm_xor_si128(high, low), next);
}

__attribute__((target("pclmul,sse2"))) inline __m128i Load(const unsigned char* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// The working register over n bytes, n at least 64 and a multiple of 16.
__attribute__((target("pclmul,sse2"))) std::uint32_t FoldUpdate(std::uint32_t reg,
                                                                const unsigned char* p,
                                                                std::size_t n) {
  __m128i x1 = _mm_xor_si128(Load(p), _mm_cvtsi32_si128(static_cast<int>(reg)));
  __m128i x2 = Load(p + 16);
  __m128i x3 = Load(p + 32);
  __m128i x4 = Load(p + 48);
  p += 64;
  n -= 64;
  // Four lanes of 16 bytes, each folded over the next 64 bytes.
  const __m128i k64 =
      _mm_set_epi64x(static_cast<long long>(kFold64High), static_cast<long long>(kFold64Low));
  while (n >= 64) {
    x1 = Fold(x1, k64, Load(p));
    x2 = Fold(x2, k64, Load(p + 16));
    x3 = Fold(x3, k64, Load(p + 32));
    x4 = Fold(x4, k64, Load(p + 48));
    p += 64;
    n -= 64;
  }
  // The four lanes into one, then the rest 16 bytes at a time.
  const __m128i k16 =
      _mm_set_epi64x(static_cast<long long>(kFold16High), static_cast<long long>(kFold16Low));
  x1 = Fold(x1, k16, x2);
  x1 = Fold(x1, k16, x3);
  x1 = Fold(x1, k16, x4);
  while (n >= 16) {
    x1 = Fold(x1, k16, Load(p));
    p += 16;
    n -= 16;
  }
  // 128 bits to 64.
  const __m128i mask32 = _mm_set_epi32(0, -1, 0, -1);
  __m128i x2b = _mm_clmulepi64_si128(x1, k16, 0x10);
  x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), x2b);
  const __m128i k64to32 = _mm_set_epi64x(0, static_cast<long long>(kTo64));
  x2b = _mm_srli_si128(x1, 4);
  x1 = _mm_and_si128(x1, mask32);
  x1 = _mm_xor_si128(_mm_clmulepi64_si128(x1, k64to32, 0x00), x2b);
  // Barrett reduction to 32 bits.
  const __m128i poly =
      _mm_set_epi64x(static_cast<long long>(kBarrett), static_cast<long long>(kPoly));
  __m128i t = _mm_and_si128(x1, mask32);
  t = _mm_clmulepi64_si128(t, poly, 0x10);
  t = _mm_and_si128(t, mask32);
  t = _mm_clmulepi64_si128(t, poly, 0x00);
  x1 = _mm_xor_si128(x1, t);
  return static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(x1, 4)));
}

bool CanFold() {
  static const bool can = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse2");
  return can;
}

#endif

}  // namespace

std::uint32_t Crc32Tables(std::string_view bytes, std::uint32_t crc) {
  return ~TableUpdate(~crc, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

std::uint32_t Crc32(std::string_view bytes, std::uint32_t crc) {
  auto p = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t n = bytes.size();
  std::uint32_t reg = ~crc;
#ifdef BRENVIK_CRC_FOLDING
  if (n >= 64 && CanFold()) {
    const std::size_t bulk = n & ~std::size_t{15};
    reg = FoldUpdate(reg, p, bulk);
    p += bulk;
    n -= bulk;
  }
#endif
  return ~TableUpdate(reg, p, n);
}

}  // namespace brenvik
