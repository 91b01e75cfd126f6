// The key the page codec encrypts a database with: PBKDF2-HMAC-SHA256 of the passphrase and
// the 16-byte salt at the start of the file, 64,007 rounds, 32 bytes; the same derivation the
// codec makes when it is handed the passphrase, made here with the processor's SHA
// instructions where it has them, and made once per process for a passphrase and salt: a
// process that opens the same database again reuses it. Derived keys are wiped at exit.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sqlite {

struct DerivedKey {
  unsigned char bytes[32];
};

class KeyDerivation {
 public:
  static constexpr size_t kSaltBytes = 16;
  static constexpr uint32_t kRounds = 64007;

  // PBKDF2-HMAC-SHA256 with one 32-byte output block.
  static DerivedKey Derive(const unsigned char* passphrase, size_t passphraseBytes, const unsigned char* salt,
                           size_t saltBytes, uint32_t rounds);
  // The codec's key for this passphrase and salt, derived at the first request of the process.
  static DerivedKey CodecKey(const unsigned char* passphrase, size_t passphraseBytes,
                             const unsigned char salt[kSaltBytes]);
  // Overwrites the keys kept so far (also done at exit).
  static void Forget();
  // Derivations made by CodecKey (for tests of the reuse).
  static uint64_t Derivations();
};

// Overwrites memory in a way the compiler may not leave out.
void Wipe(void* data, size_t size);

}  // namespace sqlite
