#include "app/Prefs.h"

#include <gtest/gtest.h>

#include "app/BridgeFolders.h"
#include "foundation/XFileSpec.h"
#include "os/Os.h"
#include "testsupport/TempDir.h"

namespace {

// A throwaway hive (POSIX: hive files in a temporary folder; Windows: the build's Wine prefix)
// and a key path of the test's own.
class PrefsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    os::SetEnv("XDG_CONFIG_HOME", m_userDir.Path());
    os::SetEnv("QV_MACHINE_HIVE_DIR", m_machineDir.Path());
    static int counter = 0;
    m_key = "Software\\QvTest\\Bridge" + std::to_string(os::TickCount()) + "_" +
            std::to_string(counter++);
  }

  testsupport::TempDir m_userDir;
  testsupport::TempDir m_machineDir;
  std::string m_key;
};

}  // namespace

TEST_F(PrefsTest, CachedValuesLoadWithDefaultsAndALogLevelOfZeroLoadsAsOne) {
  Prefs prefs(m_key.c_str());
  prefs.Load();
  EXPECT_EQ(prefs.SchoolNth(), 0);
  EXPECT_EQ(prefs.LogLevel(), 3);
  prefs.SetSchoolNth(2);
  prefs.SetLogLevel(0);
  prefs.Save();

  Prefs reloaded(m_key.c_str());
  reloaded.Load();
  EXPECT_EQ(reloaded.SchoolNth(), 2);
  EXPECT_EQ(reloaded.LogLevel(), 1);
  EXPECT_EQ(reloaded.ReadInt("Log Level", -1), 0);  // the stored value itself is untouched
}

TEST_F(PrefsTest, StaffSwitchesAreTrueOnlyForTheTextTrue) {
  Prefs prefs(m_key.c_str());
  EXPECT_TRUE(prefs.ExportStaff());     // missing means "True"
  EXPECT_TRUE(prefs.LinkStaffToTch());
  prefs.WriteText("ExportStaff", "true");
  EXPECT_FALSE(prefs.ExportStaff());
  prefs.SetLinkStaffToTch(false);
  EXPECT_STREQ(prefs.ReadText("LinkStaffToTch", "").c_str(), "False");
  EXPECT_FALSE(prefs.LinkStaffToTch());
}

TEST_F(PrefsTest, ThePasswordIsStoredEncodedAndReadDecoded) {
  Prefs prefs(m_key.c_str());
  prefs.SetPassword("s3cr\xE9t \"pw\"");
  XString stored = prefs.ReadText("Password", "");
  EXPECT_EQ(stored.Length(), 2 * XString("s3cr\xE9t \"pw\"").Length());
  EXPECT_EQ(stored.Find('"'), stored.Length());
  EXPECT_STREQ(prefs.Password().c_str(), "s3cr\xE9t \"pw\"");
}

TEST_F(PrefsTest, BooleansAreNumbersTrueWhenNonZero) {
  Prefs prefs(m_key.c_str());
  EXPECT_TRUE(prefs.Inactive(true));
  EXPECT_FALSE(prefs.Inactive(false));
  prefs.WriteInt("Inactive", 5);
  EXPECT_TRUE(prefs.Inactive(false));
  prefs.SetFlag("FilterGrades", true);
  EXPECT_EQ(prefs.ReadInt("FilterGrades", -1), 1);
  EXPECT_FALSE(prefs.UseClones());
}

TEST_F(PrefsTest, ADatabaseFolderThatDoesNotExistIsCreated) {
  testsupport::TempDir base;
  std::string folder = base.File("data") + os::kPathSeparator + "nested";
  Prefs prefs(m_key.c_str());
  prefs.WriteText("Database Folder", folder.c_str());
  XString found = BridgeFolders::BridgeDataFolder(prefs, nullptr);
  EXPECT_EQ(found.ToStd(), folder + os::kPathSeparator);
  EXPECT_TRUE(os::IsDirectory(folder));
}

// A "Database Folder" stored as "%APPDATA%\..." (REG_EXPAND_SZ) is used expanded; a lone % and
// a name that is not set stay as they are, as the system's expansion leaves them.
TEST_F(PrefsTest, ADatabaseFolderNamingEnvironmentVariablesIsExpanded) {
  testsupport::TempDir base;
  os::SetEnv("QV_TEST_DATA_BASE", base.Path());
  os::SetEnv("QV_TEST_UNSET_NAME", "");
  const std::string sep(1, os::kPathSeparator);
  Prefs prefs(m_key.c_str());
  prefs.WriteText("Database Folder", ("%QV_TEST_DATA_BASE%" + sep + "50%" + sep + "%QV_TEST_UNSET_NAME%").c_str());
  XString found = BridgeFolders::BridgeDataFolder(prefs, nullptr);
  const std::string expected = base.Path() + sep + "50%" + sep + "%QV_TEST_UNSET_NAME%";
  EXPECT_EQ(found.ToStd(), expected + sep);
  EXPECT_TRUE(os::IsDirectory(expected));
  os::SetEnv("QV_TEST_DATA_BASE", "");
}
