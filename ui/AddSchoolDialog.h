// Asks for the identification of a new school entry: its district (may be empty) and its
// school, picked from the SIS's list of schools or typed as a school number, which must then
// be one the SIS has.
#pragma once

#include "engine/ExpEngine.h"
#include "xui/XUIEdit.h"
#include "xui/XUIPopup.h"
#include "xui/XUIWindow.h"

class AppMainWindow;

class AddSchoolDialog : public XUIWindow {
 public:
  explicit AddSchoolDialog(AppMainWindow& app);

  const XString& District() const { return m_districtText; }
  const XString& SchoolNumber() const { return m_numberText; }
  // The SIS's name of the school when it was picked from the list or found there; else empty.
  const XString& SchoolName() const { return m_nameText; }

 protected:
  void OnCreate() override;
  bool OnControlCommand(int id, int code) override;

 private:
  // The school chosen in the drop-down or typed: its number and, when the SIS list has it,
  // its name. The item text "Name (Number)" and a bare number both find the list's entry.
  void ReadChoice(XString& number, XString& name) const;
  void Refuse(XUIGizmo* field, const XString& text);

  AppMainWindow& m_app;
  XUIEdit* m_district = nullptr;
  XUIPopup* m_number = nullptr;
  ExpEngine::SchoolList m_sisSchools;
  XString m_districtText;
  XString m_numberText;
  XString m_nameText;
};
