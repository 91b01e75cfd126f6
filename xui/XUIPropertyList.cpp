#include "xui/XUIPropertyList.h"

#include "xui/XUIFont.h"
#include "xui/XUIText.h"

void XUIPropertyList::DefaultDS::AddLine(const XString& name, const XString& value) {
  m_lines.push_back(Line{name, value});
  Changed();
}

void XUIPropertyList::DefaultDS::SetValue(const XString& name, const XString& value) {
  for (Line& line : m_lines) {
    if (line.name == name) {
      line.value = value;
      Changed();
      return;
    }
  }
  AddLine(name, value);
}

void XUIPropertyList::DefaultDS::ClearLines() {
  m_lines.clear();
  Changed();
}

void XUIPropertyList::DefaultDS::FillSourceCells(uint32_t sourceRow, Cells& cells) {
  cells = {m_lines[sourceRow].name, m_lines[sourceRow].value};
}

XUIPropertyList::XUIPropertyList(XUIPane* parent, HWND handle, int id) : XUIScroller(parent, handle, id) {
  SetDataSource(&m_lines);
}

XUIPropertyList::Line XUIPropertyList::LineAt(uint32_t row) {
  Line line;
  if (DataSource() == nullptr || row >= RowCount()) return line;
  XUIDataSource::Cells cells;
  DataSource()->FillCells(row, cells);
  if (cells.size() > 0) line.name = cells[0];
  if (cells.size() > 1) line.value = cells[1];
  return line;
}

int XUIPropertyList::ClientWidth() const {
  RECT client{};
  if (Handle() != nullptr) GetClientRect(Handle(), &client);
  return client.right - client.left;
}

int XUIPropertyList::NameColumnWidth() const {
  int wanted = m_longestName + 2 * kCellPad;
  int limit = ClientWidth() / 2;
  return wanted < limit ? wanted : limit;
}

// Every name is measured, not only those in view, so that the column keeps its width while
// the list scrolls; a change of the source measures them again.
void XUIPropertyList::OnRowsChanged() {
  m_longestName = 0;
  XUIDataSource* source = DataSource();
  uint32_t count = RowCount();
  if (source == nullptr || count == 0) return;
  HDC dc = GetDC(Handle());
  if (dc == nullptr) return;
  HGDIOBJ previousFont = SelectObject(dc, Font().Handle());
  source->FetchRows(0, count);
  XUIDataSource::Cells cells;
  for (uint32_t row = 0; row < count; ++row) {
    source->FillCells(row, cells);
    if (cells.empty()) continue;
    std::wstring name = XUIWide(cells[0]);
    SIZE extent{};
    if (GetTextExtentPoint32W(dc, name.c_str(), static_cast<int>(name.size()), &extent) && extent.cx > m_longestName) {
      m_longestName = extent.cx;
    }
  }
  source->EndFetch();
  SelectObject(dc, previousFont);
  ReleaseDC(Handle(), dc);
}

void XUIPropertyList::PaintCells(HDC dc, const RECT& band, const XUIDataSource::Cells& cells) {
  int split = band.left + NameColumnWidth();
  if (cells.size() > 0) DrawCellText(dc, RECT{band.left, band.top, split, band.bottom}, cells[0]);
  // A thin rule between the names and the values.
  RECT rule{split, band.top, split + 1, band.bottom};
  FillRect(dc, &rule, GetSysColorBrush(COLOR_BTNFACE));
  if (cells.size() > 1) DrawCellText(dc, RECT{split + 1, band.top, band.right, band.bottom}, cells[1]);
}
