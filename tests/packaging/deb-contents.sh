#!/bin/bash
# The four Debian packages read without installing them: each file in the
# package Debian users look for it in, the relations between them, the
# conffile, the manual pages against the program's own help, the service unit
# verified by systemd and its exposure measured.
#
#   deb-contents.sh DEB_FOLDER SOURCE_DIR
set -euo pipefail
debs=$1 source_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
triplet=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
status=0
fault() { echo "FAULT: $*"; status=1; }

deb_of() { ls "$debs"/"$1"_*.deb 2>/dev/null | head -1; }
for package in libquillet1 libquillet-dev quillet python3-quillet; do
  [ -n "$(deb_of $package)" ] || { echo "FAULT: no package $package in $debs"; exit 1; }
  mkdir -p "$work/$package"
  dpkg-deb -x "$(deb_of $package)" "$work/$package"
  dpkg-deb -e "$(deb_of $package)" "$work/$package.control"
  # The files of the package, without folders and Debian's own documents.
  (cd "$work/$package" && find . -not -type d | sed 's|^\./|/|' | grep -v "^/usr/share/doc/\|^/usr/share/lintian/" | sort) \
    >"$work/$package.files"
done
field() { dpkg-deb -f "$(deb_of "$1")" "$2"; }
version=$(field libquillet1 Version)

# Each package holds exactly its files.
expect() {
  local package=$1
  shift
  printf '%s\n' "$@" | sort >"$work/$package.expected"
  if ! diff -u "$work/$package.expected" "$work/$package.files" >"$work/$package.diff"; then
    fault "$package holds other files than expected (- expected, + found):"
    cat "$work/$package.diff"
  fi
}
lib=/usr/lib/$triplet
expect libquillet1 "$lib/libquillet.so.1" "$lib/libquillet.so.1.0.0" \
  "$lib/quillet/libquillet-office.so" "$lib/quillet/libquillet-pdf.so" "$lib/quillet/libquillet-plugkit.so" \
  "$lib/quillet/libfmtbridge.so" "$lib/quillet/quillet.dot"
expect libquillet-dev /usr/include/quillet/quillet.h "$lib/libquillet.so" "$lib/pkgconfig/quillet.pc" \
  "$lib/cmake/quillet/quilletConfig.cmake" "$lib/cmake/quillet/quilletConfigVersion.cmake" \
  "$lib/cmake/quillet/quilletTargets.cmake" \
  "$(cd "$work/libquillet-dev" && ls ."$lib"/cmake/quillet/quilletTargets-*.cmake | sed 's|^\.||')"
expect quillet /usr/bin/quillet /usr/share/man/man1/quillet.1.gz /usr/share/man/man1/quillet-serve.1.gz \
  /lib/systemd/system/quillet.service /etc/default/quillet
