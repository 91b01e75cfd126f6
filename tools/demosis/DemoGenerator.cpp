#include "tools/demosis/DemoGenerator.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

#include "foundation/XException.h"
#include "os/OsTime.h"
#include "tools/demosis/DemoCalendar.h"
#include "tools/demosis/DemoContent.h"
#include "tools/demosis/DemoDatabase.h"
#include "tools/demosis/DemoRandom.h"

namespace demosis {
namespace {

// The first `count` characters of UTF-8 text: a cut inside a character would leave bytes that
// are no text at all, which a server with typed text columns refuses.
std::string FirstCharacters(const std::string& text, size_t count) {
  size_t end = 0;
  for (size_t chars = 0; end < text.size() && chars < count; ++chars) {
    ++end;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
  }
  return text.substr(0, end);
}

// A school year is 41 weeks and 2 days: from 20 August to 5 June.
constexpr int kYearLength = 289;

std::string SchoolYearText(int firstYear) {
  return std::to_string(firstYear) + "-" + std::to_string(firstYear + 1);
}

std::string TwoDigits(int n) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d", n);
  return text;
}

std::string ClockText(int minutes) { return TwoDigits(minutes / 60) + ":" + TwoDigits(minutes % 60); }

// ---- name and text pools; the accented letters are all in Windows-1252

const std::vector<std::string> kFirstNames = {
    "Ana",      "Liam",      "Olivia",  "Noah",     "Emma",        "Jos\xC3\xA9",
    "Zo\xC3\xAB", "J\xC3\xBCrgen", "Chlo\xC3\xA9", "\xC3\x8D\xC3\xB1igo", "Ren\xC3\xA9" "e",
    "Bj\xC3\xB6rn", "Fran\xC3\xA7ois", "Mia", "Ethan", "Sofia", "Lucas", "Amelia", "Mateo",
    "Aisha", "Kenji", "Priya", "Owen", "Grace", "Dmitri", "Ingrid", "Th\xC3\xA9o", "Nadia"};
const std::vector<std::string> kLastNames = {
    "Smith",  "Garc\xC3\xAD" "a", "O'Brien", "M\xC3\xBCller", "Pe\xC3\xB1" "a", "Nguyen",
    "Johnson", "D'Angelo", "Mu\xC3\xB1oz", "Dubois", "Svensson", "Williams", "Brown", "Kowalski",
    "Tanaka", "Okafor", "Lefebvre", "Jones", "Martin", "Schr\xC3\xB6" "der", "Walsh", "Patel",
    "Ibarra", "Novak", "Fischer", "Rossi", "Cohen", "Haddad"};
const std::vector<std::string> kStreets = {"Elm St", "Oak Ave", "Pine Rd", "Maple Dr",
                                           "Rue de l'\xC3\x89glise", "Main St", "Cedar Ln",
                                           "Birch Way", "Hill Rd", "Lake Shore Dr"};
const std::vector<std::string> kCities = {"Springfield", "Riverton", "Montr\xC3\xA9" "al",
                                          "Lakeside", "Fairview"};
const std::vector<std::string> kSchoolNames = {
    "Lakeside High School", "Saint-\xC3\x89loi Middle School", "North Ridge Academy",
    "Pe\xC3\xB1" "a Valley Middle School", "Fairview High School", "Oak Hill Middle School"};
const std::vector<std::string> kLanguages = {"English", "Espa\xC3\xB1ol", "Fran\xC3\xA7" "ais",
                                             "Deutsch", "Vietnamese", "Arabic"};
const std::vector<std::string> kRaces = {"White", "Hispanic", "Black", "Asian",
                                         "Native American", "Two or more"};
const std::vector<std::string> kRelationships = {"Aunt", "Uncle", "Grandmother", "Grandfather",
                                                 "Neighbor", "Family friend", "Sister",
                                                 "Brother"};
// Memos and comments carry the awkward characters: tabs, both quote kinds, line breaks in both
// conventions, the euro sign.
const std::vector<std::string> kNotes = {
    "Needs front-row seat",
    "Prefers \"Annie\";\tcall after 3pm",
    "Line one\r\nLine two",
    "Owes \xE2\x82\xAC" "5 for the field trip",
    "Parent's request: no photos",
    "Tutoring\tMon/Wed\nLibrary room 2",
    "Transferred from K\xC3\xB6ln",
    "Uses \"assistive\" keyboard",
    "Lunch: caf\xC3\xA9 menu only"};
const std::vector<std::string> kAllergies = {"Peanuts", "Penicillin", "Latex", "Bee stings",
                                             "Shellfish", "Dust mites", "Lactose"};
const std::vector<std::string> kInfractions = {"FIGHT", "TARDY", "DISRUPT", "CELL PHONE",
                                               "DRESS CODE", "TRUANCY", "PLAGIARISM"};
const std::vector<std::string> kViolations = {"V-12", "Ed Code 48900(a)", "Ed Code 48260",
                                              "V-3 \"Defiance\"", "Board Policy 5131"};
const std::vector<std::string> kActions = {"Detention", "Suspension", "Parent Conference",
                                           "Warning", "Saturday School"};

struct Course {
  const char* num;
  const char* code;
  const char* title;
};
const std::vector<Course> kHighCourses = {
    {"MATH101", "ALG1", "Algebra I"},        {"MATH201", "GEOM", "Geometry"},
    {"ENG110", "ENG9", "English 9"},         {"ENG210", "ENG10", "English 10"},
    {"SCI300", "BIO", "Biology \"Honors\""}, {"SCI310", "CHEM", "Chemistry"},
    {"HIS120", "USH", "U.S. History"},       {"FR201", "FRA2", "Fran\xC3\xA7" "ais II"},
    {"SPA101", "SPA1", "Espa\xC3\xB1ol I"},  {"ART100", "ART", "Art & Design"},
    {"PE100", "PE", "Physical Education"},   {"CS150", "CS", "Computer Science"}};
const std::vector<Course> kMiddleCourses = {
    {"M6", "MATH6", "Math 6"},          {"M7", "MATH7", "Math 7"},
    {"LA6", "LANG6", "Language Arts 6"}, {"LA7", "LANG7", "Language Arts 7"},
    {"SCI6", "SCI6", "Earth Science"},   {"SOC7", "SOC7", "World Cultures"},
    {"MUS", "MUS", "Band"},              {"GER1", "GER", "Deutsch f\xC3\xBCr Anf\xC3\xA4nger"}};

struct School {
  std::string number, name;
  bool high = true;
  std::vector<std::string> periods;
  std::vector<std::string> staff;     // PersonnelDisplay of the teachers
  std::vector<size_t> sectionsByPeriod[10];
};

struct Section {
  std::string classNum, subject, courseNum, description, days, period, term, room, teacher;
};

struct StudentInfo {
  std::string id;
  const char* inactive;  // "No", "Yes" or nullptr
  int school;
};

class RandomContent {
 public:
  RandomContent(DemoDatabase& db, const DemoOptions& options, int32_t start)
      : m_db(db), m_rng(options.seed), m_options(options), m_start(start),
        m_end(start + kYearLength) {
    const int firstYear = CivilFromDay(start).year;
    m_year = SchoolYearText(firstYear);
    m_lastYear = SchoolYearText(firstYear - 1);
  }

