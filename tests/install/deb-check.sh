#!/usr/bin/env bash
# The Debian package from the outside: its control fields and files, the validators
# (AppStream, desktop entry, lintian), and the program unpacked into an empty folder,
# which answers --version, opens its window on an X server and fills the address from
# a postal code with the table it was packaged with.
# Usage: deb-check.sh <folder holding the package>   (make deb-check)
set -euo pipefail

dist=${1:?usage: deb-check.sh <folder holding the package>}
readme="$(dirname "$0")/../../README.md"

fail() { echo "FAIL: $*" >&2; exit 1; }
ok() { echo "ok: $*"; }

shopt -s nullglob
debs=("$dist"/mekira_*.deb)
[ ${#debs[@]} -eq 1 ] || fail "one mekira_*.deb expected in $dist, found ${#debs[@]}"
deb=${debs[0]}
field() { dpkg-deb -f "$deb" "$1"; }
version=$(field Version)
arch=$(field Architecture)

work=$(mktemp -d)
xvfb_pid=
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# --- Name and control fields ------------------------------------------------------------
[ "$(basename "$deb")" = "mekira_${version}_${arch}.deb" ] || fail "file name $(basename "$deb")"
[ "$arch" = "$(dpkg --print-architecture)" ] || fail "architecture $arch"
[ "$(field Package)" = mekira ] || fail "Package: $(field Package)"
[ "$(field Section)" = misc ] || fail "Section: $(field Section)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[[ "$(field Homepage)" == https://* ]] || fail "Homepage: $(field Homepage)"
description=$(field Description)
grep -q 'Yu-Pack' <<<"$description" || fail "no English description"
grep -q 'ゆうパックの送り状' <<<"$description" || fail "no Japanese description"
ok "mekira_${version}_${arch}.deb: name, section, maintainer, homepage, description"

# The names in a relation field, one a line, without versions.
names() { tr ',|' '\n\n' <<<"$1" | sed 's/(.*//; s/[[:space:]]//g' | sed '/^$/d'; }
depends=$(names "$(field Depends)")
# Qt and CUPS as dpkg-shlibdeps finds them in the binary (libqt6gui6 carries the xcb
# platform plugin), then what the program loads by name.
for package in libc6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 libqt6network6 \
  libqt6sql6 libcups2 libqt6sql6-sqlite libqt6sql6-psql fonts-ipafont-gothic fonts-ipafont-mincho \
  fonts-ipamj-mincho fonts-dejavu-core qt6-translations-l10n; do
  grep -qx "$package" <<<"$depends" || fail "Depends lacks $package: $(field Depends)"
done
# A version bound shows the dependency came from the shared-library tables.
grep -q 'libqt6core6 (>= ' <<<"$(field Depends)" || fail "libqt6core6 without a version: shlibdeps not run"
grep -qx cups <<<"$(names "$(field Recommends)")" || fail "Recommends lacks cups"
ok "Depends: Qt, CUPS, the SQL drivers, the fonts, Qt's translations; Recommends: cups"

# --- Files ----------------------------------------------------------------------------------
files=$(dpkg-deb -c "$deb" | awk '{print $6}')
for path in ./usr/bin/mekira ./usr/bin/mekira-desktop ./usr/share/applications/mekira.desktop \
  ./usr/share/icons/hicolor/scalable/apps/mekira.svg ./usr/share/icons/hicolor/48x48/apps/mekira.png \
  ./usr/share/icons/hicolor/256x256/apps/mekira.png ./usr/share/mekira/postal.bin \
  ./usr/share/doc/mekira/copyright ./usr/share/doc/mekira/changelog.gz; do
  grep -qx "$path" <<<"$files" || fail "the package lacks $path"
done
metainfo=$(grep -x './usr/share/metainfo/.*\.metainfo\.xml' <<<"$files") || fail "no metainfo file"
outside=$(grep -v -e '^\./$' -e '^\./usr/' <<<"$files" || true)
[ -z "$outside" ] || fail "files outside /usr: $outside"
ok "files: program, launcher, desktop entry, icons, postal table, metainfo, copyright"

# --- Validators -----------------------------------------------------------------------------
root=$work/root
dpkg -x "$deb" "$root"
appstreamcli validate --no-net "$root/$metainfo" || fail "appstreamcli validate"
desktop_entry=$root/usr/share/applications/mekira.desktop
out=$(desktop-file-validate "$desktop_entry") || fail "desktop-file-validate: $out"
[ -z "$out" ] || fail "desktop-file-validate: $out"
grep -qx 'Exec="/usr/bin/mekira-desktop" %F' "$desktop_entry" || fail "Exec does not name /usr/bin/mekira-desktop"
grep -qx 'MimeType=text/csv;text/tab-separated-values;' "$desktop_entry" || fail "no CSV/TSV in MimeType"
ok "appstreamcli validate, desktop-file-validate"

# No errors; every warning that stays is explained in the README.
report=$(lintian --tag-display-limit 0 "$deb" 2>&1 || true)
errors=$(grep '^E: ' <<<"$report" || true)
[ -z "$errors" ] || fail "lintian errors:"$'\n'"$errors"
for tag in $(sed -n 's/^W: mekira[^:]*: \([^ ]*\).*/\1/p' <<<"$report" | sort -u); do
  grep -q -- "\`$tag\`" "$readme" || fail "lintian warning $tag is not explained in the README"$'\n'"$report"
done
ok "lintian: no errors, the warnings are explained in the README"

# --- The unpacked program ----------------------------------------------------------------
program=$root/usr/bin/mekira
[ "$("$program" --version)" = "mekira $version" ] || fail "--version: $("$program" --version)"
"$program" --help | grep -q -- '--version' || fail "--help lists no --version"
ok "--version prints $version, --help lists the options"

# An X server of its own; -displayfd names a free display.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=:$(cat "$work/display")

# Starts the unpacked program in an empty working folder with a temporary HOME, types
# 1510053 into the postal code and Tab, then ends it through F2 and its question. The
# question's window proves the keys before it were handled; the settings file the
# program saves on leaving holds the fields. Prints the address field's line.
address_after_postal_code() {
  local run=$1 folder=$work/$1
  mkdir -p "$folder/home" "$folder/runtime"
  chmod 700 "$folder/runtime"
  printf '\r\n\r\n\r\n\r\n\r\n' >"$folder/my0.txt" # a sender profile: no first-start box
  (cd "$folder" && HOME=$folder/home XDG_RUNTIME_DIR=$folder/runtime QT_QPA_PLATFORM=xcb \
    exec "$program" >"$folder/output" 2>&1) &
  local pid=$!
  local window
  window=$(timeout 30 xdotool search --sync --onlyvisible --name "ver${version}\$" | head -1) \
    || fail "$run: no window titled with version $version"
  xdotool windowfocus --sync "$window"
  xdotool type --delay 30 1510053
  xdotool key Tab F2
  local question
  question=$(timeout 30 xdotool search --sync --onlyvisible --name 'RErorezev$' | head -1) \
    || fail "$run: F2 asked nothing"
  xdotool windowfocus --sync "$question"
  xdotool key Return
  timeout 30 tail --pid="$pid" -f /dev/null || fail "$run: the program did not end"
  wait "$pid" || fail "$run: the program ended with an error: $(cat "$folder/output")"
  [ -f "$folder/mekira_RErorezev.ini" ] || fail "$run: no settings saved"
  iconv -f CP932 -t UTF-8 "$folder/mekira_RErorezev.ini" | tr -d '\r' | grep '^E_AD1='
}

[ "$(address_after_postal_code packaged)" = 'E_AD1=東京都渋谷区代々木' ] \
  || fail "1510053 did not give 東京都渋谷区代々木"
ok "the unpacked program opens its window and fills 東京都渋谷区代々木 from 1510053"

# Without the table beside it the same program fills nothing: the address above came
# from the package, not from a build folder on this machine.
rm "$root/usr/share/mekira/postal.bin"
[ "$(address_after_postal_code without-table)" = 'E_AD1=' ] \
  || fail "an address was filled without the packaged postal table"
ok "without its postal table the unpacked program fills nothing"
