#!/usr/bin/env bash
# Real font families from Debian's packages, extracted into a folder of the test's own: a font
# installed system-wide is already known to Wine, and loading it would add nothing to compare.
# Chosen so that every kind of family occurs: Oblique members and many weights (DejaVu, Lato,
# FreeFont, URW, Cantarell, Roboto), Condensed and Narrow widths (Noto, Liberation, Open Sans),
# full names longer than 31 characters (Noto), TeX families with optical sizes (Latin Modern,
# CMU, TeX Gyre, STIX), symbol fonts, Korean and Chinese sets and collections, and the Japanese
# families of M PLUS, VL, IPAex and Sawarabi. Or only the packages named. Kept once fetched.
#
#   fetch_real_fonts.sh FOLDER [PACKAGE...]
set -euo pipefail
folder=$1
shift
packages=(
    fonts-dejavu-core fonts-dejavu-extra fonts-liberation fonts-croscore fonts-crosextra-carlito
    fonts-freefont-ttf fonts-urw-base35 fonts-noto-core fonts-lato fonts-open-sans
    fonts-roboto-unhinted fonts-cantarell fonts-linuxlibertine fonts-lmodern fonts-cmu
    fonts-texgyre fonts-stix fonts-symbola fonts-opensymbol
    fonts-nanum fonts-unfonts-core fonts-baekmuk fonts-arphic-uming fonts-wqy-zenhei fonts-noto-cjk
    fonts-mplus fonts-vlgothic fonts-ipaexfont-gothic fonts-sawarabi-gothic
)
if [ $# -gt 0 ]; then
    packages=("$@")
fi
if [ -f "$folder/.complete" ] && [ "$(cat "$folder/.complete")" = "${packages[*]}" ]; then
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
# Regular files only: a package's links to another's fonts would name one file twice.
find "$folder/extracted" -type f \( -name '*.ttf' -o -name '*.ttc' -o -name '*.otf' \) \
    -exec mv {} "$folder/fonts/" \;
rm -rf "$folder/debs" "$folder/extracted"
echo "${packages[*]}" >"$folder/.complete"
echo "$(ls "$folder/fonts" | wc -l) font files of ${#packages[@]} packages in $folder/fonts"
