// Layout arithmetic: edges from the near or far side in dialog units, and one pass that moves
// the controls of a view.
#include <gtest/gtest.h>

#include "XUITestSupport.h"
#include "xui/XUILayout.h"

namespace {

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

TEST(XUILayoutArithmetic, EdgesFromEitherSideInDialogUnits) {
  XUIDialogUnits units;  // 6 x 13: 1.5 px across, 1.625 px down per unit
  RECT client{0, 0, 640, 480};

  // A button 80 x 25 units in the lower right corner, 5 units from the edges.
  XUIPlacement corner{1, XUIFar(85), XUIFar(30), XUIFar(5), XUIFar(5)};
  RECT r = XUILayout::Place(corner, client, units);
  EXPECT_TRUE(SameRect(r, RECT{640 - 128, 480 - 49, 640 - 8, 480 - 8}))
      << r.left << "," << r.top << "," << r.right << "," << r.bottom;
  EXPECT_EQ(r.right - r.left, 120);  // 80 units

  // Stretching across the width less 5 units at each side.
  XUIPlacement span{2, XUINear(5), XUINear(10), XUIFar(5), XUINear(20)};
  r = XUILayout::Place(span, client, units);
  EXPECT_EQ(r.left, 8);
  EXPECT_EQ(r.right, 632);
  EXPECT_EQ(r.top, 16);
  EXPECT_EQ(r.bottom, 33);

  // A client rectangle that does not start at the origin moves everything with it.
  RECT shifted{100, 50, 740, 530};
  RECT c = XUILayout::Place(corner, client, units);
  RECT s = XUILayout::Place(corner, shifted, units);
  EXPECT_EQ(s.left, c.left + 100);
  EXPECT_EQ(s.top, c.top + 50);
  EXPECT_EQ(s.bottom, 530 - 8);

  // Too small a window collapses a stretched control instead of turning it inside out.
  RECT tiny{0, 0, 10, 10};
  r = XUILayout::Place(span, tiny, units);
  EXPECT_EQ(r.right, r.left);
  r = XUILayout::Place(corner, tiny, units);
  EXPECT_GE(r.right, r.left);
  EXPECT_GE(r.bottom, r.top);

  // Other base units (a larger dialog font) scale every edge.
  XUIDialogUnits large{8, 16};
  r = XUILayout::Place(span, client, large);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.top, 20);
}

TEST(XUILayoutArithmetic, ApplyMovesEveryPlacedControlOfTheView) {
  XUIWindow view(xuitest::kTestDialog);
  ASSERT_TRUE(xuitest::CreateHidden(view));
  XUIPlacement first{xuitest::kFirstButton, XUIFar(55), XUINear(5), XUIFar(5), XUINear(19)};
  XUIPlacement bar{xuitest::kProgressBar, XUINear(5), XUIFar(20), XUIFar(5), XUIFar(10)};
  XUIPlacement missing{4711, XUINear(0), XUINear(0), XUINear(1), XUINear(1)};
  view.Placements().Add(first);
  view.Placements().Add(bar);
  view.Placements().Add(missing);  // a control the view lacks is skipped

  RECT client{0, 0, 500, 300};
  view.Layout(client);
  XUIDialogUnits units = XUIDialogUnits::Of(view.Handle());
  auto rectOf = [&](int id) {
    RECT r;
    HWND control = GetDlgItem(view.Handle(), id);
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, view.Handle(), reinterpret_cast<POINT*>(&r), 2);
    return r;
  };
  EXPECT_TRUE(SameRect(rectOf(xuitest::kFirstButton), XUILayout::Place(first, client, units)));
  EXPECT_TRUE(SameRect(rectOf(xuitest::kProgressBar), XUILayout::Place(bar, client, units)));
  // The second button has no placement and stays where the resource put it.
  RECT second = rectOf(xuitest::kSecondButton);
  EXPECT_EQ(second.left, units.X(60));
}
