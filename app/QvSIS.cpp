#include "app/QvSIS.h"

#include "app/QvXml.h"

namespace {

// Reads an attribute into a field when present, so that defaults survive a missing one.
void ReadText(const pugi::xml_node& e, const char* name, XString& field) {
  if (qvxml::Has(e, name)) field = qvxml::Text(e, name);
}

struct VendorField {
  const char* name;
  XString QvVendor::*field;
};

const VendorField kVendorFields[] = {
    {"Name", &QvVendor::m_name},
    {"ID", &QvVendor::m_id},
    {"Code", &QvVendor::m_code},
    {"Addr1", &QvVendor::m_addr1},
    {"Addr2", &QvVendor::m_addr2},
    {"City", &QvVendor::m_city},
    {"Prov", &QvVendor::m_prov},
    {"Country", &QvVendor::m_country},
    {"Zip", &QvVendor::m_zip},
    {"Website", &QvVendor::m_website},
    {"SupportNames", &QvVendor::m_supportNames},
    {"SupportWebsite", &QvVendor::m_supportWebsite},
    {"SupportEmail", &QvVendor::m_supportEmail},
    {"SupportPhone", &QvVendor::m_supportPhone},
    {"SupportPhoneTollFree", &QvVendor::m_supportPhoneTollFree},
    {"SupportFax", &QvVendor::m_supportFax},
    {"SalesNames", &QvVendor::m_salesNames},
    {"SalesWebsite", &QvVendor::m_salesWebsite},
    {"SalesEmail", &QvVendor::m_salesEmail},
    {"SalesPhone", &QvVendor::m_salesPhone},
    {"SalesPhoneTollFree", &QvVendor::m_salesPhoneTollFree},
    {"SalesFax", &QvVendor::m_salesFax},
};

}  // namespace

void QvSIS::ReadAttributes(const pugi::xml_node& e) {
  ReadText(e, "Name", m_name);
  ReadText(e, "ID", m_id);
  ReadText(e, "Version", m_version);
  ReadText(e, "DownloadURL", m_downloadUrl);
  ReadText(e, "DownloadFolderName", m_downloadFolderName);
  ReadText(e, "DownloadFileName", m_downloadFileName);
  ReadText(e, "SplashText", m_splashText);
  m_needSchoolNumber = qvxml::Bool(e, "NeedSchoolNumber", m_needSchoolNumber);
}

void QvSIS::WriteAttributes(pugi::xml_node& e) const {
  qvxml::SetText(e, "Name", m_name);
  qvxml::SetText(e, "ID", m_id);
  qvxml::SetText(e, "Version", m_version);
  qvxml::SetText(e, "DownloadURL", m_downloadUrl);
  qvxml::SetText(e, "DownloadFolderName", m_downloadFolderName);
  qvxml::SetText(e, "DownloadFileName", m_downloadFileName);
  qvxml::SetText(e, "SplashText", m_splashText);
  qvxml::SetBool(e, "NeedSchoolNumber", m_needSchoolNumber);
}

void QvVendor::ReadAttributes(const pugi::xml_node& e) {
  for (const VendorField& f : kVendorFields) ReadText(e, f.name, this->*f.field);
}

void QvVendor::WriteAttributes(pugi::xml_node& e) const {
  for (const VendorField& f : kVendorFields) qvxml::SetText(e, f.name, this->*f.field);
}
