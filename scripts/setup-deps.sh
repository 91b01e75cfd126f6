#!/usr/bin/env bash
# Installs what the builds (clang for the sanitizer and fuzz build), the tests and the demo
# need, only where missing. Idempotent and quiet when everything is there. Debian packages
# through apt-get; pugixml's Debian sources and the SQLite3 Multiple Ciphers amalgamation (from
# its npm tarball, integrity checked) are unpacked into .deps/ for the Windows build.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
deps="$root/.deps"
mkdir -p "$deps"

log() { echo "setup-deps: $*"; }

sudo_cmd=""
if [ "$(id -u)" != 0 ]; then sudo_cmd="sudo"; fi

packages=(
  build-essential cmake ninja-build pkg-config clang
  unixodbc unixodbc-dev odbcinst libsqliteodbc sqlite3 libsqlite3-dev postgresql odbc-postgresql
  libpugixml-dev libcurl4-openssl-dev libgtest-dev googletest libbenchmark-dev
  mingw-w64 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
  wine64 xvfb xdotool imagemagick faketime hyperfine strace valgrind
  dpkg-dev curl ca-certificates python3 openssl
  wixl msitools help2man lintian man-db cron
  python3-markdown weasyprint poppler-utils chromium
)

missing=()
for p in "${packages[@]}"; do
  status="$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)"
  [ "$status" = "install ok installed" ] || missing+=("$p")
done
# npm may come with the machine's Node.js rather than from Debian's npm package.
command -v npm >/dev/null 2>&1 || missing+=(npm)
if [ ${#missing[@]} -gt 0 ]; then
  log "installing ${missing[*]}"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# SQLite3 Multiple Ciphers amalgamation, from the npm tarball that carries it.
sqlite_pkg="better-sqlite3-multiple-ciphers@12.11.1"
sqlite_integrity="sha512-pG72+3VkUipnmYx4LwQqoOXNG2CJ1HlmDrlvqgr7xQHgsE+cz5rAZEiaJHnUKTHaGfGifggA/C0Sv9qZlUrfow=="
if [ ! -f "$deps/sqlite3mc/sqlite3.c" ]; then
  log "fetching $sqlite_pkg"
  work="$(mktemp -d)"
  (cd "$work" && npm pack --silent "$sqlite_pkg" >/dev/null 2>&1)
  tarball="$(ls "$work"/*.tgz)"
  actual="sha512-$(openssl dgst -sha512 -binary "$tarball" | base64 -w0)"
  if [ "$actual" != "$sqlite_integrity" ]; then
    echo "setup-deps: integrity check failed for $sqlite_pkg ($actual)" >&2
    exit 1
  fi
  tar -xzf "$tarball" -C "$work"
  rm -rf "$deps/sqlite3mc"
  mkdir -p "$deps/sqlite3mc"
  src="$work/package/deps/sqlite3"
  cp "$src"/sqlite3.c "$src"/sqlite3.h "$deps/sqlite3mc/"
  [ -f "$src/sqlite3ext.h" ] && cp "$src/sqlite3ext.h" "$deps/sqlite3mc/"
  rm -rf "$work"
fi

# pugixml for the Windows build: Debian's source package of the installed version.
if [ ! -f "$deps/pugixml/src/pugixml.cpp" ]; then
  log "fetching Debian's pugixml sources"
  if ! apt-get source --print-uris pugixml >/dev/null 2>&1 || \
     [ -z "$(apt-get source --print-uris pugixml 2>/dev/null | grep -m1 "'")" ]; then
    list=/etc/apt/sources.list.d/qv-deb-src.sources
    if [ ! -f "$list" ]; then
      printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: bookworm bookworm-updates\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' | $sudo_cmd tee "$list" >/dev/null
    fi
    $sudo_cmd apt-get update -qq
  fi
  work="$(mktemp -d)"
  (cd "$work" && apt-get source -qq pugixml >/dev/null 2>&1)
  srcdir="$(find "$work" -maxdepth 1 -type d -name 'pugixml-*' | head -n1)"
  [ -n "$srcdir" ] || { echo "setup-deps: could not fetch pugixml sources" >&2; exit 1; }
  rm -rf "$deps/pugixml"
  mv "$srcdir" "$deps/pugixml"
  rm -rf "$work"
fi
exit 0
