// The product-family layer of the application object: the site configuration lists, the
// command-line-mode flag and the data folders.
#pragma once

#include "app/QvFramework.h"
#include "foundation/XString.h"

class ILog;

class QvBaseApp {
 public:
  QvBaseApp();
  virtual ~QvBaseApp();
  QvBaseApp(const QvBaseApp&) = delete;
  QvBaseApp& operator=(const QvBaseApp&) = delete;

  // The application object of the process (the last constructed and not yet destroyed).
  static QvBaseApp* Current();

  QvFramework& Framework() { return m_framework; }
  bool CommandLineMode() const { return m_commandLineMode; }
  void SetCommandLineMode(bool on) { m_commandLineMode = on; }

  // Folders, each ending in the path separator; filled by LoadFolders.
  const XString& ProgramFolder() const { return m_programFolder; }
  const XString& BridgeDataFolder() const { return m_bridgeDataFolder; }
  const XString& ProductDataFolder() const { return m_productDataFolder; }

 protected:
  XString m_programFolder;
  XString m_bridgeDataFolder;
  XString m_productDataFolder;

 private:
  QvFramework m_framework;
  bool m_commandLineMode = false;
};
