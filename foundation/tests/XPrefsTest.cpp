#include "foundation/XPrefs.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>

#include <cerrno>
#endif

#include "foundation/XException.h"
#include "os/Os.h"
#include "os/OsFaults.h"
#include "testsupport/TempDir.h"

namespace {

// Every test works on its own key path in a throwaway hive: on POSIX the hive files live in a
// temporary folder; on Windows the build's Wine prefix is the throwaway registry.
class XPrefsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    os::SetEnv("XDG_CONFIG_HOME", m_userDir.Path());
    os::SetEnv("QV_MACHINE_HIVE_DIR", m_machineDir.Path());
    static int counter = 0;
    m_key = "Software\\QvTest\\Prefs" + std::to_string(os::TickCount()) + "_" + std::to_string(counter++);
  }

  void WriteMachine(const std::string& name, const std::string& text) {
    os::RegistryKey key;
    ASSERT_EQ(os::OpenRegistryKey(os::Hive::kLocalMachine, m_key, true, true, key), 0);
    ASSERT_EQ(os::WriteRegistryString(key, name, text), 0);
    os::CloseRegistryKey(key);
  }

  testsupport::TempDir m_userDir;
  testsupport::TempDir m_machineDir;
  std::string m_key;
};

class SamplePrefs : public XPrefs {
 public:
  explicit SamplePrefs(const std::string& key, const char* version = "1.0.0.0")
      : XPrefs(key.c_str(), version) {
    new XPrefInt(*this, "Count", &m_count, 7);
    new XPrefText(*this, "Name", &m_name, "none");
  }
  int32_t m_count = 0;
  XString m_name;
};

}  // namespace

TEST_F(XPrefsTest, MissingValuesKeepTheirDefaultsAndWrittenValuesReadBack) {
  XPrefs prefs(m_key.c_str(), "0.0.0.0");
  EXPECT_EQ(prefs.ReadInt("Absent", 42), 42);
  EXPECT_STREQ(prefs.ReadText("Absent", "dflt").c_str(), "dflt");
  prefs.WriteInt("Number", -5);
  prefs.WriteText("Text", "caf\xE9 \"quoted\"\nnext");
  EXPECT_EQ(prefs.ReadInt("number", 0), -5);  // names compare without case
  EXPECT_STREQ(prefs.ReadText("TEXT", "").c_str(), "caf\xE9 \"quoted\"\nnext");
}

TEST_F(XPrefsTest, AValueOnlyUnderTheMachineKeyIsReadFromThere) {
  WriteMachine("Shared", "from machine");
  XPrefs prefs(m_key.c_str(), "0.0.0.0");
  EXPECT_STREQ(prefs.ReadText("Shared", "").c_str(), "from machine");
  prefs.WriteText("Shared", "from user");
  EXPECT_STREQ(prefs.ReadText("Shared", "").c_str(), "from user");
}

// Where the machine key opens, every value written goes there as well, integers included.
TEST_F(XPrefsTest, ValuesWrittenReachTheMachineKeyToo) {
  WriteMachine("Shared", "from machine");
  XPrefs prefs(m_key.c_str(), "0.0.0.0");
  prefs.WriteInt("Count", -5);
  prefs.WriteText("Shared", "from user");
  os::RegistryKey key;
  ASSERT_EQ(os::OpenRegistryKey(os::Hive::kLocalMachine, m_key, true, false, key), 0);
  uint32_t count = 0;
  std::string shared;
  EXPECT_TRUE(os::ReadRegistryDword(key, "Count", count));
  EXPECT_EQ(count, 0xFFFFFFFBu);
  EXPECT_TRUE(os::ReadRegistryString(key, "Shared", shared));
  EXPECT_EQ(shared, "from user");
  os::CloseRegistryKey(key);
}

TEST_F(XPrefsTest, ATextLongerThanTheFirstBufferIsReadWhole) {
  std::string longText(700, 'x');
  longText[259] = 'y';
  longText.back() = 'z';
  XPrefs prefs(m_key.c_str(), "0.0.0.0");
  prefs.WriteText("Long", longText.c_str());
  EXPECT_EQ(prefs.ReadText("Long", "").ToStd(), longText);
}

TEST_F(XPrefsTest, AKeyPathWithATrailingSeparatorOpensTheSameKey) {
  XPrefs plain(m_key.c_str(), "0.0.0.0");
  plain.WriteInt("Same", 9);
  XPrefs trailing((m_key + "\\").c_str(), "0.0.0.0");
  EXPECT_EQ(trailing.ReadInt("Same", 0), 9);
}

TEST_F(XPrefsTest, WithoutAMachineKeyOnlyTheUserKeyIsWritten) {
  // A machine hive that cannot be written (a file where its folder should be) leaves the
  // machine key absent; the user key still takes the value.
  os::SetEnv("QV_MACHINE_HIVE_DIR", m_machineDir.File("not-a-folder"));
  testsupport::WriteAll(m_machineDir.File("not-a-folder"), "x");
  XPrefs prefs(m_key.c_str(), "0.0.0.0");
  prefs.Open(true, true);
  bool machine = prefs.HasMachineKey();
  prefs.Close();
  prefs.WriteInt("OnlyUser", 3);
  EXPECT_EQ(prefs.ReadInt("OnlyUser", 0), 3);
  if (os::kPathSeparator == '/') EXPECT_FALSE(machine);
}

