// What others who can write into the import folder may put there: links, a school
// configuration file naming other folders, nested without end, or holding counts far out of
// range. The run must touch nothing outside the folder and must not crash.
#include <algorithm>

#include "package/XmlFile.h"
#include "package/tests/WriterFixture.h"

namespace attstoretest {
namespace {

std::string Sep() { return std::string(1, os::kPathSeparator); }

// Elements nested `depth` deep, the innermost holding an attribute with an accented letter.
std::string Nested(const char* root, int depth) {
  std::string text = std::string("<") + root + ">";
  for (int i = 0; i < depth; ++i) text += i + 1 == depth ? "<a v=\"caf\xC3\xA9\">" : "<a>";
  for (int i = 0; i < depth; ++i) text += "</a>";
  return text + "</" + root + ">";
}

class FolderSafetyTest : public WriterFixture {
 protected:
  bool BeginAndFinish() {
    ExtractContext writerContext;
  QDEWriter writer{writerContext};
    Prepare(writerContext);
    bool changed = writer.Folder().CheckBridgeConfiguration(m_config, writerContext.Application().m_version);
    writer.SaveSchoolConfig();
    return changed;
  }
  std::string SchoolConfigText() const { return testsupport::ReadAll(ImportFile("SchoolConfig.xml")); }
  void ReplaceInSchoolConfig(const std::string& from, const std::string& to) {
    std::string text = SchoolConfigText();
    size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
    testsupport::WriteAll(ImportFile("SchoolConfig.xml"), text);
  }

