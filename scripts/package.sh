#!/usr/bin/env bash
# Builds the installers into build/packages/:
#   QvMeridane-<version>-x64.msi   the Windows installer, made with wixl from the Windows build
#   qvmeridane_<version>_amd64.deb the Debian package, made with CPack from the native build
# The version is the project's (project(VERSION) in CMakeLists.txt).
#
#   scripts/package.sh [--native|--windows]
#
# --native makes only the .deb, --windows only the MSI. Prints the paths of what it made.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

make_deb=1
make_msi=1
for arg in "$@"; do
  case "$arg" in
    --native) make_msi=0 ;;
    --windows) make_deb=0 ;;
    -h|--help) sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "package: unknown option: $arg" >&2; exit 2 ;;
  esac
done

scripts/setup-deps.sh
out="$root/build/packages"
mkdir -p "$out"

cache_value() { sed -n "s/^$2:[A-Z]*=//p" "$1/CMakeCache.txt"; }

if [ "$make_deb" = 1 ]; then
  echo "== Debian package (build/native)"
  cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  if [ -n "$(cache_value build/native QV_SANITIZE)" ]; then
    echo "package: build/native is built with sanitizers (QV_SANITIZE); not packing it" >&2
    exit 1
  fi
  cmake --build build/native --target qv_deb_files
  version="$(cache_value build/native CMAKE_PROJECT_VERSION)"
  deb="qvmeridane_${version}_$(dpkg --print-architecture).deb"
  rm -f "build/native/packaging/$deb"
  (cd build/native && cpack -G DEB >/dev/null)
  cp "build/native/packaging/$deb" "$out/"
  echo "$out/$deb"
fi

if [ "$make_msi" = 1 ]; then
  echo "== Windows installer (build/windows)"
  cmake -S . -B build/windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-w64-x86_64.cmake >/dev/null
  cmake --build build/windows --target qv_msi
  version="$(cache_value build/windows CMAKE_PROJECT_VERSION)"
  msi="QvMeridane-${version}-x64.msi"
  cp "build/windows/packaging/$msi" "$out/"
  echo "$out/$msi"
fi
