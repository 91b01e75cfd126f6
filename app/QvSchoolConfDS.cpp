#include "app/QvSchoolConfDS.h"

QvSchoolConfDS::QvSchoolConfDS() : m_entries(5, &QvSchoolConfDS::Compare) {}

QvSchoolConfDS::~QvSchoolConfDS() { Clear(); }

int QvSchoolConfDS::Compare(const QvSchoolConf* a, const QvSchoolConf* b) {
  int byDistrict = a->m_district.Compare(b->m_district.c_str());
  return byDistrict != 0 ? byDistrict : a->m_schoolName.Compare(b->m_schoolName.c_str());
}

uint32_t QvSchoolConfDS::Add(std::unique_ptr<QvSchoolConf> entry) {
  QvSchoolConf* added = m_entries.Add(entry.release());
  return IndexOf(added);
}

void QvSchoolConfDS::Remove(uint32_t index) {
  m_entries.DeleteAt(index);
}

void QvSchoolConfDS::Clear() {
  m_entries.DeleteAll();
}

uint32_t QvSchoolConfDS::IndexOf(const QvSchoolConf* entry) const {
  for (uint32_t i = 0; i < m_entries.Count(); ++i) {
    if (m_entries.At(i) == entry) return i;
  }
  return m_entries.Count();
}

QvSchoolConf* QvSchoolConfDS::Find(const XString& schoolNumber, const XString& district) const {
  for (QvSchoolConf* entry : m_entries) {
    if (entry->m_schoolNumber == schoolNumber && entry->m_district == district) return entry;
  }
  return nullptr;
}
