#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "LoopbackHttpServer.h"
#include "TestLog.h"
#include "app/QvFramework.h"
#include "app/QvSchoolConf.h"
#include "foundation/XDate.h"
#include "foundation/XTime.h"
#include "os/Os.h"
#include "testsupport/TempDir.h"

using apptest::TestLog;
using testsupport::ReadAll;
using testsupport::TempDir;
using testsupport::WriteAll;

namespace {

const char* const kTricky = "A \"quoted\" & <angled> 'value' > end";

std::string Sep() { return std::string(1, os::kPathSeparator); }

std::string SisFile(const char* name, const char* id) {
  return std::string("<QvSISFile><QvSIS Name=\"") + name + "\" ID=\"" + id +
         "\" Version=\"2.0.0.0\" /></QvSISFile>";
}

std::string VendorFile(const char* name) {
  return std::string("<QvVendorFile><QvVendor Name=\"") + name + "\" ID=\"V1\" /></QvVendorFile>";
}

// A framework that never reaches the maker's site: its update address is a closed port.
struct Site {
  Site() : framework(&log) {
    framework.SetUpdateUrl(XString("http://127.0.0.1:") + XString(apptest::LoopbackHttpServer::ClosedPort()) + "/");
    os::CreateOneDirectory(program.File("AutoUp"));
    WriteAll(program.File("AutoUp") + Sep() + "QvSIS.xml", SisFile("FromAutoUp", "AUTO"));
    WriteAll(program.File("AutoUp") + Sep() + "QvVendor.xml", VendorFile("AutoUp Vendor"));
    framework.SetProgramFolder(program.Path());
  }
  void Load() { framework.LoadFramework(product.Path(), bridge.Path()); }

  TempDir program, product, bridge;
  TestLog log;
  QvFramework framework;
};

}  // namespace

