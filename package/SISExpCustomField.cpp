#include "package/SISExpCustomField.h"

#include <cstring>

#include "foundation/XFile.h"

namespace {

XString WithoutQuotes(const XString& text) {
  XString copy(text);
  copy.RemoveChars("\"");
  return copy;
}

// Byte-by-byte order of two texts with their lengths (a key may hold any byte).
int CompareKeys(const XString& a, const XString& b) {
  uint32_t n = a.Length() < b.Length() ? a.Length() : b.Length();
  int result = std::memcmp(a.c_str(), b.c_str(), n);
  if (result != 0) return result;
  return a.Length() < b.Length() ? -1 : (a.Length() > b.Length() ? 1 : 0);
}

}  // namespace

SISExpCustomField::SISExpCustomField(const XString& key, const XString& title,
                                     const XString& command, const XString& format)
    : m_key(key), m_title(title), m_command(command), m_format(format) {}

void SISExpCustomField::WriteLine(XFile& file) const {
  XString line = WithoutQuotes(m_command);
  line += " \"";
  line += WithoutQuotes(m_key);
  line += "\" \"";
  line += WithoutQuotes(m_title);
  line += "\"";
  if (!m_format.IsEmpty()) {
    line += " \"";
    line += WithoutQuotes(m_format);
    line += "\"";
  }
  file.Write(line);
  file.EndLine();
}

SISExpCustomFieldList::SISExpCustomFieldList() : m_keys(16) {}

SISExpCustomFieldList::~SISExpCustomFieldList() { DeleteAll(); }

uint32_t SISExpCustomFieldList::KeyPosition(const XString& key) const {
  uint32_t low = 0, high = m_keys.Count();
  while (low < high) {
    uint32_t mid = low + (high - low) / 2;
    if (CompareKeys(*m_keys.At(mid), key) < 0) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  return low;
}

bool SISExpCustomFieldList::HasKey(const XString& key) const {
  uint32_t position = KeyPosition(key);
  return position < m_keys.Count() && CompareKeys(*m_keys.At(position), key) == 0;
}

bool SISExpCustomFieldList::Register(const XString& key, const XString& title,
                                     const XString& command, const XString& format) {
  uint32_t position = KeyPosition(key);
  if (position < m_keys.Count() && CompareKeys(*m_keys.At(position), key) == 0) return false;
  m_keys.InsertAt(new XString(key), position);
  Add(new SISExpCustomField(key, title, command, format));
  return true;
}

void SISExpCustomFieldList::DeleteAll() {
  XOwnedVector<SISExpCustomField>::DeleteAll();
  m_keys.DeleteAll();
}

void SISExpCustomFieldList::WriteLines(XFile& file) const {
  for (const SISExpCustomField* field : *this) field->WriteLine(file);
}