  void Write() {
    WriteCalendar();
    WriteSchools();
    WriteStaff();
    WriteSections();
    WriteStudents();
    WriteClasses();
    WriteConduct();
    WriteAttendance();
  }

 private:
  // Every draw is a statement of its own: the order in which the operands of one expression are
  // evaluated is up to the compiler, and the sequence must not depend on it.
  std::string Name(const std::vector<std::string>& pool) { return m_rng.Pick(pool); }
  std::string FullName() {
    const std::string first = Name(kFirstNames);
    return first + " " + Name(kLastNames);
  }
  int32_t RandomDay(int firstYear, int lastYear) {
    const int y = m_rng.Between(firstYear, lastYear);
    const int m = m_rng.Between(1, 12);
    return DayFromCivil(y, m, m_rng.Between(1, 28));
  }
  std::string Combination() {
    std::string combo;
    for (int i = 0; i < 3; ++i) combo += (i ? "-" : "") + TwoDigits(m_rng.Between(0, 39));
    return combo;
  }
  std::string Phone() {
    const int a = m_rng.Between(200, 999), b = m_rng.Between(1000, 9999);
    switch (m_rng.Below(7)) {
      case 0: return "(555) " + std::to_string(a) + "-" + std::to_string(b);
      case 1: return "555-" + std::to_string(a) + "-" + std::to_string(b);
      case 2: return "555" + std::to_string(a) + std::to_string(b);
      case 3: return "555." + std::to_string(a) + "." + std::to_string(b);
      case 4: return std::to_string(a) + "-" + std::to_string(b);
      case 5: return "+1 555 " + std::to_string(a) + " " + std::to_string(b);
      default: return "555-" + std::to_string(a) + "-" + std::to_string(b) + " ext " +
                      std::to_string(m_rng.Between(1, 999));
    }
  }
  std::string Address() {
    std::string a = std::to_string(m_rng.Between(1, 9999));
    a += " " + Name(kStreets);
    if (m_rng.Percent(4)) a += m_rng.Percent(50) ? "\nApt " : "\r\nUnit ";
    else return a;
    return a + std::to_string(m_rng.Between(1, 40));
  }
  int32_t SchoolDay() {
    for (;;) {
      const int32_t d = m_start + m_rng.Between(0, kYearLength);
      if (IsWeekday(d) && !m_dayOut.count(d)) return d;
    }
  }
  // "Inactive" of a class row: mostly "No", with the empty text and NULL that some SIS versions
  // leave in the column.
  void ClassInactive(RowWriter& w, const StudentInfo& s) {
    if (s.inactive && std::string(s.inactive) == "Yes") w.Text("Inactive", "Yes");
    else if (m_rng.Percent(8)) w.Text("Inactive", "");
    else if (m_rng.Percent(8)) w.Null("Inactive");
    else w.Text("Inactive", "No");
  }

