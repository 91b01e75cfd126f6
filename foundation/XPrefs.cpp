#include "foundation/XPrefs.h"

#include <cstdlib>
#include <memory>

#include "foundation/XException.h"
#include "os/OsSystem.h"
#include "os/OsText.h"

namespace {

constexpr const char* kSaveTo = "save the settings to";
constexpr const char* kReadIn = "read the settings in";

// Value names cross into the registry as UTF-16; a name that cannot be converted is an error.
std::string RegistryName(const char* name) {
  XString text(name);
  (void)text.ToWide();  // throws "XString::WinToWChar error"
  return text.ToStd();
}

std::string WithoutTrailingSeparator(const XString& path) {
  std::string p = path.ToStd();
  while (!p.empty() && (p.back() == '\\' || p.back() == '/')) p.pop_back();
  return p;
}

}  // namespace

// Keeps the keys open for one access when no walk holds them open already.
class XPrefs::Access {
 public:
  Access(const XPrefs& prefs, bool write) : m_prefs(const_cast<XPrefs&>(prefs)) {
    if (!m_prefs.m_user.open || (write && !m_prefs.m_user.writable)) {
      m_prefs.Open(true, write);
      m_opened = true;
    }
  }
  ~Access() {
    if (m_opened) m_prefs.Close();
  }

 private:
  XPrefs& m_prefs;
  bool m_opened = false;
};

XPrefItem::XPrefItem(XPrefs& owner, const char* name) : m_owner(owner), m_name(name) {
  owner.Register(this);
}

XPrefInt::XPrefInt(XPrefs& owner, const char* name, int32_t* location, int32_t defaultValue)
    : XPrefItem(owner, name), m_location(location), m_default(defaultValue) {
  *m_location = defaultValue;
}

void XPrefInt::LoadOrSave(bool load) {
  if (load) {
    *m_location = m_owner.ReadInt(Name(), m_default);
  } else {
    m_owner.WriteInt(Name(), *m_location);
  }
}

XPrefText::XPrefText(XPrefs& owner, const char* name, XString* location, const char* defaultValue)
    : XPrefItem(owner, name), m_location(location), m_default(defaultValue) {
  *m_location = m_default;
}

void XPrefText::LoadOrSave(bool load) {
  if (load) {
    *m_location = m_owner.ReadText(Name(), m_default);
  } else {
    m_owner.WriteText(Name(), *m_location);
  }
}

XPrefVersion::XPrefVersion(XPrefs& owner, const char* name)
    : XPrefItem(owner, name), m_value(Parse("0.0.0.0")) {}

void XPrefVersion::LoadOrSave(bool load) {
  if (load) {
    m_value = Parse(m_owner.ReadText(Name(), Format(m_value)));
  } else {
    m_owner.WriteText(Name(), Format(m_value));
  }
}

uint32_t XPrefVersion::Parse(const char* dotted) {
  uint32_t value = 0;
  const char* p = dotted ? dotted : "";
  for (int part = 0; part < 4; ++part) {
    char* end = nullptr;
    unsigned long n = std::strtoul(p, &end, 10);
    value = (value << 8) | static_cast<uint32_t>(n & 0xFF);
    p = (*end == '.') ? end + 1 : end;
  }
  return value;
}

XString XPrefVersion::Format(uint32_t value) {
  XString text;
  text.Format(32, "%u.%u.%u.%u", (value >> 24) & 0xFF, (value >> 16) & 0xFF, (value >> 8) & 0xFF,
              value & 0xFF);
  return text;
}

XPrefs::XPrefs(const char* keyPath, const char* currentVersion)
    : m_keyPath(WithoutTrailingSeparator(XString(keyPath))),
      m_currentVersion(XPrefVersion::Parse(currentVersion)) {
  m_version = new XPrefVersion(*this, "Version");
}

XPrefs::~XPrefs() {
  Close();
  for (XPrefItem* item = m_first; item;) {
    XPrefItem* next = item->m_next;
    delete item;
    item = next;
  }
}

void XPrefs::Register(XPrefItem* item) {
  if (m_last) {
    m_last->m_next = item;
  } else {
    m_first = item;
  }
  m_last = item;
}

// A failed access names where the settings are kept and the system's reason: "Input/output
// error" alone does not tell an administrator which file to look at.
void XPrefs::ThrowFor(const char* action, const os::RegistryKey& key, int rc) const {
  const std::string location = os::RegistryLocation(key.hive, m_keyPath.ToStd());
  throw XException::Format(rc, "Could not %s %s: %s", action, location.c_str(), os::ErrorMessage(rc).c_str());
}

void XPrefs::Open(bool read, bool write) {
  Close();
  if (int rc = os::OpenRegistryKey(os::Hive::kCurrentUser, m_keyPath.ToStd(), read, write, m_user)) {
    m_user.hive = os::Hive::kCurrentUser;
    ThrowFor(write ? kSaveTo : kReadIn, m_user, rc);
  }
  if (os::OpenRegistryKey(os::Hive::kLocalMachine, m_keyPath.ToStd(), read, write, m_machine)) {
    m_machine = os::RegistryKey{};
  }
}

