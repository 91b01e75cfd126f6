#include "xui/XUIPopup.h"

#include <vector>

#include "xui/XUIDataSource.h"
#include "xui/XUIText.h"

void XUIPopup::Clear() {
  if (Handle() != nullptr) SendMessageW(Handle(), CB_RESETCONTENT, 0, 0);
}

int XUIPopup::AddItem(const XString& text, intptr_t data) {
  if (Handle() == nullptr) return -1;
  std::wstring wide = XUIWide(text);
  auto index = SendMessageW(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
  if (index >= 0) SendMessageW(Handle(), CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data));
  return static_cast<int>(index);
}

int XUIPopup::Count() const {
  return Handle() != nullptr ? static_cast<int>(SendMessageW(Handle(), CB_GETCOUNT, 0, 0)) : 0;
}

void XUIPopup::Fill(XUIDataSource& source) {
  source.Load();
  source.Sort();
  Clear();
  XUIDataSource::Cells cells;
  uint32_t count = source.RowCount();
  for (uint32_t row = 0; row < count; ++row) {
    source.FillCells(row, cells);
    AddItem(cells.empty() ? XString() : cells[0], static_cast<intptr_t>(row));
  }
}

int XUIPopup::SelectedIndex() const {
  return Handle() != nullptr ? static_cast<int>(SendMessageW(Handle(), CB_GETCURSEL, 0, 0)) : -1;
}

void XUIPopup::Select(int index) {
  if (Handle() != nullptr) SendMessageW(Handle(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

XString XUIPopup::ItemText(int index) const {
  if (Handle() == nullptr || index < 0) return XString();
  auto length = SendMessageW(Handle(), CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length < 0) return XString();
  std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, 0);
  SendMessageW(Handle(), CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
  return XUINarrow(buffer.data());
}

intptr_t XUIPopup::ItemData(int index) const {
  if (Handle() == nullptr || index < 0) return 0;
  return static_cast<intptr_t>(SendMessageW(Handle(), CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}

int XUIPopup::FindText(const XString& text) const {
  for (int i = 0; i < Count(); ++i) {
    if (ItemText(i) == text) return i;
  }
  return -1;
}
