// Asks for the identification of a new school entry: its district (may be empty) and its
// school number (required).
#pragma once

#include "xui/XUIEdit.h"
#include "xui/XUIWindow.h"

class AppMainWindow;

class AddSchoolDialog : public XUIWindow {
 public:
  explicit AddSchoolDialog(AppMainWindow& app);

  const XString& District() const { return m_districtText; }
  const XString& SchoolNumber() const { return m_numberText; }

 protected:
  void OnCreate() override;
  bool OnControlCommand(int id, int code) override;

 private:
  AppMainWindow& m_app;
  XUIEdit* m_district = nullptr;
  XUIEdit* m_number = nullptr;
  XString m_districtText;
  XString m_numberText;
};