  void AddEvent(int32_t day, const char* status, const char* when, const std::string& reason,
                double count) {
    if (day < m_start || day > m_end || !IsWeekday(day)) return;
    if (std::string(status) == "Day Out") {
      if (m_dayOut.count(day)) return;
      m_dayOut[day] = count;
    }
    RowWriter& w = m_db.Table("Event");
    w.Text("Status", status).Text("AMPMAllDay", when).Date("DateOut", day).Text("Reason", reason);
    if (count > 0) w.Real("Count", count);
    w.Insert();
  }

  void WriteCalendar() {
    const int y = CivilFromDay(m_start).year;
    AddEvent(NthWeekday(y, 9, 0, 1), "Day Out", "All Day", "Labor Day", 1);
    AddEvent(NthWeekday(y, 9, 2, 2), "Event", "PM", "Open House", 0);
    AddEvent(NthWeekday(y, 10, 4, 2), "Day Out", "All Day", "Journ\xC3\xA9" "e p\xC3\xA9" "dagogique", 1);
    AddEvent(DayFromCivil(y, 11, 11), "Day Out", "All Day", "Veterans' Day", 1);
    const int32_t thanksgiving = NthWeekday(y, 11, 3, 4);
    AddEvent(thanksgiving, "Day Out", "All Day", "Thanksgiving", 1);
    AddEvent(thanksgiving + 1, "Day Out", "All Day", "Thanksgiving", 1);
    for (int32_t d = DayFromCivil(y, 12, 22); d <= DayFromCivil(y + 1, 1, 2); ++d)
      AddEvent(d, "Day Out", "All Day", "Winter Break", 1);
    AddEvent(NthWeekday(y + 1, 1, 0, 3), "Day Out", "All Day", "Martin Luther King Jr. Day", 1);
    AddEvent(NthWeekday(y + 1, 2, 0, 3), "Day Out", "All Day", "Presidents' Day", 1);
    AddEvent(NthWeekday(y + 1, 2, 3, 2), "Conference", "PM", "Parent \"Conferences\"", 0);
    const int32_t spring = NthWeekday(y + 1, 3, 0, 3);
    for (int32_t d = spring; d < spring + 5; ++d) AddEvent(d, "Day Out", "All Day", "Spring Break", 1);
    // Early release on the first Wednesday of most months: half a day out.
    for (int m : {10, 12, 2, 4, 5}) {
      const int year = m >= 8 ? y : y + 1;
      AddEvent(NthWeekday(year, m, 2, 1), "Day Out", "PM", "Early Release", 0.5);
    }
    AddEvent(NthWeekday(y + 1, 3, 2, 1), "Day Out", "AM", "Late Start", 0.5);
  }

  void WriteSchools() {
    for (int i = 0; i < m_options.schools; ++i) {
      School s;
      s.number = std::to_string(101 * (i + 1));
      s.name = kSchoolNames[i % kSchoolNames.size()];
      if (i >= static_cast<int>(kSchoolNames.size())) s.name += " " + std::to_string(i + 1);
      s.high = i % 2 == 0;
      RowWriter& w = m_db.Table("System_Profile");
      w.Text("BuildingNum", s.number).Text("SchoolName", s.name);
      std::string bell1, bell2, eol = s.high ? "\n" : "\r\n";
      int minutes = s.high ? 7 * 60 + 30 : 6 * 60 + 50;
      const int first = s.high ? 1 : 0, last = s.high ? 7 : 6;
      for (int p = first; p <= last; ++p) {
        s.periods.push_back(std::to_string(p));
        if (p > first) {
          bell1 += eol;
          bell2 += eol;
        }
        bell1 += p == 0 ? "Zero Hour" : "Period " + std::to_string(p);
        bell2 += ClockText(minutes) + "-" + ClockText(minutes + 50);
        minutes += 55 + (p == 4 ? 30 : 0);  // lunch after the fourth period
      }
      std::string periodList;
      for (const std::string& p : s.periods) periodList += (periodList.empty() ? "" : ",") + p;
      w.Text("Period", periodList).Text("Bell_1", bell1).Text("Bell_2", bell2);
      if (s.high) {
        // Quarters.
        const int32_t q = kYearLength / 4;
        for (int n = 1; n <= 4; ++n) {
          w.Date("FirstDay_" + std::to_string(n), m_start + (n - 1) * q);
          w.Date("LastDay_" + std::to_string(n), n == 4 ? m_end : m_start + n * q - 1);
        }
        w.Text("GradingPeriod", "Q1,Q2,Q3,Q4");
      } else {
        // Semesters, no third term, the fourth term the whole year.
        const int32_t half = kYearLength / 2;
        w.Date("FirstDay_1", m_start).Date("LastDay_1", m_start + half - 1);
        w.Date("FirstDay_2", m_start + half).Date("LastDay_2", m_end);
        w.Date("FirstDay_4", m_start).Date("LastDay_4", m_end);
        w.Text("GradingPeriod", "S1, S2");
      }
      w.Insert();
      m_schools.push_back(std::move(s));
    }
  }

