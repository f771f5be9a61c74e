#!/usr/bin/env bash
# Installs a built tree into a temporary prefix, checks the layout a desktop expects, then
# builds the Debian package and checks its contents and dependencies.
# Usage: check_install.sh BUILD_DIR
set -uo pipefail

build=${1:?usage: check_install.sh BUILD_DIR}
build=$(cd "$build" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0

fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
need_file() { [ -s "$1" ] || fail "missing or empty: ${1#"$tmp"/}"; }

# Check what this build made: the batch command and its man page are optional.
has_export=0
[ -x "$build/brinewick-export" ] && has_export=1
has_man=0
[ "$has_export" = 1 ] && ls "$build"/brinewick-export.1* >/dev/null 2>&1 && has_man=1

# --- install tree ---
prefix=$tmp/prefix
cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" 2>&1 \
  || { cat "$tmp/install.log" >&2; fail "cmake --install"; }

[ -x "$prefix/bin/brinewick" ] || fail "bin/brinewick is not an executable"
desktop=$prefix/share/applications/brinewick.desktop
need_file "$desktop"
need_file "$prefix/share/mime/packages/brinewick.xml"
need_file "$prefix/share/icons/hicolor/scalable/apps/brinewick.svg"
samples=$(find "$prefix/share/brinewick/Data" -maxdepth 1 -type f 2>/dev/null | wc -l)
[ "$samples" -ge 1 ] || fail "no sample logs in share/brinewick/Data"
for f in "$build"/Data/*; do
  [ -e "$f" ] || continue
  cmp -s "$f" "$prefix/share/brinewick/Data/$(basename "$f")" || fail "sample differs or missing: $(basename "$f")"
done

# The program looks for the samples at ../share/brinewick/Data/ from its own folder.
[ -d "$prefix/bin/../share/brinewick/Data" ] || fail "samples are not at ../share/brinewick/Data from bin"

# The entry must start the program with the chosen file and find its icon by name.
for line in 'Type=Application' 'Name=Brinewick' 'Exec=brinewick %f' 'Icon=brinewick' \
            'Terminal=false'; do
  grep -qx "$line" "$desktop" || fail "desktop entry lacks '$line'"
done
grep -q '^Categories=Science;Education;' "$desktop" || fail "desktop entry categories"
grep -q '^Comment=.' "$desktop" || fail "desktop entry has no Comment"
# Every type the entry claims must be declared by the MIME package, with a glob.
mimes=$(sed -n 's/^MimeType=//p' "$desktop" | tr ';' ' ')
[ -n "$mimes" ] || fail "desktop entry has no MimeType"
for m in $mimes; do
  grep -q "type=\"$m\"" "$prefix/share/mime/packages/brinewick.xml" || fail "MIME type $m not declared"
done
for g in '*.asc' '*.log'; do
  grep -qF "pattern=\"$g\"" "$prefix/share/mime/packages/brinewick.xml" || fail "no glob $g"
done
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$desktop" >"$tmp/validate.log" 2>&1 || { cat "$tmp/validate.log" >&2; fail "desktop-file-validate"; }
else
  echo "note: desktop-file-validate not installed, entry not validated"
fi
if command -v xmllint >/dev/null; then
  xmllint --noout "$prefix/share/mime/packages/brinewick.xml" "$prefix/share/icons/hicolor/scalable/apps/brinewick.svg" \
    || fail "MIME package or icon is not well-formed XML"
fi
grep -q 'viewBox="0 0 48 48"' "$prefix/share/icons/hicolor/scalable/apps/brinewick.svg" || fail "icon viewBox"

if [ "$has_export" = 1 ]; then
  [ -x "$prefix/bin/brinewick-export" ] || fail "bin/brinewick-export missing"
  version=$(QT_QPA_PLATFORM=offscreen "$prefix/bin/brinewick-export" --version 2>&1) || fail "installed brinewick-export --version failed"
  grep -q '1\.1\.1' <<<"$version" || fail "installed brinewick-export --version says: $version"
  # A plot is drawn by the program the command hands it to, found from the installed command.
  sample=$(find "$prefix/share/brinewick/Data" -maxdepth 1 -type f | head -n 1)
  QT_QPA_PLATFORM=offscreen "$prefix/bin/brinewick-export" --plot "$tmp/plot.svg" "$sample" >/dev/null 2>&1
  [ -s "$tmp/plot.svg" ] || fail "installed brinewick-export drew no plot"
  if [ "$has_man" = 1 ]; then
    ls "$prefix"/share/man/man1/brinewick-export.1* >/dev/null 2>&1 || fail "man page not installed"
  else
    echo "note: no man page was built (help2man missing?)"
  fi
else
  echo "note: brinewick-export not built, its checks skipped"
fi

# --- Debian package ---
if command -v dpkg-deb >/dev/null; then
  (cd "$tmp" && cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/pkg") >"$tmp/cpack.log" 2>&1 \
    || { cat "$tmp/cpack.log" >&2; fail "cpack -G DEB"; }
  deb=$(ls "$tmp"/pkg/brinewick_*.deb 2>/dev/null | head -n 1)
  if [ -z "$deb" ]; then
    fail "no brinewick_*.deb was written"
  else
    dpkg-deb -c "$deb" | awk '{print $6}' >"$tmp/contents"
    for p in ./usr/bin/brinewick ./usr/share/applications/brinewick.desktop \
             ./usr/share/icons/hicolor/scalable/apps/brinewick.svg \
             ./usr/share/mime/packages/brinewick.xml ./usr/share/brinewick/Data/; do
      grep -qxF "$p" "$tmp/contents" || fail "package lacks $p"
    done
    grep -q '^\./usr/share/brinewick/Data/.' "$tmp/contents" || fail "package holds no sample logs"
    if [ "$has_export" = 1 ]; then
      grep -qxF ./usr/bin/brinewick-export "$tmp/contents" || fail "package lacks brinewick-export"
      grep -qxF ./usr/libexec/brinewick/brinewick-export-draw "$tmp/contents" || fail "package lacks brinewick-export-draw"
      [ "$has_man" = 1 ] && { grep -q '^\./usr/share/man/man1/brinewick-export\.1' "$tmp/contents" || fail "package lacks the man page"; }
    fi
    [ "$(dpkg-deb -f "$deb" Package)" = brinewick ] || fail "package name"
    [ "$(dpkg-deb -f "$deb" Section)" = science ] || fail "package section"
    depends=$(dpkg-deb -f "$deb" Depends)
    echo "Depends: $depends"
    for p in libqt6widgets6 libqcustomplot2.1-qt6 qt6-qpa-plugins; do
      grep -qE "(^|[ ,])$p([ ,(]|$)" <<<"$depends" || fail "Depends lacks $p"
    done
    grep -qE -- '-dev([ ,(]|$)' <<<"$depends" && fail "Depends names a -dev package: $depends"
  fi
else
  echo "note: dpkg-deb not installed, package not checked"
fi

[ "$failures" -eq 0 ] && echo "install checks passed"
exit $((failures > 0))
