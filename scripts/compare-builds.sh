#!/usr/bin/env bash
# Runs the same extraction of the demo SIS with the native build and with the Windows build
# under Wine, at one fixed date and time, and checks that both write the same package bytes
# (the import tool that reads the package is a Windows program, so the Linux build must write
# exactly what the Windows build writes). Both builds must have been built.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
out="$root/build/compare"
rm -rf "$out"
export QV_FIXED_NOW="2026-10-15 21:30:00"
common=(--students 120 --seed 7 --year-start 2026-08-20)
bash scripts/demo.sh "${common[@]}" --import "$out/native" >"$out.native.log" 2>&1 ||
  { echo "compare-builds: the native extraction failed (see $out.native.log)" >&2; exit 1; }
bash scripts/demo.sh "${common[@]}" --windows --import "$out/windows" >"$out.windows.log" 2>&1 ||
  { echo "compare-builds: the Windows extraction failed (see $out.windows.log)" >&2; exit 1; }

status=0
count=0
cd "$out/native"
for file in *.qef *.QDE *.QDU; do
  count=$((count + 1))
  if ! cmp -s "$file" "$out/windows/$file"; then
    echo "compare-builds: $file differs between the builds" >&2
    status=1
  fi
done
native_files="$(ls *.qef *.QDE *.QDU | sort)"
windows_files="$(cd "$out/windows" && ls *.qef *.QDE *.QDU | sort)"
if [ "$native_files" != "$windows_files" ]; then
  echo "compare-builds: the builds wrote different sets of files" >&2
  status=1
fi
[ "$count" -ge 23 ] || { echo "compare-builds: only $count package files were written" >&2; status=1; }
[ "$status" = 0 ] && echo "compare-builds: both builds wrote the same $count package files, byte for byte"
exit $status