  void WriteStaff() {
    std::vector<int> perSchool(m_options.schools, 0);
    for (int k = 0; k < m_options.students; ++k) ++perSchool[k % m_options.schools];
    std::set<std::string> used;
    for (size_t i = 0; i < m_schools.size(); ++i) {
      School& school = m_schools[i];
      const int teachers = std::max(2, perSchool[i] / 18);
      for (int t = 0; t < teachers + 2; ++t) {
        const std::string fn = Name(kFirstNames), ln = Name(kLastNames);
        const std::string mi(1, static_cast<char>('A' + m_rng.Below(26)));
        std::string display = ln + ", " + fn;
        if (used.count(display)) display += " " + mi + ".";
        for (int n = 2; used.count(display); ++n) display = ln + ", " + fn + " " + std::to_string(n);
        used.insert(display);
        const bool teacher = t < teachers;
        const std::string room = std::to_string(100 + t);
        RowWriter& w = m_db.Table("Personnel");
        w.Text("PersonnelDisplay", display).Text("BuildingNum", school.number)
            .Text("Prefix", m_rng.Pick({"Mr.", "Ms.", "Mrs.", "Dr.", "Mme"}))
            .Text("FN", fn).Text("MI", mi).Text("LN", ln).Text("Address", Address())
            .Text("City", Name(kCities)).Text("State", "IL")
            .Text("Zip", std::to_string(m_rng.Between(60000, 62999))).Text("HPhone", Phone())
            .Date("DOB", RandomDay(1950, 1990))
            .Text("Room", room)
            .Text("Title", teacher ? "Teacher" : (t == teachers ? "Counselor" : "Principal"))
            .Text("Groups", teacher ? m_rng.Pick({"Mathematics", "Languages", "Science; Math",
                                                  "Arts", "Guidance\tSupport"})
                                    : "Administration");
        if (m_rng.Percent(40)) w.Text("PhoneExt", std::to_string(m_rng.Between(100, 399)));
        if (m_rng.Percent(60)) w.Text("CellPhone", Phone());
        if (m_rng.Percent(80))
          w.Text("GuardianEmail", "staff" + std::to_string(used.size()) + "@school.example");
        w.Insert();
        if (teacher) school.staff.push_back(display);
        else if (t == teachers) m_counselors.push_back(display);
      }
    }
  }

  void WriteSections() {
    for (School& school : m_schools) {
      const std::vector<Course>& courses = school.high ? kHighCourses : kMiddleCourses;
      std::map<std::string, int> counter;
      // Five sections per teacher, the periods dealt round so that every period has classes.
      size_t slot = 0;
      for (size_t t = 0; t < school.staff.size(); ++t) {
        for (int k = 0; k < 5; ++k, ++slot) {
          const Course& c = courses[m_rng.Below(static_cast<uint32_t>(courses.size()))];
          const int n = ++counter[c.num];
          Section s;
          s.classNum = std::string(c.num) + "-" + TwoDigits(n);
          s.subject = std::string(c.code) + "-" + TwoDigits(n);
          s.courseNum = c.num;
          s.description = c.title;
          s.days = m_rng.Pick({"MTWRF", "MTWRF", "MWF", "TR", "M W F"});
          const size_t periodIndex = slot % school.periods.size();
          s.period = school.periods[periodIndex];
          s.term = school.high ? m_rng.Pick({"1,2,3,4", "1, 2; 3", "1;2", "3, 4"})
                               : m_rng.Pick({"1,2", "1", "2", "1; 2"});
          s.room = std::to_string(100 + t);
          s.teacher = school.staff[t];
          school.sectionsByPeriod[periodIndex].push_back(m_sections.size());
          m_sections.push_back(std::move(s));
        }
      }
    }
  }

