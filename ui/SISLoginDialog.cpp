#include "ui/SISLoginDialog.h"

#include "ui/QvResourceIds.h"
#include "xui/XUIButton.h"
#include "xui/XUILabel.h"
#include "xui/XUIMessageBox.h"

SISLoginDialog::SISLoginDialog(const XString& userName, const XString& caption,
                               const XString& prompt)
    : XUIWindow(IDD_LOGIN), m_caption(caption), m_prompt(prompt), m_userName(userName) {}

bool SISLoginDialog::Ask(HWND owner) { return RunModal(owner) == IDOK; }

void SISLoginDialog::OnCreate() {
  SetText(m_caption);
  Bind<XUILabel>(IDC_LOGIN_PROMPT)->SetText(m_prompt);
  m_user = Bind<XUIEdit>(IDC_LOGIN_USER);
  m_passwordEdit = Bind<XUIEdit>(IDC_LOGIN_PASSWORD);
  m_confirm = Bind<XUIEdit>(IDC_LOGIN_CONFIRM);
  m_user->SetText(m_userName);
  m_passwordEdit->SetText(XString());
  m_confirm->SetText(XString());
  Bind<XUIButton>(IDC_LOGIN_OK)->SetAction([this] { OnOK(); });
  Bind<XUIButton>(IDC_LOGIN_CANCEL)->SetAction([this] { EndModal(IDCANCEL); });
}

void SISLoginDialog::OnOK() {
  XString user = m_user->GetText().Trim();
  XString password = m_passwordEdit->GetText();
  if (user.IsEmpty()) {
    m_user->Focus();
    XUIMessageBox::Show("Please enter the User Name.", this, MB_OK | MB_ICONERROR);
    return;
  }
  if (password != m_confirm->GetText()) {
    // The confirmation is typed again from the start.
    m_confirm->SetText(XString());
    m_confirm->Focus();
    XUIMessageBox::Show("The password does not match the confirmation.", this,
                        MB_OK | MB_ICONERROR);
    return;
  }
  m_userName = user;
  m_password = password;
  EndModal(IDOK);
}
