#include "ExtractFixture.h"

#include "engine/SchoolYear.h"
#include "foundation/XDate.h"
#include "foundation/XDateTime.h"
#include "foundation/XTime.h"
#include "os/Os.h"
#include "testsupport/BridgeIdentity.h"

namespace enginetest {

void ExtractFixture::SetUp() {
  REQUIRE_DEMO_SOURCES();
  XDateTime::SetFixedNow(XDateTime(XDate::FromYMD(2009, 3, 2), XTime::FromHMS(9, 30, 0)));
  testsupport::SetBridgeIdentity(engine.Context().Application());
  engine.Context().SetRunLog(&log);
  engine.Context().SetExtractLog(&log);
  engine.Writer().Folder().Set(folder.Path().c_str());
}

void ExtractFixture::TearDown() { XDateTime::ClearFixedNow(); }

void ExtractFixture::Open(const char* dsn, int32_t inactiveCutoff) {
  ASSERT_TRUE(engine.ValidateConnection(dsn, "", ""));
  engine.ConnectToSIS();
  engine.Run().schoolYear = SchoolYearOf(XDateTime::Now().Date());
  engine.Run().inactiveCutoff = inactiveCutoff;
  engine.Pattern().LoadIncludedStudents();
  engine.Writer().Reset();
}

bool ExtractFixture::Exists(const std::string& name) const { return os::PathExists(folder.File(name)); }

Lines ExtractFixture::File(const std::string& name) const {
  return SplitLines(testsupport::ReadAll(folder.File(name)));
}

const Lines& ExtractFixture::Header() {
  if (header.empty()) {
    engine.Writer().WritePackageHeader();
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
