// The preferences of this bridge, under its own registry key.
#pragma once

#include "app/BridgeIdentity.h"
#include "app/SISExpPrefs.h"

class Prefs : public SISExpPrefs {
 public:
  Prefs() : SISExpPrefs(bridge::kPrefsKey) {}
  explicit Prefs(const char* keyPath) : SISExpPrefs(keyPath) {}
};
