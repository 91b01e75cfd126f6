#include "ui/SISExtractView.h"

#include <exception>

#include "app/BridgeIdentity.h"
#include "app/DistrictScheduler.h"
#include "foundation/XDate.h"
#include "foundation/XDateTime.h"
#include "foundation/XException.h"
#include "os/OsFiles.h"
#include "os/OsSystem.h"
#include "ui/AddSchoolDialog.h"
#include "ui/AppMainWindow.h"
#include "ui/QvResourceIds.h"
#include "ui/SISLoginDialog.h"
#include "ui/ViewText.h"
#include "xui/XUIFolderBrowser.h"
#include "xui/XUIScrollBar.h"

namespace {

// How the controls follow a resized window: the list and the bottom row of buttons keep to
// the left and bottom edges, the right column stretches to the right edge.
const XUIPlacement kPlacements[] = {
    {IDC_SCHOOL_LIST, XUINear(5), XUINear(5), XUINear(105), XUIFar(35)},
    {IDC_SCHOOL_LIST_VSCROLL, XUINear(105), XUINear(5), XUINear(115), XUIFar(35)},
    {IDC_ADD_SCHOOL, XUINear(5), XUIFar(30), XUINear(59), XUIFar(5)},
    {IDC_REMOVE_SCHOOL, XUINear(61), XUIFar(30), XUINear(115), XUIFar(5)},
    {IDC_SCHOOL_DSN_EDIT, XUINear(190), XUINear(21), XUIFar(90), XUINear(34)},
    {IDC_REFRESH, XUIFar(85), XUINear(20), XUIFar(5), XUINear(35)},
    {IDC_SCHOOL_HELP, XUINear(125), XUINear(41), XUIFar(5), XUINear(50)},
    {IDC_DISTRICT_POPUP, XUINear(190), XUINear(56), XUIFar(5), XUINear(176)},
    {IDC_SCHOOL_POPUP, XUINear(190), XUINear(73), XUIFar(5), XUINear(233)},
    {IDC_INACTIVE_NONE, XUINear(125), XUINear(130), XUIFar(5), XUINear(140)},
    {IDC_FOLDER_HELP, XUINear(125), XUINear(184), XUIFar(5), XUINear(193)},
    {IDC_FOLDER_EDIT, XUINear(125), XUINear(198), XUIFar(71), XUINear(211)},
    {IDC_FOLDER_BROWSE, XUIFar(65), XUINear(197), XUIFar(5), XUINear(212)},
    {IDC_SCHEDULE, XUIFar(180), XUIFar(30), XUIFar(95), XUIFar(5)},
    {IDC_EXTRACT_NOW, XUIFar(85), XUIFar(30), XUIFar(5), XUIFar(5)},
};

// Posted to itself once the view is on screen, to show the folder problem found on connecting.
constexpr UINT kShowFolderProblem = WM_APP + 2;

constexpr const char* kSchoolHelp = "Please select the school that you wish to extract information for.";
constexpr const char* kFirstSchoolHelp =
    "No school yet: click \"Add School...\" below to add the first school from Meridane.";

// The text after a refusal's own: the reason on its own paragraph, when there is one.
XString WithReason(const XString& text, const XString& reason) {
  return reason.IsEmpty() ? text : text + "\r\n\r\n" + reason;
}

XString SchoolItemText(const XString& number, const XString& name) {
  return name + " (" + number + ")";
}

// The folder path as the import folder is stored: ending in the path separator.
XString WithTrailingSeparator(XString folder) {
  folder.Trim();
  if (!folder.IsEmpty() && folder[folder.Length() - 1] != '\\' && folder[folder.Length() - 1] != '/') {
    folder += "\\";
  }
  return folder;
}

}  // namespace

SISExtractView::SISExtractView(AppMainWindow& app)
    : XUIWindow(IDD_EXTRACT), m_app(app), m_schoolRows(app.Framework().Schools()) {
  for (const XUIPlacement& placement : kPlacements) Placements().Add(placement);
}

SISExtractView::~SISExtractView() {
  if (!m_saved) KeepTypedText();
}

