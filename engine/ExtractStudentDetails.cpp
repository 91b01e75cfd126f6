// The per-student detail tables: notes, medical alerts, medical treatments, immunizations,
// contacts and doctors. Meridane keeps most of this detail as columns of one row per student
// (a memo and a comment, four emergency contacts side by side, a date column per vaccine dose)
// or as several entries in one text, one per line. So all but the doctors table write their
// lines themselves: one SIS row gives zero or more package lines. Every table holds only
// students of the included-students list.
#include <initializer_list>
#include <vector>

#include "engine/ExpEngine.h"
#include "foundation/XDate.h"
#include "foundation/XFile.h"
#include "package/SISExpCustomField.h"

namespace {

// One package line: the fields TAB-separated, written as they are, ended by CR LF.
void WriteLine(XFile& out, std::initializer_list<XString> fields) {
  for (const XString& field : fields) out.WriteField(field);
  out.EndLine();
}

// Runs the current query and hands every record of an included student to `writeRecord`,
// writing into the current table's file. A failure (writing, the query, a cancel) discards the
// unfinished file, so the previous complete one stays, and passes on to end the run.
template <class WriteRecord>
void WriteIncludedStudentLines(ExpEngine& engine, WriteRecord writeRecord) {
  engine.OpenQuery(true);
  XFile& out = engine.OpenTableOutput();
  try {
    engine.ResetProgressCount();
    for (bool more = engine.GetFirstRecord(); more; more = engine.GetNextRecord()) {
      // Every record counts, also one the filter rejects: the bar follows the query.
      engine.CountProgressItem();
      if (!engine.IsIncludedStudent()) continue;
      writeRecord(out);
    }
    engine.CloseTableOutput();
  } catch (...) {
    engine.AbandonTableOutput();
    throw;
  }
}

// One entry of a text that holds several entries, one per line: a line of raw SIS text made
// safe for a package field. TABs and stray carriage returns would split the line or the field,
// so they become blanks; then the line is trimmed.
XString EntryText(const XString& line) {
  std::string text = line.ToStd();
  for (char& c : text) {
    if (c == '\t' || c == '\r') c = ' ';
  }
  XString entry(text);
  entry.Trim();
  return entry;
}

// Takes the first line (up to the first line feed, or the whole text) off `rest` and returns it
// as an entry.
XString TakeLine(XString& rest) {
  const uint32_t at = rest.Find('\n');
  XString line = rest.Left(at);
  rest = at < rest.Length() ? rest.Mid(at + 1) : XString();
  return EntryText(line);
}

// The trimmed concatenation of the texts is not empty.
bool AnyText(std::initializer_list<XString> texts) {
  XString all;
  for (const XString& text : texts) all += text;
  all.Trim();
  return !all.IsEmpty();
}

}  // namespace

void ExpEngine::ExtractStudentNotes() {
  BeginExtract("Student Notes", "StudentNotes.qef");
  ODBCTable* student = AddTable("", "Student", "S");
  m_keyField = AddField("ID", student, true);
  ODBCField* memo = AddField("Memo", student, false);
  ODBCField* comment = AddField("Comment", student, false);
  for (const char* name : {"NoteStdRef", "NoteKey", "NoteTitle", "NoteContent"}) AddHeaderField(name);
  AddActiveStudentConditions(student, true);

  WriteIncludedStudentLines(*this, [&](XFile& out) {
    const XString key = GetFieldTrimmed(m_keyField);
    const XString memoText = GetFieldClean(memo);
    if (!memoText.IsEmpty()) WriteLine(out, {key, "Memo", "Memo", memoText});
    const XString commentText = GetFieldClean(comment);
    if (!commentText.IsEmpty()) WriteLine(out, {key, "Comment", "Comment", commentText});
  });
  FinishTable();
}

