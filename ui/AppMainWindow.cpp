#include "ui/AppMainWindow.h"

#include <exception>

#include "app/BridgeIdentity.h"
#include "app/QvSchoolConf.h"
#include "app/RunReport.h"
#include "foundation/XDate.h"
#include "foundation/XDateTime.h"
#include "foundation/XException.h"
#include "foundation/XTime.h"
#include "os/OsFiles.h"
#include "os/OsSystem.h"
#include "ui/QvResourceIds.h"
#include "ui/SISConnectView.h"
#include "ui/SISExtractView.h"
#include "ui/SISNotifyDialog.h"
#include "ui/SISProgressView.h"
#include "xui/XUIMessageBox.h"
#include "package/QDEApplication.h"

namespace {

constexpr int kClientWidth = 640;
constexpr int kClientHeight = 480;
constexpr int kMinClientWidth = 540;
constexpr int kMinClientHeight = 420;

// When this program was built, for the About box.
XDateTime BuildTime() {
  int time = XTime::kNone;
  XTime::ParseTime(__TIME__, "HH:NN:SS", time);
  return XDateTime(QDEApplication::DateFromCompiler(__DATE__), time);
}

}  // namespace

AppMainWindow::AppMainWindow()
    : m_windowLog(RunLogTitle(), RunLog().Path(), RunLog().WriteLevel()) {
  XUIMessageBox::SetApplicationTitle(bridge::kTitle);
  // The engine's run-log lines also become the rows that the progress view lists.
  Engine().Context().SetRunLog(&m_windowLog);
}

AppMainWindow::~AppMainWindow() { Engine().Context().SetRunLog(&RunLog()); }

bool AppMainWindow::Init(HINSTANCE instance, int showCommand) {
  // Below this the extract view's right-hand column and bottom buttons run into each other.
  SetMinimumClientSize(kMinClientWidth, kMinClientHeight);
  return Create(instance, showCommand, bridge::kShortName, bridge::kTitle, IDI_QVMERIDANE,
                IDR_MAINMENU, kClientWidth, kClientHeight);
}

XString AppMainWindow::DefaultSchoolYear(int day) {
  int year = 0, month = 0, dayOfMonth = 0;
  XDate::ToYMD(day, year, month, dayOfMonth);
  return XString(month >= 7 ? year : year - 1);
}

void AppMainWindow::OnStart() {
  XLogFile& log = RunLog();
  log.Write(kLogProprietary, "SISMainWindow: OnStart");
  XString year = DefaultSchoolYear(XDateTime::Now().Date());
  log.Write(kLogProprietary, "SISMainWindow: Get Schools");
  for (QvSchoolConf* entry : Framework().Schools()) {
    if (entry->m_schoolYear.IsEmpty()) entry->m_schoolYear = year;
  }
  log.Write(kLogProprietary, "SISMainWindow: Set Nth School");
  if (Preferences().SchoolNth() < 0 ||
      static_cast<uint32_t>(Preferences().SchoolNth()) >= Framework().Schools().Count()) {
    Preferences().SetSchoolNth(0);
  }
  bool connected = false;
  try {
    connected = ConnectToSIS();
  } catch (const XException& e) {
    // The connect view shows it with its code, as the error's own text may not say it.
    m_pendingError = e.what();
    if (e.Code() != 0) m_pendingError += XString(" Error Code ") + XString(static_cast<int>(e.Code()));
    m_hasPendingError = true;
  } catch (const std::exception& e) {
    m_pendingError = e.what();
    m_hasPendingError = true;
  }
  SetCommandLineMode(false);
  if (!connected) ShowConnectView();
}

