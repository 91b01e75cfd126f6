// The extract view: the school list of the site configuration and, for the chosen school, its
// data source, district, SIS school, school year, inactive-students rule and import folder;
// the buttons that add and remove schools, reload the SIS school list, run an extraction and
// schedule the nightly extraction of every school.
#pragma once

#include <memory>

#include "app/QvSchoolConf.h"
#include "engine/ExpEngine.h"
#include "ui/SchoolListDataSource.h"
#include "xui/XUIButton.h"
#include "xui/XUIDateSelect.h"
#include "xui/XUIEdit.h"
#include "xui/XUIGrid.h"
#include "xui/XUILabel.h"
#include "xui/XUIPopup.h"
#include "xui/XUIWindow.h"

class AppMainWindow;

class SISExtractView : public XUIWindow {
 public:
  explicit SISExtractView(AppMainWindow& app);
  ~SISExtractView() override;

  // Shows the current school and the stored options.
  void DoUpdate();
  void LoadSchool();
  // Reloads the SIS school list into the School drop-down.
  void LoadSchoolPopup();
  void LoadSISSchoolList();
  void OnSelectSchool(int32_t row);
  // Checks the settings of the current school and stores them; true when the run may start.
  bool CheckAndSave();
  Validation ValidateDSN(const XString& dsn);
  void OnRefresh();
  void OnBrowse();
  void OnAddSchool();
  void OnRemoveSchool();
  void OnExtract();
  // Saves, asks for the Windows account and schedules every school of the site configuration;
  // each failure is shown with the text of the step that failed.
  void OnSchedule();
  void OnInactiveChange();

 protected:
  void OnCreate() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  void FillDistricts(const QvSchoolConf* entry);
  void FillSchoolYears(const QvSchoolConf* entry);
  void EnableSchoolControls(bool enabled);
  // The entry's login, or the stored connection's when the entry has none.
  XString UserNameOf(const QvSchoolConf& entry) const;
  XString PasswordOf(const QvSchoolConf& entry) const;
  void KeepTypedText();
  // The account offered for the scheduled task: the logon domain, a backslash, the user name.
  static XString DefaultTaskAccount();

  AppMainWindow& m_app;
  SchoolListDataSource m_schoolRows;
  ExpEngine::SchoolList m_sisSchools;
  XUIGrid* m_list = nullptr;
  XUIEdit* m_dsn = nullptr;
  XUIPopup* m_district = nullptr;
  XUIPopup* m_school = nullptr;
  XUIPopup* m_year = nullptr;
  XUIRadioButton* m_activeOnly = nullptr;
  XUIRadioButton* m_inactiveAfter = nullptr;
  XUIDateSelect* m_inactiveDate = nullptr;
  XUIEdit* m_folder = nullptr;
  XUIButton* m_browse = nullptr;
  XUIButton* m_refresh = nullptr;
  XUIButton* m_remove = nullptr;
  XUIButton* m_schedule = nullptr;
  XUIButton* m_extract = nullptr;
  XUILabel* m_help = nullptr;
  HWND m_add = nullptr;
  XString m_folderProblem;  // found on connecting, shown once the view is on screen
  const QvSchoolConf* m_shown = nullptr;  // the entry whose settings the controls show
  bool m_saved = false;                   // the shown settings went into the entry
};

class ExtractView : public SISExtractView {
 public:
  using SISExtractView::SISExtractView;
};
