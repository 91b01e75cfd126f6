// Message routing: the dialog procedure finds the object of each window and hands commands,
// row notifications and double clicks to the gizmo bound to the control id.
#include <gtest/gtest.h>

#include "XUITestSupport.h"
#include "xui/XUIButton.h"
#include "xui/XUIDataSource.h"
#include "xui/XUIFont.h"
#include "xui/XUIGrid.h"
#include "xui/XUIScrollBar.h"

namespace {

class RowsSource : public XUIDataSource {
 public:
  explicit RowsSource(uint32_t rows) : m_rows(rows) {}
  uint32_t fetchFirst = 0, fetchCount = 0, endFetches = 0;

  void FetchRows(uint32_t first, uint32_t count) override {
    fetchFirst = first;
    fetchCount = count;
  }
  void EndFetch() override { ++endFetches; }
  void Grow(uint32_t rows) {
    m_rows += rows;
    Changed();
  }

 protected:
  uint32_t SourceRowCount() const override { return m_rows; }
  void FillSourceCells(uint32_t row, Cells& cells) override { cells = {XString("row ") + XString(static_cast<int>(row))}; }

 private:
  uint32_t m_rows;
};

class TestView : public XUIWindow {
 public:
  TestView() : XUIWindow(xuitest::kTestDialog) {}
  int firstClicks = 0, secondClicks = 0, doubleClicks = 0;
  XUIGrid* grid = nullptr;

 protected:
  void OnCreate() override {
    Bind<XUIButton>(xuitest::kFirstButton)->SetAction([this] { ++firstClicks; });
    Bind<XUIButton>(xuitest::kSecondButton)->SetAction([this] { ++secondClicks; });
    grid = Bind<XUIGrid>(xuitest::kList);
    grid->SetScrollBar(Bind<XUIScrollBar>(xuitest::kListScroll));
  }
  void OnDoubleClick() override { ++doubleClicks; }
};

void Click(const XUIWindow& view, int id) {
  HWND button = GetDlgItem(view.Handle(), id);
  SendMessageW(view.Handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

LPARAM Point(int x, int y) { return MAKELPARAM(x, y); }

}  // namespace

TEST(XUIWindowRouting, CommandsReachTheGizmoOfTheirOwnWindowOnly) {
  TestView a, b;
  ASSERT_TRUE(xuitest::CreateHidden(a));
  ASSERT_TRUE(xuitest::CreateHidden(b));
  EXPECT_EQ(XUIWindow::FromHandle(a.Handle()), &a);
  EXPECT_EQ(XUIWindow::FromHandle(b.Handle()), &b);

  Click(a, xuitest::kFirstButton);
  Click(a, xuitest::kFirstButton);
  Click(b, xuitest::kSecondButton);
  EXPECT_EQ(a.firstClicks, 2);
  EXPECT_EQ(a.secondClicks, 0);
  EXPECT_EQ(b.firstClicks, 0);
  EXPECT_EQ(b.secondClicks, 1);

  // A real click on the control goes through the system's own notification.
  SendMessageW(GetDlgItem(a.Handle(), xuitest::kSecondButton), BM_CLICK, 0, 0);
  EXPECT_EQ(a.secondClicks, 1);

  // A notification other than the click, and an id nobody bound, are left to the default.
  SendMessageW(a.Handle(), WM_COMMAND, MAKEWPARAM(xuitest::kFirstButton, BN_SETFOCUS), 0);
  EXPECT_EQ(a.firstClicks, 2);
  EXPECT_EQ(SendMessageW(a.Handle(), WM_COMMAND, MAKEWPARAM(4711, BN_CLICKED), 0), 0);
}

TEST(XUIWindowRouting, RowSelectionAndDoubleClicksOfACustomList) {
  TestView view;
  ASSERT_TRUE(xuitest::CreateHidden(view));
  RowsSource rows(50);
  view.grid->SetDataSource(&rows);
  int32_t selected = -2;
  view.grid->SetSelectAction([&](int32_t row) { selected = row; });

  HWND list = view.grid->Handle();
  int rowHeight = XUICustom::Font().LineHeight() + 4;
  SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, Point(10, 2 * rowHeight + 1));
  EXPECT_EQ(selected, 2);
  EXPECT_EQ(view.grid->SelectedRow(), 2);
  SendMessageW(list, WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(selected, 3);

  // Without a double-click action of its own the list's double click goes to the window.
  SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, Point(10, 1));
  EXPECT_EQ(view.doubleClicks, 1);
  int32_t doubleClicked = -2;
  view.grid->SetDoubleClickAction([&](int32_t row) { doubleClicked = row; });
  SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, Point(10, rowHeight + 1));
  EXPECT_EQ(doubleClicked, 1);
  EXPECT_EQ(view.doubleClicks, 1);

  // A click below the last row selects nothing.
  RowsSource two(2);
  view.grid->SetDataSource(&two);
  selected = -2;
  SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, Point(10, 5 * rowHeight));
  EXPECT_EQ(selected, -2);
}

TEST(XUIWindowRouting, ScrollBarOfTheDialogScrollsTheList) {
  TestView view;
  ASSERT_TRUE(xuitest::CreateHidden(view));
  RowsSource rows(100);
  view.grid->SetDataSource(&rows);
  HWND bar = GetDlgItem(view.Handle(), xuitest::kListScroll);
  SendMessageW(view.Handle(), WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), reinterpret_cast<LPARAM>(bar));
  SendMessageW(view.Handle(), WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), reinterpret_cast<LPARAM>(bar));
  EXPECT_EQ(view.grid->TopRow(), 2u);
  SendMessageW(view.Handle(), WM_VSCROLL, MAKEWPARAM(SB_BOTTOM, 0), reinterpret_cast<LPARAM>(bar));
  EXPECT_EQ(view.grid->TopRow(), 100u - view.grid->VisibleRows());
  EXPECT_EQ(GetScrollPos(bar, SB_CTL), static_cast<int>(view.grid->TopRow()));
}

TEST(XUIGridRows, CountAndFetchFollowTheSource) {
  TestView view;
  ASSERT_TRUE(xuitest::CreateHidden(view));
  RowsSource rows(100);
  view.grid->SetDataSource(&rows);
  uint32_t visible = view.grid->VisibleRows();
  ASSERT_GT(visible, 2u);
  ASSERT_LT(visible, 100u);

  auto shown = view.grid->FetchVisibleRows();
  ASSERT_EQ(shown.size(), visible);
  EXPECT_EQ(rows.fetchFirst, 0u);
  EXPECT_EQ(rows.fetchCount, visible);
  EXPECT_EQ(rows.endFetches, 1u);
  EXPECT_EQ(shown[0][0], "row 0");

  view.grid->ScrollToEnd();
  shown = view.grid->FetchVisibleRows();
  EXPECT_EQ(rows.fetchFirst, 100u - visible);
  EXPECT_EQ(shown.back()[0], "row 99");

  // A grid that follows the end shows new rows as they arrive; the change counter tells it.
  view.grid->SetFollowEnd(true);
  rows.Grow(10);
  view.grid->Refresh();
  shown = view.grid->FetchVisibleRows();
  EXPECT_EQ(shown.back()[0], "row 109");

  // Fewer rows than fit: only those are fetched.
  RowsSource few(2);
  view.grid->SetDataSource(&few);
  shown = view.grid->FetchVisibleRows();
  EXPECT_EQ(shown.size(), 2u);
  EXPECT_EQ(few.fetchCount, 2u);
}
