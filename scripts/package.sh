#!/usr/bin/env bash
# Builds the release vendrit.exe (MinGW-w64, optimised, statically linked,
# stripped) and packs it with the user's readme.txt (Shift_JIS, CR LF) into
# vendrit-<version>.zip, with SHA256SUMS beside it.  The same commit gives the
# same bytes whatever the build directory and the time of the build.
#   scripts/package.sh [BUILD_DIR [DIST_DIR]]   (defaults: build/package, dist)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(mkdir -p "${1:-$top/build/package}" && cd "${1:-$top/build/package}" && pwd)
dist=$(mkdir -p "${2:-$top/dist}" && cd "${2:-$top/dist}" && pwd)
cd "$top"

version=$(sed -n 's/^#define VENDRIT_VERSION_TEXT "\(.*\)"$/\1/p' res/version.h)
[ -n "$version" ] || { echo "package: no version in res/version.h" >&2; exit 1; }
zip_name="vendrit-$version.zip"

# No link time stamp in the PE header, no symbols, and neither the source
# nor the build directory in anything the compiler emits.
cmake -S . -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DVENDRIT_TESTS=OFF \
  -DCMAKE_C_FLAGS="-ffile-prefix-map=$top=. -ffile-prefix-map=$build=build" \
  -DCMAKE_CXX_FLAGS="-ffile-prefix-map=$top=. -ffile-prefix-map=$build=build" \
  -DCMAKE_EXE_LINKER_FLAGS="-s -Wl,--no-insert-timestamp" >/dev/null
# From scratch every time: the resource compiler reports no header
# dependencies, so an incremental build could keep an old version resource.
cmake --build "$build" --target vendrit --clean-first -j "${JOBS:-$(nproc)}"

# The zip's entries carry the commit's time (UTC), so that the file dates a
# user sees are those of the release and not of the build.
stamp=$(TZ=UTC git log -1 --format=%cd --date=format-local:%Y%m%d%H%M.%S 2>/dev/null || echo 202601010000.00)
stage="$build/stage"
rm -rf "$stage"
mkdir -p "$stage"
cp "$build/vendrit.exe" "$stage/vendrit.exe"
# The user's text is kept in UTF-8 with LF; Windows users read Shift_JIS
# with CR LF.  iconv stops on a character that Shift_JIS cannot hold.
iconv -f UTF-8 -t CP932 docs/readme.txt | LC_ALL=C sed 's/$/\r/' >"$stage/readme.txt"
chmod 0644 "$stage/vendrit.exe" "$stage/readme.txt"
TZ=UTC touch -t "$stamp" "$stage/vendrit.exe" "$stage/readme.txt"

rm -f "$dist/$zip_name" "$dist/SHA256SUMS"
# -X: no extra fields (owner ids, exact times); -D: no directory entries.
(cd "$stage" && TZ=UTC zip -q -X -D -9 "$dist/$zip_name" vendrit.exe readme.txt)
(cd "$dist" && sha256sum "$zip_name" >SHA256SUMS)
echo "package: $dist/$zip_name"
(cd "$stage" && sha256sum vendrit.exe readme.txt)
cat "$dist/SHA256SUMS"
