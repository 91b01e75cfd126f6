// What the views compute without a screen: the default school year, the school list's rows and
// the rows of the Contact Us dialog.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/QvSchoolConfDS.h"
#include "foundation/XDate.h"
#include "ui/AppMainWindow.h"
#include "ui/SISNotifyDataSource.h"
#include "ui/SchoolListDataSource.h"

namespace {

std::vector<std::string> Rows(XUIDataSource& source, size_t cell) {
  std::vector<std::string> out;
  XUIDataSource::Cells cells;
  for (uint32_t row = 0; row < source.RowCount(); ++row) {
    source.FillCells(row, cells);
    out.push_back(cell < cells.size() ? cells[cell].ToStd() : "");
  }
  return out;
}

}  // namespace

TEST(DefaultSchoolYear, TurnsOnTheFirstOfJuly) {
  EXPECT_EQ(AppMainWindow::DefaultSchoolYear(XDate::FromYMD(2009, 6, 30)), "2008");
  EXPECT_EQ(AppMainWindow::DefaultSchoolYear(XDate::FromYMD(2009, 7, 1)), "2009");
  EXPECT_EQ(AppMainWindow::DefaultSchoolYear(XDate::FromYMD(2010, 1, 1)), "2009");
  EXPECT_EQ(AppMainWindow::DefaultSchoolYear(XDate::FromYMD(2009, 12, 31)), "2009");
}

TEST(SchoolListRows, NameOrNumberAndDistrictAndTheChangeCounter) {
  QvSchoolConfDS schools;
  auto named = std::make_unique<QvSchoolConf>();
  named->m_schoolName = "Oak Hill";
  named->m_schoolNumber = "101";
  schools.Add(std::move(named));
  SchoolListDataSource rows(schools);
  EXPECT_EQ(Rows(rows, 0), std::vector<std::string>{"Oak Hill"});

  // A new entry has no name yet: its number (and district) stand in.
  auto fresh = std::make_unique<QvSchoolConf>();
  fresh->m_schoolNumber = "202";
  fresh->m_district = "North";
  schools.Add(std::move(fresh));
  uint32_t seen = rows.ChangeCount();
  rows.Touch();
  EXPECT_GT(rows.ChangeCount(), seen);
  EXPECT_EQ(Rows(rows, 0), (std::vector<std::string>{"Oak Hill", "School 202 (North)"}));
}

TEST(ContactRows, EmptyBlocksAreLeftOutAndFieldsKeepTheirOrder) {
  SISNotifyDataSource rows;
  rows.AddContactBlock("Support", "", "", "", "", "", "");
  EXPECT_EQ(rows.RowCount(), 0u);
  rows.AddContactBlock("Support", "Help Desk", "", "help@school.example", "", "", "555-0100");
  rows.AddContactBlock("Sales", "", "http://sales.example/", "", "", "", "");
  EXPECT_EQ(Rows(rows, 0), (std::vector<std::string>{"Support", "    Names", "    E-mail", "    Fax", "",
                                                     "Sales", "    Web Site"}));
  EXPECT_EQ(Rows(rows, 1), (std::vector<std::string>{"", "Help Desk", "help@school.example", "555-0100",
                                                     "", "", "http://sales.example/"}));
}
