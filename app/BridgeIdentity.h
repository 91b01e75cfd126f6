// The fixed values that name this bridge and the product family it belongs to.
#pragma once

namespace bridge {

inline constexpr const char* kTitle = "Velkstrom Data Extractor for Meridane";
inline constexpr const char* kShortName = "QvMeridane";
inline constexpr const char* kVersion = "1.1.2.1";
inline constexpr const char* kIdentifier = "Meridane_DE";
// The maker named in the notice line of the package's comment block.
inline constexpr const char* kMaker = "Velkstrom Software";
inline constexpr const char* kGuideFile = "MeridaneGuide.pdf";

// The product family's framework.
inline constexpr const char* kProductName = "Quorvane Connect";
inline constexpr const char* kProductShortName = "Connect";
inline constexpr const char* kFrameworkVersion = "7.3.0.0";
inline constexpr const char* kProductGuideFile = "Quorvane Connect Guide.pdf";
inline constexpr const char* kUserGuideFile = "Quorvane User Guide.pdf";
inline constexpr const char* kReadMeFile = "ReadMe.txt";

// Registry: the product's key, and the bridge's key beneath it.
inline constexpr const char* kProductKey = "SOFTWARE\\Velkstrom Software\\Quorvane Connect";
inline constexpr const char* kPrefsKey = "Software\\Velkstrom Software\\Quorvane Connect\\QvMeridane";
inline constexpr const char* kPrefsVersion = "0.0.0.0";

// The folder of the family under the user's application-data folder.
inline constexpr const char* kAppDataFamilyFolder = "Quorvane";

}  // namespace bridge
