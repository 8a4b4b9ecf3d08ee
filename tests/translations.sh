# Every text of the program that goes through the translation system has its English in
# translations/korvane_en.ts: lupdate, run over the sources into a copy, finds nothing new.
set -euo pipefail
tmp=$(mktemp -d "${TMPDIR:-/tmp}/korvane-ts.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
cp "$SRC_DIR/translations/korvane_en.ts" "$tmp/korvane_en.ts"
"$LUPDATE" -silent -no-obsolete -locations none "$SRC_DIR/src" -ts "$tmp/korvane_en.ts" >/dev/null
if grep -q 'type="unfinished"' "$tmp/korvane_en.ts"; then
  echo "FAIL: texts without an English translation:" >&2
  grep -B2 'type="unfinished"' "$tmp/korvane_en.ts" | grep '<source>' >&2
  exit 1
fi
echo "ok: $(grep -c '<translation>' "$tmp/korvane_en.ts") texts translated"
