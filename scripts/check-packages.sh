#!/usr/bin/env bash
# Checks the Debian packages that cpack made from a build tree: the expected
# packages and nothing else, each with its files and its dependencies, every
# installed file in exactly one package, pkg-config files naming the
# packages' prefix, and no RUNPATH in binaries for the system prefix.
# Usage: scripts/check-packages.sh BUILD_DIR PACKAGE_DIR
set -euo pipefail
build="$1"
packages="$2"

cache_value() {
  sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"
}
cpack_value() {
  sed -n "s/^set($1 \"\(.*\)\")$/\1/p" "$build/CPackConfig.cmake"
}
prefix="$(cache_value CMAKE_INSTALL_PREFIX)"
libdir="$(cache_value CMAKE_INSTALL_LIBDIR)"
incdir="$(cache_value CMAKE_INSTALL_INCLUDEDIR)"
bindir="$(cache_value CMAKE_INSTALL_BINDIR)"
with_gst="$(cache_value PIXOLAN_WITH_GSTREAMER)"
version="$(cpack_value CPACK_PACKAGE_VERSION)-$(cpack_value CPACK_DEBIAN_PACKAGE_RELEASE)"
runtime="$(cpack_value CPACK_DEBIAN_RUNTIME_PACKAGE_NAME)"
arch="$(dpkg --print-architecture)"
L=".${prefix}/${libdir}"
I=".${prefix}/${incdir}"
B=".${prefix}/${bindir}"

failures=0
fail() {
  echo "check-packages: $*" >&2
  failures=$((failures + 1))
}

expected=("$runtime" libpixolan-dev pixolan-tools tarvekresizerfilter)
case "$with_gst" in ON | TRUE | YES | 1) expected+=(gstreamer1.0-tarvekresizer) ;; esac

# ---- the package set -------------------------------------------------------------------
for deb in "$packages"/*.deb; do
  [ -e "$deb" ] || continue
  name="$(dpkg-deb --field "$deb" Package)"
  if [[ ! " ${expected[*]} " =~ " ${name} " ]]; then
    fail "unexpected package $(basename "$deb")"
  fi
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/root"

# need PACKAGE DEPENDS-REGEX...: each regex matches one entry of Depends.
declare -A contents_of
check_package() {
  local name="$1"
  shift
  local deb="$packages/${name}_${version}_${arch}.deb"
  if [ ! -f "$deb" ]; then
    fail "missing $(basename "$deb")"
    return
  fi
  [ "$(dpkg-deb --field "$deb" Version)" = "$version" ] || fail "$name: version is not $version"
  local depends
  depends="$(dpkg-deb --field "$deb" Depends)"
  echo "$name $version"
  echo "  Depends: ${depends:-(none)}"
  local entries
  entries="$(echo "$depends" | tr ',' '\n' | sed 's/^ *//')"
  for want in "${deps[@]}"; do
    grep -Eq "^(${want})( |$)" <<<"$entries" || fail "$name: no dependency matching '$want'"
  done
  contents_of[$name]="$(dpkg-deb --contents "$deb" | awk '{print $6}' | grep -v '/$' | sort)"
  for file in "${files[@]}"; do
    grep -Fxq "$file" <<<"${contents_of[$name]}" || fail "$name: lacks $file"
  done
  for pattern in "${forbidden[@]}"; do
    if grep -Eq "$pattern" <<<"${contents_of[$name]}"; then
      fail "$name: holds files matching '$pattern'"
    fi
  done
  dpkg-deb -x "$deb" "$work/root"
}

ours="${runtime} \(= ${version//./\\.}\)"

