#include "app/CommandLineOptions.h"

#include "app/PasswordCodec.h"
#include "app/SISExpPrefs.h"
#include "foundation/XDate.h"
#include "os/OsFiles.h"

const CommandLineFilter kCommandLineFilters[kCommandLineFilterCount] = {
    {'s', "Extra Student Demo", "FilterExtraStudentDemo"},
    {'c', "Extra Student Contacts", "FilterExtraStudentContacts"},
    {'g', "Grades", "FilterGrades"},
    {'p', "Period Attendance", "FilterPeriodAttendance"},
    {'i', "Daily Attendance", "FilterDailyAttendance"},
    {'n', "Health Conditions", "FilterHealthConditions"},
    {'h', "Health History", "FilterHealthHistory"},
    {'o', "Conduct", "FilterConduct"},
    {'f', "Extra Staff", "FilterExtraStaff"},
};

XString CommandLineOptions::UserName(const XString& stored) const {
  return m_line.GetOption('u', stored.c_str());
}

XString CommandLineOptions::Password(const XString& stored) const {
  if (m_line.HasOption('z')) return PasswordCodec::Decode(m_line.GetOption('z', ""));
  if (m_line.HasOption('w')) return m_line.GetOption('w', "");
  return stored;
}

XString CommandLineOptions::Dsn(const XString& stored) const {
  return m_line.GetOption('d', stored.c_str());
}

XString CommandLineOptions::SchoolNumber() const { return m_line.GetOption('n', ""); }

XString CommandLineOptions::ImportFolder(const XString& current) const {
  XString folder = m_line.GetOption('p', "");
  // An empty -p would otherwise name the root of the drive, and the package writer cleans the
  // folder it is given; the school's own folder is the safe reading.
  if (folder.IsEmpty()) folder = current;
  if (folder.IsEmpty()) return folder;
  char last = folder[folder.Length() - 1];
  if (last != os::kPathSeparator && last != '/') folder += os::kPathSeparator;
  return folder;
}

XString CommandLineOptions::District() const { return m_line.GetOption('t', ""); }

XString CommandLineOptions::SchoolYear() const { return m_line.GetOption('y', ""); }

XString CommandLineOptions::SchoolYear(const XString& stored) const {
  return m_line.GetOption('y', stored.c_str());
}

XString CommandLineOptions::InactiveText() const { return m_line.GetOption('i', ""); }

int32_t CommandLineOptions::InactiveCutoff() const { return InactiveCutoffOf(InactiveText()); }

int32_t CommandLineOptions::InactiveCutoff(int32_t stored) const {
  return HasInactive() ? InactiveCutoff() : stored;
}

int32_t CommandLineOptions::InactiveCutoffOf(const XString& text) {
  int day = XDate::kNone;
  if (!text.IsEmpty() && text.IsDigits() && XDate::ParseDate(text.c_str(), "YYYYMMDD", day)) {
    return day;
  }
  if (text.CompareNoCase("yes") == 0 || text.CompareNoCase("y") == 0 ||
      text.CompareNoCase("true") == 0) {
    return 1;
  }
  return -1;
}

GatherChoice CommandLineOptions::Gathering() const {
  XString letters = m_line.GetOption('a', "");
  GatherChoice choice;
  choice.all = letters.IsEmpty();
  choice.demographic = choice.all || letters.Find('d') < letters.Length();
  choice.attendance = letters.Find('a') < letters.Length();
  return choice;
}

void CommandLineOptions::Filters(bool (&flags)[kCommandLineFilterCount]) const {
  XString letters = m_line.GetOption('v', "");
  for (int i = 0; i < kCommandLineFilterCount; ++i) {
    flags[i] = letters.Find(kCommandLineFilters[i].letter) < letters.Length();
  }
}

bool CommandLineOptions::ExportStaff(const XString& stored) const {
  return m_line.GetOption('q', stored.c_str()) == "True";
}

bool CommandLineOptions::LinkStaffToTch(const XString& stored) const {
  return m_line.GetOption('r', stored.c_str()) == "True";
}

void WriteFilterPrefs(SISExpPrefs& prefs, const bool (&flags)[kCommandLineFilterCount]) {
  for (int i = 0; i < kCommandLineFilterCount; ++i) {
    prefs.SetFlag(kCommandLineFilters[i].prefName, flags[i]);
  }
}

void WriteStaffPrefs(SISExpPrefs& prefs, bool exportStaff, bool linkStaffToTch) {
  prefs.SetExportStaff(exportStaff);
  prefs.SetLinkStaffToTch(linkStaffToTch);
}
