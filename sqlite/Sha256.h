// SHA-256 for the derivation of the database key: the compression function on one 64-byte
// block given as sixteen big-endian words (their numeric values), with the processor's SHA
// instructions where it has them and portable code otherwise.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sqlite {

class Sha256 {
 public:
  static constexpr uint32_t kInitial[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                           0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

  // Adds one block to the state.
  static void Compress(uint32_t state[8], const uint32_t block[16]);
  // The portable compression, whatever the processor has (for tests that compare the two).
  static void CompressPortable(uint32_t state[8], const uint32_t block[16]);
  // True when Compress uses the processor's SHA instructions.
  static bool UsesShaInstructions();

  // A 64-byte block as sixteen big-endian words, and a state as its 32 digest bytes.
  static void LoadBlock(const unsigned char bytes[64], uint32_t block[16]);
  static void StoreState(const uint32_t state[8], unsigned char out[32]);

  // The digest of a whole message, for tests and for keys longer than a block.
  static void Digest(const unsigned char* data, size_t size, unsigned char out[32]);
};

}  // namespace sqlite
