"""The fonts fontlist is proven on, one for each way a face name goes wrong, into a folder.

    make_test_fonts.py FOLDER

A family of sixteen double-byte characters (32 bytes in CP932) stays out of this set: Wine cuts
its last character in half where Windows keeps whole characters, and once such a font has been
loaded for the whole session, later programs of that Wine session crash. So does a font whose
only cmap is a Macintosh one: Windows then names it from its Macintosh records, while Debian 12's
Wine still takes the Windows ones. The unit tests cover both.

Each file's expected GDI family on a Japanese system is written beside it in expected.txt
(UTF-8, "file name<TAB>family" lines), for the FreeType cross-check and the Wine oracle test.
"""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fonts"))

from make_fonts import FontSpec, make_font, save_collection, save_font  # noqa: E402

WINDOWS, UNICODE_BMP, ENGLISH_US = 3, 1, 0x0409


def main(folder: str) -> None:
    os.makedirs(folder, exist_ok=True)
    expected = []

    def save(name, spec, family):
        save_font(spec, os.path.join(folder, name))
        expected.append((name, family))

    save("jp_en.ttf", FontSpec("FL Sample Gothic", "FLSampleGothic", "FL見本ゴシック"),
         "FL見本ゴシック")
    save("english.ttf", FontSpec("FL English Only", "FLEnglishOnly"), "FL English Only")
    forty = "FL Forty Characters Long Family Name ABC"
    assert len(forty) == 40
    save("long.ttf", FontSpec(forty, "FLFortyLong"), forty[:31])
    save("lossy.ttf", FontSpec("FL Hangul \uD55C Sans", "FLHangulSans"), "FL Hangul ? Sans")
    save("cff.otf", FontSpec("FL CFF Sans", "FLCFFSans", "FL見本角ゴ", cff=True), "FL見本角ゴ")

    # The typographic family (ID 16) differs from the one GDI uses (ID 1).
    font = make_font(FontSpec("FL Typo Light", "FLTypoLight"))
    font["name"].setName("FL Typo", 16, WINDOWS, UNICODE_BMP, ENGLISH_US)
    font["name"].setName("Light", 17, WINDOWS, UNICODE_BMP, ENGLISH_US)
    font.save(os.path.join(folder, "typographic.ttf"))
    expected.append(("typographic.ttf", "FL Typo Light"))

    save_collection([FontSpec("FL Pair One", "FLPairOne", "FL対一"),
                     FontSpec("FL Pair Two", "FLPairTwo", "FL対二")],
                    os.path.join(folder, "pair.ttc"))
    expected.append(("pair.ttc", "FL対一"))

    with open(os.path.join(folder, "expected.txt"), "w", encoding="utf-8") as out:
        for name, family in sorted(expected):
            out.write("%s\t%s\n" % (name, family))


if __name__ == "__main__":
    main(sys.argv[1])
