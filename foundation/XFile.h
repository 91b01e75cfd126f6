// A file opened with explicit modes; every failure is an XException naming the file. The same
// object reads text lines and separator-delimited fields, and writes fields and lines (the line
// writer of the package files: separator between fields, CR LF at the end of each line and
// nowhere inside one).
//
// Writes are buffered in the object and reach the operating system when the buffer fills, on
// Flush and on Close; a failure at any of those raises "Error writing to file: %s".
//
// Replacing a file safely: OpenReplacing writes to a temporary file beside the target; Commit
// flushes it to the disk and moves it over the target. Until Commit the target is untouched,
// and a replacing file that is closed, abandoned or destroyed without Commit is deleted, so a
// failed run leaves the previous complete file, never a truncated one. The temporary name is
// the target's with ".<process>.partial" added, made new (an entry of that name is never
// written through), so that two processes never share one.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "foundation/XFileSpec.h"
#include "foundation/XString.h"

class XFile {
 public:
  // Open modes (bit flags). Write alone creates the file anew (truncated); every other
  // combination opens an existing file or creates a missing one.
  enum Mode : unsigned {
    kRead = 1,    // shared for reading
    kWrite = 2,
    kAppend = 4,  // position at the end after opening
  };

  // The separator and quote texts are those of the field reading and writing operations; the
  // package files use TAB and no quotes.
  explicit XFile(char separator = '\t', const char* openQuote = "", const char* closeQuote = "");
  ~XFile();  // closes quietly; an uncommitted replacing file is discarded
  XFile(const XFile&) = delete;
  XFile& operator=(const XFile&) = delete;

  // A folder spec throws "Can't open non-file: %s"; a system failure "Could not open
  // file ( %d ): %s" with the system error number (also as the code) and the path.
  void Open(const XFileSpec& spec, unsigned mode);
  // Opens a temporary file in the target's folder for writing; see Commit.
  void OpenReplacing(const XFileSpec& target);
  // A line writer that keeps nothing: every write is accepted and dropped (a dry run's table
  // output). Open ends it.
  void OpenDiscarding();
  // Flushes the temporary file to the disk and moves it over the target (retried a few times
  // while the target is held by another program). Throws "Error writing to file: %s" or
  // "Could not replace file ( %d ): %s".
  void Commit();
  // As Commit, but an existing file is never replaced: when the target's name is taken, the
  // file takes the first free name of those `nextName` gives, each from the one before.
  // Returns the name it took.
  XFileSpec CommitNew(const std::function<XFileSpec(const XFileSpec&)>& nextName);
  // Closes and deletes an uncommitted replacing file; the target stays as it was.
  void Abandon();
  // Writes what is buffered and closes. "Error writing to file: %s" / "Error closing file: %s".
  // An uncommitted replacing file is abandoned.
  void Close();

  bool IsOpen() const;
  const XFileSpec& Spec() const { return m_spec; }
  unsigned OpenMode() const { return m_mode; }

  // Raw bytes. Read returns the count read (0 at the end); "Error reading from file: %s" /
  // "Error writing to file: %s".
  uint32_t Read(void* buffer, uint32_t count);
  void Write(const void* data, uint32_t count);
  void Write(const char* text);
  void Write(const XString& text);
  // Writes the buffer and makes it durable on the disk.
  void Flush();

  // Position of the next byte read or written. "Error getting file position: %s".
  int64_t Position();
  // The largest position written so far.
  int64_t LargestPositionWritten() const { return m_largestWritten; }

  // Text reading. ReadLine reads up to the next CR, LF or CR LF (not included); false at the
  // end of the file with nothing read.
  bool ReadLine(XString& line);
  // Reads one field up to the separator, a line end or the end of the file. A field that
  // begins with the opening quote text runs to the closing quote text (separators and line
  // ends inside are kept), quotes removed. endOfLine tells whether the field was the last of
  // its line. False at the end of the file with nothing read.
  bool ReadField(XString& field, bool* endOfLine = nullptr);

  // Line writing. A field is preceded by the separator unless it starts the line, and is
  // written between the quote texts, with each CR and each LF in it written as a blank: a
  // field never breaks its line. EndLine writes CR LF; WriteRaw writes bytes as they are.
  void WriteField(const char* field);
  void WriteField(const XString& field) { WriteField(field.c_str()); }
  void EndLine();
  void WriteRaw(const char* text) { Write(text); }
  bool AtLineStart() const { return m_atLineStart; }

 private:
  void RequireOpen(const char* errorFormat);
  // Place in the write buffer for `count` more bytes, after the checks of a write, with the
  // read-ahead dropped and the buffer flushed when they would not fit; null when they are more
  // than the whole buffer. Wrote then counts what was put there.
  char* WriteRoom(uint32_t count);
  void Wrote(uint32_t buffered);
  void FlushWriteBuffer();
  void DropReadBuffer();
  // Next byte of the text reader, or -1 at the end.
  int NextByte();
  int PeekByte();
  bool MatchAhead(const XString& text);
  void CloseHandle(bool quiet);
  // Commit's first half: the temporary file flushed to the disk and closed; on failure it is
  // deleted. Returns the target.
  XFileSpec SealReplacing();

  XFileSpec m_spec;
  XFileSpec m_target;  // for a replacing file: the file Commit replaces
  unsigned m_mode = 0;
  intptr_t m_handle;
  int64_t m_largestWritten = 0;
  int64_t m_osPosition = 0;  // where the operating system's file pointer is

  char m_separator;
  XString m_openQuote;
  XString m_closeQuote;
  bool m_atLineStart = true;

  std::unique_ptr<char[]> m_readBuffer;  // 1,024 bytes, made by the first text read
  uint32_t m_readCount = 0;
  uint32_t m_readPos = 0;
  std::unique_ptr<char[]> m_writeBuffer;
  uint32_t m_writeCount = 0;
  bool m_discarding = false;
};
