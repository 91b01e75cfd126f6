#include "ui/AddSchoolDialog.h"

#include "app/QvSchoolConfDS.h"
#include "ui/AppMainWindow.h"
#include "ui/QvResourceIds.h"
#include "xui/XUIMessageBox.h"

AddSchoolDialog::AddSchoolDialog(AppMainWindow& app) : XUIWindow(IDD_ADDSCHOOL), m_app(app) {}

void AddSchoolDialog::OnCreate() {
  m_district = Bind<XUIEdit>(IDC_ADD_DISTRICT);
  m_number = Bind<XUIEdit>(IDC_ADD_NUMBER);
}

bool AddSchoolDialog::OnControlCommand(int id, int code) {
  if (id != IDOK || code != BN_CLICKED) return XUIWindow::OnControlCommand(id, code);
  XString district = m_district->GetText().Trim();
  XString number = m_number->GetText().Trim();
  if (number.IsEmpty()) {
    m_number->Focus();
    XUIMessageBox::Show("Please enter the School Number.", this, MB_OK | MB_ICONERROR);
    return true;
  }
  if (m_app.Framework().Schools().Find(number, district) != nullptr) {
    m_number->Focus();
    m_number->SelectAll();
    XUIMessageBox::Show("The school list already has a school with this School Number and District.",
                        this, MB_OK | MB_ICONERROR);
    return true;
  }
  m_districtText = district;
  m_numberText = number;
  EndModal(IDOK);
  return true;
}