void ExpEngine::ExtractMedicalAlerts() {
  BeginExtract("Student Medical Alert", "StudentAllergy.qef");
  ODBCTable* student = AddTable("", "Student", "S");
  m_keyField = AddField("ID", student, true);
  ODBCField* allergy = AddField("Allergy", student, false);
  ODBCField* rx = AddField("RX", student, false);
  for (const char* name : {"MedConditStdRef", "MedConditTypeRef", "MedConditSeverity", "MedConditNote"}) {
    AddHeaderField(name);
  }
  AddActiveStudentConditions(student, true);

  WriteIncludedStudentLines(*this, [&](XFile& out) {
    const XString key = GetFieldTrimmed(m_keyField);
    const XString allergyText = GetFieldClean(allergy);
    if (!allergyText.IsEmpty()) WriteLine(out, {key, "Allergy", "ALERT", allergyText});
    const XString rxText = GetFieldClean(rx);
    if (!rxText.IsEmpty()) WriteLine(out, {key, "RX", "ALERT", rxText});
  });
  FinishTable();
}

void ExpEngine::ExtractMedicalTreatments() {
  DumpTableDefinition("Medical_Note");
  BeginExtract("Student Medical Treatments", "StudentMedHist.qef");
  ODBCTable* student = AddTable("", "Student", "S");
  ODBCTable* note = AddTable("", "Medical_Note", "M");
  m_keyField = AddField("ID", note, true);
  ODBCField* allergy = AddField("Allergy", note, false);
  ODBCField* date = AddField("ADate", note, false);
  AddField("AReaction", note, false);  // selected, not written
  ODBCField* comment = AddField("AComment", note, false);
  AddField("Comment", note, false);  // selected, not written
  for (const char* name : {"MedHistStdRef", "MedHistKey", "MedHistTypeRef", "MedHistCategory",
                           "MedHistDate", "MedHistNote"}) {
    AddHeaderField(name);
  }
  AddStudentJoin(AddField("ID", student, true), m_keyField);
  AddActiveStudentConditions(student, false);

  // One treatment per line of "Allergy", lined up by position with the lines of "ADate" and
  // "AComment"; the date stays as the SIS holds it. A TAB or CR inside a line becomes a blank
  // (TakeLine): the package's fields end at a TAB and its lines at CR LF.
  WriteIncludedStudentLines(*this, [&](XFile& out) {
    const XString key = GetFieldTrimmed(m_keyField);
    XString allergies = GetFieldText(allergy);
    XString dates = GetFieldText(date);
    XString comments = GetFieldText(comment);
    while (!allergies.IsEmpty()) {
      const XString allergyLine = TakeLine(allergies);
      const XString dateLine = TakeLine(dates);
      const XString commentLine = TakeLine(comments);
      // Neither an allergy nor a date: a blank line between entries.
      if (allergyLine.IsEmpty() && dateLine.IsEmpty()) continue;
      WriteLine(out, {key, allergyLine + "-" + dateLine, allergyLine, "TREAT", dateLine, commentLine});
    }
  });
  FinishTable();
}

