#!/bin/sh
# Packs the built libraries and programs of both architectures into one archive:
#   make_release.sh <x64 bin dir> <x86 bin dir> <output dir>
# writes <output dir>/orkv-effects-<version>.zip and prints its path. The same
# inputs always give the same bytes: fixed file order, time stamps (the last
# commit's time) and permissions, and no extra attributes.
set -eu
[ $# -eq 3 ] || { echo "usage: $0 <x64 bin dir> <x86 bin dir> <output dir>" >&2; exit 2; }
x64_bin=$1
x86_bin=$2
mkdir -p "$3"
out_dir=$(cd "$3" && pwd)
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
here="$source_dir/tools/release"

version=$(sed -n 's/^project(OrveltKV VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
[ -n "$version" ] || { echo "no version in CMakeLists.txt" >&2; exit 1; }
name="orkv-effects-$version"
stamp=$(git -C "$source_dir" log -1 --format=%ct 2>/dev/null || echo 946684800)

libraries="ORKVPhaser ORKVChorus ORKVFlanger ORKVFilter ORKVCDelay ORKVTremolo"
programs="orkv-render orkv-editor"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stage="$work/files"
list="$work/list"
mkdir "$stage"

# Windows tools expect CR LF line ends in scripts and text files.
crlf() { sed 's/\r$//; s/$/\r/'; }

# register.cmd.in as install.cmd or uninstall.cmd of one architecture.
script() {
  arch=$1 arch_text=$2 title=$3 unregister=$4 verb=$5 failed=$6 refused=$7 done=$8
  sed -e "s|@ARCH@|$arch|g" -e "s|@ARCH_TEXT@|$arch_text|g" -e "s|@TITLE@|$title|g" \
      -e "s|@UNREGISTER@|$unregister|g" -e "s|@VERB@|$verb|g" -e "s|@FAILED@|$failed|g" \
      -e "s|@REFUSED@|$refused|g" -e "s|@DONE@|$done|g" "$here/register.cmd.in" | crlf
}
admin="run this script as administrator (right-click it, Run as administrator)"

for arch in x64 x86; do
  if [ "$arch" = x64 ]; then bin=$x64_bin arch_text="64-bit"; else bin=$x86_bin arch_text="32-bit"; fi
  mkdir -p "$stage/$arch"
  for file in $libraries; do cp "$bin/$file.dll" "$stage/$arch/"; done
  for file in $programs; do cp "$bin/$file.exe" "$stage/$arch/"; done
  script "$arch" "$arch_text" "Installs" "" "Registered" "Registering" \
    "it could not write its registry entries: $admin" \
    "The six $arch_text effects are installed; they stay in this folder, so keep it." \
    >"$stage/$arch/install.cmd"
  script "$arch" "$arch_text" "Uninstalls" "/u " "Unregistered" "Unregistering" \
    "it is not installed, or could not remove its registry entries: $admin" \
    "The six $arch_text effects are uninstalled; this folder can now be deleted." \
    >"$stage/$arch/uninstall.cmd"
done
mkdir -p "$stage/include"
cp "$source_dir/core/orkv_effects.h" "$stage/include/"
sed "s/@VERSION@/$version/g" "$here/README.txt.in" | crlf >"$stage/README.txt"

(
  cd "$stage"
  LC_ALL=C find . -type f | sed 's|^\./||' | LC_ALL=C sort >"$list"
  xargs sha256sum <"$list" >SHA256SUMS
  echo SHA256SUMS >>"$list"
  LC_ALL=C find . -type d -exec chmod 755 {} + -o -type f -exec chmod 644 {} +
  find . -exec touch -h -d "@$stamp" {} +
  archive="$out_dir/$name.zip"
  rm -f "$archive"
  # -X: no extra attributes (owner, extended time stamps); -D: no folder entries.
  TZ=UTC zip -q -X -D -9 "$archive" -@ <"$list"
  echo "$archive"
)
