#!/usr/bin/env bash
# Makes the Debian package from a build folder that is already built and
# checks it: lintian must report no errors, and the desktop entry must pass
# desktop-file-validate. CI passes build/debug, which the tests have built
# just before, so only the packaging itself runs here; a release package is
# `scripts/package-debian.sh build/release`.
#   scripts/package-debian.sh [BUILD_DIR]     (default build/debug)
# The package is left in BUILD_DIR/packages/.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/debug}
if [ ! -f "$build/CMakeCache.txt" ]; then
  echo "error: $build is not a configured build folder (cmake --preset debug first)" >&2
  exit 2
fi
started=$(date +%s)

# cpack brings the build up to date first (nothing to do after the tests)
# and installs the panel component into a staging folder.
rm -rf "$build/packages"
(cd "$build" && cpack -G DEB -B "$PWD/packages" >/dev/null)
deb=$(ls "$build"/packages/*.deb)
echo "package: $deb ($(du -k "$deb" | cut -f1) KiB)"

# Errors fail the step; warnings are printed for whoever looks.
lintian_status=0
lintian_out=$(lintian --fail-on error --tag-display-limit 0 "$deb" 2>&1) || lintian_status=$?
printf '%s\n' "$lintian_out" | grep -v -e "root privileges" -e '^$' || true
if [ "$lintian_status" -ne 0 ]; then
  echo "error: lintian reports errors in $deb" >&2
  exit 1
fi

staging=$(mktemp -d)
trap 'rm -rf "$staging"' EXIT
dpkg-deb -x "$deb" "$staging"
for entry in "$staging"/usr/share/applications/*.desktop; do
  desktop-file-validate "$entry"
done
echo "package checks passed in $(($(date +%s) - started)) s"
