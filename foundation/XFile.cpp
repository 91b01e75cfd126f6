#include "foundation/XFile.h"

#include <cstring>
#include <string>

#include "foundation/XException.h"
#include "os/Os.h"

namespace {

constexpr uint32_t kReadBufferSize = 1024;
// Package files are written field by field; gathering the bytes here keeps a big school's
// extract from making one system call per field.
constexpr uint32_t kWriteBufferSize = 64 * 1024;
// The importing tool may hold the target open for a moment; a refused replace is retried.
constexpr int kReplaceAttempts = 5;
constexpr unsigned kReplaceRetryMs = 200;

[[noreturn]] void ThrowForFile(const char* format, const XFileSpec& spec) {
  throw XException::Format(0, format, spec.c_str());
}

}  // namespace

XFile::XFile(char separator, const char* openQuote, const char* closeQuote)
    : m_handle(os::kInvalidFile),
      m_separator(separator),
      m_openQuote(openQuote),
      m_closeQuote(closeQuote) {}

XFile::~XFile() {
  try {
    Close();
  } catch (...) {
    // A destructor cannot report; callers that care call Close.
  }
}

bool XFile::IsOpen() const { return m_handle != os::kInvalidFile; }

void XFile::Open(const XFileSpec& spec, unsigned mode) {
  if (IsOpen()) Close();
  if (spec.IsEmpty() || spec.IsFolder()) ThrowForFile("Can't open non-file: %s", spec);
  os::FileHandle handle = os::OpenFile(spec.Path().ToStd(), mode);
  if (handle == os::kInvalidFile) {
    int error = os::LastError();
    throw XException::Format(error, "Could not open file ( %d ): %s", error, spec.c_str());
  }
  m_spec = spec;
  m_target = XFileSpec();
  m_discarding = false;
  m_mode = mode;
  m_handle = handle;
  m_largestWritten = 0;
  m_osPosition = os::FilePosition(handle);
  if (m_osPosition < 0) m_osPosition = 0;
  m_atLineStart = true;
  m_readCount = m_readPos = 0;
  m_writeCount = 0;
}

void XFile::OpenReplacing(const XFileSpec& target) {
  if (IsOpen()) Close();
  if (target.IsEmpty() || target.IsFolder()) ThrowForFile("Can't open non-file: %s", target);
  XFileSpec temporary = target;
  temporary.SetFileName(
      (target.FileName() + "." + XString(static_cast<int>(os::CurrentProcessId())) + ".partial").c_str());
  const std::string path = temporary.Path().ToStd();
  // A file of this name is what a killed process of the same number left.
  os::FileHandle handle = os::CreateNewFile(path);
  if (handle == os::kInvalidFile && os::IsAlreadyExists(os::LastError()) && os::DeleteFilePath(path)) {
    handle = os::CreateNewFile(path);
  }
  if (handle == os::kInvalidFile) {
    int error = os::LastError();
    throw XException::Format(error, "Could not open file ( %d ): %s", error, temporary.c_str());
  }
  m_spec = temporary;
  m_target = target;
  m_mode = kWrite;
  m_handle = handle;
  m_largestWritten = 0;
  m_osPosition = 0;
  m_atLineStart = true;
  m_readCount = m_readPos = 0;
  m_writeCount = 0;
}

void XFile::OpenDiscarding() {
  if (IsOpen()) Close();
  m_spec = XFileSpec();
  m_target = XFileSpec();
  m_mode = kWrite;
  m_discarding = true;
  m_atLineStart = true;
}

void XFile::Commit() {
  RequireOpen("Error writing to file: %s");
  if (m_target.IsEmpty()) {
    Close();
    return;
  }
  XFileSpec target = SealReplacing();
  for (int attempt = 1;; ++attempt) {
    if (os::ReplaceFilePath(m_spec.Path().ToStd(), target.Path().ToStd())) break;
    int error = os::LastError();
    if (attempt == kReplaceAttempts) {
      os::DeleteFilePath(m_spec.Path().ToStd());
      throw XException::Format(error, "Could not replace file ( %d ): %s", error, target.c_str());
    }
    os::SleepMilliseconds(kReplaceRetryMs);
  }
  m_spec = target;
}

XFileSpec XFile::CommitNew(const std::function<XFileSpec(const XFileSpec&)>& nextName) {
  RequireOpen("Error writing to file: %s");
  if (m_target.IsEmpty()) {
    Close();
    return m_spec;
  }
  XFileSpec target = SealReplacing();
  for (int attempt = 1;; ++attempt) {
    if (os::MoveFileNoReplace(m_spec.Path().ToStd(), target.Path().ToStd())) break;
    int error = os::LastError();
    if (!os::IsAlreadyExists(error) || attempt == 1000) {
      os::DeleteFilePath(m_spec.Path().ToStd());
      throw XException::Format(error, "Could not replace file ( %d ): %s", error, target.c_str());
    }
    target = nextName(target);
  }
  m_spec = target;
  return target;
}

