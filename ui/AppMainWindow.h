// The application object of the Windows build: the bridge's MainWindow with the window. It
// starts the window (OnStart), connects to the SIS, shows the connect, extract and progress
// views, runs an extraction from the window (DoExecute) and answers the menu.
#pragma once

#include <map>
#include <memory>

#include "app/MainWindow.h"
#include "xui/XUILog.h"
#include "xui/XUIMainWindow.h"

class SISProgressView;

class AppMainWindow : public MainWindow, public XUIMainWindow {
 public:
  AppMainWindow();
  ~AppMainWindow() override;

  // Creates the main window (icon 107, menu 109, client 640 x 480). False when a window of
  // this program is already open: it has been brought to the front.
  bool Init(HINSTANCE instance, int showCommand);

  // Tests the stored connection; on success shows the extract view. Logs and returns false
  // when the connection fails. An import folder of the current school that fails is logged and
  // kept as the folder problem, which the extract view shows.
  bool ConnectToSIS();
  // The folder problem found by the last ConnectToSIS (empty when none), once.
  XString TakeFolderProblem();
  // "The Import Folder cannot be used: <folder>", then the reason on its own line.
  static XString FolderProblem(const XString& folder, const XString& reason);
  void ShowConnectView();
  void ShowExtractView();
  // The window run of the current school: a progress view, the extraction, the run log's
  // copy in the import folder; errors end in a message box.
  void DoExecute();
  bool Running() const { return m_runningView != nullptr; }

  // The window log: the run's lines, listed by the progress view.
  XUILog& WindowLog() { return m_windowLog; }

  // A message box of the program, modal to the main window. In command-line mode nothing is
  // shown and IDOK is returned.
  int Message(const XString& text, UINT style);

  // The error caught by the first connection attempt, shown once by the connect view.
  bool HasPendingError() const { return m_hasPendingError; }
  XString TakePendingError();

  // What the user typed into a view that was replaced before it was saved.
  struct ConnectDraft {
    bool kept = false;
    XString dsn, userName, password;
  };
  struct SchoolDraft {
    XString dsn, importFolder;
  };
  ConnectDraft& KeptConnectText() { return m_connectDraft; }
  // Keyed by the school entry.
  std::map<const void*, SchoolDraft>& KeptSchoolText() { return m_schoolDrafts; }

  // The school year a new or empty entry gets: the year in which the school year that holds
  // the date began (July onwards: that calendar year).
  static XString DefaultSchoolYear(int day);

  void ShowValidateError(const char* message, const char* value) override;

 protected:
  void OnStart() override;
  bool OnMenuCommand(int id) override;
  void OnClose() override;

 private:
  void ShowAbout();
  void ShowContactUs();
  // File > District Report: the run history's page (RunReport.h), opened with the shell.
  void OpenDistrictReport();
  void OpenUserGuide();

  XUILog m_windowLog;
  SISProgressView* m_runningView = nullptr;
  bool m_quitAfterRun = false;
  bool m_hasPendingError = false;
  XString m_pendingError;
  XString m_folderProblem;
  ConnectDraft m_connectDraft;
  std::map<const void*, SchoolDraft> m_schoolDrafts;
};
