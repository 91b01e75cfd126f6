// The About and Contact Us dialog: a picture, a list of rows and OK. In Contact Us a double
// click asks whether to log at Debug level from now on.
#pragma once

#include "ui/SISNotifyDataSource.h"
#include "xui/XUIWindow.h"

class AppMainWindow;

class SISNotifyDialog : public XUIWindow {
 public:
  SISNotifyDialog(AppMainWindow& app, const XString& title, bool offersDebugLogging);

  SISNotifyDataSource& Rows() { return m_rows; }

 protected:
  void OnCreate() override;
  void OnDoubleClick() override;

 private:
  AppMainWindow& m_app;
  XString m_title;
  bool m_offersDebugLogging;
  SISNotifyDataSource m_rows;
};