void SISExtractView::KeepTypedText() {
  if (m_shown == nullptr || m_folder == nullptr || Handle() == nullptr) return;
  AppMainWindow::SchoolDraft& draft = m_app.KeptSchoolText()[m_shown];
  draft.dsn = m_dsn->GetText();
  draft.importFolder = m_folder->GetText();
}

void SISExtractView::OnCreate() {
  MakeHeadings(Handle(), {IDC_IDENT_HEADING, IDC_INACTIVE_HEADING, IDC_FOLDER_HEADING});
  m_list = Bind<XUIGrid>(IDC_SCHOOL_LIST);
  m_list->SetScrollBar(Bind<XUIScrollBar>(IDC_SCHOOL_LIST_VSCROLL));
  m_list->SetDataSource(&m_schoolRows);
  m_list->SetSelectAction([this](int32_t row) { OnSelectSchool(row); });
  m_dsn = Bind<XUIEdit>(IDC_SCHOOL_DSN_EDIT);
  m_district = Bind<XUIPopup>(IDC_DISTRICT_POPUP);
  m_school = Bind<XUIPopup>(IDC_SCHOOL_POPUP);
  m_year = Bind<XUIPopup>(IDC_YEAR_POPUP);
  m_activeOnly = Bind<XUIRadioButton>(IDC_INACTIVE_NONE);
  m_inactiveAfter = Bind<XUIRadioButton>(IDC_INACTIVE_AFTER);
  m_activeOnly->SetAction([this] { OnInactiveChange(); });
  m_inactiveAfter->SetAction([this] { OnInactiveChange(); });
  m_inactiveDate = Bind<XUIDateSelect>(IDC_INACTIVE_DATE);
  m_folder = Bind<XUIEdit>(IDC_FOLDER_EDIT);
  m_browse = Bind<XUIButton>(IDC_FOLDER_BROWSE);
  m_browse->SetAction([this] { OnBrowse(); });
  m_refresh = Bind<XUIButton>(IDC_REFRESH);
  m_refresh->SetAction([this] { OnRefresh(); });
  Bind<XUIButton>(IDC_ADD_SCHOOL)->SetAction([this] { OnAddSchool(); });
  m_remove = Bind<XUIButton>(IDC_REMOVE_SCHOOL);
  m_remove->SetAction([this] { OnRemoveSchool(); });
  m_extract = Bind<XUIButton>(IDC_EXTRACT_NOW);
  m_extract->SetAction([this] { OnExtract(); });
  m_schedule = Bind<XUIButton>(IDC_SCHEDULE);
  m_schedule->SetAction([this] { OnSchedule(); });
  m_help = Bind<XUILabel>(IDC_SCHOOL_HELP);
  m_add = GetDlgItem(Handle(), IDC_ADD_SCHOOL);
  DoUpdate();
  m_folderProblem = m_app.TakeFolderProblem();
  if (!m_folderProblem.IsEmpty()) PostMessageW(Handle(), kShowFolderProblem, 0, 0);
}

bool SISExtractView::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  if (message != kShowFolderProblem) return false;
  result = TRUE;
  if (m_folderProblem.IsEmpty()) return true;
  XString problem = m_folderProblem;
  m_folderProblem = XString();
  m_folder->Focus();
  m_folder->SelectAll();
  m_app.Message(problem + "\r\n\r\nPlease choose another Import Folder.", MB_OK | MB_ICONERROR);
  m_folder->Focus();
  return true;
}

XString SISExtractView::UserNameOf(const QvSchoolConf& entry) const {
  return entry.m_userName.IsEmpty() ? m_app.Preferences().UserName() : entry.m_userName;
}

XString SISExtractView::PasswordOf(const QvSchoolConf& entry) const {
  return entry.m_userName.IsEmpty() && entry.m_password.IsEmpty() ? m_app.Preferences().Password()
                                                                  : entry.m_password;
}