TEST(SiteConfigTest, EverySchoolAttributeRoundTrips) {
  TempDir folder;
  QvFramework out;
  auto school = std::make_unique<QvSchoolConf>();
  QvSchoolConf& s = *school;
  s.m_import = true;
  s.m_sisName = "Meridane";
  s.m_importFolder = kTricky;
  s.m_schoolNumber = "0042";
  s.m_schoolName = "St. Mary's <North> & \"South\"";
  s.m_district = "District & Co";
  s.m_schoolYear = "2009";
  s.m_schoolType = 3;
  s.m_userName = "admin<1>";
  s.m_password = "p@ss \"w&rd\" <3>";
  s.m_inactiveCutoff = XDate::FromYMD(2009, 3, 15);
  s.m_dsn = "Meridane Live";
  s.m_masterFolder = "C:\\Master\\";
  s.m_useClones = true;
  s.m_useStdKeyMask = true;
  s.m_stdKeyMaskField = "StudentID";
  s.m_useStaffKeyMask = true;
  s.m_staffKeyMaskField = "StaffID";
  s.m_attChangeTime = XDateTime(XDate::FromYMD(2009, 4, 1), XTime::FromHMS(13, 5, 59));
  s.m_sisVersion = "5.1.0.12";
  s.m_extraParams = "Timeout=30;Mode=\"x\"";
  s.m_studPhotoImport = true;
  s.m_studPhotoImportFolder = "C:\\Photos\\Students\\";
  s.m_studPhotoIndexType = QvSchoolConf::kSSN;
  s.m_studPhotoUseIndexFile = true;
  s.m_studPhotoIndexFile = "C:\\Photos\\index.csv";
  s.m_studPhotoCrop = true;
  s.m_staffPhotoImport = true;
  s.m_staffPhotoUseStudSettings = true;
  s.m_staffPhotoImportFolder = "C:\\Photos\\Staff\\";
  s.m_staffPhotoIndexType = QvSchoolConf::kPersonNumber;
  s.m_staffPhotoUseIndexFile = true;
  s.m_staffPhotoIndexFile = "C:\\Photos\\staff.csv";
  s.m_staffPhotoCrop = true;
  s.m_forceRebuild = true;
  out.Schools().Add(std::move(school));
  auto second = std::make_unique<QvSchoolConf>();
  second->m_schoolName = "Plain";
  second->m_inactiveCutoff = 1;  // all inactive students
  out.Schools().Add(std::move(second));
  out.SaveSiteConfiguration(folder.Path());

  std::string text = ReadAll(folder.File("QvConfig.xml"));
  EXPECT_NE(text.find("StudPhotoIndexType=\"SSN\""), std::string::npos);
  EXPECT_NE(text.find("StaffPhotoIndexType=\"Staff Number\""), std::string::npos);
  EXPECT_NE(text.find("SISInactiveCutoff=\"16000102\""), std::string::npos);
  EXPECT_NE(text.find("SISInactiveCutoff=\"20090315\""), std::string::npos);
  EXPECT_NE(text.find("SISAttChangeTime=\"20090401 13:05:59\""), std::string::npos);
  EXPECT_EQ(text.find("<angled>"), std::string::npos);  // escaped, never raw markup
  EXPECT_EQ(text.find("p@ss"), std::string::npos);      // the password is stored encoded
  EXPECT_NE(text.find("</QvSchoolConf>"), std::string::npos);

  QvFramework in;
  in.LoadSchools(XString(folder.File("QvConfig.xml")));
  ASSERT_EQ(in.Schools().Count(), 2u);
  const QvSchoolConf& r = *in.Schools().At(0);  // district "" sorts before "District & Co"
  EXPECT_STREQ(r.m_schoolName.c_str(), "Plain");
  EXPECT_EQ(r.m_inactiveCutoff, 1);
  const QvSchoolConf& t = *in.Schools().At(1);
  EXPECT_TRUE(t.m_import);
  EXPECT_STREQ(t.m_sisName.c_str(), "Meridane");
  EXPECT_STREQ(t.m_importFolder.c_str(), kTricky);
  EXPECT_STREQ(t.m_schoolNumber.c_str(), "0042");
  EXPECT_STREQ(t.m_schoolName.c_str(), s.m_schoolName.c_str());
  EXPECT_STREQ(t.m_district.c_str(), "District & Co");
  EXPECT_STREQ(t.m_schoolYear.c_str(), "2009");
  EXPECT_EQ(t.m_schoolType, 3);
  EXPECT_STREQ(t.m_userName.c_str(), "admin<1>");
  EXPECT_STREQ(t.m_password.c_str(), "p@ss \"w&rd\" <3>");
  EXPECT_EQ(t.m_inactiveCutoff, XDate::FromYMD(2009, 3, 15));
  EXPECT_STREQ(t.m_dsn.c_str(), "Meridane Live");
  EXPECT_STREQ(t.m_masterFolder.c_str(), "C:\\Master\\");
  EXPECT_TRUE(t.m_useClones && t.m_useStdKeyMask && t.m_useStaffKeyMask);
  EXPECT_STREQ(t.m_stdKeyMaskField.c_str(), "StudentID");
  EXPECT_STREQ(t.m_staffKeyMaskField.c_str(), "StaffID");
  EXPECT_EQ(t.m_attChangeTime, s.m_attChangeTime);
  EXPECT_STREQ(t.m_sisVersion.c_str(), "5.1.0.12");
  EXPECT_STREQ(t.m_extraParams.c_str(), "Timeout=30;Mode=\"x\"");
  EXPECT_TRUE(t.m_studPhotoImport && t.m_studPhotoUseIndexFile && t.m_studPhotoCrop);
  EXPECT_STREQ(t.m_studPhotoImportFolder.c_str(), "C:\\Photos\\Students\\");
  EXPECT_EQ(t.m_studPhotoIndexType, QvSchoolConf::kSSN);
  EXPECT_STREQ(t.m_studPhotoIndexFile.c_str(), "C:\\Photos\\index.csv");
  EXPECT_TRUE(t.m_staffPhotoImport && t.m_staffPhotoUseStudSettings);
  EXPECT_TRUE(t.m_staffPhotoUseIndexFile && t.m_staffPhotoCrop);
  EXPECT_STREQ(t.m_staffPhotoImportFolder.c_str(), "C:\\Photos\\Staff\\");
  EXPECT_EQ(t.m_staffPhotoIndexType, QvSchoolConf::kPersonNumber);
  EXPECT_STREQ(t.m_staffPhotoIndexFile.c_str(), "C:\\Photos\\staff.csv");
  EXPECT_TRUE(t.m_forceRebuild);
}

