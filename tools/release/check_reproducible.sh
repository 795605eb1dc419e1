#!/bin/sh
# Builds the release archive a second time from a clean clone of the current
# commit at another path and compares it, byte for byte, with dist/'s:
#   tools/release/check_reproducible.sh
# Run after ./make.sh release; takes as long as two Windows builds.
set -eu
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
version=$(sed -n 's/^project(OrveltKV VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
first="$source_dir/dist/orkv-effects-$version.zip"
[ -f "$first" ] || { echo "no $first: run ./make.sh release first" >&2; exit 2; }

clone=$(mktemp -d /tmp/orkv-reproduce.XXXXXX)
trap 'rm -rf "$clone"' EXIT
git clone -q "$source_dir" "$clone/src"
git -C "$clone/src" checkout -q "$(git -C "$source_dir" rev-parse HEAD)"
for preset in windows windows-x86; do
  cmake --preset "$preset" -S "$clone/src" >/dev/null
  cmake --build --preset "$preset" --target ORKVPhaser ORKVChorus ORKVFlanger ORKVFilter \
    ORKVCDelay ORKVTremolo orkv-render orkv-editor >/dev/null
done
(cd "$clone/src" && tools/release/make_release.sh build/windows/bin build/windows-x86/bin dist) \
  >/dev/null
second="$clone/src/dist/orkv-effects-$version.zip"
if cmp -s "$first" "$second"; then
  echo "reproducible: a second build gives the same archive ($(sha256sum <"$first" | cut -c1-16)...)"
else
  echo "NOT reproducible: the second build's archive differs:" >&2
  (cd "$clone" && mkdir a b && cd a && unzip -q "$first" && cd ../b && unzip -q "$second" &&
    cd .. && diff -rq a b) >&2 || true
  exit 1
fi