shipped=()
for f in "$source_dir"/python/quillet/*.py "$source_dir"/python/quillet/py.typed "$source_dir"/python/quillet/formats.json; do
  shipped+=("/usr/lib/python3/dist-packages/quillet/$(basename "$f")")
done
expect python3-quillet "${shipped[@]}"
for f in "$source_dir"/python/quillet/*.py; do
  cmp -s "$f" "$work/python3-quillet/usr/lib/python3/dist-packages/quillet/$(basename "$f")" ||
    fault "python3-quillet's $(basename "$f") differs from the sources"
done

# The relations: the library's users want its very version; the library
# answers dpkg-shlibdeps for libquillet.so.1; /etc/default/quillet is a conffile.
[[ "$(field libquillet-dev Depends)" == *"libquillet1 (= $version)"* ]] || fault "libquillet-dev does not depend on libquillet1 (= $version)"
[[ "$(field quillet Depends)" == *"libquillet1 (= $version)"* ]] || fault "quillet does not depend on libquillet1 (= $version)"
[[ "$(field python3-quillet Depends)" == *"libquillet1"* ]] || fault "python3-quillet does not depend on libquillet1"
[ "$(field python3-quillet Architecture)" = all ] || fault "python3-quillet is not Architecture: all"
[[ "$(field libquillet1 Depends)" == *libreoffice-writer* ]] || fault "libquillet1 does not depend on LibreOffice"
grep -qx "libquillet 1 libquillet1 (>= [0-9.]*)" "$work/libquillet1.control/shlibs" || fault "libquillet1's shlibs file: $(cat "$work/libquillet1.control/shlibs")"
grep -qx "/etc/default/quillet" "$work/quillet.control/conffiles" || fault "/etc/default/quillet is no conffile"
for script in postinst prerm; do
  if [ -f "$work/quillet.control/$script" ] && grep -q "enable\|start" "$work/quillet.control/$script"; then
    fault "quillet's $script enables or starts the service"
  fi
done

# The loader finds the library by its soname; the office stand-in finds
# LibreOffice's program folder from its private folder, where it is installed.
readelf -d "$work/libquillet1$lib/libquillet.so.1.0.0" | grep -q "SONAME.*\[libquillet.so.1\]" || fault "libquillet.so.1's soname"
runpath=$(readelf -d "$work/libquillet1$lib/quillet/libquillet-office.so" | sed -n 's/.*RUNPATH.*\[\(.*\)\]/\1/p')
# (The private folder exists only once installed: the path is resolved by its words.)
[ -d "$(realpath -m "${runpath//\$ORIGIN/$lib/quillet}")" ] || fault "libquillet-office.so's RUNPATH '$runpath' names no folder from $lib/quillet"
! readelf -d "$work/quillet/usr/bin/quillet" | grep -q "RPATH\|RUNPATH" || fault "/usr/bin/quillet carries a search path"

# The manual pages: named for what they describe, and each option the
# program's help lists is in them.
program="$work/quillet/usr/bin/quillet"
export LD_LIBRARY_PATH="$work/libquillet1$lib"
check_page() {
  local page=$1 name=$2
  shift 2
  MANWIDTH=200 man -l -P cat "$work/quillet/usr/share/man/man1/$page.1.gz" 2>"$work/man.err" >"$work/$page.txt" ||
    { fault "man cannot open $page.1.gz: $(cat "$work/man.err")"; return; }
  grep -q "^ *$name - " "$work/$page.txt" || fault "$page.1's NAME is not $name"
  local option
  for option in $("$program" "$@" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    grep -q -- "$option" "$work/$page.txt" || fault "$page.1 lacks $option of '$*'"
  done
}
check_page quillet quillet
check_page quillet-serve quillet-serve serve
unset LD_LIBRARY_PATH

# The unit: systemd reads every line of it (an unknown key or a bad value is
# only warned about, so any word from it is a fault) with the command it
# runs; its exposure is measured offline.
unit="$work/quillet/lib/systemd/system/quillet.service"
sed "s|/usr/bin/quillet|$program|" "$unit" >"$work/quillet.service"
if ! systemd-analyze verify --man=no "$work/quillet.service" >"$work/verify.log" 2>&1 || [ -s "$work/verify.log" ]; then
  fault "systemd-analyze verify: $(cat "$work/verify.log")"
fi
for setting in "DynamicUser=yes" "ProtectSystem=strict" "PrivateTmp=yes" "NoNewPrivileges=yes" "Restart=on-failure" \
               "EnvironmentFile=-/etc/default/quillet"; do
  grep -qx "$setting" "$unit" || fault "the unit lacks $setting"
done
grep -q "^MemoryMax=[0-9]" "$unit" || fault "the unit sets no MemoryMax"
grep -q '^ExecStart=/usr/bin/quillet serve $QUILLET_OPTIONS$' "$unit" || fault "the unit does not run quillet serve with QUILLET_OPTIONS"
grep -q '^QUILLET_OPTIONS=' "$work/quillet/etc/default/quillet" || fault "/etc/default/quillet sets no QUILLET_OPTIONS"
exposure=$(systemd-analyze security --offline=yes "$unit" 2>/dev/null | sed -n 's/.*Overall exposure level for quillet.service: \([0-9.]*\).*/\1/p')
[ -n "$exposure" ] || fault "systemd-analyze security measured no exposure"
# README.md gives the level; 4.0 and above is where systemd stops calling it OK.
awk -v e="${exposure:-10}" 'BEGIN { exit !(e < 4.0) }' || fault "the unit's exposure is $exposure, not below 4.0"
echo "exposure level of quillet.service: $exposure"

[ $status = 0 ] && echo "the four packages hold their files in Debian's places"
exit $status
