#include "package/XmlFile.h"

#include <gtest/gtest.h>

#include <string>

#include "foundation/XException.h"
#include "testsupport/TempDir.h"

namespace {

std::string AttributeOf(const std::string& bytes, testsupport::TempDir& dir) {
  const std::string path = dir.File("in.xml");
  testsupport::WriteAll(path, bytes);
  pugi::xml_document document;
  EXPECT_TRUE(xmlfile::Load(XString(path.c_str()), document));
  return document.document_element().attribute("v").value();
}

}  // namespace

TEST(XmlFile, ValuesAreWrittenAsUtf8AndReadBackInTheCodePage) {
  testsupport::TempDir dir;
  pugi::xml_document document;
  document.append_child("R").append_attribute("v").set_value("caf\xE9 <&> \x80");
  const std::string path = dir.File("out.xml");
  xmlfile::Save(document, XString(path.c_str()));
  const std::string bytes = testsupport::ReadAll(path);
  EXPECT_NE(bytes.find("v=\"caf\xC3\xA9 &lt;&amp;> \xE2\x82\xAC\""), std::string::npos) << bytes;
  EXPECT_EQ(bytes, xmlfile::ToText(document));
  EXPECT_EQ(AttributeOf(bytes, dir), "caf\xE9 <&> \x80");
}

TEST(XmlFile, AFileInTheCodePageItselfIsReadByteForByte) {
  testsupport::TempDir dir;
  EXPECT_EQ(AttributeOf("<R v=\"caf\xE9\" />", dir), "caf\xE9");
}

TEST(XmlFile, FailuresSayWhetherTheFileWasUnreadableOrMalformed) {
  testsupport::TempDir dir;
  pugi::xml_document document;
  EXPECT_EQ(xmlfile::Load(XString(dir.File("missing.xml").c_str()), document).status,
            pugi::status_io_error);
  testsupport::WriteAll(dir.File("bad.xml"), "<R><S></R>");
  pugi::xml_parse_result parsed = xmlfile::Load(XString(dir.File("bad.xml").c_str()), document);
  EXPECT_FALSE(parsed);
  EXPECT_NE(parsed.status, pugi::status_io_error);
  EXPECT_GT(parsed.offset, 0);

  // A folder that does not exist.
  const std::string target = dir.File("no") + "/x.xml";
  try {
    xmlfile::Save(document, XString(target.c_str()));
    FAIL() << "saved";
  } catch (const XException& e) {
    EXPECT_EQ(std::string(e.Text()), "Error writing to file: " + target);
  }
}
