#!/usr/bin/env bash
# The Debian package as `make package` builds it, from the finished default build (CPack
# installs it into a staging folder; nothing is compiled): its control fields, the exact set
# of files it installs, and what those files are: the desktop entry and AppStream data pass
# their validators, the newest release is the project version, both programs print that
# version, the manuals render without warnings and the completion completes.
#
#   check_debian_package.sh BUILD_DIR PROJECT_VERSION
set -uo pipefail
build="$1" version="$2"
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
for tool in cpack dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli man; do
    command -v "$tool" >/dev/null ||
        { echo "FAIL: $tool is missing (scripts/packages.txt installs it)"; exit 1; }
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    echo "FAIL: cpack"
    exit 1
fi
deb="$work/out/kelvara_${version}_$(dpkg --print-architecture).deb"
[[ -f "$deb" ]] || { ls "$work/out"; echo "FAIL: no $(basename "$deb")"; exit 1; }

# Control fields. The library dependencies are computed (versions from the libraries'
# symbols files); the SoundFont is the one written by hand.
field() { dpkg-deb -f "$deb" "$1"; }
[[ "$(field Package)" == kelvara ]] || fail "Package: $(field Package)"
[[ "$(field Version)" == "$version" ]] || fail "Version: $(field Version), not $version"
depends="$(field Depends)"
echo "Depends: $depends"
IFS=',' read -ra groups <<<"$depends"
groups=("${groups[@]# }")
for wanted in "timgm6mb-soundfont | sf2-soundfont-gm" "libc6 (>= " "libstdc++6 (>= " \
    "libqt6widgets6 (>= " "libfluidsynth3 (>= " "libinstpatch-1.0-2 (>= " "libsndfile1 (>= " \
    "libasound2 (>= " "libjack-jackd2-0 (>= "; do
    found=0
    for group in "${groups[@]}"; do [[ "$group" == "$wanted"* ]] && found=1; done
    ((found)) || fail "Depends has no '$wanted'"
done

# The files, exactly: a missing install rule, a file in the wrong place or a stray one (a test,
# a library, a build file) fails.
expected_files="$(sort <<EOF_FILES
./usr/bin/kelvara
./usr/bin/kelvara-cli
./usr/share/applications/kelvara.desktop
./usr/share/bash-completion/completions/kelvara-cli
./usr/share/doc/kelvara/copyright
./usr/share/icons/hicolor/16x16/apps/kelvara.png
./usr/share/icons/hicolor/22x22/apps/kelvara.png
./usr/share/icons/hicolor/24x24/apps/kelvara.png
./usr/share/icons/hicolor/32x32/apps/kelvara.png
./usr/share/icons/hicolor/48x48/apps/kelvara.png
./usr/share/icons/hicolor/64x64/apps/kelvara.png
./usr/share/icons/hicolor/128x128/apps/kelvara.png
./usr/share/icons/hicolor/256x256/apps/kelvara.png
./usr/share/icons/hicolor/scalable/apps/kelvara.svg
./usr/share/icons/hicolor/scalable/mimetypes/application-x-kelvara-document.svg
./usr/share/kelvara/help/index.html
./usr/share/man/man1/kelvara-cli.1.gz
./usr/share/man/man1/kelvara.1.gz
./usr/share/metainfo/io.github.kelvara.Kelvara.metainfo.xml
./usr/share/mime/packages/kelvara.xml
EOF_FILES
)"
listing="$(dpkg-deb -c "$deb")"
echo "$listing"
files="$(awk '$1 !~ /^d/ { print $6 }' <<<"$listing" | sort)"
[[ "$files" == "$expected_files" ]] ||
    fail "the package's files differ from the expected ones:"$'\n'"$(diff <(echo "$expected_files") <(echo "$files"))"
if grep -vE '^-rw[-]r--r-- root/root|^-rwxr-xr-x root/root|^drwxr-xr-x root/root' <<<"$listing"; then
    fail "files not owned by root with the usual modes (above)"
fi

