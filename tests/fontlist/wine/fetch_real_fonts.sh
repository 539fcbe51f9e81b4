#!/usr/bin/env bash
# Real font families from Debian's packages, extracted into a folder of the test's own: a font
# installed system-wide is already known to Wine, and loading it would add nothing to compare.
# Regular and Bold families (M PLUS, Nanum) and a few Japanese ones, or the packages named.
# Kept once fetched.
#
#   fetch_real_fonts.sh FOLDER [PACKAGE...]
set -euo pipefail
folder=$1
shift
packages=(fonts-mplus fonts-nanum fonts-vlgothic fonts-ipaexfont-gothic fonts-sawarabi-gothic)
if [ $# -gt 0 ]; then
    packages=("$@")
fi
if [ -f "$folder/.complete" ]; then
    exit 0
fi
rm -rf "$folder"
mkdir -p "$folder/debs" "$folder/fonts"
(cd "$folder/debs" && apt-get download "${packages[@]}" >/dev/null 2>&1) || {
    echo "apt-get download failed: ${packages[*]}" >&2
    exit 1
}
for deb in "$folder"/debs/*.deb; do
    dpkg -x "$deb" "$folder/extracted"
done
find "$folder/extracted" -type f \( -name '*.ttf' -o -name '*.ttc' -o -name '*.otf' \) \
    -exec mv {} "$folder/fonts/" \;
rm -rf "$folder/debs" "$folder/extracted"
touch "$folder/.complete"
echo "$(ls "$folder/fonts" | wc -l) font files in $folder/fonts"