XFileSpec XFile::SealReplacing() {
  XFileSpec target = m_target;
  try {
    FlushWriteBuffer();
    if (!os::FlushFile(m_handle)) ThrowForFile("Error writing to file: %s", m_spec);
    m_target = XFileSpec();  // from here on, Close must not discard the temporary file
    CloseHandle(false);
  } catch (...) {
    if (IsOpen()) {
      m_target = target;
      Abandon();
    } else {
      os::DeleteFilePath(m_spec.Path().ToStd());
    }
    throw;
  }
  return target;
}

void XFile::Abandon() {
  if (IsOpen()) CloseHandle(true);
  if (!m_target.IsEmpty()) {
    os::DeleteFilePath(m_spec.Path().ToStd());
    m_spec = m_target;
    m_target = XFileSpec();
  }
  m_writeCount = 0;
}

void XFile::Close() {
  if (!IsOpen()) return;
  if (!m_target.IsEmpty()) {
    Abandon();
    return;
  }
  try {
    FlushWriteBuffer();
  } catch (...) {
    CloseHandle(true);
    throw;
  }
  CloseHandle(false);
}

void XFile::CloseHandle(bool quiet) {
  os::FileHandle handle = m_handle;
  m_handle = os::kInvalidFile;
  m_readCount = m_readPos = 0;
  m_writeCount = 0;
  if (!os::CloseFile(handle) && !quiet) ThrowForFile("Error closing file: %s", m_spec);
}

void XFile::RequireOpen(const char* errorFormat) {
  if (!IsOpen()) ThrowForFile(errorFormat, m_spec);
}

void XFile::FlushWriteBuffer() {
  if (m_writeCount == 0) return;
  uint32_t count = m_writeCount;
  m_writeCount = 0;
  if (!os::WriteFile(m_handle, m_writeBuffer.get(), count)) {
    ThrowForFile("Error writing to file: %s", m_spec);
  }
  m_osPosition += count;
}

// Bytes read ahead by the text reader belong after the file's logical position; drop them and
// move the file back before anything else touches it.
void XFile::DropReadBuffer() {
  if (m_readPos < m_readCount) {
    int64_t back = m_readCount - m_readPos;
    if (!os::SeekFile(m_handle, -back, 1)) ThrowForFile("Error writing to file: %s", m_spec);
    m_osPosition -= back;
  }
  m_readCount = m_readPos = 0;
}

uint32_t XFile::Read(void* buffer, uint32_t count) {
  RequireOpen("Error reading from file: %s");
  FlushWriteBuffer();
  char* out = static_cast<char*>(buffer);
  uint32_t done = 0;
  // Serve what the text reader already holds first.
  while (done < count && m_readPos < m_readCount) out[done++] = m_readBuffer[m_readPos++];
  while (done < count) {
    int64_t n = os::ReadFile(m_handle, out + done, count - done);
    if (n < 0) ThrowForFile("Error reading from file: %s", m_spec);
    if (n == 0) break;
    m_osPosition += n;
    done += static_cast<uint32_t>(n);
  }
  return done;
}

char* XFile::WriteRoom(uint32_t count) {
  RequireOpen("Error writing to file: %s");
  // Writes are buffered, so a file opened only for reading must refuse here rather than at
  // Close.
  if ((m_mode & (kWrite | kAppend)) == 0) ThrowForFile("Error writing to file: %s", m_spec);
  if (m_readCount != 0) DropReadBuffer();
  if (!m_writeBuffer) m_writeBuffer.reset(new char[kWriteBufferSize]);
  if (m_writeCount + count > kWriteBufferSize) {
    FlushWriteBuffer();
    if (count > kWriteBufferSize) return nullptr;
  }
  return m_writeBuffer.get() + m_writeCount;
}

void XFile::Wrote(uint32_t buffered) {
  m_writeCount += buffered;
  const int64_t position = m_osPosition + m_writeCount;
  if (position > m_largestWritten) m_largestWritten = position;
}

void XFile::Write(const void* data, uint32_t count) {
  if (m_discarding) return;
  if (char* room = WriteRoom(count)) {
    if (count > 0) std::memcpy(room, data, count);
    Wrote(count);
    return;
  }
  // Larger than the whole buffer (now empty): straight to the file.
  if (!os::WriteFile(m_handle, data, count)) ThrowForFile("Error writing to file: %s", m_spec);
  m_osPosition += count;
  Wrote(0);
}

void XFile::Write(const char* text) { Write(text, static_cast<uint32_t>(std::strlen(text))); }

void XFile::Write(const XString& text) { Write(text.c_str(), text.Length()); }

void XFile::Flush() {
  RequireOpen("Error writing to file: %s");
  FlushWriteBuffer();
  if (!os::FlushFile(m_handle)) ThrowForFile("Error writing to file: %s", m_spec);
}

int64_t XFile::Position() {
  RequireOpen("Error getting file position: %s");
  int64_t position = os::FilePosition(m_handle);
  if (position < 0) ThrowForFile("Error getting file position: %s", m_spec);
  return position + m_writeCount - (m_readCount - m_readPos);
}

