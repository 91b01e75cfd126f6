// Rows for grids, lists and pop-ups. A data source has a name, a needs-load and a needs-sort
// flag, a filter text and a change counter that its views compare with what they last showed.
// Loading happens only when the source was marked as needing it; it reports "Loading <name>"
// to the progress target, reloads, clears the filter, counts a change and marks the source as
// needing a sort. A filter keeps the rows in which some cell contains the text (case
// ignored); row numbers seen by a view count the rows that pass the filter.
#pragma once

#include <cstdint>
#include <vector>

#include "foundation/XString.h"
#include "xui/XUIBase.h"

class IProgress;

class XUIDataSource : public XUIBase {
 public:
  using Cells = std::vector<XString>;

  explicit XUIDataSource(const XString& name = XString());
  ~XUIDataSource() override;

  virtual void Load(IProgress* progress = nullptr);
  virtual void Sort(IProgress* progress = nullptr);
  // Marks the source as needing a load.
  virtual void Invalidate();
  // Rows that pass the filter.
  virtual uint32_t RowCount();
  // A view is about to fill the rows [first, first + count).
  virtual void FetchRows(uint32_t first, uint32_t count) {}
  // The cells of a row (counted among the rows that pass the filter); a row beyond the end
  // gets the default fill.
  virtual void FillCells(uint32_t row, Cells& cells);
  virtual void DefaultCellFill(Cells& cells) { cells.clear(); }
  // The view has filled what it fetched.
  virtual void EndFetch() {}

  const XString& Name() const { return m_name; }
  bool NeedsLoad() const { return m_needsLoad; }
  bool NeedsSort() const { return m_needsSort; }
  uint32_t ChangeCount() const { return m_changeCount; }
  const XString& Filter() const { return m_filter; }
  void SetFilter(const XString& text);
  // The row of the unfiltered source that a filtered row shows.
  uint32_t SourceRow(uint32_t row);

 protected:
  // What a source provides: its rows, unfiltered.
  virtual void Reload() {}
  virtual void SortRows() {}
  virtual uint32_t SourceRowCount() const = 0;
  virtual void FillSourceCells(uint32_t sourceRow, Cells& cells) = 0;
  // The rows changed (a row added, a value edited): views redraw, the filter is applied anew.
  void Changed();

 private:
  void ApplyFilter();

  XString m_name;
  bool m_needsLoad = true;
  bool m_needsSort = false;
  XString m_filter;
  uint32_t m_changeCount = 0;
  bool m_filterCurrent = false;
  std::vector<uint32_t> m_passing;  // source rows that pass a non-empty filter
};

// Rows of text cells held in memory. Sorting orders by one column, byte by byte, keeping the
// order of equal rows.
class XUITextDataSource : public XUIDataSource {
 public:
  explicit XUITextDataSource(const XString& name = XString()) : XUIDataSource(name) {}

  void AddRow(Cells cells);
  void ClearRows();
  const Cells& Row(uint32_t sourceRow) const { return m_rows[sourceRow]; }
  // The column that sorting orders by; -1 (the default) keeps the order of insertion.
  void SetSortColumn(int column) { m_sortColumn = column; }

 protected:
  void SortRows() override;
  uint32_t SourceRowCount() const override { return static_cast<uint32_t>(m_rows.size()); }
  void FillSourceCells(uint32_t sourceRow, Cells& cells) override { cells = m_rows[sourceRow]; }

 private:
  std::vector<Cells> m_rows;
  int m_sortColumn = -1;
};
