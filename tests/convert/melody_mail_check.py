#!/usr/bin/python3
"""Reads the list of melody-mail pairs a test wrote (one stem per line, the
MFi file stem.mld beside its text stem.txt) and checks with python's own
base64 that each text is the header line "--B:M" CR LF followed by the
file's bytes. Exits 1 on the first pair that does not match."""
import base64
import sys

count = 0
with open(sys.argv[1]) as listing:
    for stem in filter(None, (line.strip() for line in listing)):
        mld = open(stem + ".mld", "rb").read()
        text = open(stem + ".txt", "rb").read()
        if not text.startswith(b"--B:M\r\n"):
            sys.exit(f"{stem}: no mail header")
        if base64.b64decode(text[7:], validate=True) != mld:
            sys.exit(f"{stem}: the text is not the file")
        if not mld.startswith(b"melo"):
            sys.exit(f"{stem}: not an MFi file")
        count += 1
if count == 0:
    sys.exit("no melody mail to check")
print(f"{count} melody mails match their MFi files")
