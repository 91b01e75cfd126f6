#include "app/QvBaseApp.h"

#include "app/BridgeFolders.h"

namespace {
QvBaseApp* g_app = nullptr;
}

QvBaseApp::QvBaseApp() : m_programFolder(BridgeFolders::ProgramFolder()) {
  m_framework.SetProgramFolder(m_programFolder);
  g_app = this;
}

QvBaseApp::~QvBaseApp() {
  if (g_app == this) g_app = nullptr;
}

QvBaseApp* QvBaseApp::Current() { return g_app; }