  testsupport::TempDir m_outside;
};

TEST_F(FolderSafetyTest, TheCleaningRemovesLinksAndNeverWhatTheyPointTo) {
  BeginAndFinish();
  std::string folder = m_outside.File("folder");
  XFileSpec::Folder(folder.c_str()).CreateFolder();
  testsupport::WriteAll(folder + Sep() + "inside.txt", "inside");
  testsupport::WriteAll(m_outside.File("file.txt"), "file");
  if (!os::MakeSymbolicLink(folder, ImportFile("AATPlink"))) GTEST_SKIP() << "this system makes no symbolic links here";
  ASSERT_TRUE(os::MakeSymbolicLink(m_outside.File("file.txt"), ImportFile("AATDfile")));
  ASSERT_TRUE(os::MakeSymbolicLink(folder, ImportFile("DAT")));
  ASSERT_TRUE(os::MakeSymbolicLink(folder, m_dir.File("School") + Sep() + "PAT"));
  ASSERT_TRUE(os::MakeSymbolicLink(m_outside.File("file.txt"), ImportFile("Update 20090101010101.QDU")));

  m_config.m_schoolYear = "2010";
  EXPECT_TRUE(BeginAndFinish());

  EXPECT_EQ(testsupport::ReadAll(folder + Sep() + "inside.txt"), "inside");
  EXPECT_EQ(testsupport::ReadAll(m_outside.File("file.txt")), "file");
  for (const char* name : {"AATPlink", "AATDfile", "DAT", "Update 20090101010101.QDU"}) {
    EXPECT_FALSE(os::PathExists(ImportFile(name)) || os::IsLink(ImportFile(name))) << name;
  }
  EXPECT_FALSE(os::IsLink(m_dir.File("School") + Sep() + "PAT"));
}

TEST_F(FolderSafetyTest, AnAttendanceFolderThatIsALinkIsRemovedAsALink) {
  const std::string folder = m_outside.File("elsewhere");
  XFileSpec::Folder(folder.c_str()).CreateFolder();
  testsupport::WriteAll(folder + Sep() + "Attendance.db", "not a store of this folder");
  if (!os::MakeSymbolicLink(folder, ImportFile("Attendance"))) GTEST_SKIP() << "this system makes no symbolic links here";
  // The first run cleans (no school configuration yet) and then makes its store.
  Run({{"S1", Day(2009, 2, 26), "AM", "A", ""}}, {});
  EXPECT_EQ(testsupport::ReadAll(folder + Sep() + "Attendance.db"), "not a store of this folder");
  EXPECT_FALSE(os::IsLink(ImportFile("Attendance")));
  EXPECT_TRUE(os::PathExists(ImportFile("Attendance") + Sep() + "Attendance.db"));
  EXPECT_NE(RunLogText().find("Found a link at the folder " + ImportFile("Attendance") +
                              ", where the run writes only into a real folder: removed it as a link."),
            std::string::npos);
}

TEST_F(FolderSafetyTest, AGlobalFolderMustBeAnAbsoluteFolderThatExists) {
  BeginAndFinish();
  testsupport::WriteAll(m_outside.File("plain"), "a file");
  const std::string missing = m_outside.File("Missing");
  for (const std::string& value : {std::string("Relative") + Sep() + "Global", missing, m_outside.File("plain")}) {
    ReplaceInSchoolConfig("GlobalFolderValue=\"\"", "GlobalFolderValue=\"" + value + "\"");
    m_config.m_schoolYear = m_config.m_schoolYear == "2010" ? "2011" : "2010";
    EXPECT_TRUE(BeginAndFinish());
    EXPECT_NE(RunLogText().find("GlobalFolder \"" + value +
                                "\" in SchoolConfig.xml is not an absolute folder that exists; the import "
                                "folder is used instead."),
              std::string::npos)
        << value;
    // Written back as it was read; nothing was made where it points.
    EXPECT_NE(SchoolConfigText().find("GlobalFolderValue=\"" + value + "\""), std::string::npos);
    ReplaceInSchoolConfig("GlobalFolderValue=\"" + value + "\"", "GlobalFolderValue=\"\"");
  }
  EXPECT_FALSE(os::PathExists(missing));
  EXPECT_FALSE(os::PathExists(std::string("Relative") + Sep() + "Global"));
}

TEST_F(FolderSafetyTest, ASchoolConfigurationNestedWithoutEndIsReadWithoutCrashing) {
  testsupport::WriteAll(ImportFile("SchoolConfig.xml"), Nested("SchoolConfig", 50000));
  EXPECT_TRUE(BeginAndFinish());  // not the thirteen entries: changed
  EXPECT_NE(SchoolConfigText().find("LastSchoolNumberValue=\"101\""), std::string::npos);

  // Every level is read and converted, the deepest too.
  testsupport::WriteAll(m_outside.File("deep.xml"), Nested("R", 50000));
  pugi::xml_document document;
  ASSERT_TRUE(xmlfile::Load(XString(m_outside.File("deep.xml").c_str()), document));
  pugi::xml_node node = document.document_element();
  int depth = 0;
  while (node.first_child()) {
    node = node.first_child();
    ++depth;
  }
  EXPECT_EQ(depth, 50000);
  EXPECT_STREQ(node.attribute("v").value(), "caf\xE9");
}

TEST_F(FolderSafetyTest, AnOverlapOutsideAYearIsClampedWithAWarning) {
  Run({{"S1", Day(2009, 2, 26), "AM", "A", ""}}, {});
  const struct {
    const char* stored;
    const char* used;
  } cases[] = {{"99999999999", "365"}, {"366", "365"}, {"-2147483648", "0"}, {"two weeks", "14"}, {"365", "365"}};
  std::string previous = "14";
  for (const auto& c : cases) {
    ReplaceInSchoolConfig("OverlapValue=\"" + previous + "\"", std::string("OverlapValue=\"") + c.stored + "\"");
    UpdateTables tables = Run({{"S1", Day(2009, 3, 2), "AM", "T", ""}}, {});
    std::string warning = std::string("OverlapInDays \"") + c.stored +
                          "\" in SchoolConfig.xml is not a number of days from 0 to 365; " + c.used + " is used.";
    EXPECT_EQ(RunLogText().find(warning) != std::string::npos, std::string(c.stored) != c.used) << c.stored;
    EXPECT_NE(SchoolConfigText().find(std::string("OverlapValue=\"") + c.used + "\""), std::string::npos) << c.stored;
    previous = c.used;
  }
}

}  // namespace
}  // namespace attstoretest