TEST(SiteConfigTest, OlderPhotoNamesLoadAndUnknownOrBadValuesAreHarmless) {
  TempDir folder;
  WriteAll(folder.File("QvConfig.xml"),
           "<QvSchoolConfFile>"
           "<QvSchoolConf SchoolNumber=\"1\" PhotoImport=\"1\" PhotoImportFolder=\"C:\\Old\\\" "
           "PhotoIndexType=\"State ID\" PhotoUseIndexFile=\"1\" PhotoIndexFile=\"i.txt\" "
           "PhotoCrop=\"1\" SomethingElse=\"x\" SISInactiveCutoff=\"not a date\" />"
           "<QvSchoolConf SchoolNumber=\"2\" PhotoImport=\"1\" StudPhotoImport=\"0\" />"
           "</QvSchoolConfFile>");
  QvFramework in;
  in.LoadSchools(XString(folder.File("QvConfig.xml")));
  ASSERT_EQ(in.Schools().Count(), 2u);
  const QvSchoolConf* old = in.Schools().Find("1", "");
  ASSERT_NE(old, nullptr);
  EXPECT_TRUE(old->m_studPhotoImport);
  EXPECT_STREQ(old->m_studPhotoImportFolder.c_str(), "C:\\Old\\");
  EXPECT_EQ(old->m_studPhotoIndexType, QvSchoolConf::kStateID);
  EXPECT_TRUE(old->m_studPhotoUseIndexFile);
  EXPECT_STREQ(old->m_studPhotoIndexFile.c_str(), "i.txt");
  EXPECT_TRUE(old->m_studPhotoCrop);
  EXPECT_EQ(old->m_inactiveCutoff, -1);
  EXPECT_FALSE(in.Schools().Find("2", "")->m_studPhotoImport);  // the newer name wins
}

TEST(SiteConfigTest, FirstStartFillsTheListsFromAutoUpAndCopiesThem) {
  Site site;
  site.Load();
  ASSERT_EQ(site.framework.SISes().Count(), 1u);
  EXPECT_STREQ(site.framework.SISes().At(0)->m_name.c_str(), "FromAutoUp");
  ASSERT_EQ(site.framework.Vendors().Count(), 1u);
  EXPECT_STREQ(site.framework.Vendors().At(0)->m_name.c_str(), "AutoUp Vendor");
  EXPECT_EQ(ReadAll(site.bridge.File("QvSIS.xml")), SisFile("FromAutoUp", "AUTO"));
  EXPECT_TRUE(os::PathExists(site.bridge.File("QvVendor.xml")));
  EXPECT_TRUE(site.log.Has("Could not contact website.  We'll ignore!"));
  EXPECT_TRUE(site.log.Has("Loaded autoup"));
  EXPECT_LT(site.log.IndexOf("Clearing vendors"), site.log.IndexOf("Loaded Vendors."));
  EXPECT_LT(site.log.IndexOf("Loaded Vendors."), site.log.IndexOf("Loaded SISes."));
  EXPECT_LT(site.log.IndexOf("Loaded SISes."), site.log.IndexOf("Loaded Site Configuration."));
  EXPECT_LT(site.log.IndexOf("Loaded Site Configuration."),
            site.log.IndexOf("Associated Sites and Bridges."));
  EXPECT_EQ(site.framework.Schools().Count(), 0u);
}

TEST(SiteConfigTest, WithNoFilesAnywhereTheBuiltInVendorIsUsed) {
  Site site;
  os::RemoveDirectoryTree(site.program.File("AutoUp"));
  site.Load();
  ASSERT_EQ(site.framework.Vendors().Count(), 1u);
  EXPECT_STREQ(site.framework.Vendors().At(0)->m_name.c_str(), "Velkstrom Software");
  EXPECT_TRUE(site.log.Has("No QvVendor.xml file, loaded defaults from app."));
  EXPECT_EQ(site.framework.SISes().Count(), 0u);
  EXPECT_STREQ(site.framework.DefaultSIS().m_id.c_str(), "Meridane_DE");
}

