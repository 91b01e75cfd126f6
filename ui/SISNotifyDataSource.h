// The rows of the About and Contact Us dialogs: two cells each, and the column headings.
#pragma once

#include "xui/XUIDataSource.h"

class SISNotifyDataSource : public XUITextDataSource {
 public:
  SISNotifyDataSource() : XUITextDataSource("Notify") {}

  void SetColumns(const XString& first, const XString& second) {
    m_first = first;
    m_second = second;
  }
  const XString& FirstColumn() const { return m_first; }
  const XString& SecondColumn() const { return m_second; }

  // A block of contact rows headed by its name; nothing when every field is empty.
  void AddContactBlock(const XString& heading, const XString& names, const XString& website,
                       const XString& email, const XString& phone, const XString& tollFree,
                       const XString& fax);

 private:
  XString m_first;
  XString m_second;
};
