// The custom fields of a run: fields the extracts offer to the importing tool under a key and
// a title, announced in the package header file, one line each.
#pragma once

#include "foundation/XString.h"
#include "foundation/XOwnedVector.h"

class XFile;

class SISExpCustomField {
 public:
  SISExpCustomField(const XString& key, const XString& title, const XString& command,
                    const XString& format);
  virtual ~SISExpCustomField() = default;

  const XString& Key() const { return m_key; }
  const XString& Title() const { return m_title; }
  const XString& Command() const { return m_command; }
  const XString& Format() const { return m_format; }

  // The command word, then key and title (and the format when there is one) each after a
  // space in double quotes, CR LF. Double quotes inside the texts are dropped: the line has
  // no escaping, so a quote would end the value early.
  void WriteLine(XFile& file) const;

 private:
  XString m_key;
  XString m_title;
  XString m_command;
  XString m_format;
};

// The run's custom fields in order of registration, owning them, with a sorted index of the
// keys (byte by byte, case-sensitive) so a key is registered once.
class SISExpCustomFieldList : public XOwnedVector<SISExpCustomField> {
 public:
  SISExpCustomFieldList();
  ~SISExpCustomFieldList() override;

  // Appends a field unless its key is already registered (the first registration stays);
  // true when it was appended.
  bool Register(const XString& key, const XString& title, const XString& command,
                const XString& format);
  bool HasKey(const XString& key) const;
  // Deletes every field and forgets every key.
  void DeleteAll();

  // One line per field, in order of registration.
  void WriteLines(XFile& file) const;

 private:
  // Position of the first key not ordered before `key`.
  uint32_t KeyPosition(const XString& key) const;

  XOwnedVector<XString> m_keys;
};
