#!/bin/sh
# Lets an MSI made by wixl replace an installed release whose version differs from it only in
# the fourth field (1.1.2.0 by 1.1.2.1). Windows Installer compares the first three fields of a
# version only, so the upgrade row that wixl writes for MajorUpgrade (versions below this one)
# misses such a release and both would stay installed side by side. wixl does not implement
# MajorUpgrade's AllowSameVersionUpgrades; this sets what that option sets: the row's
# VersionMaxInclusive attribute (512).
#
#   packaging/allow-same-version-upgrades.sh X.msi
set -eu
msi="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
msiinfo export "$msi" Upgrade > "$work/Upgrade.idt"
# Columns: UpgradeCode, VersionMin, VersionMax, Language, Attributes, Remove, ActionProperty.
awk 'BEGIN { FS = OFS = "\t" }
     NR > 3 && $7 ~ /^WIX_UPGRADE_DETECTED/ && $5 % 1024 < 512 { $5 += 512; changed++ }
     { print }
     END { if (changed != 1) exit 1 }' "$work/Upgrade.idt" > "$work/Patched.idt" || {
  echo "allow-same-version-upgrades: no upgrade row to change in $msi" >&2
  exit 1
}
mv "$work/Patched.idt" "$work/Upgrade.idt"
msibuild "$msi" -i "$work/Upgrade.idt"