deps=("libc6" "libstdc\+\+6" "libopencv-core[0-9.]*" "libtbb[0-9]*" "liblapacke" "libopenblas[0-9]*")
files=("$L/libpixolan.so.0" "$L/libtarvekmath.so.0" "$L/libpixolan-general.so.0")
forbidden=("^\./${prefix#/}/${incdir}/" "\.so$")
check_package "$runtime"
for lib in libpixolan libtarvekmath libpixolan-general; do
  dpkg-deb --info "$packages/${runtime}_${version}_${arch}.deb" shlibs 2>/dev/null |
    grep -Eq "^${lib} [0-9]+ ${runtime} " || fail "$runtime: its shlibs file does not name $lib"
done

deps=("$ours" "libopencv-dev" "libboost-dev")
files=("$I/pixolan/pixolan.h" "$I/pixolan/platform/WinBitmap.h" "$I/pixolan/platform/WinCom.h"
  "$I/pixolan/platform/WinGdi.h" "$I/tarvekmath/tarvekmath.h"
  "$I/general/general.h" "$L/libpixolan.so" "$L/libtarvekmath.so" "$L/libpixolan-general.so"
  "$L/cmake/pixolan/pixolanConfig.cmake" "$L/cmake/pixolan/pixolanTargets.cmake"
  "$L/pkgconfig/pixolan.pc" "$L/pkgconfig/tarvekmath.pc" "$L/pkgconfig/pixolan-general.pc")
forbidden=("\.so\.[0-9]" "/${incdir}/tarvek/")
check_package libpixolan-dev

deps=("$ours" "libc6" "libopencv-core[0-9.]*")
files=("$B/pixolan")
forbidden=("^\./${prefix#/}/${libdir}/")
check_package pixolan-tools

deps=("$ours" "libpixolan-dev" "libc6")
files=("$L/tarvekresizerfilter.so" "$I/tarvek/resizer/ITarvekResizer13.h" "$I/tarvek/dshow/Com.h"
  "$I/tarvek/dshow/WinTypes.h")
forbidden=("/${incdir}/(pixolan|tarvekmath|general)/" "/lib[^/]*\.so")
check_package tarvekresizerfilter

if [[ " ${expected[*]} " =~ " gstreamer1.0-tarvekresizer " ]]; then
  deps=("libgstreamer1\.0-0" "libgstreamer-plugins-base1\.0-0" "libtbb[0-9]*")
  files=("$L/gstreamer-1.0/libgsttarvekresizer.so")
  forbidden=("^\./${prefix#/}/${incdir}/")
  check_package gstreamer1.0-tarvekresizer
fi

# ---- every installed file in exactly one package ---------------------------------------------
all="$(printf '%s\n' "${contents_of[@]}" | sort)"
duplicates="$(uniq -d <<<"$all")"
[ -z "$duplicates" ] || fail "files in more than one package: $duplicates"
DESTDIR="$work/install" cmake --install "$build" --prefix "$prefix" >/dev/null
installed="$(cd "$work/install" && find . \( -type f -o -type l \) | sort)"
missing="$(comm -23 <(echo "$installed") <(echo "$all"))"
[ -z "$missing" ] || fail "installed but in no package: $missing"

# ---- what the files say about where they are -----------------------------------------------
for pc in pixolan tarvekmath pixolan-general; do
  file="$work/root/${prefix#/}/${libdir}/pkgconfig/$pc.pc"
  if [ -f "$file" ]; then
    grep -Fxq "prefix=$prefix" "$file" || fail "$pc.pc does not name the prefix $prefix"
  fi
done
if [ "$prefix" = "/usr" ]; then
  while IFS= read -r -d '' elf; do
    if readelf -d "$elf" 2>/dev/null | grep -Eq '\((RUNPATH|RPATH)\)'; then
      fail "${elf#"$work/root"} carries a RUNPATH"
    fi
  done < <(find "$work/root" -type f \( -name '*.so*' -o -path "*/${bindir}/*" \) -print0)
fi

if [ "$failures" -ne 0 ]; then
  echo "check-packages: $failures problem(s)" >&2
  exit 1
fi
echo "check-packages: ${#expected[@]} packages in order"
