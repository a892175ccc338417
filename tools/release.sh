#!/usr/bin/env bash
# Makes a release from scratch into build/release/: setup.exe (32-bit Windows,
# the one download), setup-x64.exe (64-bit Windows) and SHA256SUMS, which
# `sha256sum -c SHA256SUMS` checks. The same commit gives the same bytes on any
# machine, in any folder, at any time.
#
#   tools/release.sh [--pack DIR]
#
# --pack DIR  the image pack setup carries: a folder with a pack.ini and the BMP
#             pictures it lists (tools/image_pack.py describes the format);
#             without it, "Northern Lights".
# With SIGN_PKCS12 (and SIGN_PASSWORD, SIGN_TIMESTAMP_URL) in the environment,
# every program is signed (tools/sign_program.py): the screen saver, the
# companion and the uninstaller before setup packs them, then both setups.
# With SIGN_FROM_RELEASE=DIR instead, each program takes the signature of its
# copy in the published setups in DIR, which fits only the very same bytes.
# A broken pack or certificate is refused before anything is built; a failed
# release leaves no build/release at all.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
pack=""
while [ $# -gt 0 ]; do
  case "$1" in
    --pack) [ $# -ge 2 ] || { echo "release: --pack needs a folder" >&2; exit 2; }
            pack=$(cd "$2" 2>/dev/null && pwd) || { echo "release: $2: no such folder" >&2; exit 1; }
            shift 2 ;;
    *) echo "usage: tools/release.sh [--pack DIR]" >&2; exit 2 ;;
  esac
done
"$root/tools/deps.sh"

if [ -n "$pack" ]; then
  python3 "$root/tools/image_pack.py" check "$pack" ||
    { echo "release: the image pack is refused; nothing was built" >&2; exit 1; }
fi
sign=()
if [ -n "${SIGN_PKCS12:-}${SIGN_FROM_RELEASE:-}" ]; then
  # The builds sign in their own folders: the files are named from anywhere.
  [ -n "${SIGN_PKCS12:-}" ] && export SIGN_PKCS12=$(realpath -m "$SIGN_PKCS12")
  [ -n "${SIGN_FROM_RELEASE:-}" ] && export SIGN_FROM_RELEASE=$(realpath -m "$SIGN_FROM_RELEASE")
  "$root/tools/sign_program.py" --check ||
    { echo "release: cannot sign; nothing was built" >&2; exit 1; }
  sign=(-DSETUP_SIGN_COMMAND="$root/tools/sign_program.py")
fi
work=$root/build/release-work
out=$root/build/release
[ "${SIGN_FROM_RELEASE:-}" != "$out" ] ||
  { echo "release: SIGN_FROM_RELEASE must name a folder other than $out, which a release replaces" >&2; exit 1; }
rm -rf "$out" "$out.part" "$work"
mkdir -p "$work"
if [ -z "$pack" ]; then
  echo "release: drawing the Northern Lights image pack"
  pack=$work/northern_lights
  python3 "$root/tools/make_image_pack.py" "$pack"
fi

# Both setups at once, each with half the processors: configuring runs alone.
jobs=$(( ($(nproc) + 1) / 2 ))
build_target() {
  local arch=$1
  cmake -S "$root" -B "$work/$arch" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch-mingw.cmake" \
    -DSETUP_IMAGE_PACK="$pack" "${sign[@]+"${sign[@]}"}" >"$work/$arch.log" 2>&1 &&
    cmake --build "$work/$arch" --target setup -j"$jobs" >>"$work/$arch.log" 2>&1
}
echo "release: building setup for i686 and x86_64 (logs in $work)"
build_target i686 & i686=$!
build_target x86_64 & x86_64=$!
failed=""
wait $i686 || failed="i686"
wait $x86_64 || failed="$failed x86_64"
if [ -n "$failed" ]; then
  for arch in $failed; do
    echo "release: the $arch build failed; the end of $work/$arch.log:" >&2
    tail -n 25 "$work/$arch.log" >&2
  done
  rm -rf "$work/i686" "$work/x86_64"  # nothing half-signed stays behind
  exit 1
fi

mkdir "$out.part"
cp "$work/i686/setup.exe" "$out.part/setup.exe"
cp "$work/x86_64/setup.exe" "$out.part/setup-x64.exe"
(cd "$out.part" && sha256sum setup.exe setup-x64.exe >SHA256SUMS)
mv "$out.part" "$out"
rm -rf "$work/i686" "$work/x86_64" "$work/northern_lights"

if [ -n "${SIGN_FROM_RELEASE:-}" ]; then
  echo "release: signed with the signatures of the release in $SIGN_FROM_RELEASE"
elif [ ${#sign[@]} -gt 0 ]; then
  echo "release: signed with the certificate in $SIGN_PKCS12"
else
  echo "release: UNSIGNED (no SIGN_PKCS12 given)"
fi
for f in setup.exe setup-x64.exe SHA256SUMS; do
  printf 'release: %s  %s bytes\n' "$out/$f" "$(stat -c %s "$out/$f")"
done
cat "$out/SHA256SUMS"
