# The Debian package built from this build folder: its name, files, computed library
# dependencies, the recommended SoundFont, a metainfo file AppStream accepts and a valid
# desktop entry.
set -euo pipefail
tmp=$(mktemp -d "${TMPDIR:-/tmp}/korvane-deb.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$BUILD_DIR/CPackConfig.cmake" -G DEB -B "$tmp" >"$tmp/cpack.log" 2>&1 ||
  { cat "$tmp/cpack.log" >&2; fail "cpack failed"; }
deb="$tmp/korvane_${VERSION}_amd64.deb"
[ -f "$deb" ] || fail "no $(basename "$deb"): $(ls "$tmp")"

dpkg-deb -c "$deb" | awk '{print $NF}' >"$tmp/files"
expected=(./usr/bin/korvane ./usr/share/applications/korvane.desktop
  ./usr/share/metainfo/org.korvane.Korvane.metainfo.xml ./usr/share/man/man1/korvane.1.gz
  ./usr/share/icons/hicolor/scalable/apps/korvane.svg)
for size in 16 24 32 48 64 128 256; do
  expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/korvane.png")
done
for f in "${expected[@]}"; do grep -qx -- "$f" "$tmp/files" || fail "missing $f"; done
# Nothing of the build or the tests.
grep -Eq 'test|bench|capture|\.a$|/include/' "$tmp/files" && fail "stray files: $(cat "$tmp/files")"

depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libfluidsynth3 librtmidi6 libjack-jackd2-0 libc6; do
  grep -Eq "(^|, )$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
[ "$(dpkg-deb -f "$deb" Recommends)" = "fluid-soundfont-gm | timgm6mb-soundfont" ] ||
  fail "Recommends: $(dpkg-deb -f "$deb" Recommends)"

dpkg-deb -x "$deb" "$tmp/root"
appstreamcli validate --no-net "$tmp/root/usr/share/metainfo/org.korvane.Korvane.metainfo.xml" ||
  fail "appstreamcli rejects the metainfo file"
desktop="$tmp/root/usr/share/applications/korvane.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the desktop entry"
grep -q '^Categories=AudioVideo;Audio;Midi;$' "$desktop" || fail "desktop entry categories"
echo "ok: $(stat -c %s "$deb") bytes; Depends: $depends"