void ExpEngine::ExtractImmunizations() {
  DumpTableDefinition("Immunization");
  BeginExtract("Student Immunizations", "StudentMedImmun.qef");
  ODBCTable* immunization = AddTable("", "Immunization", "I");
  ODBCTable* student = AddTable("", "Student", "S");
  m_keyField = AddField("ID", immunization, true);

  // The dose columns in package order, each with the code it is written under: the column
  // name, except that the "A_" doses lose their underscore.
  struct Dose {
    XString code;
    ODBCField* field;
  };
  std::vector<Dose> doses;
  auto addDose = [&](const XString& column, const XString& code) {
    doses.push_back({code, AddField(column, immunization, false)});
  };
  auto addSeries = [&](const char* stem, int first, int last) {
    for (int n = first; n <= last; ++n) {
      const XString column = XString(stem) + XString(n);
      addDose(column, column);
    }
  };
  for (int n = 1; n <= 8; ++n) addDose(XString("A_") + XString(n), XString("A") + XString(n));
  addDose("A_D", "AD");
  addSeries("DT", 1, 4);
  addSeries("DTaP", 1, 6);
  addSeries("Hep", 1, 4);
  addSeries("Hib", 1, 4);
  addSeries("MMR", 1, 3);
  addSeries("Mea", 1, 2);
  addSeries("Polio", 1, 6);
  addSeries("S_", 2, 7);
  addSeries("tb", 1, 3);
  addSeries("tbR", 1, 3);
  for (const char* name : {"MedHistStdRef", "MedHistKey", "MedHistTypeRef", "MedHistCategory", "MedHistDate"}) {
    AddHeaderField(name);
  }
  AddStudentJoin(AddField("ID", student, true), m_keyField);
  AddActiveStudentConditions(student, false);

  const XString pattern = HeaderSettings().m_dateFormat;
  WriteIncludedStudentLines(*this, [&](XFile& out) {
    const XString key = GetFieldTrimmed(m_keyField);
    for (const Dose& dose : doses) {
      if (GetFieldTrimmed(dose.field).IsEmpty()) continue;
      WriteLine(out, {key, dose.code, dose.code, "IMMUN",
                      XDate::FormatDate(GetFieldDate(dose.field), pattern.c_str())});
    }
  });
  FinishTable();
}