void XPrefs::Close() {
  os::CloseRegistryKey(m_user);
  os::CloseRegistryKey(m_machine);
}

int32_t XPrefs::ReadInt(const char* name, int32_t defaultValue) const {
  std::string key = RegistryName(name);
  Access access(*this, false);
  uint32_t value = 0;
  if (os::ReadRegistryDword(m_user, key, value)) return static_cast<int32_t>(value);
  if (m_machine.open && os::ReadRegistryDword(m_machine, key, value)) return static_cast<int32_t>(value);
  return defaultValue;
}

XString XPrefs::ReadText(const char* name, const char* defaultValue) const {
  std::string key = RegistryName(name);
  Access access(*this, false);
  std::string value;
  if (os::ReadRegistryString(m_user, key, value)) return XString(value);
  if (m_machine.open && os::ReadRegistryString(m_machine, key, value)) return XString(value);
  return XString(defaultValue);
}

XString XPrefs::ReadPath(const char* name, const char* defaultValue) const {
  std::string key = RegistryName(name);
  Access access(*this, false);
  std::string value;
  bool exact = true;
  const os::RegistryKey* found = nullptr;
  if (os::ReadRegistryString(m_user, key, value, &exact)) {
    found = &m_user;
  } else if (m_machine.open && os::ReadRegistryString(m_machine, key, value, &exact)) {
    found = &m_machine;
  }
  if (!found) return XString(defaultValue);
  if (!exact) {
    // The same path with '?' in place of a character would be another folder, which the
    // program would then create and fill.
    const std::string location = os::RegistryLocation(found->hive, m_keyPath.ToStd());
    throw XException::Format(0,
                             "The preference \"%s\" in %s holds the path %s, which has characters that the "
                             "code page %s cannot represent; use a path made of characters of that code page.",
                             name, location.c_str(), value.c_str(), os::CodePageName().c_str());
  }
  return XString(value);
}

void XPrefs::WriteInt(const char* name, int32_t value) {
  std::string key = RegistryName(name);
  if (m_pending) {
    os::RegistryValue pending;
    pending.name = key;
    pending.isDword = true;
    pending.dword = static_cast<uint32_t>(value);
    m_pending->push_back(pending);
    return;
  }
  Access access(*this, true);
  if (int rc = os::WriteRegistryDword(m_user, key, static_cast<uint32_t>(value))) ThrowFor(kSaveTo, m_user, rc);
  if (m_machine.open) {
    if (int rc = os::WriteRegistryDword(m_machine, key, static_cast<uint32_t>(value))) ThrowFor(kSaveTo, m_machine, rc);
  }
}

void XPrefs::WriteText(const char* name, const char* value) {
  std::string key = RegistryName(name);
  if (m_pending) {
    os::RegistryValue pending;
    pending.name = key;
    pending.text = value ? value : "";
    m_pending->push_back(pending);
    return;
  }
  Access access(*this, true);
  if (int rc = os::WriteRegistryString(m_user, key, value ? value : "")) ThrowFor(kSaveTo, m_user, rc);
  if (m_machine.open) {
    if (int rc = os::WriteRegistryString(m_machine, key, value ? value : "")) ThrowFor(kSaveTo, m_machine, rc);
  }
}

XPrefs::Writes::Writes(XPrefs& prefs) : m_prefs(prefs) { m_prefs.m_pending = &m_values; }

XPrefs::Writes::~Writes() {
  if (m_prefs.m_pending == &m_values) m_prefs.m_pending = nullptr;
}

void XPrefs::Writes::Commit() {
  m_prefs.m_pending = nullptr;
  if (m_values.empty()) return;
  Access access(m_prefs, true);
  if (int rc = os::WriteRegistryValues(m_prefs.m_user, m_values)) m_prefs.ThrowFor(kSaveTo, m_prefs.m_user, rc);
  // A machine hive that was opened for writing and does not take the values is a failed save
  // as well: the program would otherwise report settings as kept that the next start will not
  // find there.
  if (m_prefs.m_machine.open) {
    if (int rc = os::WriteRegistryValues(m_prefs.m_machine, m_values)) {
      m_prefs.ThrowFor(kSaveTo, m_prefs.m_machine, rc);
    }
  }
  m_values.clear();
}

void XPrefs::LoadOrSave(bool load) {
  Open(true, !load);
  std::unique_ptr<Writes> writes;
  if (!load) writes = std::make_unique<Writes>(*this);
  try {
    for (XPrefItem* item = m_first; item; item = item->m_next) {
      if (item->Name().IsEmpty()) continue;
      if (!load && item == m_version && m_version->Value() != m_currentVersion) {
        // A changed settings layout: record the new version and save nothing else this pass.
        m_version->SetValue(m_currentVersion);
        m_version->LoadOrSave(false);
        break;
      }
      item->LoadOrSave(load);
    }
    if (writes) writes->Commit();
  } catch (...) {
    Close();
    throw;
  }
  Close();
}
