// The identity the tests give the program that writes a package: the bridge's title, its
// short name (the base name of the package header and of the logs), version, creator
// identifier and maker. These are the application's own values (app/BridgeIdentity.h), which
// the application's tests hold them to. The test helpers sit below the package writer and the
// application, so they restate the values, and fill the writer's identity through a template
// that the package and engine tests instantiate with the writer's own type.
#pragma once

namespace testsupport {

inline constexpr const char* kBridgeTitle = "Velkstrom Data Extractor for Meridane";
inline constexpr const char* kBridgeShortName = "QvMeridane";
inline constexpr const char* kBridgeVersion = "1.1.2.1";
inline constexpr const char* kBridgeIdentifier = "Meridane_DE";
inline constexpr const char* kBridgeMaker = "Velkstrom Software";

// Gives a writer's application identity (QDEApplication) the bridge's title, version, creator
// identifier, file base name and maker. The build date stays the fixture's choice.
template <class Identity>
void SetBridgeIdentity(Identity& identity) {
  identity.m_fullName = kBridgeTitle;
  identity.m_version = kBridgeVersion;
  identity.m_creatorId = kBridgeIdentifier;
  identity.m_fileBaseName = kBridgeShortName;
  identity.m_maker = kBridgeMaker;
}

}  // namespace testsupport
