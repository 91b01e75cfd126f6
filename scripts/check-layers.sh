#!/usr/bin/env bash
# Checks that no include points up the layers. The layers, lowest first:
#   os, foundation, sqlite, package, data, engine, app, xui, ui
# A file of a layer may include its own folder and the folders below it. The test helpers
# (testsupport) and the demo SIS (tools) serve tests only: a folder's tests/ may include them,
# its library never does. testsupport and tools themselves sit just above foundation.
# Prints every offending include with its file and line; exits 1 when there is any.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

layers=(os foundation sqlite package data engine app xui ui)
declare -A rank
for i in "${!layers[@]}"; do rank[${layers[$i]}]=$i; done

status=0
checked=0
for folder in "${layers[@]}" testsupport tools; do
  [ -d "$folder" ] || continue
  while IFS= read -r hit; do
    file="${hit%%:*}"
    rest="${hit#*:}"
    line="${rest%%:*}"
    target="$(sed -E 's/.*#include "([a-z]+)\/.*/\1/' <<<"$rest")"
    checked=$((checked + 1))
    [ "$target" = "$folder" ] && continue
    is_test=0
    case "$file" in */tests/*) is_test=1 ;; esac
    allowed=0
    if [ "$folder" = testsupport ] || [ "$folder" = tools ]; then
      # Test helpers stand on the seam and the foundation (and tools on the test helpers).
      case "$target" in os|foundation|testsupport) allowed=1 ;; esac
    elif [ "$target" = testsupport ] || [ "$target" = tools ]; then
      allowed=$is_test
    elif [ -n "${rank[$target]:-}" ] && [ "${rank[$target]}" -lt "${rank[$folder]}" ]; then
      allowed=1
    fi
    if [ "$allowed" = 0 ]; then
      echo "check-layers: $file:$line: $folder includes $target/ ($(sed -E 's/^[^#]*//' <<<"$rest"))"
      status=1
    fi
  done < <(grep -rnE '^[[:space:]]*#include "[a-z]+/' "$folder" --include='*.h' --include='*.cpp' --include='*.c' || true)
done
if [ "$status" = 0 ]; then
  echo "check-layers: $checked project includes, none points up the layers"
fi
exit $status
