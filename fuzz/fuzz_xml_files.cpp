// The loaders of the site configuration's files ("QvConfig.xml", "QvSIS.xml", "QvVendor.xml")
// and of an import folder's "SchoolConfig.xml" over any bytes. The first byte picks the file;
// the rest is its content. Whatever loads is saved, loaded again and saved again: the two
// saves write the same bytes (what is saved loads back equal).
#include <pugixml.hpp>
#include <sys/stat.h>

#include <string>

#include "app/QvFramework.h"
#include "foundation/XException.h"
#include "fuzz/FuzzSupport.h"
#include "package/SchoolConfig.h"
#include "package/XmlFile.h"

namespace {

// The records of a list written as the file that holds them.
template <typename List>
std::string ListText(const List& list, const char* root, const char* element) {
  pugi::xml_document document;
  pugi::xml_node rootNode = document.append_child(root);
  for (uint32_t i = 0; i < list.Count(); ++i) {
    pugi::xml_node node = rootNode.append_child(element);
    list.At(i)->WriteAttributes(node);
  }
  return xmlfile::ToText(document);
}

void SiteConfiguration(const std::string& path) {
  const std::string& folder = fuzz::ScratchFolder();
  static const bool made = ::mkdir((folder + "a").c_str(), 0700) + ::mkdir((folder + "b").c_str(), 0700) > -3;
  (void)made;
  QvFramework first;
  try {
    first.LoadSchools(path);
  } catch (const XException&) {
    return;
  }
  first.SaveSiteConfiguration(folder + "a");
  QvFramework second;
  second.LoadSchools(folder + "a/" + QvFramework::kConfigFile);
  second.SaveSiteConfiguration(folder + "b");
  FUZZ_CHECK_EQ(fuzz::ReadFile(folder + "b/" + QvFramework::kConfigFile),
                fuzz::ReadFile(folder + "a/" + QvFramework::kConfigFile));
}

template <typename List>
void DataList(const std::string& path, void (QvFramework::*load)(const XString&),
              List& (QvFramework::*list)(), const char* root, const char* element) {
  QvFramework first;
  try {
    (first.*load)(path);
  } catch (const XException&) {
    return;
  }
  const std::string saved = ListText((first.*list)(), root, element);
  const std::string again = fuzz::ScratchFolder() + "again.xml";
  fuzz::WriteFile(again, saved);
  QvFramework second;
  (second.*load)(again);
  FUZZ_CHECK_EQ(ListText((second.*list)(), root, element), saved);
}

void SchoolConfigFile(const std::string& path) {
  SchoolConfig first;
  if (!first.Load(XFileSpec(path.c_str()))) return;
  const std::string again = fuzz::ScratchFolder() + "SchoolConfig.xml";
  first.Save(XFileSpec(again.c_str()));
  SchoolConfig second;
  FUZZ_CHECK(second.Load(XFileSpec(again.c_str())));
  FUZZ_CHECK_EQ(second.ToText(), first.ToText());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string path = fuzz::ScratchFolder() + "input.xml";
  fuzz::WriteFile(path, std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
  switch (data[0] % 4) {
    case 0: SiteConfiguration(path); break;
    case 1: DataList(path, &QvFramework::LoadSISes, &QvFramework::SISes, "QvSISFile", "QvSIS"); break;
    case 2: DataList(path, &QvFramework::LoadVendors, &QvFramework::Vendors, "QvVendorFile", "QvVendor"); break;
    default: SchoolConfigFile(path); break;
  }
  return 0;
}
