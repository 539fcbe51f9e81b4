"""Small, valid TrueType and OpenType (CFF) fonts made on the spot, for tests and the demo.

Each font has a family name of its own, so installing it can neither clash with nor be mistaken
for a font already on the machine. Names are written for Windows (platform 3) in English (0x0409)
and, when a Japanese name is given, in Japanese (0x0411) too: a Japanese Windows shows the 0x0411
family as the face name.

Run with Debian's /usr/bin/python3, which has fontTools.
"""

import io
from dataclasses import dataclass
from typing import Iterable, List, Optional, Sequence, Tuple

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.t2CharStringPen import T2CharStringPen
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import TTFont
from fontTools.ttLib.ttCollection import TTCollection

UNITS_PER_EM = 1000
ASCENT = 880
DESCENT = 120

WINDOWS = 3
UNICODE_BMP = 1
ENGLISH_US = 0x0409
JAPANESE = 0x0411

# OS/2 code page bits: Latin 1 and JIS/Japan.
CODE_PAGE_LATIN1 = 1 << 0
CODE_PAGE_JAPAN = 1 << 17

# Characters every font maps: printable ASCII and the hiragana block.
BASE_CHARACTERS = [chr(c) for c in range(0x21, 0x7F)] + [chr(c) for c in range(0x3041, 0x3097)]


@dataclass
class FontSpec:
    """One face of a font file."""

    family: str  # English family name (0x0409)
    ps_name: str  # PostScript name: ASCII, no spaces
    japanese_family: Optional[str] = None  # Japanese family name (0x0411), if any
    cff: bool = False  # CFF outlines (.otf) instead of TrueType ones

    @property
    def face_name(self) -> str:
        """The name a Japanese Windows lists the font under."""
        return self.japanese_family or self.family


def _glyph_name(char: str) -> str:
    return "uni%04X" % ord(char)


def _draw(pen, code: int, advance: int) -> None:
    """A box with a counter whose size depends on the character, so glyphs differ."""
    left, right = 60, advance - 60
    top = 200 + (code * 37) % 500
    pen.moveTo((left, 0))
    pen.lineTo((left, top))
    pen.lineTo((right, top))
    pen.lineTo((right, 0))
    pen.closePath()
    # The counter runs the other way round, so it is a hole under both fill rules.
    pen.moveTo((left + 60, 60))
    pen.lineTo((right - 60, 60))
    pen.lineTo((right - 60, top - 60))
    pen.lineTo((left + 60, top - 60))
    pen.closePath()


def _draw_notdef(pen) -> None:
    pen.moveTo((50, 0))
    pen.lineTo((50, 700))
    pen.lineTo((450, 700))
    pen.lineTo((450, 0))
    pen.closePath()


def make_font(spec: FontSpec) -> TTFont:
    """Builds the font in memory: every character of its names plus BASE_CHARACTERS."""
    characters = sorted(set(BASE_CHARACTERS) | set(spec.family) | set(spec.japanese_family or ""))
    characters = [c for c in characters if c != " " and ord(c) <= 0xFFFF]
    glyph_order = [".notdef", "space"] + [_glyph_name(c) for c in characters]
    cmap = {0x20: "space"}
    advances = {".notdef": 500, "space": 250}
    for char in characters:
        cmap[ord(char)] = _glyph_name(char)
        # Full width for Japanese, proportional-looking width for the rest.
        advances[_glyph_name(char)] = 1000 if ord(char) >= 0x3000 else 600

    fb = FontBuilder(UNITS_PER_EM, isTTF=not spec.cff)
    fb.setupGlyphOrder(glyph_order)
    fb.setupCharacterMap(cmap)

    def draw_glyph(pen, name):
        if name == ".notdef":
            _draw_notdef(pen)
        elif name != "space":
            _draw(pen, int(name[3:], 16), advances[name])

    if spec.cff:
        char_strings = {}
        for name in glyph_order:
            pen = T2CharStringPen(advances[name], None)
            draw_glyph(pen, name)
            char_strings[name] = pen.getCharString()
        fb.setupCFF(spec.ps_name, {"FullName": spec.family, "FamilyName": spec.family},
                    char_strings, {})
        bounds = {name: char_strings[name].calcBounds(None) for name in glyph_order}
        metrics = {name: (advances[name], int(bounds[name][0]) if bounds[name] else 0)
                   for name in glyph_order}
    else:
        glyphs = {}
        for name in glyph_order:
            pen = TTGlyphPen(None)
            draw_glyph(pen, name)
            glyphs[name] = pen.glyph()
        fb.setupGlyf(glyphs)
        glyf = fb.font["glyf"]
        metrics = {name: (advances[name], getattr(glyf[name], "xMin", 0)) for name in glyph_order}

    fb.setupHorizontalMetrics(metrics)
    fb.setupHorizontalHeader(ascent=ASCENT, descent=-DESCENT)
    fb.setupNameTable(
        {
            "familyName": spec.family,
            "styleName": "Regular",
            "uniqueFontIdentifier": spec.ps_name + "-1.000",
            "fullName": spec.family,
            "version": "Version 1.000",
            "psName": spec.ps_name,
        },
        windows=True,
        mac=False,
    )
    if spec.japanese_family:
        name_table = fb.font["name"]
        name_table.setName(spec.japanese_family, 1, WINDOWS, UNICODE_BMP, JAPANESE)
        name_table.setName("Regular", 2, WINDOWS, UNICODE_BMP, JAPANESE)
        name_table.setName(spec.japanese_family, 4, WINDOWS, UNICODE_BMP, JAPANESE)
    fb.setupOS2(
        sTypoAscender=ASCENT,
        sTypoDescender=-DESCENT,
        sTypoLineGap=0,
        usWinAscent=ASCENT,
        usWinDescent=DESCENT,
        fsType=0,  # installable: no embedding restrictions
        ulCodePageRange1=CODE_PAGE_LATIN1 | (CODE_PAGE_JAPAN if spec.japanese_family else 0),
        ulCodePageRange2=0,
    )
    fb.font["OS/2"].recalcUnicodeRanges(fb.font)
    fb.setupPost()
    # A font straight from the builder has no parsed tables to save into a collection; a round
    # trip through bytes gives the same font in its ordinary, loaded form.
    data = io.BytesIO()
    fb.save(data)
    data.seek(0)
    return TTFont(data)


def save_font(spec: FontSpec, path: str) -> None:
    make_font(spec).save(path)


def save_collection(specs: Sequence[FontSpec], path: str) -> None:
    """A .ttc holding one face for each FontSpec given (all TrueType or all CFF)."""
    collection = TTCollection()
    collection.fonts = [make_font(spec) for spec in specs]
    collection.save(path)


def font_list_bytes(entries: Iterable[Tuple[str, str]]) -> bytes:
    """FontList.txt content: "face name,file name" lines in CP932 with CRLF line ends."""
    return b"".join(("%s,%s\r\n" % (face, file)).encode("cp932") for face, file in entries)


def write_font_list(path: str, entries: Iterable[Tuple[str, str]]) -> None:
    with open(path, "wb") as out:
        out.write(font_list_bytes(entries))


def family_names(path: str, index: int = 0) -> List[Tuple[int, str]]:
    """(language id, family name) of the Windows family records of a font file or collection."""
    font = TTFont(path, fontNumber=index)
    return sorted(
        (record.langID, record.toUnicode())
        for record in font["name"].names
        if record.nameID == 1 and record.platformID == WINDOWS
    )
