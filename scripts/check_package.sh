#!/usr/bin/env bash
# Checks a built Debian package without installing it: its fields and the files it holds, the
# desktop entry and AppStream metadata validated, the programs' hardening, and the programs run
# from the unpacked files.
#   scripts/check_package.sh build/package/keyloft_<version>_<arch>.deb
set -euo pipefail
deb="$1"
app_id=org.keyloft.Keyloft
failures=0
fail() { echo "check_package: $*" >&2; failures=$((failures + 1)); }

echo "== $deb"
dpkg-deb --field "$deb"
for field in Package Version Architecture Maintainer Depends Description; do
  [ -n "$(dpkg-deb --field "$deb" "$field")" ] || fail "the package has no $field field"
done
[ "$(dpkg-deb --field "$deb" Package)" = keyloft ] || fail "the package is not named keyloft"
dpkg-deb --field "$deb" Depends | grep -q libqt6widgets6 || fail "Depends lacks the libraries dpkg-shlibdeps finds"

listing=$(dpkg-deb --contents "$deb" | awk '{print $6}' | sed 's|^\./|/|')
echo "== contents"
echo "$listing" | grep -v '/$'
for file in \
  /usr/bin/keyloft \
  /usr/bin/keyloft-cli \
  /usr/share/applications/$app_id.desktop \
  /usr/share/icons/hicolor/scalable/apps/$app_id.svg \
  /usr/share/icons/hicolor/48x48/apps/$app_id.png \
  /usr/share/icons/hicolor/128x128/apps/$app_id.png \
  /usr/share/metainfo/$app_id.metainfo.xml \
  /usr/share/keyloft/Keyloft.html \
  /usr/share/keyloft/welcome2.gif \
  /usr/share/man/man1/keyloft.1.gz \
  /usr/share/man/man1/keyloft-cli.1.gz; do
  echo "$listing" | grep -qx "$file" || fail "missing from the package: $file"
done

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
usr="$root/usr"

echo "== validation"
desktop-file-validate "$usr/share/applications/$app_id.desktop" || fail "desktop-file-validate refused the desktop entry"
appstreamcli validate --no-net "$usr/share/metainfo/$app_id.metainfo.xml" || fail "appstreamcli refused the metadata"
for size in 48 128; do
  file "$usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png" | grep -q "PNG image data, $size x $size" ||
    fail "the ${size}x${size} icon is not a PNG of that size"
done
for page in keyloft keyloft-cli; do
  { zcat "$usr/share/man/man1/$page.1.gz" 2>/dev/null || true; } | grep -q '^\.TH' ||
    fail "$page.1.gz is not a compressed manual page"
done

echo "== hardening"
# The flags of a release build (see CMakeLists.txt): PIE, stack protector, fortified calls, RELRO
# and immediate binding, as Debian's hardening-check finds them. Control-flow protection is built in
# (-fcf-protection) but cannot show: Debian 12's C start files carry no CET marking, so no program
# linked there has the marking hardening-check looks for (not even /usr/bin/ls).
for program in keyloft keyloft-cli; do
  hardening-check --nocfprotection "$usr/bin/$program" || fail "$program lacks hardening (build it as a release build)"
done

echo "== the unpacked programs"
version=$(dpkg-deb --field "$deb" Version)
home=$(mktemp -d -p "$root")   # no program run here reaches the user's own settings
run() { env HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home" "$@"; }
out=$(run "$usr/bin/keyloft-cli" --version) || fail "keyloft-cli --version failed"
echo "keyloft-cli --version: $out"
[ "$out" = "$version" ] || fail "keyloft-cli --version says \"$out\", the package is $version"
out=$(run "$usr/bin/keyloft-cli" generate) || fail "keyloft-cli generate failed"
echo "keyloft-cli generate: $out"
echo "$out" | grep -Eqx '[A-Za-z0-9]{7}' || fail "keyloft-cli generate printed \"$out\""
out=$(run "$usr/bin/keyloft-cli" generate --length 24 --symbols) || fail "keyloft-cli generate --symbols failed"
echo "keyloft-cli generate --length 24 --symbols: $out"
[ ${#out} -eq 24 ] || fail "keyloft-cli generate --length 24 printed ${#out} characters"
out=$(run env QT_QPA_PLATFORM=offscreen "$usr/bin/keyloft" --version) || fail "keyloft --version failed"
echo "keyloft --version: $out"
[ "$out" = "Keyloft $version" ] || fail "keyloft --version says \"$out\""

if [ "$failures" -ne 0 ]; then
  echo "check_package: $failures check(s) failed" >&2
  exit 1
fi
echo "check_package: ok"
