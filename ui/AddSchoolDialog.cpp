#include "ui/AddSchoolDialog.h"

#include "app/QvSchoolConfDS.h"
#include "ui/AppMainWindow.h"
#include "ui/QvResourceIds.h"
#include "xui/XUIMessageBox.h"

namespace {

XString ItemText(const XString& number, const XString& name) { return name + " (" + number + ")"; }

}  // namespace

AddSchoolDialog::AddSchoolDialog(AppMainWindow& app) : XUIWindow(IDD_ADDSCHOOL), m_app(app) {}

void AddSchoolDialog::OnCreate() {
  m_district = Bind<XUIEdit>(IDC_ADD_DISTRICT);
  m_number = Bind<XUIPopup>(IDC_ADD_NUMBER);
  // The schools of the connection tested in the connect view, as "--schools" lists them.
  Prefs& prefs = m_app.Preferences();
  const Validation list = m_app.Engine().LoadSchoolList(m_sisSchools, prefs.Dsn(), prefs.UserName(), prefs.Password());
  if (!list) {
    m_app.RunLog().WriteFormat(kLogWarning, "Add School: the school list of %s could not be loaded. %s",
                               prefs.Dsn().c_str(), list.Failure().c_str());
  }
  for (size_t i = 0; i < m_sisSchools.size(); ++i) {
    m_number->AddItem(ItemText(m_sisSchools[i].first, m_sisSchools[i].second), static_cast<intptr_t>(i));
  }
}

void AddSchoolDialog::ReadChoice(XString& number, XString& name) const {
  name = XString();
  int chosen = m_number->SelectedIndex();
  if (chosen >= 0) {
    const auto& school = m_sisSchools[static_cast<size_t>(m_number->ItemData(chosen))];
    number = school.first;
    name = school.second;
    return;
  }
  number = m_number->GetText().Trim();
  for (const auto& school : m_sisSchools) {
    if (number == school.first || number == ItemText(school.first, school.second)) {
      number = school.first;
      name = school.second;
      return;
    }
  }
}

void AddSchoolDialog::Refuse(XUIGizmo* field, const XString& text) {
  m_app.RunLog().WriteFormat(kLogWarning, "Add School: %s", text.c_str());
  field->Focus();
  XUIMessageBox::Show(text, this, MB_OK | MB_ICONERROR);
}

bool AddSchoolDialog::OnControlCommand(int id, int code) {
  if (id != IDOK || code != BN_CLICKED) return XUIWindow::OnControlCommand(id, code);
  XString district = m_district->GetText().Trim();
  XString number, name;
  ReadChoice(number, name);
  if (number.IsEmpty()) {
    Refuse(m_number, "Please enter the School Number.");
    return true;
  }
  if (m_app.Framework().Schools().Find(number, district) != nullptr) {
    Refuse(m_number, XString("The school list already has a school with the School Number \"") + number +
                         "\" and the District \"" + district + "\".");
    return true;
  }
  if (name.IsEmpty()) {
    // Typed, and not in the list shown (or no list could be loaded): the SIS decides.
    Prefs& prefs = m_app.Preferences();
    const Validation school = m_app.Engine().ValidateSchoolNumber(prefs.Dsn(), prefs.UserName(), prefs.Password(), number);
    if (!school) {
      XString text = XString("Meridane (data source \"") + prefs.Dsn() + "\") has no school with the School Number \"" +
                     number + "\".";
      const XString& reason = school.Failure();
      if (!reason.IsEmpty()) text += XString("\r\n\r\n") + reason;
      Refuse(m_number, text);
      return true;
    }
  }
  m_districtText = district;
  m_numberText = number;
  m_nameText = name;
  EndModal(IDOK);
  return true;
}