TEST(SiteConfigTest, AutoUpFilesMissingBesideTheProgramComeFromTheSharedDataFolder) {
  Site site;
  os::DeleteFilePath(site.program.File("AutoUp") + Sep() + "QvSIS.xml");
  TempDir shared;
  os::CreateOneDirectory(shared.File("AutoUp"));
  WriteAll(shared.File("AutoUp") + Sep() + "QvSIS.xml", SisFile("FromShared", "SHARED"));
  WriteAll(shared.File("AutoUp") + Sep() + "QvVendor.xml", VendorFile("Shared Vendor"));
  site.framework.SetSharedDataFolder(shared.Path());
  site.Load();
  ASSERT_EQ(site.framework.SISes().Count(), 1u);
  EXPECT_STREQ(site.framework.SISes().At(0)->m_name.c_str(), "FromShared");
  EXPECT_EQ(ReadAll(site.bridge.File("QvSIS.xml")), SisFile("FromShared", "SHARED"));
  // The program folder's own copy still comes first.
  ASSERT_EQ(site.framework.Vendors().Count(), 1u);
  EXPECT_STREQ(site.framework.Vendors().At(0)->m_name.c_str(), "AutoUp Vendor");
}

TEST(SiteConfigTest, TheBackupFolderCopyComesBeforeAutoUpAndTheLocalCopyBeforeBoth) {
  Site site;
  WriteAll(site.product.File("QvSIS.xml"), SisFile("FromBackup", "BACK"));
  WriteAll(site.bridge.File("QvVendor.xml"), VendorFile("Local Vendor"));
  WriteAll(site.product.File("QvVendor.xml"), VendorFile("Backup Vendor"));
  site.Load();
  ASSERT_EQ(site.framework.SISes().Count(), 1u);
  EXPECT_STREQ(site.framework.SISes().At(0)->m_name.c_str(), "FromBackup");
  EXPECT_EQ(ReadAll(site.bridge.File("QvSIS.xml")), SisFile("FromBackup", "BACK"));
  EXPECT_TRUE(site.log.Has("Loaded backup copy"));
  ASSERT_EQ(site.framework.Vendors().Count(), 1u);
  EXPECT_STREQ(site.framework.Vendors().At(0)->m_name.c_str(), "Local Vendor");
}

TEST(SiteConfigTest, AnUnreadableLocalCopyFallsBackToAutoUp) {
  Site site;
  WriteAll(site.bridge.File("QvSIS.xml"), "<QvSISFile><QvSIS Name=\"broken");
  site.Load();
  EXPECT_TRUE(site.log.Has("Could not load file.  We'll ignore!"));
  ASSERT_EQ(site.framework.SISes().Count(), 1u);
  EXPECT_STREQ(site.framework.SISes().At(0)->m_name.c_str(), "FromAutoUp");
  EXPECT_EQ(ReadAll(site.bridge.File("QvSIS.xml")), SisFile("FromAutoUp", "AUTO"));
}

TEST(SiteConfigTest, SchoolsComeFromTheBridgeFolderOrACopyOfTheProductFolders) {
  const char* config =
      "<QvSchoolConfFile><QvSchoolConf SchoolNumber=\"%s\" SISName=\"%s\" />"
      "</QvSchoolConfFile>";
  char bridgeConfig[256], productConfig[256];
  std::snprintf(bridgeConfig, sizeof bridgeConfig, config, "B1", "FromAutoUp");
  std::snprintf(productConfig, sizeof productConfig, config, "P1", "No Such Bridge");
  {
    Site site;
    WriteAll(site.bridge.File("QvConfig.xml"), bridgeConfig);
    WriteAll(site.product.File("QvConfig.xml"), productConfig);
    site.Load();
    ASSERT_EQ(site.framework.Schools().Count(), 1u);
    const QvSchoolConf* school = site.framework.Schools().At(0);
    EXPECT_STREQ(school->m_schoolNumber.c_str(), "B1");
    ASSERT_NE(school->m_sis, nullptr);
    EXPECT_STREQ(school->m_sis->m_id.c_str(), "AUTO");  // tied to its bridge by name
  }
  {
    Site site;
    WriteAll(site.product.File("QvConfig.xml"), productConfig);
    site.Load();
    ASSERT_EQ(site.framework.Schools().Count(), 1u);
    const QvSchoolConf* school = site.framework.Schools().At(0);
    EXPECT_STREQ(school->m_schoolNumber.c_str(), "P1");
    EXPECT_EQ(ReadAll(site.bridge.File("QvConfig.xml")), productConfig);
    ASSERT_NE(school->m_sis, nullptr);
    EXPECT_STREQ(school->m_sis->m_id.c_str(), "Meridane_DE");  // unknown name: the default
  }
}

