// A two-column list of names and values, fed by a data source whose rows have the name in the
// first cell and the value in the second. The names column is as wide as the longest name of
// the source (with the cell margins), but at most half the control's width; the values take
// the rest, cut with an ellipsis when too long. Until another source is set the list shows
// its own in-memory lines (DefaultSource).
#pragma once

#include <cstdint>
#include <vector>

#include "xui/XUIScroller.h"

class XUIPropertyList : public XUIScroller {
 public:
  struct Line {
    XString name;
    XString value;
  };

  // Lines held in memory, shown in the order they were added.
  class DefaultDS : public XUIDataSource {
   public:
    explicit DefaultDS(const XString& name = XString()) : XUIDataSource(name) {}

    void AddLine(const XString& name, const XString& value);
    // Changes the value of the first line with the name (case counts); adds a line when none
    // has it.
    void SetValue(const XString& name, const XString& value);
    void ClearLines();
    const std::vector<Line>& Lines() const { return m_lines; }

   protected:
    uint32_t SourceRowCount() const override { return static_cast<uint32_t>(m_lines.size()); }
    void FillSourceCells(uint32_t sourceRow, Cells& cells) override;

   private:
    std::vector<Line> m_lines;
  };

  XUIPropertyList(XUIPane* parent, HWND handle, int id);

  DefaultDS& DefaultSource() { return m_lines; }

  // The line of a row, fetched from the source (empty beyond the rows).
  Line LineAt(uint32_t row);
  // Width in pixels of the names column in the control's present width.
  int NameColumnWidth() const;

 protected:
  void OnRowsChanged() override;
  void PaintCells(HDC dc, const RECT& band, const XUIDataSource::Cells& cells) override;

 private:
  int ClientWidth() const;

  DefaultDS m_lines;
  int m_longestName = 0;  // pixels of the widest name, without margins
};
