// A progress caption and bar pair inside a progress window.
#pragma once

#include "foundation/IProgress.h"
#include "xui/XUILabel.h"
#include "xui/XUIProgressBar.h"

class XUIProgress : public IProgress {
 public:
  void Bind(XUILabel* caption, XUIProgressBar* bar) {
    m_caption = caption;
    m_bar = bar;
  }
  XUILabel* Caption() const { return m_caption; }
  XUIProgressBar* Bar() const { return m_bar; }

  void ShowTitle(const char* title) override { ShowStepText(title); }
  void ShowStepText(const char* text) override {
    if (m_caption != nullptr) m_caption->SetText(text);
  }
  void SetRange(int32_t total) override {
    if (m_bar != nullptr) m_bar->SetRange(total);
  }
  void SetPosition(int32_t position) override {
    if (m_bar != nullptr) m_bar->SetPosition(position);
  }

 private:
  XUILabel* m_caption = nullptr;
  XUIProgressBar* m_bar = nullptr;
};
