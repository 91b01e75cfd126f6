// Rows and columns fed by a data source (the rows, their selection and scrolling are the
// scroller's). Each column has a heading and a width; the headings are drawn when a column
// has a title.
#pragma once

#include <memory>
#include <vector>

#include "xui/XUICellDef.h"
#include "xui/XUIScroller.h"

class XUIGrid : public XUIScroller {
 public:
  XUIGrid(XUIPane* parent, HWND handle, int id);

  // Columns; without any, the grid shows the first cell of each row across its width.
  void AddColumn(const XString& title, int widthUnits);

 protected:
  int HeaderHeight() const override;
  void PaintHeading(HDC dc, const RECT& band) override;
  void PaintCells(HDC dc, const RECT& band, const XUIDataSource::Cells& cells) override;

 private:
  std::vector<int> ColumnWidths(int totalWidth) const;

  std::vector<std::unique_ptr<XUICellDef>> m_columns;
};