void SISExtractView::DoUpdate() {
  XLogFile& log = m_app.RunLog();
  log.Write(kLogInfo, "Updating school list.");
  log.Write(kLogDebug, "DoUpdate: Setting Selection");
  m_list->Refresh();
  m_list->SelectRow(m_app.CurrentSchool() != nullptr ? m_app.Preferences().SchoolNth() : -1);
  log.Write(kLogDebug, "DoUpdate: OnInactiveChange");
  bool inactive = m_app.Preferences().Inactive(false);
  m_activeOnly->SetChecked(!inactive);
  m_inactiveAfter->SetChecked(inactive);
  OnInactiveChange();
  log.Write(kLogDebug, "DoUpdate: OnClonesChange");
  log.Write(kLogDebug, "DoUpdate: Loading Schools");
  LoadSchool();
  log.Write(kLogDebug, "DoUpdate: Finished Loading Schools");
}

void SISExtractView::OnInactiveChange() {
  m_inactiveDate->Enable(m_inactiveAfter->IsChecked() && m_app.CurrentSchool() != nullptr);
}

void SISExtractView::EnableSchoolControls(bool enabled) {
  for (XUIGizmo* gizmo : std::initializer_list<XUIGizmo*>{m_dsn, m_district, m_school, m_year, m_folder,
                                                          m_browse, m_refresh, m_remove, m_schedule,
                                                          m_extract, m_activeOnly, m_inactiveAfter}) {
    gizmo->Enable(enabled);
  }
  OnInactiveChange();
}

void SISExtractView::FillDistricts(const QvSchoolConf* entry) {
  m_district->Clear();
  if (entry == nullptr) return;
  // The districts that the site configuration knows, the entry's own selected.
  for (QvSchoolConf* other : m_app.Framework().Schools()) {
    if (!other->m_district.IsEmpty() && m_district->FindText(other->m_district) < 0) {
      m_district->AddItem(other->m_district);
    }
  }
  if (m_district->FindText(entry->m_district) < 0) m_district->AddItem(entry->m_district);
  m_district->Select(m_district->FindText(entry->m_district));
}

void SISExtractView::FillSchoolYears(const QvSchoolConf* entry) {
  m_year->Clear();
  if (entry == nullptr) return;
  XString current = AppMainWindow::DefaultSchoolYear(XDateTime::Now().Date());
  int year = atoi(current.c_str());
  for (int y = year - 2; y <= year + 1; ++y) m_year->AddItem(XString(y));
  if (!entry->m_schoolYear.IsEmpty() && m_year->FindText(entry->m_schoolYear) < 0) {
    m_year->AddItem(entry->m_schoolYear);
  }
  m_year->Select(m_year->FindText(entry->m_schoolYear.IsEmpty() ? current : entry->m_schoolYear));
}

void SISExtractView::LoadSchool() {
  XLogFile& log = m_app.RunLog();
  log.Write(kLogInfo, "Loading school.");
  QvSchoolConf* entry = m_app.CurrentSchool();
  m_shown = entry;
  m_saved = false;
  if (entry != nullptr) {
    auto draft = m_app.KeptSchoolText().find(entry);
    bool kept = draft != m_app.KeptSchoolText().end();
    XString dsn = kept ? draft->second.dsn : entry->m_dsn;
    // A new entry uses the connection that was tested in the connect view.
    if (dsn.IsEmpty()) dsn = m_app.Preferences().Dsn();
    m_dsn->SetText(dsn);
    FillDistricts(entry);
    FillSchoolYears(entry);
    EnableSchoolControls(true);
    m_help->SetText(kSchoolHelp);
    SendMessageW(Handle(), DM_SETDEFID, IDC_EXTRACT_NOW, 0);
    if (!dsn.IsEmpty() && ValidateDSN(dsn)) {
      log.Write(kLogInfo, "Loading School Popup");
      LoadSchoolPopup();
    } else {
      m_school->Clear();
    }
    log.Write(kLogInfo, "Setting QDE folder.");
    m_folder->SetText(kept ? draft->second.importFolder : entry->m_importFolder);
    if (kept) m_app.KeptSchoolText().erase(draft);
    m_inactiveDate->SetDate(entry->m_inactiveCutoff > 1 ? entry->m_inactiveCutoff : XDateTime::Now().Date());
  } else {
    log.Write(kLogInfo, "No school selected.");
    m_dsn->SetText(XString());
    m_folder->SetText(XString());
    m_district->Clear();
    m_year->Clear();
    m_school->Clear();
    m_school->AddItem("No school selected");
    m_school->Select(0);
    EnableSchoolControls(false);
    // Nothing else can be done before a school is added: say so and point to the button.
    const bool none = m_app.Framework().Schools().Count() == 0;
    if (none) log.Write(kLogInfo, kFirstSchoolHelp);
    m_help->SetText(none ? kFirstSchoolHelp : kSchoolHelp);
    SendMessageW(Handle(), DM_SETDEFID, IDC_ADD_SCHOOL, 0);
    if (m_add != nullptr) SetFocus(m_add);
  }
  log.Write(kLogInfo, "Done school load.");
  RECT client;
  GetClientRect(Handle(), &client);
  Layout(client);
}

