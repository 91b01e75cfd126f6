// Program settings kept as registry values under one key path, mirrored under the current
// user's hive and the machine hive. A settings class derives from XPrefs and registers one
// XPrefItem per setting; the load-or-save walk then visits the items in registration order.
//
// Reads look under the current user first and fall back to the machine; writes go to the
// current user and, when the machine key could be opened, to the machine as well. The user key
// must be accessible; the machine key is optional, but once opened for writing, a write that it
// refuses fails like one the user key refuses.
#pragma once

#include <cstdint>
#include <vector>

#include "foundation/XString.h"
#include "os/OsRegistry.h"

class XPrefs;

// One named value of a settings class. An item without a name is skipped by the walk.
class XPrefItem {
 public:
  XPrefItem(XPrefs& owner, const char* name);
  virtual ~XPrefItem() = default;
  XPrefItem(const XPrefItem&) = delete;
  XPrefItem& operator=(const XPrefItem&) = delete;

  virtual void LoadOrSave(bool load) = 0;

  const XString& Name() const { return m_name; }
  XPrefItem* Next() const { return m_next; }

 protected:
  XPrefs& m_owner;

 private:
  friend class XPrefs;
  XPrefItem* m_next = nullptr;
  XString m_name;
};

// A 32-bit number stored as REG_DWORD.
class XPrefInt : public XPrefItem {
 public:
  XPrefInt(XPrefs& owner, const char* name, int32_t* location, int32_t defaultValue);
  void LoadOrSave(bool load) override;

 private:
  int32_t* m_location;
  int32_t m_default;
};

// A text stored as REG_SZ.
class XPrefText : public XPrefItem {
 public:
  XPrefText(XPrefs& owner, const char* name, XString* location, const char* defaultValue);
  void LoadOrSave(bool load) override;

 private:
  XString* m_location;
  XString m_default;
};

// The settings layout's version: four dotted numbers held as one 32-bit value.
class XPrefVersion : public XPrefItem {
 public:
  XPrefVersion(XPrefs& owner, const char* name);
  void LoadOrSave(bool load) override;

  uint32_t Value() const { return m_value; }
  void SetValue(uint32_t value) { m_value = value; }

  // "1.2.3.4" <-> 0x01020304; missing parts count as 0.
  static uint32_t Parse(const char* dotted);
  static XString Format(uint32_t value);

 private:
  uint32_t m_value = 0;
};

class XPrefs {
 public:
  // keyPath is relative to the hive roots; a trailing separator is ignored.
  XPrefs(const char* keyPath, const char* currentVersion);
  virtual ~XPrefs();
  XPrefs(const XPrefs&) = delete;
  XPrefs& operator=(const XPrefs&) = delete;

  // Opens the user key (creating it when missing); a failure throws XException with the
  // system's text for the error. Then opens the machine key the same way; a failure there
  // leaves it absent.
  void Open(bool read, bool write);
  void Close();
  bool HasMachineKey() const { return m_machine.open; }

  int32_t ReadInt(const char* name, int32_t defaultValue) const;
  XString ReadText(const char* name, const char* defaultValue) const;
  // A text that names a file or folder: as ReadText, but a stored path holding characters the
  // code page cannot represent throws, naming the value, where it is kept and the path, instead
  // of reading as another path.
  XString ReadPath(const char* name, const char* defaultValue) const;
  void WriteInt(const char* name, int32_t value);
  void WriteText(const char* name, const char* value);

  // Gathers the writes made while it lives, and Commit writes them to each hive at once: a
  // file-backed hive is rewritten and synced at every write, so a save of many values costs
  // one rewrite instead of one per value. Commit throws as a single write would when the
  // user's hive does not take them; without Commit the gathered writes are dropped. Reads see
  // the hives as they were before Commit. Gatherings do not nest.
  class Writes {
   public:
    explicit Writes(XPrefs& prefs);
    ~Writes();
    Writes(const Writes&) = delete;
    Writes& operator=(const Writes&) = delete;
    void Commit();

   private:
    XPrefs& m_prefs;
    std::vector<os::RegistryValue> m_values;
  };

  // Visits the items in order, each loading (load set) or saving its value. When saving and the
  // stored version differs from the current one, the walk stores the current version and stops
  // after that first item. A saving walk writes its values together at its end (see Writes).
  virtual void LoadOrSave(bool load);

  const XString& KeyPath() const { return m_keyPath; }
  uint32_t CurrentVersion() const { return m_currentVersion; }
  const XPrefVersion& VersionItem() const { return *m_version; }

 private:
  friend class XPrefItem;
  void Register(XPrefItem* item);
  // Throws "Could not <action> <where the settings are kept>: <system text>", the action being
  // "save the settings to" or "read the settings in".
  [[noreturn]] void ThrowFor(const char* action, const os::RegistryKey& key, int rc) const;
  // Opens for the duration of one access when no walk holds the keys open.
  class Access;

  XString m_keyPath;
  uint32_t m_currentVersion;
  XPrefItem* m_first = nullptr;
  XPrefItem* m_last = nullptr;
  XPrefVersion* m_version = nullptr;
  os::RegistryKey m_user;
  os::RegistryKey m_machine;
  // The writes being gathered (see Writes); null when none are.
  std::vector<os::RegistryValue>* m_pending = nullptr;
};
