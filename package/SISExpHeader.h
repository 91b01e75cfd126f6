// The export header of one package table: its description, its table file name and the names
// of its header fields in column order. The package header file announces each table by it,
// and an update file writes it before the table's data lines.
#pragma once

#include <cstdint>

#include "foundation/XString.h"
#include "foundation/XOwnedVector.h"

class XFile;

class SISExpHeaderField {
 public:
  explicit SISExpHeaderField(const XString& name) : m_name(name) {}
  virtual ~SISExpHeaderField() = default;

  const XString& Name() const { return m_name; }

 private:
  XString m_name;
};

class SISExpHeader {
 public:
  SISExpHeader(const XString& description, const XString& fileName);
  // Deletes the fields.
  virtual ~SISExpHeader();
  SISExpHeader(const SISExpHeader&) = delete;
  SISExpHeader& operator=(const SISExpHeader&) = delete;

  const XString& Description() const { return m_description; }
  const XString& FileName() const { return m_fileName; }

  void AddField(const XString& name);
  uint32_t FieldCount() const { return m_fields.Count(); }
  const SISExpHeaderField* Field(uint32_t index) const { return m_fields.At(index); }

  // "// " + description, CR LF, then the field names separated by TAB, CR LF.
  void WriteEntry(XFile& file) const;
  // "#include " + the file name in double quotes, CR LF.
  void WriteInclude(XFile& file) const;

 private:
  XString m_description;
  XString m_fileName;
  XOwnedVector<SISExpHeaderField> m_fields;
};