Validation SISExtractView::ValidateDSN(const XString& dsn) {
  QvSchoolConf* entry = m_app.CurrentSchool();
  if (entry == nullptr) return Validation::Failed("No school is chosen.");
  return m_app.Engine().ValidateConnection(dsn, UserNameOf(*entry), PasswordOf(*entry));
}

void SISExtractView::LoadSchoolPopup() {
  m_school->Clear();
  QvSchoolConf* entry = m_app.CurrentSchool();
  if (entry == nullptr) return;
  m_sisSchools.clear();
  XString dsn = m_dsn->GetText();
  if (!m_app.Engine().LoadSchoolList(m_sisSchools, dsn, UserNameOf(*entry), PasswordOf(*entry))) {
    m_app.RunLog().Write(kLogInfo, "Could not load the school list.");
  }
  int chosen = -1;
  for (size_t i = 0; i < m_sisSchools.size(); ++i) {
    int index = m_school->AddItem(SchoolItemText(m_sisSchools[i].first, m_sisSchools[i].second),
                                  static_cast<intptr_t>(i));
    if (m_sisSchools[i].first == entry->m_schoolNumber) chosen = index;
  }
  if (chosen < 0 && m_school->Count() > 0 && entry->m_schoolNumber.IsEmpty()) chosen = 0;
  m_school->Select(chosen);
}

void SISExtractView::LoadSISSchoolList() {
  XLogFile& log = m_app.RunLog();
  log.Write(kLogDebug, "LoadSISSchoolList: Deleting All Schools.");
  m_sisSchools.clear();
  m_school->Clear();
  log.Write(kLogDebug, "LoadSISSchoolList: Deleted All Schools.");
  log.Write(kLogDebug, "LoadSISSchoolList: Load Schools.");
  LoadSchool();
  log.Write(kLogDebug, "LoadSISSchoolList: Finished Loading Schools.");
}

void SISExtractView::OnSelectSchool(int32_t row) {
  XLogFile& log = m_app.RunLog();
  log.Write(kLogDebug, "OnSelectSchool");
  int32_t previous = m_app.Preferences().SchoolNth();
  if (row < 0 || row == previous) return;
  if (!CheckAndSave()) {
    log.Write(kLogDebug, "OnSelectSchool: Setting Selection");
    m_list->SelectRow(previous);
    return;
  }
  m_app.Preferences().SetSchoolNth(row);
  log.WriteFormat(kLogDebug, "OnSelectSchool: putting nth school %u", static_cast<unsigned>(row));
  LoadSISSchoolList();
}

