#!/usr/bin/env bash
# The Windows installer as a user meets it, under Wine: a silent per-user
# install (/S) puts the programs, the Start-menu folder and the uninstall
# entry (with its publisher) in place; the installed velotrack.exe runs; a
# silent uninstall leaves no file, shortcut or registry key behind.
# Runs in a copy of the windows preset's Wine prefix, so the tests' prefix
# is untouched. Builds the installer first when it is missing
# (scripts/package-windows.sh). Usage: scripts/windows-install-test.sh [SETUP.EXE]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
# Wine's windows need a display, even those a silent install never shows.
if [[ -z ${DISPLAY:-} && -z ${VT_INSTALL_TEST_DISPLAY:-} ]]; then
  VT_INSTALL_TEST_DISPLAY=1 exec xvfb-run -a "$0" "$@"
fi
version=$(sed -n 's/^project(velotrack VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
setup=${1:-build/windows/packages/velotrack-$version-setup.exe}
[[ -f $setup ]] || scripts/package-windows.sh >/dev/null
setup=$(realpath "$setup")
wine=/usr/lib/wine/wine64
wineserver=$(command -v wineserver64 || command -v wineserver || echo /usr/lib/wine/wineserver64)
base=${VT_WINE_BASE:-$root/build/wine-prefix}

work=$(mktemp -d)
# No menu entries on the host for the shortcuts (Wine's menu builder).
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
cleanup() {
  "$wineserver" -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
if [[ -d $base/drive_c ]]; then
  cp -a "$base" "$WINEPREFIX"
else
  "$wine" wineboot -i >/dev/null 2>&1
fi
"$wineserver" -w

fail() {
  echo "windows-install-test: $*" >&2
  exit 1
}
user_dir=$(ls -d "$WINEPREFIX"/drive_c/users/*/AppData/Local | grep -v /Public/ | head -1)
user_dir=${user_dir%/AppData/Local}
install_dir=$user_dir/AppData/Local/Programs/Velotrack
menu_dir="$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Velotrack"
# What is there before: every file of drive C and the Velotrack keys of the
# registry (none). The temporary folders aside: the uninstaller runs from a
# copy of itself there, which Windows removes at the next restart.
snapshot() {
  (cd "$WINEPREFIX/drive_c" &&
    find . \( -path './users/*/Temp' -o -path './users/*/AppData/Local/Temp' -o \
      -path ./windows/temp -o -path ./windows/Installer \) -prune -o -print | sort)
}
registry_keys() { grep -ih 'velotrack' "$WINEPREFIX"/*.reg || true; }
snapshot >"$work/before.txt"
[[ -z $(registry_keys) ]] || fail "the prefix already has Velotrack registry keys"

echo "installing silently: ${setup##*/}"
"$wine" "$setup" /S
"$wineserver" -w
for file in velotrack.exe velotrack-board.exe velotrack-panel.exe velotrack-help.txt windows.txt \
  uninstall.exe; do
  [[ -f $install_dir/$file ]] || fail "not installed: $file"
done
[[ -f "$menu_dir/Velotrack Configuration Panel.lnk" ]] || fail "no Start-menu shortcut"
grep -q '"Publisher"="Velotrack"' "$WINEPREFIX/user.reg" || fail "no Publisher in the uninstall entry"
grep -qi 'Velotrack' "$WINEPREFIX/system.reg" && fail "a per-user install wrote machine-wide keys"
if grep -q 'unix:/tmp\|XDG_DATA_HOME' "$install_dir/velotrack-help.txt"; then
  fail "the help text carries the Linux examples"
fi
grep -q 'LOCALAPPDATA' "$install_dir/velotrack-help.txt" || fail "the help text names no Windows folder"

echo "running the installed velotrack.exe"
"$wine" "$install_dir/velotrack.exe" --help >"$work/help.out" 2>&1 || fail "velotrack --help failed"
"$wine" "$install_dir/velotrack.exe" --board virtual info >"$work/info.out" 2>&1 ||
  { cat "$work/info.out" >&2; fail "velotrack --board virtual info failed"; }
[[ -s $work/info.out ]] || fail "velotrack info printed nothing"

echo "uninstalling silently"
"$wine" "$install_dir/uninstall.exe" /S
"$wineserver" -w  # the uninstaller runs from a copy of itself; wait for it
snapshot >"$work/after.txt"
if ! diff "$work/before.txt" "$work/after.txt" >"$work/diff.txt"; then
  cat "$work/diff.txt" >&2
  fail "the uninstall left files behind or removed others"
fi
[[ -z $(registry_keys) ]] || { registry_keys >&2; fail "registry keys left behind"; }
echo "windows-install-test: install, run and uninstall OK"
