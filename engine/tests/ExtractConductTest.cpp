// The conduct extracts against the tiny demo SIS and its conduct variants: incidents, outcomes,
// suspensions and parent communications, each table file line by line, the conduct keys that
// tie them together, and their entries in the package header file.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "ExtractFixture.h"
#include "TinyExpectations.h"
#include "engine/ExpEngine.h"
#include "foundation/XDate.h"
#include "foundation/XDateTime.h"
#include "foundation/XException.h"
#include "foundation/XTime.h"
#include "os/Os.h"
#include "testsupport/TempDir.h"

namespace {

using enginetest::CaptureLog;
using enginetest::DemoSources;
using enginetest::Lines;
using enginetest::Sorted;
using enginetest::SplitLines;
namespace tiny = enginetest::tiny;

// Conduct keys: student, date, infraction and violation joined by dashes, every part present.
// The date part is the SIS value as text; the demo SIS holds it as a timestamp, which reads as
// "YYYY/MM/DD HH:NN:SS".
const std::string kKey123 = "123-2008/10/01 00:00:00-FIGHT-";  // no violation
const std::string kKey1001 = "1001-2008/11/12 00:00:00--V-12 \"Dress code\"";  // empty infraction
const std::string kKey1006 = "1006-2009/01/22 00:00:00-TRUANCY-Ed Code 48260";
const std::string kKey1005 = "1005-2009/02/03 00:00:00-LATE-";  // kConductEdges only

const std::string kIncident123 = kKey123 +
                                 "\t123\tFIGHT\t\tFight in the cafeteria. Both students sent home.\t10/01/2008"
                                 "\tSmith, John\tCafeteria\tDubois, Ren\xE9" "e\tParent, Counselor";
const std::string kIncident1001 = kKey1001 + "\t1001\t\tV-12 \"Dress code\"\t\t11/12/2008\tSmith, John\t\t\t";
const std::string kIncident1006 = kKey1006 + "\t1006\tTRUANCY\tEd Code 48260\t\t01/22/2009\t\t\t\t";

class ConductExtracts : public enginetest::ExtractFixture {
 protected:
  void ExtractAll() {
    engine.Steps().ExtractConductIncidents();
    engine.Steps().ExtractConductOutcomes();
    engine.Steps().ExtractConductSuspensions();
    engine.Steps().ExtractConductCommunications();
  }
  bool HeaderHas(const std::string& line) {
    const Lines& lines = Header();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
};

TEST_F(ConductExtracts, IncidentsOfActiveStudentsThatNameAnInfractionOrAViolation) {
  Open(DemoSources::kTiny);
  engine.Steps().ExtractConductIncidents();
  // Not written: 1002's record names neither, 1006 is inactive, 1004's is of 2007-2008.
  // Comment lines are joined with a blank; both type columns carry the name CndInTypeRef.
  EXPECT_EQ(Sorted({kIncident123, kIncident1001}), Sorted(File("StudentCndIncident.qef")));
  EXPECT_EQ(tiny::ConductIncidents().HeaderEntry(), HeaderEntry("Student Conduct Incidents"));
  EXPECT_TRUE(HeaderHas("#customcndinfield \"CCd\" \"CC\" \"noformat\""));
}

TEST_F(ConductExtracts, OutcomesPointBackAtTheirIncidents) {
  Open(DemoSources::kTiny);
  engine.Steps().ExtractConductOutcomes();
  EXPECT_EQ(Sorted({kKey123 + "\t" + kKey123 + "\t123\tSuspension\t2\t10/02/2008\t10/03/2008\tGuilty",
                    kKey1001 + "\t" + kKey1001 + "\t1001\tDetention\t1\t11/13/2008\t11/13/2008\t"}),
            Sorted(File("ConductOutcome.qef")));
  // Infraction, violation and date are read for the key only: no column of their own.
  EXPECT_EQ(tiny::ConductOutcomes().HeaderEntry(), HeaderEntry("Student Conduct Outcomes"));
  EXPECT_TRUE(HeaderHas("#customcndoutfield \"Pled\" \"Pled\" \"noformat\""));
}

TEST_F(ConductExtracts, SuspensionsAreTheRecordsWithBothSuspensionDays) {
  Open(DemoSources::kTiny);
  engine.Steps().ExtractConductSuspensions();
  EXPECT_EQ((Lines{"SUSP\t" + kKey123 + "\t123\tSuspension\t10/02/2008\t10/03/2008"}),
            File("ConductSuspensions.qef"));
  EXPECT_EQ(tiny::ConductSuspensions().HeaderEntry(), HeaderEntry("Student Conduct Suspensions"));
}

TEST_F(ConductExtracts, CommunicationsForEachYesWhateverItsCase) {
  Open(DemoSources::kTiny);
  engine.Steps().ExtractConductCommunications();
  // 123: notified "yes" with a date and a person, letter "Yes". 1001: notified "Y" and letter
  // "No" are no yes.
  EXPECT_EQ((Lines{"ParentNotified\t" + kKey123 + "\t123\tParent Notified\t10/01/2008\tSpoke with Mrs. Walsh",
                   "LetterSent\t" + kKey123 + "\t123\tLetter Sent\t\t"}),
            File("ConductOutcome2.qef"));
  EXPECT_EQ(tiny::ConductCommunications().HeaderEntry(), HeaderEntry("Student Conduct Communications"));
}

TEST_F(ConductExtracts, InactiveStudentsRecordsWhenTheyAreIncluded) {
  Open(DemoSources::kTiny, 1);
  ExtractAll();
  EXPECT_EQ(Sorted({kIncident123, kIncident1001, kIncident1006}), Sorted(File("StudentCndIncident.qef")));
  const Lines outcomes = File("ConductOutcome.qef");
  EXPECT_EQ(3u, outcomes.size());
  EXPECT_NE(outcomes.end(),
            std::find(outcomes.begin(), outcomes.end(),
                      kKey1006 + "\t" + kKey1006 + "\t1006\tParent Conference\t\t\t\t"));
  EXPECT_EQ(1u, File("ConductSuspensions.qef").size());
  // 1006: notified "Yes" with an empty "SpokeWith" (no note), letter "yes".
  EXPECT_EQ(Sorted({"ParentNotified\t" + kKey123 + "\t123\tParent Notified\t10/01/2008\tSpoke with Mrs. Walsh",
                    "LetterSent\t" + kKey123 + "\t123\tLetter Sent\t\t",
                    "ParentNotified\t" + kKey1006 + "\t1006\tParent Notified\t01/22/2009\t",
                    "LetterSent\t" + kKey1006 + "\t1006\tLetter Sent\t\t"}),
            Sorted(File("ConductOutcome2.qef")));
}

TEST_F(ConductExtracts, RecordsWithEmptyNamesAndHalfSuspensions) {
  Open(DemoSources::kConductEdges);
  ExtractAll();
  // 1004's new record has an empty infraction and an empty violation: it names nothing and is
  // in no table, though it was notified and a letter was sent.
  for (const char* table : {"StudentCndIncident.qef", "ConductOutcome.qef", "ConductSuspensions.qef",
                            "ConductOutcome2.qef"}) {
    for (const std::string& line : File(table)) EXPECT_EQ(std::string::npos, line.find("\t1004\t")) << table << ": " << line;
  }
  // 1005's LATE record: an incident and an outcome, but no suspension without its last day;
  // notified " yes " without a date or a person, letter "Y".
  EXPECT_EQ(Sorted({kIncident123, kIncident1001, kKey1005 + "\t1005\tLATE\t\t\t02/03/2009\t\t\t\t"}),
            Sorted(File("StudentCndIncident.qef")));
  const Lines outcomes = File("ConductOutcome.qef");
  EXPECT_NE(outcomes.end(), std::find(outcomes.begin(), outcomes.end(),
                                      kKey1005 + "\t" + kKey1005 + "\t1005\tDetention\t\t\t\t"));
  EXPECT_EQ((Lines{"SUSP\t" + kKey123 + "\t123\tSuspension\t10/02/2008\t10/03/2008"}),
            File("ConductSuspensions.qef"));
  EXPECT_EQ(Sorted({"ParentNotified\t" + kKey123 + "\t123\tParent Notified\t10/01/2008\tSpoke with Mrs. Walsh",
                    "LetterSent\t" + kKey123 + "\t123\tLetter Sent\t\t",
                    "ParentNotified\t" + kKey1005 + "\t1005\tParent Notified\t\t"}),
            Sorted(File("ConductOutcome2.qef")));
}

TEST_F(ConductExtracts, WithoutViolationEveryConductExtractEndsTheRun) {
  Open(DemoSources::kConductNoViolation);
  const std::vector<std::pair<const char*, std::function<void()>>> extracts = {
      {"StudentCndIncident.qef", [&] { engine.Steps().ExtractConductIncidents(); }},
      {"ConductOutcome.qef", [&] { engine.Steps().ExtractConductOutcomes(); }},
      {"ConductSuspensions.qef", [&] { engine.Steps().ExtractConductSuspensions(); }},
      {"ConductOutcome2.qef", [&] { engine.Steps().ExtractConductCommunications(); }}};
  for (const auto& [file, extract] : extracts) {
    try {
      extract();
      ADD_FAILURE() << file << " was written without the violation column";
    } catch (const XException& error) {
      EXPECT_STREQ("Primary field NULL in XODBC::AddCondition.", error.Text()) << file;
    }
    EXPECT_FALSE(Exists(file)) << file;
  }
  EXPECT_EQ(4, log.Count("Primary field NULL in XODBC::AddCondition."));
}

}  // namespace
