#include "sqlite/KeyDerivation.h"

#include <cstring>
#include <mutex>
#include <vector>

#include "sqlite/Sha256.h"

namespace sqlite {
namespace {

constexpr size_t kBlockBytes = 64;
constexpr size_t kMaxPassphraseBytes = 64;  // the longest passphrase the kept keys hold

// The state after the HMAC key block padded with `pad`.
void PadState(const unsigned char key[kBlockBytes], unsigned char pad, uint32_t state[8]) {
  unsigned char padded[kBlockBytes];
  for (size_t i = 0; i < kBlockBytes; ++i) padded[i] = static_cast<unsigned char>(key[i] ^ pad);
  uint32_t block[16];
  Sha256::LoadBlock(padded, block);
  std::memcpy(state, Sha256::kInitial, sizeof(uint32_t) * 8);
  Sha256::Compress(state, block);
  Wipe(padded, sizeof padded);
  Wipe(block, sizeof block);
}

// The state `start` (after a key block) with a 32-byte message, `digest`, added as the final
// block: the digest, the padding and the length of the key block plus 32 bytes; into `out`.
void Finish(const uint32_t start[8], const uint32_t digest[8], uint32_t out[8]) {
  uint32_t block[16] = {};
  std::memcpy(block, digest, sizeof(uint32_t) * 8);
  block[8] = 0x80000000u;
  block[15] = (kBlockBytes + 32) * 8;
  std::memcpy(out, start, sizeof(uint32_t) * 8);
  Sha256::Compress(out, block);
}

struct Kept {
  unsigned char passphrase[kMaxPassphraseBytes];
  size_t passphraseBytes;
  unsigned char salt[KeyDerivation::kSaltBytes];
  DerivedKey key;
};

constexpr size_t kKeptMax = 16;

// Keys derived by this process, wiped when it ends. A process opens few databases: a short
// list in place (no copies left behind in freed memory), the oldest replaced when it is full.
class KeptKeys {
 public:
  ~KeptKeys() { Forget(); }
  void Forget() {
    Wipe(m_keys, sizeof m_keys);
    m_count = 0;
    m_next = 0;
  }
  const Kept* Find(const unsigned char* passphrase, size_t passphraseBytes, const unsigned char* salt) const {
    for (size_t i = 0; i < m_count; ++i) {
      const Kept& kept = m_keys[i];
      if (kept.passphraseBytes == passphraseBytes && std::memcmp(kept.passphrase, passphrase, passphraseBytes) == 0 &&
          std::memcmp(kept.salt, salt, KeyDerivation::kSaltBytes) == 0) {
        return &kept;
      }
    }
    return nullptr;
  }
  void Add(const unsigned char* passphrase, size_t passphraseBytes, const unsigned char* salt, const DerivedKey& key) {
    Kept& kept = m_keys[m_next];
    Wipe(&kept, sizeof kept);
    std::memcpy(kept.passphrase, passphrase, passphraseBytes);
    kept.passphraseBytes = passphraseBytes;
    std::memcpy(kept.salt, salt, KeyDerivation::kSaltBytes);
    kept.key = key;
    m_next = (m_next + 1) % kKeptMax;
    if (m_count < kKeptMax) ++m_count;
  }

  std::mutex m_lock;
  uint64_t m_derivations = 0;

 private:
  Kept m_keys[kKeptMax] = {};
  size_t m_count = 0;
  size_t m_next = 0;
};

KeptKeys& Keys() {
  static KeptKeys keys;
  return keys;
}

}  // namespace

void Wipe(void* data, size_t size) {
  volatile unsigned char* bytes = static_cast<volatile unsigned char*>(data);
  for (size_t i = 0; i < size; ++i) bytes[i] = 0;
}

DerivedKey KeyDerivation::Derive(const unsigned char* passphrase, size_t passphraseBytes, const unsigned char* salt,
                                 size_t saltBytes, uint32_t rounds) {
  unsigned char key[kBlockBytes] = {};
  if (passphraseBytes > kBlockBytes) {
    Sha256::Digest(passphrase, passphraseBytes, key);
  } else if (passphraseBytes > 0) {
    std::memcpy(key, passphrase, passphraseBytes);
  }
  uint32_t inner[8], outer[8];
  PadState(key, 0x36, inner);
  PadState(key, 0x5c, outer);
  Wipe(key, sizeof key);

  // U1 = HMAC(passphrase, salt || 00 00 00 01), the message after the inner key block.
  std::vector<unsigned char> message(salt, salt + saltBytes);
  for (unsigned char byte : {0, 0, 0, 1}) message.push_back(byte);
  const size_t messageBytes = message.size();
  message.push_back(0x80);
  while ((message.size() + 8) % kBlockBytes != 0) message.push_back(0);
  const uint64_t bits = (kBlockBytes + messageBytes) * 8;
  for (int i = 7; i >= 0; --i) message.push_back(static_cast<unsigned char>(bits >> (8 * i)));
  uint32_t state[8];
  std::memcpy(state, inner, sizeof state);
  uint32_t block[16];
  for (size_t at = 0; at < message.size(); at += kBlockBytes) {
    Sha256::LoadBlock(message.data() + at, block);
    Sha256::Compress(state, block);
  }
  uint32_t u[8], t[8];
  Finish(outer, state, u);
  std::memcpy(t, u, sizeof t);

  // U(i) = HMAC(passphrase, U(i-1)): a 32-byte message after either key block, so the
  // inner hash is one padded block as the outer one is.
  for (uint32_t round = 1; round < rounds; ++round) {
    Finish(inner, u, state);
    Finish(outer, state, u);
    for (int i = 0; i < 8; ++i) t[i] ^= u[i];
  }

  DerivedKey derived;
  Sha256::StoreState(t, derived.bytes);
  Wipe(inner, sizeof inner);
  Wipe(outer, sizeof outer);
  Wipe(state, sizeof state);
  Wipe(u, sizeof u);
  Wipe(t, sizeof t);
  Wipe(block, sizeof block);
  Wipe(message.data(), message.size());
  return derived;
}

DerivedKey KeyDerivation::CodecKey(const unsigned char* passphrase, size_t passphraseBytes,
                                   const unsigned char salt[kSaltBytes]) {
  KeptKeys& keys = Keys();
  std::lock_guard<std::mutex> guard(keys.m_lock);
  const bool keepable = passphraseBytes <= kMaxPassphraseBytes;
  if (keepable) {
    if (const Kept* kept = keys.Find(passphrase, passphraseBytes, salt)) return kept->key;
  }
  const DerivedKey key = Derive(passphrase, passphraseBytes, salt, kSaltBytes, kRounds);
  ++keys.m_derivations;
  if (keepable) keys.Add(passphrase, passphraseBytes, salt, key);
  return key;
}

void KeyDerivation::Forget() {
  KeptKeys& keys = Keys();
  std::lock_guard<std::mutex> guard(keys.m_lock);
  keys.Forget();
}

uint64_t KeyDerivation::Derivations() {
  KeptKeys& keys = Keys();
  std::lock_guard<std::mutex> guard(keys.m_lock);
  return keys.m_derivations;
}

}  // namespace sqlite
