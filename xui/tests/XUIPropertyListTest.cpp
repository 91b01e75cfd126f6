// The name/value list: rows and lines through its data source, the change counter that makes
// it reload, the width of the names column, scrolling by keys and the selection that reaches
// the window owning the list.
#include <gtest/gtest.h>

#include <string>

#include "XUITestSupport.h"
#include "xui/XUIFont.h"
#include "xui/XUINotify.h"
#include "xui/XUIPropertyList.h"
#include "xui/XUIScrollBar.h"

namespace {

class PropertyView : public XUIWindow {
 public:
  PropertyView() : XUIWindow(xuitest::kTestDialog) {}
  XUIPropertyList* list = nullptr;
  int notifications = 0;
  UINT_PTR lastFrom = 0;
  UINT lastCode = 0;

 protected:
  void OnCreate() override {
    list = Bind<XUIPropertyList>(xuitest::kList);
    list->SetScrollBar(Bind<XUIScrollBar>(xuitest::kListScroll));
  }
  bool OnControlNotify(NMHDR* header) override {
    ++notifications;
    lastFrom = header->idFrom;
    lastCode = header->code;
    return XUIWindow::OnControlNotify(header);
  }
};

// Lines "name N" / "value N"; counts the fetches a view makes. Growing it without telling
// (Sneak) leaves the change counter where it was.
class CountedLines : public XUIDataSource {
 public:
  explicit CountedLines(uint32_t rows) : m_rows(rows) {}
  uint32_t fetches = 0, fetchCount = 0, endFetches = 0;

  void FetchRows(uint32_t, uint32_t count) override {
    ++fetches;
    fetchCount = count;
  }
  void EndFetch() override { ++endFetches; }
  void Grow(uint32_t rows) {
    m_rows += rows;
    Changed();
  }
  void Sneak(uint32_t rows) { m_rows += rows; }

 protected:
  uint32_t SourceRowCount() const override { return m_rows; }
  void FillSourceCells(uint32_t row, Cells& cells) override {
    XString n(static_cast<int>(row));
    cells = {XString("name ") + n, XString("value ") + n};
  }

 private:
  uint32_t m_rows;
};

int TextWidth(const std::string& text) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ previous = SelectObject(dc, XUICustom::Font().Handle());
  SIZE extent{};
  GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  SelectObject(dc, previous);
  ReleaseDC(nullptr, dc);
  return extent.cx;
}

int ClientWidth(const XUIGizmo& gizmo) {
  RECT client{};
  GetClientRect(gizmo.Handle(), &client);
  return client.right - client.left;
}

void Key(const XUIPropertyList& list, UINT key) { SendMessageW(list.Handle(), WM_KEYDOWN, key, 0); }

void LeftClick(const XUIPropertyList& list, int y) {
  SendMessageW(list.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, y));
}

std::string Name(XUIPropertyList& list, uint32_t row) { return list.LineAt(row).name.ToStd(); }
std::string Value(XUIPropertyList& list, uint32_t row) { return list.LineAt(row).value.ToStd(); }

}  // namespace

TEST(XUIPropertyListRows, OwnLinesAreShownUntilAnotherSourceIsSet) {
  PropertyView view;
  ASSERT_TRUE(xuitest::CreateHidden(view));
  XUIPropertyList& list = *view.list;
  EXPECT_EQ(list.RowCount(), 0u);

  XUIPropertyList::DefaultDS& lines = list.DefaultSource();
  lines.AddLine("Build", "2.4.1");
  lines.AddLine("Built", "Mar 03, 2024 10:15 AM");
  EXPECT_EQ(list.RowCount(), 0u);  // not seen before a refresh
  list.Refresh();
  ASSERT_EQ(list.RowCount(), 2u);
  auto shown = list.FetchVisibleRows();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1][0], "Built");
  EXPECT_EQ(shown[1][1], "Mar 03, 2024 10:15 AM");

  // A known name takes the new value in place; an unknown one becomes a new line.
  lines.SetValue("Build", "2.5.0");
  lines.SetValue("build", "lower case is another name");
  list.Refresh();
  EXPECT_EQ(list.RowCount(), 3u);
  EXPECT_EQ(Value(list, 0), "2.5.0");
  EXPECT_EQ(Name(list, 2), "build");
  EXPECT_EQ(Name(list, 3), "");  // beyond the rows

  // A selection past the rows that remain is dropped when they shrink.
  list.SelectRow(2);
  lines.ClearLines();
  lines.AddLine("Only", "one");
  list.Refresh();
  EXPECT_EQ(list.RowCount(), 1u);
  EXPECT_EQ(list.SelectedRow(), -1);
}

TEST(XUIPropertyListRows, ChangeCounterDecidesWhenTheSourceIsReadAgain) {
  PropertyView view;
  ASSERT_TRUE(xuitest::CreateHidden(view));
  XUIPropertyList& list = *view.list;
  CountedLines source(100);
  list.SetDataSource(&source);
  EXPECT_EQ(list.RowCount(), 100u);
  // Measuring the names reads every row once, inside one fetch.
  EXPECT_EQ(source.fetches, 1u);
  EXPECT_EQ(source.fetchCount, 100u);
  EXPECT_EQ(source.endFetches, 1u);

  // Rows added without a change of the counter stay unseen; a counted change is read.
  source.Sneak(5);
  list.Refresh();
  EXPECT_EQ(list.RowCount(), 100u);
  uint32_t fetches = source.fetches;
  source.Grow(1);
  list.Refresh();
  EXPECT_EQ(list.RowCount(), 106u);
  EXPECT_GT(source.fetches, fetches);
  EXPECT_EQ(Value(list, 105), "value 105");
}

