#include "xui/XUIButton.h"

void XUIButton::Click() {
  if (Handle() != nullptr) SendMessageW(Handle(), BM_CLICK, 0, 0);
}

bool XUIRadioButton::IsChecked() const {
  return Handle() != nullptr && SendMessageW(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void XUIRadioButton::SetChecked(bool checked) {
  if (Handle() != nullptr) SendMessageW(Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}
