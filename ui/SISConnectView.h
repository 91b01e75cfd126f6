// The connect view: the data source of the SIS and the login to it. "Connect" checks and
// stores the settings and connects; on success the extract view replaces this one.
#pragma once

#include "xui/XUIButton.h"
#include "xui/XUIEdit.h"
#include "xui/XUIWindow.h"

class AppMainWindow;

class SISConnectView : public XUIWindow {
 public:
  explicit SISConnectView(AppMainWindow& app);
  ~SISConnectView() override;

  // Checks the typed settings, stores them and tests the connection; true when the settings
  // were valid and stored.
  bool CheckAndSave();
  void OnConnect();

 protected:
  void OnCreate() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  AppMainWindow& m_app;
  XUIEdit* m_dsn = nullptr;
  XUIEdit* m_userName = nullptr;
  XUIEdit* m_password = nullptr;
  bool m_connected = false;
};

class ConnectView : public SISConnectView {
 public:
  using SISConnectView::SISConnectView;
};
