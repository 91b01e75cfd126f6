#!/usr/bin/env bash
# Tests the build of the user guide (docs/guide/build-guide.py) on a small guide of its own in
# a throwaway folder: a picture comes from the screenshot folder before the kept copy, a
# missing one is a warning and a captioned box, not a failed build; an unchanged guide is not
# rebuilt, and one whose picture moves from a screenshot back to the kept copy is.
# Then builds the real guide and checks its table of contents and pictures.
#
#   scripts/guide-test.sh [WORK_DIR]      (default build/guide-test)
#
# Exits 77 (skipped) without Debian's python3-markdown and weasyprint, or pdftotext.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
work="${1:-$root/build/guide-test}"
build=(/usr/bin/python3 "$root/docs/guide/build-guide.py")

if ! /usr/bin/python3 -c 'import markdown, weasyprint' 2>/dev/null || ! command -v pdftotext >/dev/null; then
  echo "guide-test: skipped (needs python3-markdown, weasyprint and poppler-utils)"
  exit 77
fi

failures=0
fail() { echo "guide-test: FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "guide-test: ok: $*"; }
check() { local what="$1"; shift; if "$@"; then pass "$what"; else fail "$what"; fi; }

rm -rf "$work"
src="$work/src" shots="$work/shots" out="$work/out/Guide.pdf"
mkdir -p "$src/images" "$shots" "$work/out"
cp "$root/docs/guide/guide.css" "$src/"
cat >"$src/01-first.md" <<'EOF'
# First chapter

![Fresh picture](images/fresh.png)

![Kept picture](images/kept.png)
EOF
cat >"$src/02-second.md" <<'EOF'
# Second chapter

![Gone picture](images/gone.png)

![Outside the folder](images/../../secret.png)
EOF
convert -size 40x20 xc:red "$shots/fresh.png"
convert -size 40x20 xc:blue "$src/images/fresh.png"
convert -size 40x20 xc:green "$src/images/kept.png"
convert -size 40x20 xc:black "$work/secret.png"

# The screenshot folder is given relative to the folder the build runs in, as a build may.
run() { (cd "$work" && "${build[@]}" --source "$src" --out "$out" --shots no-such-folder --shots shots \
          --html "$work/out/Guide.html" >"$work/out.txt" 2>"$work/err.txt"); }

check "a guide with a missing picture builds" run
check "the missing picture is a warning that names it" \
  grep -q "warning: picture gone.png is neither in $shots nor in $src/images" "$work/err.txt"
check "a picture outside images/ is never taken" \
  eval '! grep -q "^$work/secret.png" "$out.inputs" && grep -q "warning: picture ../../secret.png" "$work/err.txt"'
check "the fresh screenshot is taken before the kept copy" grep -qx "$shots/fresh.png" "$out.inputs"
check "the kept copy serves where there is no screenshot" grep -qx "$src/images/kept.png" "$out.inputs"
check "the missing picture shows its caption instead" grep -q "Picture not available: Gone picture" \
  "$work/out/Guide.html"
# pdftotext starts each page with a form feed.
pdf_text() { pdftotext "$1" - 2>/dev/null | tr -d '\f' || true; }
text="$(pdf_text "$out")"
check "the PDF has the contents and both chapters" \
  eval 'grep -q "^Contents" <<<"$text" && grep -q "First chapter" <<<"$text" && grep -q "Second chapter" <<<"$text"'
check "the PDF holds the two pictures found" test "$(pdfimages -list "$out" 2>/dev/null | tail -n +3 | wc -l)" -eq 2

built="$(stat -c %Y.%s "$out")"
sleep 1.1
run
check "an unchanged guide is not rebuilt" grep -q "is up to date" "$work/out.txt"
rm "$shots/fresh.png"
run
check "without the screenshot the guide is rebuilt with the kept copy" \
  eval 'grep -q "^build-guide: wrote" "$work/out.txt" && grep -qx "$src/images/fresh.png" "$out.inputs"'
check "the rebuilt PDF replaced the old one" test "$(stat -c %Y.%s "$out")" != "$built"
touch "$src/02-second.md"
run
check "a changed chapter rebuilds the guide" grep -q "^build-guide: wrote" "$work/out.txt"
rm "$src"/0*.md
check "a folder without chapters fails" eval '! run && grep -q "no chapters" "$work/err.txt"'

# The real guide, with its kept pictures only.
real="$work/out/MeridaneGuide.pdf"
check "the guide of docs/guide builds" \
  eval '"${build[@]}" --out "$real" >"$work/real.txt" 2>"$work/real-err.txt"'
check "every picture of the guide has a kept copy" test ! -s "$work/real-err.txt"
text="$(pdf_text "$real")"
check "the guide's contents list the chapters with their page numbers" \
  eval 'grep -Eq "^Installing \.+ [0-9]+$" <<<"$text" && grep -Eq "^Messages and what to do \.+ [0-9]+$" <<<"$text"'
check "the guide lists the messages, with the missing-guide one" \
  eval 'tr "\n" " " <<<"$text" | grep -q "User guide not found, please reinstall"'

if [ "$failures" -gt 0 ]; then
  echo "guide-test: $failures check(s) failed" >&2
  exit 1
fi
echo "guide-test: all checks passed"
