#include "ui/SchoolListDataSource.h"

XString SchoolListDataSource::RowText(const QvSchoolConf& entry) {
  if (!entry.m_schoolName.IsEmpty()) return entry.m_schoolName;
  XString text("School ");
  text += entry.m_schoolNumber;
  if (!entry.m_district.IsEmpty()) text += XString(" (") + entry.m_district + ")";
  return text;
}

void SchoolListDataSource::FillSourceCells(uint32_t sourceRow, Cells& cells) {
  cells.assign(1, RowText(*m_schools.At(sourceRow)));
}