bool AppMainWindow::ConnectToSIS() {
  XLogFile& log = RunLog();
  if (Engine().Data().IsConnected()) Engine().Data().Disconnect();
  log.Write(kLogInfo, "Connecting to SIS.");
  // A folder that no longer serves is fixed in the extract view: the connection goes on, and
  // that view opens with the problem shown.
  m_folderProblem = XString();
  if (QvSchoolConf* entry = CurrentSchool()) {
    if (!Engine().Writer().Folder().Validate(entry->m_importFolder)) {
      log.Write(kLogInfo, "Validation of QDE Failed.");
      m_folderProblem = FolderProblem(entry->m_importFolder, Engine().Writer().Folder().Failure());
      log.Write(kLogWarning, m_folderProblem);
    }
  }
  Prefs& prefs = Preferences();
  // Without a data source there is nothing to test (and some drivers would take the empty
  // name for a database file to create).
  if (prefs.Dsn().IsEmpty()) {
    log.Write(kLogInfo, "Validation Failed.");
    return false;
  }
  log.Write(kLogInfo, "Has DSN.");
  log.Write(kLogInfo, "Has Login, No MasterFile or Folder. Validating Connection.");
  if (!Engine().ValidateConnection(prefs.Dsn(), prefs.UserName(), prefs.Password())) {
    log.Write(kLogInfo, "Validation Failed.");
    return false;
  }
  log.Write(kLogDebug, "Connection to SIS Validated.");
  ShowExtractView();
  return true;
}

void AppMainWindow::ShowConnectView() { SetView(std::make_unique<ConnectView>(*this)); }

void AppMainWindow::ShowExtractView() { SetView(std::make_unique<ExtractView>(*this)); }

XString AppMainWindow::FolderProblem(const XString& folder, const XString& reason) {
  XString text = XString("The Import Folder cannot be used: ") + folder;
  if (!reason.IsEmpty()) text += XString("\r\n") + reason;
  return text;
}

XString AppMainWindow::TakeFolderProblem() {
  XString problem = m_folderProblem;
  m_folderProblem = XString();
  return problem;
}

XString AppMainWindow::TakePendingError() {
  m_hasPendingError = false;
  XString error = m_pendingError;
  m_pendingError = XString();
  return error;
}

int AppMainWindow::Message(const XString& text, UINT style) {
  if (CommandLineMode()) return IDOK;
  return XUIMessageBox::Show(text, this, style);
}

void AppMainWindow::ShowValidateError(const char* message, const char* value) {
  MainWindow::ShowValidateError(message, value);
  XString text(message ? message : "");
  if (value != nullptr && *value != 0) text += XString(" ") + value;
  Message(text, MB_OK | MB_ICONERROR);
}

void AppMainWindow::DoExecute() {
  XLogFile& log = RunLog();
  QvSchoolConf* entry = CurrentSchool();
  if (entry == nullptr) throw XException("No school selected.", 0);

  auto view = std::make_unique<SISProgressView>(*this, "Extraction completed.");
  SISProgressView* progress = view.get();
  SetView(std::move(view));
  m_runningView = progress;

  // The list shows this run's lines, at the level the preferences ask for.
  m_windowLog.Invalidate();
  m_windowLog.Load();
  // The start-up set the preference from the marker files (Info without one).
  m_windowLog.SetWriteLevel(Preferences().LogLevel());
  progress->SetLog(&m_windowLog);
  SetProgress(progress);
  BeginRunRecord();
  try {
    Execute(*entry);
    log.Write(kLogInfo, "Finished DoExecute");
    EndRunRecord(nullptr);
    CopyRunLog();
    log.Write(kLogInfo, "Copied Run Log to Import Folder");
  } catch (const std::exception& e) {
    m_windowLog.WriteFormat(kLogError, "Error: %s", e.what());
    EndRunRecord(e.what());
    CopyRunLog();
    progress->End(false);
    progress->ShowFailure(e.what());
    progress->ShowLatestLog();
    // A run stopped because the window is closing needs no box: the user is leaving. A cancel
    // the user asked for is news, not an error.
    if (!m_quitAfterRun) Message(e.what(), MB_OK | (progress->StopRequested() ? MB_ICONINFORMATION : MB_ICONERROR));
  } catch (...) {
    EndRunRecord("Unknown error terminated extraction.");
    progress->End(false);
    if (!m_quitAfterRun) Message("Unknown error terminated extraction.", MB_OK | MB_ICONERROR);
  }
  SetProgress(nullptr);
  m_runningView = nullptr;
  // Clicks and keys that arrived while the run held the window are not replayed.
  FlushInput();
  if (m_quitAfterRun) Quit(0);
}

bool AppMainWindow::OnMenuCommand(int id) {
  switch (id) {
    case IDM_EDITCONNECTION:
      // While a run holds the progress view, the view stays.
      if (!Running()) ShowConnectView();
      return true;
    case IDM_EXIT:
      OnClose();
      return true;
    case IDM_USERGUIDE:
      OpenUserGuide();
      return true;
    case IDM_DISTRICTREPORT:
      OpenDistrictReport();
      return true;
    case IDM_CONTACT:
      ShowContactUs();
      return true;
    case IDM_ABOUT:
      ShowAbout();
      return true;
    default:
      return false;  // IDM_HELPKEY and the rest: the default handling
  }
}

