#!/usr/bin/env python3
"""Runs knowledge_tunes_writer into a fresh folder, then re-reads every
knowledge-base file it saved: a transition file is whole 14-byte entries (11
characters, '|', CR, LF); a pattern file's first line holds a count equal to
the lines after it, each of whole 4-character chord codes (at most 32) and
'|', CR, LF. The tunes composed from the edited pair pass the composed-tune
reader's checks (mido)."""
import glob
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "accomp"))
import compose_tunes_mido  # noqa: E402


def check_transitions(data):
    if len(data) == 0 or len(data) % 14:
        return ["%d bytes, not whole 14-byte entries" % len(data)]
    problems = []
    for at in range(0, len(data), 14):
        entry = data[at:at + 14]
        if entry[11:] != b"|\r\n" or any(c in b"|\r\n\0" for c in entry[:11]):
            problems.append("entry at %d is %r" % (at, entry))
        elif not entry[8:11].isdigit():
            problems.append("rate of entry at %d is %r" % (at, entry[8:11]))
    return problems


def check_patterns(data):
    if not data.endswith(b"|\r\n"):
        return ["the file does not end in |, CR, LF"]
    lines = data.split(b"|\r\n")[:-1]
    count, rows = lines[0], lines[1:]
    problems = []
    if not count.isdigit() or int(count) != len(rows):
        problems.append("count %r over %d lines" % (count, len(rows)))
    for row in rows:
        if not row or len(row) % 4 or len(row) > 4 * 32 or any(c in b"|\r\n\0" for c in row):
            problems.append("line %r" % row)
    return problems


def main():
    writer = sys.argv[1]
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run([writer, folder], check=True)
        failed = 0
        files = sorted(glob.glob(os.path.join(folder, "kb_*")))
        for path in files:
            with open(path, "rb") as f:
                data = f.read()
            name = os.path.basename(path)
            check = check_transitions if name.startswith("kb_PATTERN") else check_patterns
            for problem in check(data):
                print("%s: %s" % (name, problem))
                failed += 1
        tunes = sorted(glob.glob(os.path.join(folder, "tune_kb_*.mid")))
        for path in tunes:
            for problem in compose_tunes_mido.check(path):
                print("%s: %s" % (os.path.basename(path), problem))
                failed += 1
        print("%d knowledge files, %d tunes read, %d problems" % (len(files), len(tunes), failed))
        if len(files) != 8 or len(tunes) != 10:
            return 1
        return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
