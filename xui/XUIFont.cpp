#include "xui/XUIFont.h"

XUIFont::XUIFont(int points, bool bold) {
  HDC screen = GetDC(nullptr);
  int height = -MulDiv(points, GetDeviceCaps(screen, LOGPIXELSY), 72);
  m_font = CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, L"MS Shell Dlg");
  HGDIOBJ previous = SelectObject(screen, m_font);
  TEXTMETRICW metrics{};
  if (GetTextMetricsW(screen, &metrics)) m_lineHeight = metrics.tmHeight + metrics.tmExternalLeading;
  SelectObject(screen, previous);
  ReleaseDC(nullptr, screen);
}

XUIFont::~XUIFont() {
  if (m_font != nullptr) DeleteObject(m_font);
}