  void WriteStudents() {
    int id = 100000;
    for (int k = 0; k < m_options.students; ++k) {
      id += m_rng.Between(1, 3);
      StudentInfo info;
      info.id = std::to_string(id);
      info.school = k % m_options.schools;
      const unsigned r = m_rng.Below(100);
      info.inactive = r < 80 ? "No" : r < 92 ? nullptr : "Yes";
      const School& school = m_schools[info.school];
      const int grade = school.high ? m_rng.Between(9, 12) : m_rng.Between(6, 8);
      const int birthYear = CivilFromDay(m_start).year - grade - 5;
      const std::string fn = Name(kFirstNames), ln = Name(kLastNames);

      RowWriter& w = m_db.Table("Student");
      w.Text("ID", info.id).Text("BuildingNum", school.number);
      if (info.inactive) w.Text("Inactive", info.inactive);
      w.Text("FN", fn).Text("LN", ln).Text("Sex", m_rng.Pick({"F", "M"}))
          .Text("Grade", std::to_string(grade))
          .Date("DOB", RandomDay(birthYear, birthYear))
          .Text("Address", Address()).Text("City", Name(kCities)).Text("State", "IL")
          .Text("Zip", std::to_string(m_rng.Between(60000, 62999))).Text("HPhone", Phone())
          .Text("Race", Name(kRaces)).Text("Language", Name(kLanguages))
          .Text("Teacher", m_rng.Pick(school.staff))
          .Text("Room", std::to_string(100 + m_rng.Below(static_cast<uint32_t>(school.staff.size()))))
          .Text("LunchStatus", m_rng.Pick({"Free", "Reduced", "Paid"}))
          .Text("Migrant", m_rng.Percent(3) ? "Yes" : "No")
          .Text("Military", m_rng.Percent(5) ? "Yes" : "No")
          .Text("WebID", "w" + info.id);
      if (!m_counselors.empty()) w.Text("Counselor", m_counselors[info.school % m_counselors.size()]);
      if (m_rng.Percent(60)) w.Text("MI", std::string(1, static_cast<char>('A' + m_rng.Below(26))));
      if (m_rng.Percent(15)) w.Text("NickName", m_rng.Percent(20) ? "\"" + fn + "\"" : FirstCharacters(fn, 3));
      if (m_rng.Percent(20)) w.Text("BirthPlace", m_rng.Pick({"San Jos\xC3\xA9, Costa Rica", "M\xC3\xBCnchen", "Chicago", "Qu\xC3\xA9" "bec"}));
      if (school.high) {
        w.Text("LockerNum", std::to_string(m_rng.Between(1, 2000)))
            .Text("LockerComb", Combination())
            .Integer("ClassRank", m_rng.Between(1, 500));
        if (grade >= 11 && m_rng.Percent(30))
          w.Text("VehDescription", m_rng.Pick({"Blue Honda Civic", "Red \"Mini\" Cooper", "Grey pickup"}))
              .Text("ParkingPermit", "P" + std::to_string(m_rng.Between(100, 999)))
              .Text("PlateNum", "IL " + std::to_string(m_rng.Between(100000, 999999)));
      }
      if (m_rng.Percent(50)) w.Text("CellPhone", Phone());
      if (m_rng.Percent(40)) w.Text("StuCellPhone", Phone());
      if (m_rng.Percent(50)) w.Text("StuEmail", "s" + info.id + "@school.example");
      if (m_rng.Percent(5)) w.Text("Pager", Phone());
      if (m_rng.Percent(70)) w.Text("BusNum", std::to_string(m_rng.Between(1, 40)));
      if (m_rng.Percent(10))
        w.Text("AltBusDriver", "Mr. \"Bus\" " + Name(kLastNames)).Text("AltBusNum", std::to_string(m_rng.Between(1, 40)));
      if (m_rng.Percent(10)) w.Text("Hosp", m_rng.Pick({"St. Mary's", "General", "H\xC3\xB4pital Sainte-Anne"}));
      // Special education: a code, an empty text, blanks only, or NULL.
      switch (m_rng.Below(10)) {
        case 0: w.Text("SpEdCode", m_rng.Pick({"LD", "SLD", "OHI"})); break;
        case 1: w.Text("SpEdCode", "").Text("SpEdCode2", "  "); break;
        case 2: w.Text("SpEdCode2", "504"); break;
        default: break;
      }
      if (m_rng.Percent(25)) w.Text("Memo", Name(kNotes));
      if (m_rng.Percent(20)) w.Text("Comment", Name(kNotes));
      if (m_rng.Percent(10)) w.Text("Allergy", Name(kAllergies));
      if (m_rng.Percent(6)) w.Text("RX", m_rng.Pick({"EpiPen", "Inhaler", "Ritalin 5mg"}));
      WriteContacts(w, ln);
      w.Insert();

      WriteMedical(info, birthYear);
      m_students.push_back(info);
    }
  }

