// The application object of this bridge: the leaf of the chain, adding nothing of its own.
#pragma once

#include "app/SISMainWindow.h"

class MainWindow : public SISMainWindow {
 public:
  explicit MainWindow(const XString& runLogPath = XString()) : SISMainWindow(runLogPath) {}
};
