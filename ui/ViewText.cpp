#include "ui/ViewText.h"

void MakeHeadings(HWND window, std::initializer_list<int> ids) {
  // One bold font per process serves every view; it lives as long as the program.
  static HFONT bold = nullptr;
  if (bold == nullptr) {
    HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    LOGFONTW face{};
    if (dialogFont != nullptr && GetObjectW(dialogFont, sizeof face, &face) != 0) {
      face.lfWeight = FW_BOLD;
      bold = CreateFontIndirectW(&face);
    }
  }
  if (bold == nullptr) return;
  for (int id : ids) {
    if (HWND label = GetDlgItem(window, id)) SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(bold), TRUE);
  }
}
