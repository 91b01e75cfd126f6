#include "xui/XUIDataSource.h"

#include <algorithm>
#include <cctype>

#include "foundation/IProgress.h"

namespace {

bool ContainsNoCase(const XString& text, const XString& part) {
  auto lower = [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); };
  std::string haystack = text.ToStd();
  std::string needle = part.ToStd();
  std::transform(haystack.begin(), haystack.end(), haystack.begin(), lower);
  std::transform(needle.begin(), needle.end(), needle.begin(), lower);
  return haystack.find(needle) != std::string::npos;
}

}  // namespace

XUIDataSource::XUIDataSource(const XString& name) : m_name(name) {}

XUIDataSource::~XUIDataSource() = default;

void XUIDataSource::Load(IProgress* progress) {
  if (!m_needsLoad) return;
  if (progress != nullptr && !m_name.IsEmpty()) {
    progress->ShowStepText((XString("Loading ") + m_name).c_str());
  }
  Reload();
  m_needsLoad = false;
  m_filter = XString();
  Changed();
  m_needsSort = true;
}

void XUIDataSource::Sort(IProgress* progress) {
  if (!m_needsSort) return;
  if (progress != nullptr && !m_name.IsEmpty()) {
    progress->ShowStepText((XString("Sorting ") + m_name).c_str());
  }
  SortRows();
  m_needsSort = false;
  Changed();
}

void XUIDataSource::Invalidate() { m_needsLoad = true; }

void XUIDataSource::SetFilter(const XString& text) {
  m_filter = text;
  Changed();
}

void XUIDataSource::Changed() {
  ++m_changeCount;
  m_filterCurrent = false;
}

void XUIDataSource::ApplyFilter() {
  if (m_filterCurrent) return;
  m_passing.clear();
  if (!m_filter.IsEmpty()) {
    Cells cells;
    uint32_t count = SourceRowCount();
    for (uint32_t row = 0; row < count; ++row) {
      FillSourceCells(row, cells);
      for (const XString& cell : cells) {
        if (ContainsNoCase(cell, m_filter)) {
          m_passing.push_back(row);
          break;
        }
      }
    }
  }
  m_filterCurrent = true;
}

uint32_t XUIDataSource::RowCount() {
  if (m_filter.IsEmpty()) return SourceRowCount();
  ApplyFilter();
  return static_cast<uint32_t>(m_passing.size());
}

uint32_t XUIDataSource::SourceRow(uint32_t row) {
  if (m_filter.IsEmpty()) return row;
  ApplyFilter();
  return row < m_passing.size() ? m_passing[row] : SourceRowCount();
}

void XUIDataSource::FillCells(uint32_t row, Cells& cells) {
  uint32_t source = SourceRow(row);
  if (source >= SourceRowCount()) {
    DefaultCellFill(cells);
    return;
  }
  FillSourceCells(source, cells);
}

void XUITextDataSource::AddRow(Cells cells) {
  m_rows.push_back(std::move(cells));
  Changed();
}

void XUITextDataSource::ClearRows() {
  m_rows.clear();
  Changed();
}

void XUITextDataSource::SortRows() {
  if (m_sortColumn < 0) return;
  size_t column = static_cast<size_t>(m_sortColumn);
  std::stable_sort(m_rows.begin(), m_rows.end(), [column](const Cells& a, const Cells& b) {
    const char* left = column < a.size() ? a[column].c_str() : "";
    const char* right = column < b.size() ? b[column].c_str() : "";
    return XString(left).Compare(right) < 0;
  });
}
