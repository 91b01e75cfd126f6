// Asks for the Windows account a scheduled task runs under: a user name (offered with a
// default) and its password, typed twice. OK is refused while the two differ.
#pragma once

#include "xui/XUIEdit.h"
#include "xui/XUIWindow.h"

class SISLoginDialog : public XUIWindow {
 public:
  SISLoginDialog(const XString& userName, const XString& caption, const XString& prompt);

  // Runs the dialog; true when it ended with OK.
  bool Ask(HWND owner);

  const XString& UserName() const { return m_userName; }
  const XString& Password() const { return m_password; }

 protected:
  void OnCreate() override;

 private:
  void OnOK();

  XString m_caption;
  XString m_prompt;
  XString m_userName;
  XString m_password;
  XUIEdit* m_user = nullptr;
  XUIEdit* m_passwordEdit = nullptr;
  XUIEdit* m_confirm = nullptr;
};