void AppMainWindow::OnClose() {
  if (Running()) {
    // The run unwinds first; the loop ends after it.
    m_runningView->RequestStop();
    m_quitAfterRun = true;
    return;
  }
  Quit(0);
}

void AppMainWindow::OpenUserGuide() {
  // The installer puts the guide beside the program. A guide that is there but that no
  // program opens (no PDF reader) is told apart from a missing one: reinstalling would not
  // help then. The run log names the file either way.
  XString guide = m_programFolder + bridge::kGuideFile;
  XLogFile& log = RunLog();
  if (!os::PathExists(guide.ToStd()) || os::IsDirectory(guide.ToStd())) {
    log.WriteFormat(kLogError, "User guide not found: %s", guide.c_str());
    Message(XString("User guide not found, please reinstall ") + bridge::kTitle, MB_OK | MB_ICONERROR);
    return;
  }
  log.WriteFormat(kLogInfo, "Opening the user guide: %s", guide.c_str());
  int result = os::ShellOpen(guide.ToStd());
  if (result < 32) {
    log.WriteFormat(kLogError, "No program opened the user guide ( %d ): %s", result, guide.c_str());
    Message(XString("No program is set to open the user guide ") + guide +
                ". Install a PDF reader, or open the file from the program folder.",
            MB_OK | MB_ICONERROR);
  }
}

void AppMainWindow::OpenDistrictReport() {
  // Made anew from the run history each time, beside the site configuration where the
  // district schedule writes it too, and opened as the guide is.
  const XString page = BridgeDataFolder() + RunReport::kFileName;
  XLogFile& log = RunLog();
  try {
    for (const XString& line : RunReport::Make(Framework().Schools(), BridgeDataFolder(), page)) {
      log.Write(kLogWarning, line.c_str());
    }
  } catch (const std::exception& e) {
    log.WriteFormat(kLogError, "The district report could not be written: %s", e.what());
    Message(XString("The district report could not be written: ") + e.what(), MB_OK | MB_ICONERROR);
    return;
  }
  log.WriteFormat(kLogInfo, "Opening the district report: %s", page.c_str());
  const int result = os::ShellOpen(page.ToStd());
  if (result < 32) {
    log.WriteFormat(kLogError, "No program opened the district report ( %d ): %s", result, page.c_str());
    Message(XString("No program is set to open the district report ") + page + ". Open it with a web browser.",
            MB_OK | MB_ICONERROR);
  }
}

void AppMainWindow::ShowAbout() {
  SISNotifyDialog dialog(*this, XString("About ") + bridge::kTitle, false);
  dialog.Rows().SetColumns("Build", "Built");
  dialog.Rows().AddRow({XString(bridge::kTitle) + " " + bridge::kVersion,
                        BuildTime().Format("MMM DD, YYYY HH:NN AA")});
  dialog.RunModal(Handle());
}

void AppMainWindow::ShowContactUs() {
  const QvVendor* vendor = nullptr;
  if (QvSchoolConf* entry = CurrentSchool()) {
    if (entry->m_sis != nullptr) vendor = Framework().FindVendor(entry->m_sis->m_id.c_str());
  }
  if (vendor == nullptr) vendor = &Framework().DefaultVendor();
  SISNotifyDialog dialog(*this, "Contact Us", true);
  dialog.Rows().AddContactBlock("Support", vendor->m_supportNames, vendor->m_supportWebsite,
                                vendor->m_supportEmail, vendor->m_supportPhone,
                                vendor->m_supportPhoneTollFree, vendor->m_supportFax);
  dialog.Rows().AddContactBlock("Sales", vendor->m_salesNames, vendor->m_salesWebsite,
                                vendor->m_salesEmail, vendor->m_salesPhone,
                                vendor->m_salesPhoneTollFree, vendor->m_salesFax);
  dialog.RunModal(Handle());
  // The dialog may have changed the preference; the run log follows it again.
  RunLog().SetWriteLevel(Preferences().LogLevel());
  m_windowLog.SetWriteLevel(Preferences().LogLevel());
}