  void WriteContacts(RowWriter& w, const std::string& ln) {
    if (m_rng.Percent(15)) {
      w.Text("GuardianName", FullName())
          .Text("Guardian", Name(kRelationships)).Text("GuardianAddress", Address())
          .Text("GuardianCity", Name(kCities)).Text("GuardianState", "IL")
          .Text("GuardianZip", std::to_string(m_rng.Between(60000, 62999))).Text("GPhone", Phone());
      if (m_rng.Percent(50)) w.Text("GWorkPhone", Phone());
      if (m_rng.Percent(50)) w.Text("GuardianEmail", "guardian" + std::to_string(m_rng.Below(100000)) + "@mail.example");
    }
    for (const char* p : {"M", "P"}) {
      if (!m_rng.Percent(*p == 'M' ? 80 : 65)) continue;
      const std::string s = p;
      w.Text(s + "FN", Name(kFirstNames)).Text(s + "LN", m_rng.Percent(85) ? ln : Name(kLastNames))
          .Text(s + "Address", Address()).Text(s + "City", Name(kCities)).Text(s + "State", "IL")
          .Text(s + "Zip", std::to_string(m_rng.Between(60000, 62999))).Text(s + "Phone", Phone());
      if (m_rng.Percent(60)) {
        w.Text(s + "WorkPhone", Phone());
        w.Text(s + "WorkExt", m_rng.Pick({"", "  ", "12", "345"}));
        w.Text(s + "Employer", m_rng.Pick({"City Works", "Caf\xC3\xA9 Ol\xC3\xA9", "Springfield Hospital", "O'Malley & Sons"}));
      }
      if (m_rng.Percent(50)) w.Text(s + "CellPhone", Phone());
      if (m_rng.Percent(5)) w.Text(s + "Pager", Phone());
    }
    const int emergency = m_rng.Between(0, 4);
    for (int n = 1; n <= 4; ++n) {
      if (n > emergency && !m_rng.Percent(5)) continue;  // sometimes a gap before a later contact
      const std::string s = n == 1 ? "" : "_" + std::to_string(n);
      w.Text("RelFN" + s, Name(kFirstNames)).Text("RelLN" + s, Name(kLastNames))
          .Text("RelRelationship" + s, Name(kRelationships)).Text("RelPhone" + s, Phone());
    }
  }

  void WriteMedical(const StudentInfo& info, int birthYear) {
    const int notes = m_rng.Percent(20) ? (m_rng.Percent(20) ? 2 : 1) : 0;
    for (int n = 0; n < notes; ++n) {
      // One treatment per line; the date column sometimes has fewer lines than the allergies.
      const int lines = m_rng.Between(1, 3);
      std::string allergy, dates, comments;
      for (int l = 0; l < lines; ++l) {
        const std::string sep = l ? "\n" : "";
        allergy += sep + Name(kAllergies);
        if (l == 0 || m_rng.Percent(70))
          dates += sep + FormatDay(RandomDay(birthYear + 2, birthYear + 12));
        comments += sep + m_rng.Pick({"Carries an EpiPen", "Mild \"rash\"", "Nurse's office", "Use non-latex gloves"});
      }
      RowWriter& w = m_db.Table("Medical_Note");
      w.Text("ID", info.id).Text("Allergy", allergy).Text("ADate", dates)
          .Text("AReaction", m_rng.Pick({"Rash", "Swelling", "Anaphylaxis"}))
          .Text("AComment", comments).Text("Comment", m_rng.Pick({"See file", "", "Update yearly"}))
          .Text("Physician", "Dr. " + FullName()).Text("PhysPhone", Phone());
      w.Insert();
    }
    if (!m_rng.Percent(85)) return;
    RowWriter& w = m_db.Table("Immunization");
    w.Text("ID", info.id);
    const int32_t birth = DayFromCivil(birthYear, 1, 1);
    const TableDef* table = FindTable("Immunization");
    for (const ColumnDef& c : table->columns)
      if (c.type == ColumnType::DateTime && m_rng.Percent(35))
        w.Date(c.name, birth + m_rng.Between(60, 12 * 365));
    w.Insert();
  }

