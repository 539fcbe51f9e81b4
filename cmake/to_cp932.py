"""Writes a UTF-8 text file as Notepad on a Japanese Windows reads it: code page 932, CR LF.

    to_cp932.py SOURCE TARGET

Fails on a character code page 932 has no exact form for, rather than letting it change.
"""

import sys

with open(sys.argv[1], encoding="utf-8") as source:
    text = source.read()
data = text.replace("\r\n", "\n").replace("\n", "\r\n").encode("cp932", errors="strict")
# Python's cp932 can differ from Windows only on look-alike fallbacks; every character kept
# must come back unchanged.
if data.decode("cp932") != text.replace("\r\n", "\n").replace("\n", "\r\n"):
    sys.exit("%s: a character does not survive code page 932" % sys.argv[1])
with open(sys.argv[2], "wb") as target:
    target.write(data)
