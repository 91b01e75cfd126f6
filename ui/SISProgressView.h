// The progress view of a run: the overall and current-step captions and bars, the run's log
// lines, the completion message and one button that cancels while the run works and returns
// to the extract view once it has ended.
#pragma once

#include "xui/XUIButton.h"
#include "xui/XUILabel.h"
#include "xui/XUIProgressWindow.h"

class AppMainWindow;

class SISProgressView : public XUIProgressWindow {
 public:
  SISProgressView(AppMainWindow& app, const XString& completionMessage);

  // After a failed run: the step caption says what ended it.
  void ShowFailure(const XString& error);

 protected:
  void OnCreate() override;
  void OnProgressEnd(bool success) override;

 private:
  void OnCancel();

  AppMainWindow& m_app;
  XString m_completionMessage;
  XUILabel* m_done = nullptr;
  XUILabel* m_stepCaption = nullptr;
  XUIButton* m_button = nullptr;
  XUIGrid* m_log = nullptr;
};
