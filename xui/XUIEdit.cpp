#include "xui/XUIEdit.h"

void XUIEdit::SelectAll() {
  if (Handle() != nullptr) SendMessageW(Handle(), EM_SETSEL, 0, -1);
}
