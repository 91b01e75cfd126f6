// The identity of the program that writes a package: what the comment block and the creator
// pragma say about it, and the base name of the package header file. The application sets it
// once; the writer only reads it.
#pragma once

#include "foundation/XString.h"

struct QDEApplication {
  XString m_fullName;      // e.g. the bridge's title
  XString m_version;       // four dot-separated numbers
  XString m_creatorId;     // the creator pragma's first argument
  XString m_fileBaseName;  // the package header file is this + ".QDE"
  XString m_maker;         // named in the notice line of the comment block
  int m_buildDate;         // day number of the program's build

  QDEApplication();

  // The notice line's text for the build year.
  XString Notice() const;

  // Day number of a compiler date text ("Mmm dd yyyy", as __DATE__ gives it); -1 when the
  // text is not of that form.
  static int DateFromCompiler(const char* text);
};
