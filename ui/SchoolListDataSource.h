// The site configuration's school list as the rows of the extract view's list: one row per
// school entry, showing its name (its number when it has none yet).
#pragma once

#include "app/QvSchoolConfDS.h"
#include "xui/XUIDataSource.h"

class SchoolListDataSource : public XUIDataSource {
 public:
  explicit SchoolListDataSource(QvSchoolConfDS& schools) : XUIDataSource("Schools"), m_schools(schools) {}

  // The list was changed (an entry added, removed or renamed).
  void Touch() { Changed(); }

  static XString RowText(const QvSchoolConf& entry);

 protected:
  uint32_t SourceRowCount() const override { return m_schools.Count(); }
  void FillSourceCells(uint32_t sourceRow, Cells& cells) override;

 private:
  QvSchoolConfDS& m_schools;
};