  void WriteClasses() {
    for (const StudentInfo& s : m_students) {
      const School& school = m_schools[s.school];
      // One class in every period but one free period.
      const size_t free = m_rng.Below(static_cast<uint32_t>(school.periods.size()));
      for (size_t p = 0; p < school.periods.size(); ++p) {
        if (p == free || school.sectionsByPeriod[p].empty()) continue;
        const Section& c = m_sections[m_rng.Pick(school.sectionsByPeriod[p])];
        RowWriter& w = m_db.Table("StudentClass");
        WriteClassColumns(w, s, c, m_year);
        const int done = m_rng.Between(0, 4);
        for (int g = 0; g <= done; ++g) WriteGrade(w, g);
        if (done == 0 && m_rng.Percent(10)) WriteGrade(w, 2);  // a lone later grade
        if (m_rng.Percent(5))
          w.Real("GradePoint_Test", m_rng.Between(0, 40) / 10.0).Real("GradePointsEarned_Test", m_rng.Between(0, 40) / 10.0);
        w.Insert();
      }
      if (m_rng.Percent(10)) {  // study hall: a class row without a class number
        RowWriter& w = m_db.Table("StudentClass");
        w.Text("ID", s.id).Text("SchoolYear", m_year).Text("ClassNum", "").Text("SubjectName", "STUDY")
            .Text("Description", "Study Hall").Text("Period", school.periods[free]);
        ClassInactive(w, s);
        w.Insert();
      }
      if (m_rng.Percent(10)) {  // last year's class
        RowWriter& w = m_db.Table("StudentClass");
        WriteClassColumns(w, s, m_sections[m_rng.Below(static_cast<uint32_t>(m_sections.size()))], m_lastYear);
        WriteGrade(w, 0);
        w.Insert();
      }
    }
  }

  void WriteClassColumns(RowWriter& w, const StudentInfo& s, const Section& c, const std::string& year) {
    w.Text("ID", s.id).Text("SchoolYear", year).Text("ClassNum", c.classNum).Text("SubjectName", c.subject)
        .Text("CourseNum", c.courseNum).Text("Description", c.description).Text("Days", c.days)
        .Text("Period", c.period).Text("Term", c.term).Text("RoomNum", c.room).Text("Teacher", c.teacher);
    ClassInactive(w, s);
  }

  void WriteGrade(RowWriter& w, int period) {
    const std::string s = period == 0 ? "" : "_" + std::to_string(period);
    const int pct10 = m_rng.Between(550, 1000);
    const char* letter = pct10 >= 900 ? "A" : pct10 >= 800 ? "B" : pct10 >= 700 ? "C" : pct10 >= 600 ? "D" : "F";
    const double point = pct10 >= 900 ? 4 : pct10 >= 800 ? 3 : pct10 >= 700 ? 2 : pct10 >= 600 ? 1 : 0;
    w.Text("GradeLetter" + s, std::string(letter) + (m_rng.Percent(20) ? "+" : ""))
        .Real("GradePct" + s, pct10 / 10.0).Real("GradePoint" + s, point)
        .Real("GradePointsEarned" + s, point);
  }

  void WriteConduct() {
    const int records = std::max(1, m_options.students * 12 / 100);
    for (int n = 0; n < records; ++n) {
      const StudentInfo& s = m_students[m_rng.Below(static_cast<uint32_t>(m_students.size()))];
      const bool lastYear = m_rng.Percent(5);
      const int32_t day = lastYear ? SchoolDay() - 364 : SchoolDay();  // 52 weeks: a weekday again
      RowWriter& w = m_db.Table("Discipline_Record");
      w.Text("ID", s.id).Text("SchoolYear", lastYear ? m_lastYear : m_year).Date("Date", day);
      // An infraction, a violation, both or (now and then) neither, as NULL or empty text.
      const unsigned kind = m_rng.Below(10);
      if (kind < 6) w.Text("Infraction", Name(kInfractions));
      else if (kind < 8) w.Text("Infraction", "");
      if (kind >= 4 && kind < 9) w.Text("Violation", Name(kViolations));
      else if (m_rng.Percent(50)) w.Text("Violation", "");
      const School& school = m_schools[s.school];
      w.Text("Comment", m_rng.Pick({"Fight in the cafeteria.\nBoth students sent home.", "Late to class", "Refused to hand over \"phone\"", "Copied homework;\tsecond time"}))
          .Text("Author", m_rng.Pick(school.staff)).Text("Classroom", m_rng.Pick({"Cafeteria", "Gym", "101", "Lab 3", "Bus"}))
          .Text("CC", m_rng.Pick({"Parent, Counselor", "Counselor", ""}));
      if (!m_counselors.empty()) w.Text("HearingOfficer", m_counselors[s.school % m_counselors.size()]);
      const std::string action = Name(kActions);
      const int days = m_rng.Between(1, 3);
      w.Text("Action", action).Integer("Days", days).Date("FromDate", day + 1).Date("ToDate", day + days)
          .Text("Pled", m_rng.Pick({"Guilty", "Not Guilty", ""}));
      if (action == "Suspension") w.Date("FromSuspension", day + 1).Date("ToSuspension", day + days);
      const char* notified = m_rng.Pick<const char*>({"Yes", "yes", "Y", "No", nullptr});
      if (notified) w.Text("Notified", notified).Date("NotDate", day).Text("NotTime", ClockText(m_rng.Between(8 * 60, 16 * 60)));
      const char* letter = m_rng.Pick<const char*>({"Yes", "No", "yes", nullptr});
      if (letter) w.Text("LetterSent", letter);
      if (m_rng.Percent(50)) w.Text("SpokeWith", m_rng.Percent(70) ? "Mrs. " + Name(kLastNames) : "");
      w.Insert();
    }
  }