TEST(SiteConfigTest, AnUnreadableSiteConfigurationIsKeptAsideBeforeTheExitSave) {
  Site site;
  WriteAll(site.bridge.File("QvConfig.xml"), "<QvSchoolConfFile><QvSchoolConf Scho");
  site.Load();
  EXPECT_EQ(site.framework.Schools().Count(), 0u);
  EXPECT_EQ(ReadAll(site.bridge.File("QvConfig.xml.unreadable")),
            "<QvSchoolConfFile><QvSchoolConf Scho");
}

TEST(SiteConfigTest, AFailedSaveReportsTheFile) {
  TempDir folder;
  QvFramework framework;
  framework.Schools().Add(std::make_unique<QvSchoolConf>());
  std::string missing = folder.File("no such folder");
  try {
    framework.SaveSiteConfiguration(XString(missing));
    FAIL() << "no error";
  } catch (const XException& error) {
    EXPECT_EQ(std::string(error.Text()),
              "Error writing to file: " + missing + Sep() + "QvConfig.xml");
  }
}

// The site configuration is written in the code page, declared so, for the family's tools that
// read it as ANSI text, and only its owner may read it (it holds encoded passwords). Files that
// earlier versions wrote in UTF-8 still read; a file declared in the code page is read byte
// for byte even where its bytes happen to form UTF-8.
TEST(SiteConfigTest, TheSiteConfigurationIsCodePageTextDeclaredSoAndOldUtf8FilesStillRead) {
  if (os::CodePageName() != "CP1252") GTEST_SKIP() << "written for the code page CP1252";
  TempDir folder;
  const std::string path = folder.File("QvConfig.xml");
  auto nameRead = [&] {
    QvFramework framework;
    framework.LoadSchools(XString(path));
    return framework.Schools().Count() == 1 ? framework.Schools().At(0)->m_schoolName.ToStd() : "(none)";
  };
  {
    QvFramework framework;
    auto school = std::make_unique<QvSchoolConf>();
    school->m_schoolNumber = "101";
    school->m_schoolName = "\xC9" "cole";
    framework.Schools().Add(std::move(school));
    framework.SaveSiteConfiguration(XString(folder.Path()));
  }
  const std::string bytes = ReadAll(path);
  EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"windows-1252\"?>", 0), 0u) << bytes;
  EXPECT_NE(bytes.find("SISSchoolName=\"\xC9" "cole\""), std::string::npos) << bytes;
  EXPECT_EQ(nameRead(), "\xC9" "cole");
#ifndef _WIN32
  struct stat st{};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
#endif

  WriteAll(path,
           "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<QvSchoolConfFile>\n"
           "<QvSchoolConf SchoolNumber=\"101\" SISSchoolName=\"\xC3\x89" "cole\">\n</QvSchoolConf>\n</QvSchoolConfFile>\n");
  EXPECT_EQ(nameRead(), "\xC9" "cole");
  WriteAll(path,
           "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<QvSchoolConfFile>\n"
           "<QvSchoolConf SchoolNumber=\"101\" SISSchoolName=\"\xC3\xA9t\xC3\xA9\">\n</QvSchoolConf>\n</QvSchoolConfFile>\n");
  EXPECT_EQ(nameRead(), "\xC3\xA9t\xC3\xA9");
}