# What the files are, from the unpacked package.
root="$work/root"
dpkg-deb -x "$deb" "$root"
for size in 16 22 24 32 48 64 128 256; do
    png="$root/usr/share/icons/hicolor/${size}x${size}/apps/kelvara.png"
    # PNG: width and height are the big-endian words at bytes 16 and 20.
    read -r width height < <(od -An -tu1 -j16 -N8 "$png" |
        awk '{ print $1*16777216 + $2*65536 + $3*256 + $4, $5*16777216 + $6*65536 + $7*256 + $8 }')
    [[ "$width $height" == "$size $size" ]] || fail "the ${size}x${size} icon is ${width}x${height}"
done
desktop-file-validate "$root/usr/share/applications/kelvara.desktop" || fail "desktop-file-validate"
metainfo="$root/usr/share/metainfo/io.github.kelvara.Kelvara.metainfo.xml"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
newest="$(grep -oE '<release [^>]*>' "$metainfo" |
    sed -nE 's/.*version="([^"]+)".*date="([^"]+)".*/\2 \1/p; s/.*date="([^"]+)".*version="([^"]+)".*/\1 \2/p' |
    sort -r | head -n1 | cut -d' ' -f2)"
[[ "$newest" == "$version" ]] || fail "the newest release in the AppStream data is '$newest', not $version"

# The copyright file in Debian's machine-readable format, naming the licence by its SPDX
# identifier for every file, with the licence's text; the AppStream data names the same one.
copyright="$root/usr/share/doc/kelvara/copyright"
[[ "$(head -n1 "$copyright")" == "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ]] ||
    fail "the copyright file is not in the machine-readable format: $(head -n1 "$copyright")"
grep -qx 'Files: \*' "$copyright" || fail "the copyright file has no 'Files: *' paragraph"
[[ "$(grep -c '^License: GPL-3.0-or-later$' "$copyright")" == 2 ]] ||
    fail "the copyright file does not name GPL-3.0-or-later for the files and give its text"
grep -q '<project_license>GPL-3.0-or-later</project_license>' "$metainfo" ||
    fail "the AppStream data does not name the licence"
if command -v lintian >/dev/null; then
    lintian_tags="$(lintian --tags copyright-not-using-common-license-for-gpl,\
unknown-copyright-format-uri,syntax-error-in-dep5-copyright,no-copyright-file,\
copyright-without-copyright-notice "$deb" 2>/dev/null)"
    [[ -z "$lintian_tags" ]] || fail "lintian on the copyright file: $lintian_tags"
fi

cli_version="$("$root/usr/bin/kelvara-cli" --version 2>&1)"
[[ "$cli_version" == "kelvara-cli $version" ]] || fail "kelvara-cli --version: $cli_version"
app_version="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/kelvara" --version 2>&1)"
[[ "$app_version" == "Kelvara $version" ]] || fail "kelvara --version: $app_version"
scale="$("$root/usr/bin/kelvara-cli" scale tet 12 2 2>&1 | head -n2 | tr '\n' ' ')"
[[ "$scale" == "1 0.000 1.0594631 100.000 " ]] || fail "the packaged kelvara-cli scale tet 12 2: $scale"

for page in kelvara kelvara-cli; do
    text="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l \
        "$root/usr/share/man/man1/$page.1.gz" 2>"$work/man.err")"
    [[ ! -s "$work/man.err" ]] || fail "man $page warns: $(cat "$work/man.err")"
    [[ "$text" == *"Kelvara $version"* ]] || fail "man $page does not name Kelvara $version"
done

(
    source "$root/usr/share/bash-completion/completions/kelvara-cli"
    COMP_WORDS=(kelvara-cli ren)
    COMP_CWORD=1
    _kelvara_cli
    [[ "${COMPREPLY[*]}" == render ]]
) || fail "the packaged completion does not complete 'kelvara-cli ren' to render"

((failures == 0)) || { echo "$failures failures"; exit 1; }
echo "kelvara_${version} has the expected files and dependencies"