  void WriteAttendance() {
    // Daily time frames, class periods, and the mixed lists a SIS clerk types, blanks included.
    static const std::vector<const char*> kPeriods = {
        "AM", "AM", "PM", "AM,PM", "All Day", "1", "2", "3", "4", "5", "6", "2,3",
        "1,2,AM", "1 ,2", "3 , 4", "PM,6,7", "AM,1,2", "5,6"};
    RowWriter& w = m_db.Table("Absence");
    for (int32_t d = m_start; d <= m_end; ++d) {
      if (!IsWeekday(d) || (m_dayOut.count(d) && m_dayOut[d] >= 1)) continue;
      for (const StudentInfo& s : m_students) {
        if (!m_rng.PerMille(45)) continue;
        const char* period = kPeriods[m_rng.Below(static_cast<uint32_t>(kPeriods.size()))];
        w.Text("ID", s.id).Text("SchoolYear", m_year).Date("Date", d)
            .Text("Absence", m_rng.Percent(80) ? "A" : "T").Text("Period", period);
        const unsigned t = m_rng.Below(20);
        if (t < 9) w.Text("Type", "Excused");
        else if (t < 17) w.Text("Type", "Unexcused");
        else if (t == 17) w.Text("Type", "excused");
        else if (t == 18) w.Text("Type", "");
        w.Insert();
      }
    }
    // A few rows of last year, which the school-year condition must keep out.
    for (int n = 0; n < std::max(1, m_options.students / 50); ++n) {
      const StudentInfo& s = m_students[m_rng.Below(static_cast<uint32_t>(m_students.size()))];
      int32_t day = m_start - m_rng.Between(20, 200);
      while (!IsWeekday(day)) --day;
      w.Text("ID", s.id).Text("SchoolYear", m_lastYear).Date("Date", day)
          .Text("Absence", "A").Text("Type", "Excused").Text("Period", "AM");
      w.Insert();
    }
  }

  DemoDatabase& m_db;
  DemoRandom m_rng;
  const DemoOptions& m_options;
  int32_t m_start, m_end;
  std::string m_year, m_lastYear;
  std::map<int32_t, double> m_dayOut;  // day -> Count of its "Day Out" event
  std::vector<School> m_schools;
  std::vector<Section> m_sections;
  std::vector<std::string> m_counselors;
  std::vector<StudentInfo> m_students;
};

void WriteTiny(DemoDatabase& db) {
  for (const DemoRow& row : TinyContent()) {
    RowWriter& w = db.Table(row.table);
    for (const DemoCell& cell : row.cells) {
      if (cell.value) w.Text(cell.column, cell.value);
      else w.Null(cell.column);
    }
    w.Insert();
  }
}

}  // namespace

std::string DefaultYearStart() {
  const os::LocalTime now = os::Now();
  const int year = now.month >= 7 ? now.year : now.year - 1;
  int32_t day = DayFromCivil(year, 8, 20);
  while (!IsWeekday(day)) ++day;
  return FormatDay(day);
}

DemoSummary GenerateDemoDatabase(const DemoOptions& options) {
  if (options.out.empty()) throw XException("no output file given");
  DemoSummary summary;
  int32_t start = 0;
  if (options.tiny) {
    if (!options.yearStart.empty()) throw XException("the tiny content has a fixed school year");
    ParseDay(kTinyYearStart, start);
    summary.schoolYear = kTinySchoolYear;
    summary.yearEnd = kTinyYearEnd;
  } else {
    const std::string text = options.yearStart.empty() ? DefaultYearStart() : options.yearStart;
    if (!ParseDay(text, start))
      throw XException::Format(0, "invalid year start \"%s\" (expected YYYY-MM-DD)", text.c_str());
    if (options.students < 1) throw XException("the number of students must be at least 1");
    if (options.schools < 1 || options.schools > 50)
      throw XException("the number of schools must be between 1 and 50");
    summary.schoolYear = SchoolYearText(CivilFromDay(start).year);
    summary.yearEnd = FormatDay(start + kYearLength);
  }
  summary.yearStart = FormatDay(start);

  DemoDatabase db(options.out, options.without);
  if (options.tiny) {
    WriteTiny(db);
  } else {
    RandomContent content(db, options, start);
    content.Write();
  }
  for (const TableDef& table : DemoSchema())
    summary.rows.emplace_back(table.name, db.Table(table.name).RowCount());
  db.Commit();
  return summary;
}

}  // namespace demosis
