#include "xui/XUIGrid.h"

#include "xui/XUILayout.h"

XUIGrid::XUIGrid(XUIPane* parent, HWND handle, int id) : XUIScroller(parent, handle, id) {}

void XUIGrid::AddColumn(const XString& title, int widthUnits) {
  m_columns.push_back(std::make_unique<XUICellDef>(title, widthUnits));
  Invalidate();
}

int XUIGrid::HeaderHeight() const {
  for (const auto& column : m_columns) {
    if (!column->Title().IsEmpty()) return RowHeight() + 2;
  }
  return 0;
}

std::vector<int> XUIGrid::ColumnWidths(int totalWidth) const {
  std::vector<int> widths;
  if (m_columns.empty()) {
    widths.push_back(totalWidth);
    return widths;
  }
  XUIDialogUnits units = XUIDialogUnits::Of(GetParent(Handle()));
  int fixed = 0;
  int flexible = 0;
  for (const auto& column : m_columns) {
    if (column->WidthUnits() > 0) {
      fixed += units.X(column->WidthUnits());
    } else {
      ++flexible;
    }
  }
  int rest = totalWidth > fixed ? totalWidth - fixed : 0;
  for (const auto& column : m_columns) {
    widths.push_back(column->WidthUnits() > 0 ? units.X(column->WidthUnits()) : (flexible > 0 ? rest / flexible : 0));
  }
  return widths;
}

void XUIGrid::PaintHeading(HDC dc, const RECT& band) {
  std::vector<int> widths = ColumnWidths(band.right - band.left);
  int x = band.left;
  for (size_t c = 0; c < m_columns.size(); ++c) {
    DrawCellText(dc, RECT{x, band.top, x + widths[c], band.bottom}, m_columns[c]->Title());
    x += widths[c];
  }
}

void XUIGrid::PaintCells(HDC dc, const RECT& band, const XUIDataSource::Cells& cells) {
  std::vector<int> widths = ColumnWidths(band.right - band.left);
  int x = band.left;
  for (size_t c = 0; c < widths.size() && c < cells.size(); ++c) {
    DrawCellText(dc, RECT{x, band.top, x + widths[c], band.bottom}, cells[c]);
    x += widths[c];
  }
}
