// The run-control layer of the application object: the extraction engine, the gather flags,
// the command-line run and the extraction run itself.
#pragma once

#include <memory>

#include "app/CommandLine.h"
#include "app/CommandLineOptions.h"
#include "app/SISBaseApp.h"
#include "engine/ExpEngine.h"

class QvSchoolConf;
class XProgress;

class SISMainWindow : public SISBaseApp, public IValidateErrorDisplay {
 public:
  explicit SISMainWindow(const XString& runLogPath = XString());
  ~SISMainWindow() override;

  ExpEngine& Engine() { return *m_engine; }

  // The unattended run: applies the options to the school entry and the preferences and
  // performs one extraction. Every failure is logged ("Error: %s", then its reason when known),
  // the run log is copied into the import folder and, in command-line mode, opened with the
  // shell; FailureLine then says what failed. Returns whether the run succeeded.
  virtual bool ProcessCommandLine(const CommandLine& commandLine);

  // The extraction for one school entry; errors pass to the caller.
  virtual void Execute(QvSchoolConf& entry);

  // Copies the run log into the import folder of the school entry that runs (the -p folder of
  // a command-line run when one is given), once that folder has passed its check; before that,
  // or when it failed, no copy is made (never into another school's folder). A failure is
  // logged and swallowed.
  void CopyRunLog();

  // The entry at the preference "SchoolNth", or null when that is beyond the list.
  QvSchoolConf* CurrentSchool();

  // The validation-error display: in a run without a window the message goes to the run log.
  void ShowValidateError(const char* message, const char* value) override;

  // Where the last copy of the run log went (empty before the first copy).
  const XString& RunLogCopy() const { return m_runLogCopy; }

  // After a failed command-line run: the one line for standard error, "QvMeridane: ", the
  // error, its reason when there is one, and where the run log and its copy are. Empty after
  // a successful run.
  const XString& FailureLine() const { return m_failureLine; }

  void SetProgress(XProgress* progress) { m_progress = progress; }

  // The run's record in the run history (RunHistory.h). BeginRunRecord at the start of a run;
  // EndRunRecord at its end, with the error that ended it (null: it succeeded), before the run
  // log is copied. A record that cannot be written is a Warning in the run log; the run's
  // result stands.
  void BeginRunRecord();
  void EndRunRecord(const char* error);

 protected:
  // Opens the copy of the run log with the shell so that the operator sees what went wrong.
  virtual void ShowRunLogCopy();

 private:
  void ApplyOptions(const CommandLineOptions& options, QvSchoolConf*& entry);
  // The entry with this school number and district (both exactly; the district empty when the
  // command line names none), or an error that says why none is found (the number exists only
  // under other districts). A number that several such entries share is logged with the entry
  // taken.
  QvSchoolConf& FindSchool(const XString& schoolNumber, const XString& district);
  // Stops the run with the error text; the reason follows it in the run log as its own Error
  // line, and on the standard-error line.
  [[noreturn]] void Fail(const XString& error, const XString& reason);

  std::unique_ptr<ExpEngine> m_engine;
  bool m_gatherDemographic = true;
  bool m_gatherAttendance = true;
  bool m_gatherAll = false;
  bool m_exportStaff = true;
  bool m_linkStaffToTch = true;
  bool m_filters[kCommandLineFilterCount] = {};
  QvSchoolConf* m_runSchool = nullptr;  // the entry the current run works on
  XString m_runLogCopy;
  XString m_copyFolder;     // the run's import folder once it has passed its check, else empty
  XString m_failureReason;  // the reason behind the error of a failed run, if known
  XString m_failureLine;
  XProgress* m_progress = nullptr;      // a progress target given by the caller, else console
  // The run being recorded: its start, the school it names before an entry is found, and
  // whether the user stopped it.
  XString m_recordStart;
  uint32_t m_recordStartTick = 0;
  XString m_recordNumber;
  XString m_recordDistrict;
  bool m_stopped = false;
};