bool SISExtractView::CheckAndSave() {
  XLogFile& log = m_app.RunLog();
  log.Write(kLogInfo, "Checking and Saving Data.");
  QvSchoolConf* entry = m_app.CurrentSchool();
  if (m_app.Framework().Schools().Count() == 0 || entry == nullptr) return true;
  try {
    int chosen = m_school->SelectedIndex();
    const std::pair<XString, XString>* school = nullptr;
    if (chosen >= 0 && static_cast<size_t>(m_school->ItemData(chosen)) < m_sisSchools.size()) {
      school = &m_sisSchools[static_cast<size_t>(m_school->ItemData(chosen))];
      log.WriteFormat(kLogInfo, "Selected School: %s", school->second.c_str());
    } else {
      log.Write(kLogInfo, "No Schools in List");
    }

    XString folder = WithTrailingSeparator(m_folder->GetText());
    m_folder->SetText(folder);
    if (folder.IsEmpty()) {
      m_folder->Focus();
      m_app.Message("Please enter the Import Folder.", MB_OK | MB_ICONERROR);
      return false;
    }
    if (!m_app.Engine().Writer().Folder().Validate(folder)) {
      m_folder->Focus();
      m_folder->SelectAll();
      XString problem = AppMainWindow::FolderProblem(folder, m_app.Engine().Writer().Folder().Failure());
      log.Write(kLogWarning, problem);
      m_app.Message(problem, MB_OK | MB_ICONERROR);
      return false;
    }

    const QvSIS* sis = m_app.Framework().FindSIS(bridge::kIdentifier);
    entry->m_sis = sis != nullptr ? sis : &m_app.Framework().DefaultSIS();
    entry->m_sisName = entry->m_sis->m_id;
    if (school != nullptr) {
      entry->m_schoolName = school->second;
      entry->m_schoolNumber = school->first;
    } else {
      log.Write(kLogInfo, "No School Number to set.");
    }

    XString dsn = m_dsn->GetText().Trim();
    XString user = UserNameOf(*entry);
    XString password = PasswordOf(*entry);
    const Validation connection = m_app.Engine().ValidateConnection(dsn, user, password);
    if (!connection) {
      m_dsn->Focus();
      throw XException(WithReason("DSN is not valid, please check the value", connection.Failure()), 0);
    }
    // Only the data source: an entry without a login of its own keeps following the stored
    // connection's (a password changed there reaches it); one with its own keeps that.
    entry->m_dsn = dsn;
    if (m_district->SelectedIndex() >= 0) entry->m_district = m_district->ItemText(m_district->SelectedIndex());
    if (m_year->SelectedIndex() >= 0) entry->m_schoolYear = m_year->ItemText(m_year->SelectedIndex());

    bool inactive = m_inactiveAfter->IsChecked();
    m_app.Preferences().SetInactive(inactive);
    // "Became inactive after" a date: the date chosen beside the button is the cutoff, as
    // the command line's date form sets it; without one, every inactive student counts.
    int cutoffDate = m_inactiveDate->Date();
    entry->m_inactiveCutoff = !inactive ? -1 : (cutoffDate > 1 ? cutoffDate : 1);
    entry->m_importFolder = folder;
    m_schoolRows.Touch();
    m_list->Refresh();
    m_saved = true;
    return true;
  } catch (const std::exception& e) {
    m_app.Message(e.what(), MB_OK | MB_ICONERROR);
    log.Write(kLogError, "Failed to save the School Configuration.  Check log for details.");
    m_app.CopyRunLog();
    return false;
  }
}

void SISExtractView::OnRefresh() {
  QvSchoolConf* entry = m_app.CurrentSchool();
  if (entry == nullptr) return;
  XString dsn = m_dsn->GetText().Trim();
  entry->m_dsn = dsn;
  const Validation connection = ValidateDSN(dsn);
  if (!connection) {
    m_dsn->Focus();
    m_app.Message(WithReason("DSN is invalid, please renter", connection.Failure()),
                  MB_OK | MB_ICONERROR);
    return;
  }
  m_dsn->SetText(dsn);
  LoadSchoolPopup();
}

void SISExtractView::OnBrowse() {
  XString folder = XUIFolderBrowser::Choose(this, "QDE Folder");
  if (!folder.IsEmpty()) m_folder->SetText(WithTrailingSeparator(folder));
}