TEST_F(XPrefsTest, TheWalkLoadsAndSavesItemsAndAVersionChangeSavesOnlyTheVersion) {
  {
    SamplePrefs prefs(m_key);
    prefs.LoadOrSave(true);
    EXPECT_EQ(prefs.m_count, 7);
    EXPECT_STREQ(prefs.m_name.c_str(), "none");
    prefs.m_count = 11;
    prefs.m_name = "eleven";
    prefs.LoadOrSave(false);  // stored version 0.0.0.0 differs from 1.0.0.0: version only
  }
  {
    SamplePrefs prefs(m_key);
    prefs.LoadOrSave(true);
    EXPECT_EQ(prefs.VersionItem().Value(), XPrefVersion::Parse("1.0.0.0"));
    EXPECT_EQ(prefs.m_count, 7);
    prefs.m_count = 12;
    prefs.LoadOrSave(false);  // same version now: every item is saved
  }
  SamplePrefs prefs(m_key);
  prefs.LoadOrSave(true);
  EXPECT_EQ(prefs.m_count, 12);
  EXPECT_STREQ(XPrefVersion::Format(XPrefVersion::Parse("1.1.2.1")).c_str(), "1.1.2.1");
}

TEST_F(XPrefsTest, AValueNameTooLongForTheWideBufferIsRefused) {
  XPrefs prefs(m_key.c_str(), "0.0.0.0");
  std::string name(300, 'n');
  EXPECT_THROW(prefs.ReadInt(name.c_str(), 0), XException);
}

// Gathered writes reach neither hive before Commit, then all of them reach both; writes
// gathered without a Commit are dropped, and a Commit the user's hive refuses throws.
TEST_F(XPrefsTest, GatheredWritesReachTheHivesTogetherAtCommitOrNotAtAll) {
  WriteMachine("Shared", "from machine");
  XPrefs prefs(m_key.c_str(), "0.0.0.0");
  {
    XPrefs::Writes dropped(prefs);
    prefs.WriteInt("Dropped", 1);
  }
  EXPECT_EQ(prefs.ReadInt("Dropped", 0), 0);

  XPrefs::Writes writes(prefs);
  prefs.WriteInt("Count", 4);
  prefs.WriteText("Shared", "from user");
  prefs.WriteInt("Count", 5);  // the later value of a name wins, as with single writes
  EXPECT_EQ(prefs.ReadInt("Count", 0), 0);
  EXPECT_STREQ(prefs.ReadText("Shared", "").c_str(), "from machine");
  writes.Commit();
  EXPECT_EQ(prefs.ReadInt("Count", 0), 5);
  EXPECT_STREQ(prefs.ReadText("Shared", "").c_str(), "from user");
  os::RegistryKey key;
  ASSERT_EQ(os::OpenRegistryKey(os::Hive::kLocalMachine, m_key, true, false, key), 0);
  uint32_t count = 0;
  EXPECT_TRUE(os::ReadRegistryDword(key, "Count", count));
  EXPECT_EQ(count, 5u);
  os::CloseRegistryKey(key);
  prefs.WriteInt("After", 6);  // written at once again
  EXPECT_EQ(prefs.ReadInt("After", 0), 6);

  if (os::kPathSeparator == '/') {
    // A user hive whose folder cannot be made (a file stands in its place).
    testsupport::WriteAll(m_userDir.File("file"), "x");
    os::SetEnv("XDG_CONFIG_HOME", m_userDir.File("file"));
    XPrefs::Writes refused(prefs);
    prefs.WriteInt("Count", 6);
    EXPECT_THROW(refused.Commit(), XException);
  }
}

#ifndef _WIN32
// A save that either hive refuses fails, naming the hive's file and the system's reason: a
// machine hive that was opened for writing is no less a place the settings must reach. The
// hive files, which may hold an encoded password, and the folder made for them are the
// owner's alone.
TEST_F(XPrefsTest, ARefusedSaveNamesTheHiveFileAndTheHivesAreTheOwnersAlone) {
  WriteMachine("Shared", "from machine");  // the machine key exists: no save at opening
  XPrefs prefs(m_key.c_str(), "0.0.0.0");
  prefs.WriteInt("Count", 1);
  const std::string user = m_userDir.File("QvRegistry") + "/user.reg";
  struct stat st{};
  ASSERT_EQ(::stat(user.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_EQ(::stat(m_userDir.File("QvRegistry").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  for (const std::string& hive : {std::string("machine.reg"), std::string("user.reg")}) {
    const std::string file = hive == "user.reg" ? user : m_machineDir.Path() + "/machine.reg";
    os::FaultPlan plan;
    plan.FailPath(os::FaultKind::kRename, hive, EIO);
    for (bool gathered : {false, true}) {
      try {
        if (gathered) {
          XPrefs::Writes writes(prefs);
          prefs.WriteText("Shared", "new");
          writes.Commit();
        } else {
          prefs.WriteInt("Count", 2);
        }
        ADD_FAILURE() << hive << " refused nothing";
      } catch (const XException& error) {
        EXPECT_EQ(std::string(error.Text()), "Could not save the settings to " + file + ": Input/output error");
      }
    }
  }
}
#endif
