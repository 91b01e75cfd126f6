// A log written to a text file (CR LF lines, the file closed between lines so that other
// programs can read it and a crash loses nothing written), or to the console when it has no
// file.
#pragma once

#include <cstdint>

#include "foundation/XFileSpec.h"
#include "foundation/XLog.h"
#include "foundation/XString.h"

class XLogFile : public XLog {
 public:
  // A console log: "[%-7s] %s\n" with the level's name, "%s\n" for Note.
  XLogFile(const XString& title, int32_t writeLevel);
  // A file log at `path` (an empty spec gives a console log).
  XLogFile(const XString& title, const XFileSpec& path, int32_t writeLevel);
  ~XLogFile() override;

  // Ends, then creates the file anew with its header: the title, the local date-time as
  // "WWW, MMM DD, YYYY: HH:NN:SS AA", "OS: <name>", an empty line. Nothing for the console.
  void Begin() override;
  void End() override;
  // Appends the message and CR LF to the file (opening and closing it around the line), or
  // prints it on the console. A file that cannot be opened raises "Could not open file ...".
  void Emit(int32_t level, const char* message) override;

  const XString& Title() const { return m_title; }
  const XFileSpec& Path() const { return m_path; }
  bool HasFile() const { return !m_path.IsEmpty(); }

 private:
  XString m_title;
  XFileSpec m_path;
};