int XFile::NextByte() {
  if (m_readPos == m_readCount) {
    RequireOpen("Error reading from file: %s");
    FlushWriteBuffer();
    if (!m_readBuffer) m_readBuffer.reset(new char[kReadBufferSize]);
    int64_t n = os::ReadFile(m_handle, m_readBuffer.get(), kReadBufferSize);
    if (n < 0) ThrowForFile("Error reading from file: %s", m_spec);
    m_readPos = 0;
    m_readCount = static_cast<uint32_t>(n);
    m_osPosition += n;
    if (n == 0) return -1;
  }
  return static_cast<unsigned char>(m_readBuffer[m_readPos++]);
}

int XFile::PeekByte() {
  int c = NextByte();
  if (c >= 0) --m_readPos;
  return c;
}

// True (and consumed) when the next bytes are `text`; nothing is consumed otherwise. The text
// may straddle the end of the read buffer, so unmatched bytes are given back by seeking.
bool XFile::MatchAhead(const XString& text) {
  if (text.IsEmpty()) return false;
  for (uint32_t i = 0; i < text.Length(); ++i) {
    int c = NextByte();
    if (c != static_cast<unsigned char>(text[i])) {
      uint32_t giveBack = i + (c >= 0 ? 1 : 0);
      if (giveBack <= m_readPos) {
        m_readPos -= giveBack;
      } else {
        // Seek back over everything not consumed and read again.
        int64_t back = static_cast<int64_t>(giveBack) + (m_readCount - m_readPos);
        m_readCount = m_readPos = 0;
        if (!os::SeekFile(m_handle, -back, 1)) ThrowForFile("Error reading from file: %s", m_spec);
        m_osPosition -= back;
      }
      return false;
    }
  }
  return true;
}

bool XFile::ReadLine(XString& line) {
  std::string text;
  int c = NextByte();
  if (c < 0) {
    line = XString();
    return false;
  }
  while (c >= 0 && c != '\r' && c != '\n') {
    text += static_cast<char>(c);
    c = NextByte();
  }
  if (c == '\r' && PeekByte() == '\n') NextByte();
  line = XString(text.data(), static_cast<uint32_t>(text.size()));
  return true;
}

bool XFile::ReadField(XString& field, bool* endOfLine) {
  std::string text;
  bool lineEnded = false;
  int c = PeekByte();
  if (c < 0) {
    field = XString();
    if (endOfLine) *endOfLine = true;
    return false;
  }
  if (MatchAhead(m_openQuote)) {
    // Quoted: everything up to the closing quote is the field's text.
    for (;;) {
      if (MatchAhead(m_closeQuote.IsEmpty() ? m_openQuote : m_closeQuote)) break;
      c = NextByte();
      if (c < 0) break;
      text += static_cast<char>(c);
    }
  }
  for (;;) {
    c = NextByte();
    if (c < 0) {
      lineEnded = true;
      break;
    }
    if (c == static_cast<unsigned char>(m_separator)) break;
    if (c == '\r' || c == '\n') {
      if (c == '\r' && PeekByte() == '\n') NextByte();
      lineEnded = true;
      break;
    }
    text += static_cast<char>(c);
  }
  field = XString(text.data(), static_cast<uint32_t>(text.size()));
  if (endOfLine) *endOfLine = lineEnded;
  return true;
}

namespace {

// A field never holds a line end: each CR and each LF becomes a blank, so that one record is
// always one line, whatever text a column hands over. Text without line ends stays as it is.
void BlankLineEnds(char* text, uint32_t length) {
  if (std::memchr(text, '\r', length) == nullptr && std::memchr(text, '\n', length) == nullptr) return;
  for (char* p = text; p != text + length; ++p) {
    if (*p == '\r' || *p == '\n') *p = ' ';
  }
}

}  // namespace

void XFile::WriteField(const char* field) {
  const uint32_t length = static_cast<uint32_t>(std::strlen(field));
  const uint32_t open = m_openQuote.Length(), close = m_closeQuote.Length();
  const uint32_t total = (m_atLineStart ? 0 : 1) + open + length + close;
  // Separator, quotes and text go into the write buffer in one piece; only a field larger
  // than the whole buffer is written piece by piece.
  char* p = m_discarding ? nullptr : WriteRoom(total);
  if (p != nullptr) {
    if (!m_atLineStart) *p++ = m_separator;
    std::memcpy(p, m_openQuote.c_str(), open);
    std::memcpy(p + open, field, length);
    BlankLineEnds(p + open, length);
    std::memcpy(p + open + length, m_closeQuote.c_str(), close);
    Wrote(total);
    m_atLineStart = false;
    return;
  }
  if (!m_atLineStart) Write(&m_separator, 1);
  if (!m_openQuote.IsEmpty()) Write(m_openQuote);
  if (!m_discarding) {
    std::string text(field, length);
    BlankLineEnds(text.data(), length);
    Write(text.data(), length);
  }
  if (!m_closeQuote.IsEmpty()) Write(m_closeQuote);
  m_atLineStart = false;
}

void XFile::EndLine() {
  Write("\r\n", 2);
  m_atLineStart = true;
}