void SISExtractView::OnAddSchool() {
  QvSchoolConfDS& schools = m_app.Framework().Schools();
  if (schools.Count() > 0 && !CheckAndSave()) return;
  AddSchoolDialog dialog(m_app);
  if (dialog.RunModal(GetAncestor(Handle(), GA_ROOT)) != IDOK) return;

  auto entry = std::make_unique<QvSchoolConf>();
  entry->m_import = true;
  entry->m_district = dialog.District();
  entry->m_schoolNumber = dialog.SchoolNumber();
  entry->m_schoolName = dialog.SchoolName();
  entry->m_schoolYear = AppMainWindow::DefaultSchoolYear(XDateTime::Now().Date());
  entry->m_dsn = m_app.Preferences().Dsn();
  const QvSIS* sis = m_app.Framework().FindSIS(bridge::kIdentifier);
  entry->m_sis = sis != nullptr ? sis : &m_app.Framework().DefaultSIS();
  entry->m_sisName = entry->m_sis->m_id;
  m_app.RunLog().WriteFormat(kLogInfo, "Added School: %s %s", entry->m_schoolNumber.c_str(),
                             entry->m_schoolName.c_str());
  uint32_t position = schools.Add(std::move(entry));
  m_app.Preferences().SetSchoolNth(static_cast<int32_t>(position));
  m_schoolRows.Touch();
  m_list->Refresh();
  m_list->SelectRow(static_cast<int32_t>(position));
  LoadSISSchoolList();
}

void SISExtractView::OnRemoveSchool() {
  QvSchoolConfDS& schools = m_app.Framework().Schools();
  int32_t nth = m_app.Preferences().SchoolNth();
  if (m_app.CurrentSchool() == nullptr) return;
  m_app.KeptSchoolText().erase(m_app.CurrentSchool());
  schools.Remove(static_cast<uint32_t>(nth));
  if (static_cast<uint32_t>(nth) >= schools.Count()) nth = schools.Count() > 0 ? static_cast<int32_t>(schools.Count()) - 1 : 0;
  m_app.Preferences().SetSchoolNth(nth);
  m_schoolRows.Touch();
  m_list->Refresh();
  m_list->SelectRow(m_app.CurrentSchool() != nullptr ? nth : -1);
  LoadSISSchoolList();
}

void SISExtractView::OnExtract() {
  XLogFile& log = m_app.RunLog();
  log.Write(kLogInfo, "OnExtract Running...");
  try {
    if (m_app.Framework().Schools().Count() == 0) {
      throw XException("School List has no Schools, please check data before extracting.", 0);
    }
    if (!CheckAndSave()) return;
    log.Write(kLogInfo, "Extracting now, check Extract Log for more details.");
    m_app.DoExecute();
    log.Write(kLogInfo, "Finished Extract.");
  } catch (const std::exception& e) {
    m_app.Message(e.what(), MB_OK | MB_ICONERROR);
  }
}

void SISExtractView::OnSchedule() {
  XLogFile& log = m_app.RunLog();
  log.Write(kLogInfo, "Schedule: Begin");
  if (!CheckAndSave()) return;
  try {
    // Saved before anything is asked: a cancelled or refused schedule keeps the settings.
    m_app.Preferences().Save();
    m_app.Framework().SaveSiteConfiguration(m_app.BridgeDataFolder());

    Prefs& prefs = m_app.Preferences();
    DistrictScheduler scheduler(m_app.Framework().Schools(), prefs.Dsn(), prefs.UserName(),
                                prefs.Password(), XString(os::ExecutablePath()));
    // A school the night run could not serve is named before the password is asked for.
    scheduler.CheckSchools();

    SISLoginDialog login(DefaultTaskAccount(), "Windows Account",
                         "Please enter the Windows account that will be used to run the extract.");
    if (!login.Ask(GetAncestor(Handle(), GA_ROOT))) {
      log.Write(kLogInfo, "Schedule: Cancelled");
      return;
    }
    const XString message =
        scheduler.Schedule(m_app.BridgeDataFolder(), login.UserName(), login.Password(), &log);
    m_app.Message(message, MB_OK | MB_ICONINFORMATION);
  } catch (const std::exception& e) {
    log.WriteFormat(kLogError, "Error: %s", e.what());
    m_app.Message(e.what(), MB_OK | MB_ICONERROR);
  }
}

XString SISExtractView::DefaultTaskAccount() {
  const std::string domain = os::LogonDomain();
  const std::string user = os::UserName();
  return XString(domain.empty() ? user : domain + "\\" + user);
}
