// Console progress: every title and step text on its own line of standard output.
#pragma once

#include <cstdint>

#include "foundation/IProgress.h"
#include "foundation/XProgress.h"

class XCLIProgress : public IProgress {
 public:
  void ShowTitle(const char* title) override;
  void ShowStepText(const char* text) override;
  void SetRange(int32_t total) override { m_total = total; }
  void SetPosition(int32_t position) override { m_position = position; }

  int32_t Range() const { return m_total; }
  int32_t Position() const { return m_position; }

 private:
  int32_t m_total = 0;
  int32_t m_position = 0;
};

// Console progress of a command-line run: one line display for the overall operation (the
// title) and one for the current step (step texts, range and position).
class XCLIDualProgress : public XProgress {
 public:
  explicit XCLIDualProgress(XProgress* parent = nullptr, ILog* log = nullptr)
      : XProgress(parent, log) {}

  void ShowTitle(const char* title) override { m_overall.ShowTitle(title); }
  void ShowStepText(const char* text) override { m_step.ShowStepText(text); }
  void SetRange(int32_t total) override { m_step.SetRange(total); }
  void SetPosition(int32_t position) override { m_step.SetPosition(position); }

  XCLIProgress& Overall() { return m_overall; }
  XCLIProgress& Step() { return m_step; }

 private:
  XCLIProgress m_overall;
  XCLIProgress m_step;
};
