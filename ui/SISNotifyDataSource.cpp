#include "ui/SISNotifyDataSource.h"

void SISNotifyDataSource::AddContactBlock(const XString& heading, const XString& names,
                                          const XString& website, const XString& email,
                                          const XString& phone, const XString& tollFree,
                                          const XString& fax) {
  const std::pair<const char*, const XString*> fields[] = {
      {"Names", &names}, {"Web Site", &website}, {"E-mail", &email},
      {"Telephone", &phone}, {"Toll-Free", &tollFree}, {"Fax", &fax},
  };
  bool any = false;
  for (const auto& field : fields) any = any || !field.second->IsEmpty();
  if (!any) return;
  if (SourceRowCount() > 0) AddRow({XString(), XString()});
  AddRow({heading, XString()});
  for (const auto& field : fields) {
    if (!field.second->IsEmpty()) AddRow({XString("    ") + field.first, *field.second});
  }
}
