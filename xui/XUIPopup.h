// A drop-down list (combo box). Items carry text and a number; a data source can fill it
// (the first cell of each row). Choosing an item runs the action.
#pragma once

#include <cstdint>

#include "xui/XUIGizmo.h"

class XUIDataSource;

class XUIPopup : public XUIGizmo {
 public:
  using XUIGizmo::XUIGizmo;

  void Clear();
  // Appends an item; returns its index.
  int AddItem(const XString& text, intptr_t data = 0);
  int Count() const;
  // Loads the source when needed and replaces the items by its rows (row number as data).
  void Fill(XUIDataSource& source);

  int SelectedIndex() const;  // -1 for none
  void Select(int index);
  XString ItemText(int index) const;
  intptr_t ItemData(int index) const;
  // The index of the item with this text, or -1.
  int FindText(const XString& text) const;

 protected:
  int ActionCode() const override { return CBN_SELCHANGE; }
};
