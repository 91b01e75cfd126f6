// The database key derived here must be the codec's own: files made by either way open by the
// other, and the derivation matches the published PBKDF2-HMAC-SHA256 results.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "sqlite/Database.h"
#include "sqlite/KeyDerivation.h"
#include "sqlite/Query.h"
#include "sqlite/Sha256.h"
#include "sqlite3.h"
#include "testsupport/TempDir.h"

namespace {

std::string Hex(const unsigned char* bytes, size_t size) {
  std::string text;
  char two[3];
  for (size_t i = 0; i < size; ++i) {
    std::snprintf(two, sizeof two, "%02x", bytes[i]);
    text += two;
  }
  return text;
}

std::string DigestHex(const std::string& message) {
  unsigned char out[32];
  sqlite::Sha256::Digest(reinterpret_cast<const unsigned char*>(message.data()), message.size(), out);
  return Hex(out, sizeof out);
}

std::string Pbkdf2Hex(const char* passphrase, const char* salt, uint32_t rounds) {
  const sqlite::DerivedKey key =
      sqlite::KeyDerivation::Derive(reinterpret_cast<const unsigned char*>(passphrase), std::strlen(passphrase),
                                    reinterpret_cast<const unsigned char*>(salt), std::strlen(salt), rounds);
  return Hex(key.bytes, sizeof key.bytes);
}

sqlite::KeyRecord Passphrase(const char* text) {
  sqlite::KeyRecord key;
  key.length = static_cast<uint32_t>(std::strlen(text));
  std::memcpy(key.bytes, text, key.length);
  return key;
}

// A database keyed the codec's own way, with the passphrase itself: how every store was made
// before the key was derived here.
void WriteWithPassphrase(const std::string& path, const sqlite::KeyRecord& key, const char* sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_key(db, key.bytes, static_cast<int>(key.length)), SQLITE_OK);
  char* error = nullptr;
  EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
  sqlite3_free(error);
  sqlite3_close(db);
}

std::string ReadWithPassphrase(const std::string& path, const sqlite::KeyRecord& key, const char* sql) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_key(db, key.bytes, static_cast<int>(key.length));
  std::string result;
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW) {
    result = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
  } else {
    result = std::string("error: ") + sqlite3_errmsg(db);
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return result;
}

}  // namespace