TEST(XUIPropertyListLayout, NamesColumnFitsTheLongestNameUpToHalfTheWidth) {
  PropertyView view;
  ASSERT_TRUE(xuitest::CreateHidden(view));
  XUIPropertyList& list = *view.list;
  XUIPropertyList::DefaultDS& lines = list.DefaultSource();
  const int half = ClientWidth(list) / 2;
  ASSERT_GT(half, 60);

  // Long values do not widen the names column.
  lines.AddLine("Id", "a value far longer than the whole width of the list, cut at its end");
  lines.AddLine("Telephone", "555-0100");
  list.Refresh();
  int fitted = list.NameColumnWidth();
  EXPECT_GE(fitted, TextWidth("Telephone"));
  EXPECT_LT(fitted, TextWidth("Telephone") + 20);
  EXPECT_LT(fitted, half);

  // The widest name counts even when it is far out of view.
  for (int i = 0; i < 60; ++i) lines.AddLine("x", "y");
  std::string wide = "Toll-free Telephone";
  ASSERT_LT(TextWidth(wide) + 20, half);
  lines.AddLine(XString(wide.c_str()), "800-555-0100");
  list.Refresh();
  ASSERT_LT(list.VisibleRows(), list.RowCount());
  EXPECT_GE(list.NameColumnWidth(), TextWidth(wide));
  EXPECT_GT(list.NameColumnWidth(), fitted);

  // A name wider than half the list is held at half; the value keeps the other half.
  lines.SetValue("A name so long that it could never fit into half of the list's width at all", "v");
  list.Refresh();
  EXPECT_EQ(list.NameColumnWidth(), half);

  // Fewer names: the column narrows again.
  lines.ClearLines();
  lines.AddLine("Id", "1");
  list.Refresh();
  EXPECT_LT(list.NameColumnWidth(), fitted);
  EXPECT_GE(list.NameColumnWidth(), TextWidth("Id"));
}

TEST(XUIPropertyListKeys, PageKeysScrollAndArrowsMoveTheSelectionIntoView) {
  PropertyView view;
  ASSERT_TRUE(xuitest::CreateHidden(view));
  XUIPropertyList& list = *view.list;
  CountedLines source(100);
  list.SetDataSource(&source);
  const uint32_t visible = list.VisibleRows();
  ASSERT_GT(visible, 2u);
  HWND bar = GetDlgItem(view.Handle(), xuitest::kListScroll);

  // A page keeps the last row of the old page in view.
  Key(list, VK_NEXT);
  EXPECT_EQ(list.TopRow(), visible - 1);
  Key(list, VK_NEXT);
  EXPECT_EQ(list.TopRow(), 2 * (visible - 1));
  EXPECT_EQ(GetScrollPos(bar, SB_CTL), static_cast<int>(list.TopRow()));
  Key(list, VK_END);
  EXPECT_EQ(list.TopRow(), 100u - visible);
  Key(list, VK_HOME);
  EXPECT_EQ(list.TopRow(), 0u);

  // Down without a selection takes the first row; past the bottom the list follows.
  Key(list, VK_DOWN);
  EXPECT_EQ(list.SelectedRow(), 0);
  for (uint32_t i = 0; i < visible; ++i) Key(list, VK_DOWN);
  EXPECT_EQ(list.SelectedRow(), static_cast<int32_t>(visible));
  EXPECT_EQ(list.TopRow(), 1u);
  // Neither arrow leaves the rows.
  list.SelectRow(0);
  Key(list, VK_UP);
  EXPECT_EQ(list.SelectedRow(), 0);
  list.SelectRow(99);
  Key(list, VK_DOWN);
  EXPECT_EQ(list.SelectedRow(), 99);
  EXPECT_EQ(list.TopRow(), 100u - visible);
}

TEST(XUIPropertyListSelection, NotificationReachesTheWindowThatOwnsTheList) {
  PropertyView a, b;
  ASSERT_TRUE(xuitest::CreateHidden(a));
  ASSERT_TRUE(xuitest::CreateHidden(b));
  CountedLines source(50);
  a.list->SetDataSource(&source);
  b.list->SetDataSource(&source);
  std::string chosenInA, chosenInB;
  a.list->SetSelectAction([&](int32_t row) { chosenInA = Name(*a.list, static_cast<uint32_t>(row)); });
  b.list->SetSelectAction([&](int32_t row) { chosenInB = Name(*b.list, static_cast<uint32_t>(row)); });

  const int rowHeight = XUICustom::Font().LineHeight() + 4;
  LeftClick(*a.list, 3 * rowHeight + 1);
  EXPECT_EQ(chosenInA, "name 3");
  EXPECT_EQ(a.notifications, 1);
  EXPECT_EQ(a.lastFrom, static_cast<UINT_PTR>(xuitest::kList));
  EXPECT_EQ(a.lastCode, static_cast<UINT>(kXUINotifyRowSelected));
  EXPECT_EQ(b.notifications, 0);
  EXPECT_EQ(chosenInB, "");

  // A click below the last row selects nothing and tells nobody.
  CountedLines two(2);
  a.list->SetDataSource(&two);
  LeftClick(*a.list, 5 * rowHeight);
  EXPECT_EQ(a.notifications, 1);
  EXPECT_EQ(a.list->SelectedRow(), -1);
}
