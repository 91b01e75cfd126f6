#include "ui/SISConnectView.h"

#include <exception>

#include "app/BridgeIdentity.h"
#include "app/QvSchoolConf.h"
#include "ui/AppMainWindow.h"
#include "ui/QvResourceIds.h"
#include "ui/ViewText.h"
#include "xui/XUILabel.h"

namespace {
// Posted to itself once the view is on screen, to show an error kept from the start.
constexpr UINT kShowPendingError = WM_APP + 1;
}  // namespace

SISConnectView::SISConnectView(AppMainWindow& app) : XUIWindow(IDD_CONNECT), m_app(app) {}

SISConnectView::~SISConnectView() {
  // Text typed but not connected with is kept for the next connect view.
  if (m_connected || m_dsn == nullptr || Handle() == nullptr) return;
  AppMainWindow::ConnectDraft& draft = m_app.KeptConnectText();
  draft.kept = true;
  draft.dsn = m_dsn->GetText();
  draft.userName = m_userName->GetText();
  draft.password = m_password->GetText();
}

void SISConnectView::OnCreate() {
  MakeHeadings(Handle(), {IDC_DSN_HEADING, IDC_LOGIN_HEADING});
  m_dsn = Bind<XUIEdit>(IDC_DSN_EDIT);
  m_userName = Bind<XUIEdit>(IDC_USER_EDIT);
  m_password = Bind<XUIEdit>(IDC_PASSWORD_EDIT);
  Bind<XUIButton>(IDC_CONNECT)->SetAction([this] { OnConnect(); });

  AppMainWindow::ConnectDraft& draft = m_app.KeptConnectText();
  if (draft.kept) {
    m_dsn->SetText(draft.dsn);
    m_userName->SetText(draft.userName);
    m_password->SetText(draft.password);
    draft = AppMainWindow::ConnectDraft();
  } else {
    Prefs& prefs = m_app.Preferences();
    m_dsn->SetText(prefs.Dsn());
    m_userName->SetText(prefs.UserName());
    m_password->SetText(prefs.Password());
  }
  if (m_app.HasPendingError()) PostMessageW(Handle(), kShowPendingError, 0, 0);
}

bool SISConnectView::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  if (message != kShowPendingError) return false;
  if (m_app.HasPendingError()) m_app.Message(m_app.TakePendingError(), MB_OK | MB_ICONERROR);
  result = TRUE;
  return true;
}

bool SISConnectView::CheckAndSave() {
  XLogFile& log = m_app.RunLog();
  log.Write(kLogInfo, "Starting to Validate and Save Connection");
  if (QvSchoolConf* entry = m_app.CurrentSchool()) {
    // The connection does not depend on the folder: it is saved, and the extract view, where
    // the folder is fixed, opens with the folder's problem shown (see ConnectToSIS).
    if (!m_app.Engine().Writer().Folder().Validate(entry->m_importFolder)) {
      log.Write(kLogInfo, "Validation of QDE Failed.");
    }
  } else {
    log.Write(kLogInfo, "CheckAndSave: No Current Schools Set.");
  }
  XString dsn = m_dsn->GetText().Trim();
  if (dsn.IsEmpty()) {
    m_dsn->Focus();
    m_app.Message("Please enter the name of the data source in \"Meridane DSN\".", MB_OK | MB_ICONERROR);
    return false;
  }
  XString user = m_userName->GetText();
  XString password = m_password->GetText();
  Prefs& prefs = m_app.Preferences();
  prefs.SetUserName(user);
  prefs.SetPassword(password);
  prefs.SetDsn(dsn);
  const Validation connection = m_app.Engine().ValidateConnection(dsn, user, password);
  if (!connection) {
    m_dsn->Focus();
    m_dsn->SelectAll();
    // The driver's reason follows the text, as the command line gives it.
    const XString& reason = connection.Failure();
    log.WriteFormat(kLogInfo, "Validate DSN Failed: %s %s", dsn.c_str(), reason.c_str());
    XString text = XString("Error Validating Connection to ") + dsn + ", please check your information.";
    if (!reason.IsEmpty()) text += XString("\r\n\r\n") + reason;
    m_app.Message(text, MB_OK | MB_ICONERROR);
    return false;
  }
  return true;
}

void SISConnectView::OnConnect() {
  XLogFile& log = m_app.RunLog();
  try {
    log.Write(kLogDebug, "OnConnect: Begin");
    if (!CheckAndSave()) return;
    log.Write(kLogDebug, "OnConnect: CheckedAndSaved Data");
    log.Write(kLogDebug, "OnConnect: Connecting to SIS");
    // The settings are stored: nothing typed here needs keeping any more.
    m_connected = true;
    if (!m_app.ConnectToSIS()) m_connected = false;
    log.Write(kLogDebug, "OnConnect: Connected to SIS");
  } catch (const std::exception& e) {
    m_connected = false;
    m_app.Message(XString("Error connecting to ") + bridge::kShortName +
                      " Database, please check your information.  " + e.what(),
                  MB_OK | MB_ICONERROR);
  }
}
