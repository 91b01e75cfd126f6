// The per-student detail tables: notes, medical alerts, medical treatments, immunizations,
// contacts and doctors. Meridane keeps most of this detail as columns of one row per student
// (a memo and a comment, four emergency contacts side by side, a date column per vaccine dose)
// or as several entries in one text, one per line. So all but the doctors table write their
// lines themselves: one SIS row gives zero or more package lines. Every table holds only
// students of the included-students list.
#include <initializer_list>
#include <vector>

#include "engine/ExtractSteps.h"
#include "foundation/XDate.h"
#include "foundation/XFile.h"
#include "package/SISExpCustomField.h"

namespace {

// One package line: the fields TAB-separated, written as they are, ended by CR LF.
void WriteLine(XFile& out, std::initializer_list<XString> fields) {
  for (const XString& field : fields) out.WriteField(field);
  out.EndLine();
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

void ExtractSteps::ExtractStudentNotes() {
  m_pattern.BeginExtract("Student Notes", "StudentNotes.qef");
  ODBCTable* student = Query().AddTable("", "Student", "S");
  m_keyField = Query().AddField("ID", student, true);
  ODBCField* memo = Query().AddField("Memo", student, false);
  ODBCField* comment = Query().AddField("Comment", student, false);
  for (const char* name : {"NoteStdRef", "NoteKey", "NoteTitle", "NoteContent"}) m_writer.AddHeaderField(name);
  m_pattern.AddActiveStudentConditions(student, true);

  WriteIncludedRecords([&](XFile& out) {
    const XString key = Reader().GetFieldTrimmed(m_keyField);
    const XString memoText = Reader().GetFieldClean(memo);
    if (!memoText.IsEmpty()) WriteLine(out, {key, "Memo", "Memo", memoText});
    const XString commentText = Reader().GetFieldClean(comment);
    if (!commentText.IsEmpty()) WriteLine(out, {key, "Comment", "Comment", commentText});
  });
  m_table.FinishTable();
}

void ExtractSteps::ExtractMedicalAlerts() {
  m_pattern.BeginExtract("Student Medical Alert", "StudentAllergy.qef");
  ODBCTable* student = Query().AddTable("", "Student", "S");
  m_keyField = Query().AddField("ID", student, true);
  ODBCField* allergy = Query().AddField("Allergy", student, false);
  ODBCField* rx = Query().AddField("RX", student, false);
  for (const char* name : {"MedConditStdRef", "MedConditTypeRef", "MedConditSeverity", "MedConditNote"}) {
    m_writer.AddHeaderField(name);
  }
  m_pattern.AddActiveStudentConditions(student, true);

  WriteIncludedRecords([&](XFile& out) {
    const XString key = Reader().GetFieldTrimmed(m_keyField);
    const XString allergyText = Reader().GetFieldClean(allergy);
    if (!allergyText.IsEmpty()) WriteLine(out, {key, "Allergy", "ALERT", allergyText});
    const XString rxText = Reader().GetFieldClean(rx);
    if (!rxText.IsEmpty()) WriteLine(out, {key, "RX", "ALERT", rxText});
  });
  m_table.FinishTable();
}

void ExtractSteps::ExtractMedicalTreatments() {
  m_data.DumpTableDefinition("Medical_Note");
  m_pattern.BeginExtract("Student Medical Treatments", "StudentMedHist.qef");
  ODBCTable* student = Query().AddTable("", "Student", "S");
  ODBCTable* note = Query().AddTable("", "Medical_Note", "M");
  m_keyField = Query().AddField("ID", note, true);
  ODBCField* allergy = Query().AddField("Allergy", note, false);
  ODBCField* date = Query().AddField("ADate", note, false);
  Query().AddField("AReaction", note, false);  // selected, not written
  ODBCField* comment = Query().AddField("AComment", note, false);
  Query().AddField("Comment", note, false);  // selected, not written
  for (const char* name : {"MedHistStdRef", "MedHistKey", "MedHistTypeRef", "MedHistCategory",
                           "MedHistDate", "MedHistNote"}) {
    m_writer.AddHeaderField(name);
  }
  m_pattern.AddStudentJoin(Query().AddField("ID", student, true), m_keyField);
  m_pattern.AddActiveStudentConditions(student, false);

  // One treatment per line of "Allergy", lined up by position with the lines of "ADate" and
  // "AComment"; the date stays as the SIS holds it. A TAB or CR inside a line becomes a blank
  // (TakeLine): the package's fields end at a TAB and its lines at CR LF.
  WriteIncludedRecords([&](XFile& out) {
    const XString key = Reader().GetFieldTrimmed(m_keyField);
    XString allergies = Reader().GetFieldText(allergy);
    XString dates = Reader().GetFieldText(date);
    XString comments = Reader().GetFieldText(comment);
    while (!allergies.IsEmpty()) {
      const XString allergyLine = TakeLine(allergies);
      const XString dateLine = TakeLine(dates);
      const XString commentLine = TakeLine(comments);
      // Neither an allergy nor a date: a blank line between entries.
      if (allergyLine.IsEmpty() && dateLine.IsEmpty()) continue;
      WriteLine(out, {key, allergyLine + "-" + dateLine, allergyLine, "TREAT", dateLine, commentLine});
    }
  });
  m_table.FinishTable();
}

void ExtractSteps::ExtractImmunizations() {
  m_data.DumpTableDefinition("Immunization");
  m_pattern.BeginExtract("Student Immunizations", "StudentMedImmun.qef");
  ODBCTable* immunization = Query().AddTable("", "Immunization", "I");
  ODBCTable* student = Query().AddTable("", "Student", "S");
  m_keyField = Query().AddField("ID", immunization, true);

  // The dose columns in package order, each with the code it is written under: the column
  // name, except that the "A_" doses lose their underscore.
  struct Dose {
    XString code;
    ODBCField* field;
  };
  std::vector<Dose> doses;
  auto addDose = [&](const XString& column, const XString& code) {
    doses.push_back({code, Query().AddField(column, immunization, false)});
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
    m_writer.AddHeaderField(name);
  }
  m_pattern.AddStudentJoin(Query().AddField("ID", student, true), m_keyField);
  m_pattern.AddActiveStudentConditions(student, false);

  const XString pattern = m_writer.HeaderSettings().m_dateFormat;
  WriteIncludedRecords([&](XFile& out) {
    const XString key = Reader().GetFieldTrimmed(m_keyField);
    for (const Dose& dose : doses) {
      if (Reader().GetFieldTrimmed(dose.field).IsEmpty()) continue;
      WriteLine(out, {key, dose.code, dose.code, "IMMUN",
                      XDate::FormatDate(Reader().GetFieldDate(dose.field), pattern.c_str())});
    }
  });
  m_table.FinishTable();
}

void ExtractSteps::ExtractStudentContacts() {
  m_pattern.BeginExtract("Student Contacts", "StudentCon.qef");
  ODBCTable* student = Query().AddTable("", "Student", "S");
  m_keyField = Query().AddField("ID", student, true);
  auto column = [&](const char* name) { return Query().AddField(name, student, false); };

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
    m_writer.AddHeaderField(name);
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
    m_writer.AddHeaderField(customFieldNames[i]);
    m_writer.RegisterCustomField(custom[i].Key(), custom[i].Title(), custom[i].Command(), custom[i].Format());
  }
  for (const char* name : {"ConType", "ConIsEmergency"}) m_writer.AddHeaderField(name);
  m_pattern.AddActiveStudentConditions(student, true);

  auto text = [&](ODBCField* field) { return Reader().GetFieldClean(field); };
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

  WriteIncludedRecords([&](XFile& out) {
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
  m_table.FinishTable();
}

void ExtractSteps::ExtractStudentDoctors() {
  m_pattern.BeginExtract("Student Doctors", "StudentDoctor.qef");
  ODBCTable* note = Query().AddTable("", "Medical_Note", "M");
  ODBCTable* student = Query().AddTable("", "Student", "S");
  // One line per record, so the standard writer serves; the texts are written on one line
  // because a line break in a physician's name would otherwise split the record.
  const ValueFunction oneLine = GetStringOneLine;
  const SISExpCustomField phone("Phone", "Phone", "#customcomfield", "phone");
  m_keyField = m_pattern.AddExportField(true, note, "ID", oneLine, "ConStdRef");
  m_pattern.AddExportField(true, note, "ID", oneLine, "ConKey");
  m_pattern.AddExportField(false, note, "Physician", oneLine, "ConLastName");
  m_pattern.AddExportField(false, note, "Physician", GetDoctorRelationship, "ConRelationship");
  m_pattern.AddExportField(false, note, "PhysPhone", oneLine, "ConPhone", &phone);
  m_pattern.AddStudentJoin(Query().AddField("ID", student, true), m_keyField);
  m_pattern.AddActiveStudentConditions(student, false);
  m_table.WriteTable(IncludedStudents());
  m_table.FinishTable();
}
