// A school list of the site configuration. It owns its entries and keeps them ordered by
// district, then school name, compared byte by byte; entries with equal keys keep their order
// of insertion. The site configuration's list is the one that "SchoolNth" indexes.
#pragma once

#include <cstdint>
#include <memory>

#include "app/QvSchoolConf.h"
#include "foundation/XOwnedVector.h"

class QvSchoolConfDS {
 public:
  QvSchoolConfDS();
  virtual ~QvSchoolConfDS();
  QvSchoolConfDS(const QvSchoolConfDS&) = delete;
  QvSchoolConfDS& operator=(const QvSchoolConfDS&) = delete;

  uint32_t Count() const { return m_entries.Count(); }
  // Null beyond the end.
  QvSchoolConf* At(uint32_t index) const { return m_entries.At(index); }
  QvSchoolConf* const* begin() const { return m_entries.begin(); }
  QvSchoolConf* const* end() const { return m_entries.end(); }

  // Takes ownership; returns the entry's position.
  uint32_t Add(std::unique_ptr<QvSchoolConf> entry);
  // Deletes the entry at the position.
  void Remove(uint32_t index);
  void Clear();

  // The position of the entry, or Count() when it is not in the list.
  uint32_t IndexOf(const QvSchoolConf* entry) const;
  // The entry with this school number and district, both compared byte by byte; null when
  // none matches.
  QvSchoolConf* Find(const XString& schoolNumber, const XString& district) const;

  static int Compare(const QvSchoolConf* a, const QvSchoolConf* b);

 private:
  XOwnedVector<QvSchoolConf> m_entries;
};
