// The SIS bridge list ("QvSIS.xml") and the vendor list ("QvVendor.xml"): records of text
// fields held as the attributes of one element each.
#pragma once

#include <memory>
#include <vector>

#include "foundation/XString.h"

namespace pugi {
class xml_node;
}

// One known SIS bridge ("QvSIS").
class QvSIS {
 public:
  void ReadAttributes(const pugi::xml_node& element);
  void WriteAttributes(pugi::xml_node& element) const;

  XString m_name;
  XString m_id = "OTHER";
  XString m_version;  // four dot-separated numbers
  XString m_downloadUrl;
  XString m_downloadFolderName;
  XString m_downloadFileName;
  XString m_splashText;
  bool m_needSchoolNumber = false;
};

// One vendor with its support and sales contacts ("QvVendor").
class QvVendor {
 public:
  void ReadAttributes(const pugi::xml_node& element);
  void WriteAttributes(pugi::xml_node& element) const;

  XString m_name, m_id, m_code;
  XString m_addr1, m_addr2, m_city, m_prov, m_country, m_zip, m_website;
  XString m_supportNames, m_supportWebsite, m_supportEmail, m_supportPhone,
      m_supportPhoneTollFree, m_supportFax;
  XString m_salesNames, m_salesWebsite, m_salesEmail, m_salesPhone, m_salesPhoneTollFree,
      m_salesFax;
};

// An owning list of records in file order.
template <typename T>
class QvRecordList {
 public:
  uint32_t Count() const { return static_cast<uint32_t>(m_items.size()); }
  bool IsEmpty() const { return m_items.empty(); }
  T* At(uint32_t i) const { return i < m_items.size() ? m_items[i].get() : nullptr; }
  T* Add(std::unique_ptr<T> item) {
    m_items.push_back(std::move(item));
    return m_items.back().get();
  }
  void Clear() { m_items.clear(); }

 private:
  std::vector<std::unique_ptr<T>> m_items;
};

using QvSISList = QvRecordList<QvSIS>;
using QvVendorList = QvRecordList<QvVendor>;
