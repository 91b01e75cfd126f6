#include "sqlite/Sha256.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define QV_SHA256_X86 1
#endif

namespace sqlite {
namespace {

alignas(16) constexpr uint32_t kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

inline uint32_t Rotr(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

#ifdef QV_SHA256_X86
__attribute__((target("sha,sse4.1,ssse3"))) void CompressShaNi(uint32_t state[8], const uint32_t block[16]) {
  // The state as the instructions want it: ABEF and CDGH.
  __m128i tmp = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0xB1);      // CDAB
  __m128i state1 = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4)), 0x1B);  // EFGH
  __m128i state0 = _mm_alignr_epi8(tmp, state1, 8);       // ABEF
  state1 = _mm_blend_epi16(state1, tmp, 0xF0);            // CDGH
  const __m128i abefSaved = state0;
  const __m128i cdghSaved = state1;

  // The words are numbers already: no byte swap.
  __m128i words[4];
  for (int i = 0; i < 4; ++i) words[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 4 * i));
  // Four rounds per group; the message schedule of later groups is made along the way.
  for (int g = 0; g < 16; ++g) {
    __m128i message = _mm_add_epi32(words[g & 3], _mm_load_si128(reinterpret_cast<const __m128i*>(kRound + 4 * g)));
    state1 = _mm_sha256rnds2_epu32(state1, state0, message);
    if (g >= 3 && g <= 14) {
      __m128i& next = words[(g + 1) & 3];
      next = _mm_add_epi32(next, _mm_alignr_epi8(words[g & 3], words[(g - 1) & 3], 4));
      next = _mm_sha256msg2_epu32(next, words[g & 3]);
    }
    message = _mm_shuffle_epi32(message, 0x0E);
    state0 = _mm_sha256rnds2_epu32(state0, state1, message);
    if (g >= 1 && g <= 12) words[(g - 1) & 3] = _mm_sha256msg1_epu32(words[(g - 1) & 3], words[g & 3]);
  }

  state0 = _mm_add_epi32(state0, abefSaved);
  state1 = _mm_add_epi32(state1, cdghSaved);
  tmp = _mm_shuffle_epi32(state0, 0x1B);     // FEBA
  state1 = _mm_shuffle_epi32(state1, 0xB1);  // DCHG
  state0 = _mm_blend_epi16(tmp, state1, 0xF0);  // DCBA
  state1 = _mm_alignr_epi8(state1, tmp, 8);     // HGFE
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state), state0);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), state1);
}

bool HasShaInstructions() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
  const bool sse41 = (c & (1u << 19)) != 0;
  const bool ssse3 = (c & (1u << 9)) != 0;
  if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
  const bool sha = (b & (1u << 29)) != 0;
  return sse41 && ssse3 && sha;
}
#endif

bool ShaInstructions() {
#ifdef QV_SHA256_X86
  static const bool has = HasShaInstructions();
  return has;
#else
  return false;
#endif
}

}  // namespace

void Sha256::CompressPortable(uint32_t state[8], const uint32_t block[16]) {
  // Unrolled: the rounds' renaming of a..h then costs nothing.
  uint32_t w[64];
  std::memcpy(w, block, sizeof(uint32_t) * 16);
#pragma GCC unroll 48
  for (int i = 16; i < 64; ++i) {
    const uint32_t s0 = Rotr(w[i - 15], 7) ^ Rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
    const uint32_t s1 = Rotr(w[i - 2], 17) ^ Rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
    w[i] = w[i - 16] + s0 + w[i - 7] + s1;
  }
  uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
#pragma GCC unroll 64
  for (int i = 0; i < 64; ++i) {
    const uint32_t t1 = h + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) + ((e & f) ^ (~e & g)) + kRound[i] + w[i];
    const uint32_t t2 = (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
    h = g;
    g = f;
    f = e;
    e = d + t1;
    d = c;
    c = b;
    b = a;
    a = t1 + t2;
  }
  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
  state[4] += e;
  state[5] += f;
  state[6] += g;
  state[7] += h;
}

bool Sha256::UsesShaInstructions() { return ShaInstructions(); }

void Sha256::Compress(uint32_t state[8], const uint32_t block[16]) {
#ifdef QV_SHA256_X86
  if (ShaInstructions()) {
    CompressShaNi(state, block);
    return;
  }
#endif
  CompressPortable(state, block);
}

void Sha256::LoadBlock(const unsigned char bytes[64], uint32_t block[16]) {
  for (int i = 0; i < 16; ++i) {
    block[i] = static_cast<uint32_t>(bytes[4 * i]) << 24 | static_cast<uint32_t>(bytes[4 * i + 1]) << 16 |
               static_cast<uint32_t>(bytes[4 * i + 2]) << 8 | bytes[4 * i + 3];
  }
}

void Sha256::StoreState(const uint32_t state[8], unsigned char out[32]) {
  for (int i = 0; i < 8; ++i) {
    out[4 * i] = static_cast<unsigned char>(state[i] >> 24);
    out[4 * i + 1] = static_cast<unsigned char>(state[i] >> 16);
    out[4 * i + 2] = static_cast<unsigned char>(state[i] >> 8);
    out[4 * i + 3] = static_cast<unsigned char>(state[i]);
  }
}

void Sha256::Digest(const unsigned char* data, size_t size, unsigned char out[32]) {
  uint32_t state[8];
  std::memcpy(state, kInitial, sizeof state);
  unsigned char tail[128] = {};
  const size_t whole = size / 64;
  uint32_t block[16];
  for (size_t i = 0; i < whole; ++i) {
    LoadBlock(data + 64 * i, block);
    Compress(state, block);
  }
  const size_t rest = size - 64 * whole;
  if (rest > 0) std::memcpy(tail, data + 64 * whole, rest);
  tail[rest] = 0x80;
  const size_t tailBlocks = rest + 9 > 64 ? 2 : 1;
  const uint64_t bits = static_cast<uint64_t>(size) * 8;
  for (int i = 0; i < 8; ++i) tail[tailBlocks * 64 - 1 - i] = static_cast<unsigned char>(bits >> (8 * i));
  for (size_t i = 0; i < tailBlocks; ++i) {
    LoadBlock(tail + 64 * i, block);
    Compress(state, block);
  }
  StoreState(state, out);
}

}  // namespace sqlite