void ExpEngine::ExtractStudentContacts() {
  BeginExtract("Student Contacts", "StudentCon.qef");
  ODBCTable* student = AddTable("", "Student", "S");
  m_keyField = AddField("ID", student, true);
  auto column = [&](const char* name) { return AddField(name, student, false); };

  ODBCField* guardianName = column("GuardianName");
  ODBCField* guardian = column("Guardian");
  ODBCField* guardianAddress = column("GuardianAddress");
  ODBCField* guardianCity = column("GuardianCity");
  ODBCField* guardianState = column("GuardianState");
  ODBCField* guardianZip = column("GuardianZip");
  ODBCField* guardianEmail = column("GuardianEmail");
  ODBCField* guardianPhone = column("GPhone");
  ODBCField* guardianWorkPhone = column("GWorkPhone");

  // The mother's and the parent's columns share their shape; the mother's middle name is the
  // row's "MI" column.
  struct Parent {
    ODBCField *first, *middle, *last, *address, *city, *state, *zip, *phone, *workPhone,
        *workExt, *pager, *cellPhone, *employer;
  };
  const Parent mother{column("MFN"),      column("MI"),         column("MLN"),
                      column("MAddress"), column("MCity"),      column("MState"),
                      column("MZip"),     column("MPhone"),     column("MWorkPhone"),
                      column("MWorkExt"), column("MPager"),     column("MCellPhone"),
                      column("MEmployer")};
  const Parent parent{column("PFN"),      nullptr,              column("PLN"),
                      column("PAddress"), column("PCity"),      column("PState"),
                      column("PZip"),     column("PPhone"),     column("PWorkPhone"),
                      column("PWorkExt"), column("PPager"),     column("PCellPhone"),
                      column("PEmployer")};

  struct Emergency {
    ODBCField *first, *last, *relationship, *phone;
  };
  std::vector<Emergency> emergencies;
  for (const char* suffix : {"", "_2", "_3", "_4"}) {
    const XString s(suffix);
    emergencies.push_back({column(XString("RelFN") + s), column(XString("RelLN") + s),
                           column(XString("RelRelationship") + s), column(XString("RelPhone") + s)});
  }

  for (const char* name : {"ConStdRef", "ConKey", "ConFirstName", "ConMidName", "ConLastName",
                           "ConRelationship", "ConAddress1", "ConCity", "ConState", "ConZip"}) {
    AddHeaderField(name);
  }
  const SISExpCustomField custom[] = {
      {"Phone", "Phone", "#customcomfield", "phone"},
      {"WorkPhone", "Work Phone", "#customcomfield", "phone"},
      {"Pager", "Pager", "#customcomfield", "phone"},
      {"CellPhone", "Cell Phone", "#customcomfield", "phone"},
      {"Email", "Email", "#customcomfield", "email"},
      {"Employer", "Employer", "#customcomfield", "noformat"},
  };
  const char* const customFieldNames[] = {"ConPhone", "ConWorkPhone", "ConPager",
                                          "ConCellPhone", "ConEmail", "ConEmployer"};
  for (int i = 0; i < 6; ++i) {
    AddHeaderField(customFieldNames[i]);
    RegisterCustomField(custom[i].Key(), custom[i].Title(), custom[i].Command(), custom[i].Format());
  }
  for (const char* name : {"ConType", "ConIsEmergency"}) AddHeaderField(name);
  AddActiveStudentConditions(student, true);

  auto text = [&](ODBCField* field) { return GetFieldClean(field); };
  // The work phone, followed by " x " and the extension when there is one.
  auto workNumber = [&](const Parent& p) {
    const XString extension = text(p.workExt);
    return extension.IsEmpty() ? text(p.workPhone) : text(p.workPhone) + " x " + extension;
  };
  auto writeParent = [&](XFile& out, const XString& key, const Parent& p, const char* conKey) {
    WriteLine(out, {key, conKey, text(p.first), text(p.middle), text(p.last), conKey,
                    text(p.address), text(p.city), text(p.state), text(p.zip), text(p.phone),
                    workNumber(p), text(p.pager), text(p.cellPhone), "", text(p.employer),
                    "Parent", "No"});
  };

  WriteIncludedStudentLines(*this, [&](XFile& out) {
    const XString key = text(m_keyField);
    if (AnyText({text(guardianName)})) {
      WriteLine(out, {key, "Guardian", "", "", text(guardianName), text(guardian),
                      text(guardianAddress), text(guardianCity), text(guardianState),
                      text(guardianZip), text(guardianPhone), text(guardianWorkPhone), "", "",
                      text(guardianEmail), "", "Guardian", "No"});
    }
    if (AnyText({text(mother.last), text(mother.middle), text(mother.first)})) {
      writeParent(out, key, mother, "Mother");
    }
    if (AnyText({text(parent.first), text(parent.last)})) writeParent(out, key, parent, "Parent");
    for (size_t n = 0; n < emergencies.size(); ++n) {
      const Emergency& e = emergencies[n];
      if (!AnyText({text(e.first), text(e.last)})) continue;
      WriteLine(out, {key, XString("Emergency ") + XString(static_cast<int>(n + 1)), text(e.first),
                      "", text(e.last), text(e.relationship), "", "", "", "", text(e.phone), "",
                      "", "", "", "", "Emergency", "Yes"});
    }
  });
  FinishTable();
}

void ExpEngine::ExtractStudentDoctors() {
  BeginExtract("Student Doctors", "StudentDoctor.qef");
  ODBCTable* note = AddTable("", "Medical_Note", "M");
  ODBCTable* student = AddTable("", "Student", "S");
  // One line per record, so the standard writer serves; the texts are written on one line
  // because a line break in a physician's name would otherwise split the record.
  const ValueFunction oneLine = &DataAccessBase::GetStringOneLine;
  const SISExpCustomField phone("Phone", "Phone", "#customcomfield", "phone");
  m_keyField = AddExportField(true, note, "ID", oneLine, "ConStdRef");
  AddExportField(true, note, "ID", oneLine, "ConKey");
  AddExportField(false, note, "Physician", oneLine, "ConLastName");
  AddExportField(false, note, "Physician", &ExpEngine::GetDoctorRelationship, "ConRelationship");
  AddExportField(false, note, "PhysPhone", oneLine, "ConPhone", &phone);
  AddStudentJoin(AddField("ID", student, true), m_keyField);
  AddActiveStudentConditions(student, false);
  WriteTable(&ExpEngine::IsIncludedStudent);
  FinishTable();
}