TEST(KeyDerivation, Sha256AndPbkdf2GiveThePublishedResults) {
  EXPECT_EQ(DigestHex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(DigestHex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  // 56 bytes: the padding needs a second block.
  EXPECT_EQ(DigestHex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");

  EXPECT_EQ(Pbkdf2Hex("password", "salt", 1), "120fb6cffcf8b32c43e7225256c4f837a86548c92ccc35480805987cb70be17b");
  EXPECT_EQ(Pbkdf2Hex("password", "salt", 2), "ae4d0c95af6b46d32d0adff928f06dd02a303f8ef3c251dfd6e2d85a95474c43");
  EXPECT_EQ(Pbkdf2Hex("password", "salt", 4096), "c5e478d59288c841aa530db6845c4c8d962893a001ce4e11a4963873aa98134a");
  EXPECT_EQ(Pbkdf2Hex("passwd", "salt", 1), "55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc");
  // A passphrase longer than the HMAC block is hashed first: it derives what its digest does.
  const std::string longPassphrase(100, 'p');
  unsigned char digest[32];
  sqlite::Sha256::Digest(reinterpret_cast<const unsigned char*>(longPassphrase.data()), longPassphrase.size(), digest);
  const sqlite::DerivedKey ofDigest = sqlite::KeyDerivation::Derive(
      digest, sizeof digest, reinterpret_cast<const unsigned char*>("salt"), 4, 1);
  EXPECT_EQ(Pbkdf2Hex(longPassphrase.c_str(), "salt", 1), Hex(ofDigest.bytes, sizeof ofDigest.bytes));
  EXPECT_NE(Pbkdf2Hex(longPassphrase.c_str(), "salt", 1), Pbkdf2Hex(longPassphrase.substr(0, 64).c_str(), "salt", 1));
}

TEST(KeyDerivation, ProcessorInstructionsAgreeWithThePortableCompression) {
  if (!sqlite::Sha256::UsesShaInstructions()) GTEST_SKIP() << "no SHA instructions on this processor";
  std::mt19937 random(20261208);
  for (int round = 0; round < 200; ++round) {
    uint32_t block[16], a[8], b[8];
    for (uint32_t& word : block) word = random();
    for (int i = 0; i < 8; ++i) a[i] = b[i] = random();
    sqlite::Sha256::Compress(a, block);
    sqlite::Sha256::CompressPortable(b, block);
    ASSERT_EQ(std::memcmp(a, b, sizeof a), 0) << "round " << round;
  }
}

TEST(KeyDerivation, FilesOfEitherKeyingOpenByTheOther) {
  testsupport::TempDir dir;
  const sqlite::KeyRecord key = Passphrase("0123456789abcdef");

  // Made with the passphrase (the codec derives), opened here (derived here, handed over raw).
  const std::string older = dir.File("older.db");
  WriteWithPassphrase(older, key, "CREATE TABLE t(v TEXT); INSERT INTO t VALUES('made by the codec');");
  {
    sqlite::Database db;
    db.Open(key, older.c_str());
    db.CheckReadable();
    sqlite::Query query(db);
    query.Prepare("SELECT v FROM t");
    ASSERT_TRUE(query.Step());
    EXPECT_EQ(query.StringColumn(0), "made by the codec");
    db.Execute("INSERT INTO t VALUES('written here')");
  }
  EXPECT_EQ(ReadWithPassphrase(older, key, "SELECT group_concat(v, '|') FROM t"), "made by the codec|written here");

  // Made here, with a salt of its own, opened with the passphrase.
  const std::string newer = dir.File("newer.db");
  {
    sqlite::Database db;
    db.Open(key, newer.c_str());
    db.Execute("CREATE TABLE t(v TEXT); INSERT INTO t VALUES('made here')");
  }
  EXPECT_EQ(ReadWithPassphrase(newer, key, "SELECT v FROM t"), "made here");
  EXPECT_EQ(ReadWithPassphrase(newer, Passphrase("fedcba9876543210"), "SELECT v FROM t").rfind("error: ", 0), 0u);

  // Two new files get different salts, so different keys.
  const std::string third = dir.File("third.db");
  {
    sqlite::Database db;
    db.Open(key, third.c_str());
    db.Execute("CREATE TABLE t(v TEXT)");
  }
  EXPECT_NE(testsupport::ReadAll(newer).substr(0, 16), testsupport::ReadAll(third).substr(0, 16));
}

TEST(KeyDerivation, AKeyIsDerivedOncePerPassphraseAndSalt) {
  testsupport::TempDir dir;
  const sqlite::KeyRecord key = Passphrase("kept-key-test");
  const std::string path = dir.File("kept.db");
  const uint64_t before = sqlite::KeyDerivation::Derivations();
  for (int open = 0; open < 3; ++open) {
    sqlite::Database db;
    db.Open(key, path.c_str());
    if (open == 0) db.Execute("CREATE TABLE t(v)");
    db.CheckReadable();
  }
  // The new file's salt, then the same salt at the two later opens.
  EXPECT_EQ(sqlite::KeyDerivation::Derivations() - before, 1u);

  // Another passphrase on the same file is derived (and fails to read), not taken for the first.
  sqlite::Database other;
  other.Open(Passphrase("another-key"), path.c_str());
  EXPECT_THROW(other.CheckReadable(), sqlite::SqlError);
  EXPECT_EQ(sqlite::KeyDerivation::Derivations() - before, 2u);

  sqlite::KeyDerivation::Forget();
  sqlite::Database again;
  again.Open(key, path.c_str());
  again.CheckReadable();
  EXPECT_EQ(sqlite::KeyDerivation::Derivations() - before, 3u);
}

TEST(KeyDerivation, ACopyMadeWithTheSourcesSaltNeedsNoDerivationOfItsOwn) {
  testsupport::TempDir dir;
  const sqlite::KeyRecord key = Passphrase("copy-salt-test");
  sqlite::Database source;
  source.Open(key, dir.File("source.db").c_str());
  source.Execute("CREATE TABLE T (V TEXT); INSERT INTO T VALUES ('kept')");
  const uint64_t before = sqlite::KeyDerivation::Derivations();

  {
    sqlite::Database copy;
    copy.Open(key, dir.File("copy.db").c_str(), &source);
    copy.CopyFrom(source);
  }
  // Opened again as a restore opens it: the salt on the file is the source's.
  sqlite::Database reopened;
  reopened.Open(key, dir.File("copy.db").c_str());
  reopened.CheckWhole();
  sqlite::Query row(reopened);
  row.Prepare("SELECT V FROM T");
  ASSERT_TRUE(row.Step());
  EXPECT_STREQ(row.StringColumn(0).c_str(), "kept");
  EXPECT_EQ(sqlite::KeyDerivation::Derivations() - before, 0u);

  // Without the source's salt a new file has a salt, and a key, of its own.
  sqlite::Database fresh;
  fresh.Open(key, dir.File("fresh.db").c_str());
  fresh.CopyFrom(source);
  EXPECT_EQ(sqlite::KeyDerivation::Derivations() - before, 1u);
  // The copy is no clear-text file: another passphrase cannot read it.
  sqlite::Database other;
  other.Open(Passphrase("not-the-key"), dir.File("copy.db").c_str());
  EXPECT_THROW(other.CheckReadable(), sqlite::SqlError);
}
