#include "ExtractFixture.h"

#include "foundation/XDate.h"
#include "foundation/XDateTime.h"
#include "foundation/XTime.h"
#include "os/Os.h"
#include "testsupport/BridgeIdentity.h"

namespace enginetest {

void ExtractFixture::SetUp() {
  REQUIRE_DEMO_SOURCES();
  XDateTime::SetFixedNow(XDateTime(XDate::FromYMD(2009, 3, 2), XTime::FromHMS(9, 30, 0)));
  testsupport::SetBridgeIdentity(engine.Application());
  engine.SetRunLog(&log);
  engine.SetExtractLog(&log);
  engine.SetImportFolder(folder.Path().c_str());
}

void ExtractFixture::TearDown() { XDateTime::ClearFixedNow(); }

void ExtractFixture::Open(const char* dsn, int32_t inactiveCutoff) {
  ASSERT_TRUE(engine.ValidateConnection(dsn, "", ""));
  engine.ConnectToSIS();
  engine.m_schoolYear = SchoolYearOf(XDateTime::Now().Date());
  engine.m_inactiveCutoff = inactiveCutoff;
  engine.LoadIncludedStudents();
  engine.Reset();
}

bool ExtractFixture::Exists(const std::string& name) const { return os::PathExists(folder.File(name)); }

Lines ExtractFixture::File(const std::string& name) const {
  return SplitLines(testsupport::ReadAll(folder.File(name)));
}

const Lines& ExtractFixture::Header() {
  if (header.empty()) {
    engine.WritePackageHeader();
    header = File("QvMeridane.QDE");
  }
  return header;
}

Lines ExtractFixture::HeaderEntry(const std::string& description) {
  const Lines& lines = Header();
  for (size_t i = 0; i + 3 < lines.size(); ++i) {
    if (lines[i] == "// " + description) return Lines(lines.begin() + i, lines.begin() + i + 4);
  }
  return {};
}

}  // namespace enginetest
