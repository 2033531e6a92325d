#!/usr/bin/env python3
"""An MA-1 reader of its own, written from the format description: it runs
the fixture writer, checks the length in bytes 0-1, the fixed bytes, the
channel blocks and bit 7 of every length byte of every file it made,
decodes the events and compares each note's key byte, onset and gate code
with the JSON dump of the model the file was made from."""
import collections
import glob
import json
import os
import subprocess
import sys
import tempfile


class Fail(Exception):
    pass


def check(cond, what):
    if not cond:
        raise Fail(what)


# The format description's tables.
SHIFT_DOWN = {6, 10, 12, 19, 20, 21, 22, 40, 45, 48, 49, 50, 51, 56, 64, 73, 74, 75, 79, 80, 98, 106, 113, 115}
SHIFT_DOWN2 = {8, 9, 13, 31, 72}
SHIFT_UP = set(range(32, 40)) | {42, 43, 47, 58, 67, 70, 116, 118, 119}
PITCH = {0: 15, 1: 1, 2: 2, 3: 3, 4: 5, 5: 6, 6: 7, 7: 9, 8: 10, 9: 11, 10: 13, 11: 14}
STEP_CODE = {0: 0, 2: 1, 3: 2, 4: 3, 6: 4, 8: 5, 9: 6, 12: 7, 16: 12, 18: 8, 24: 13, 36: 14, 48: 10}
UPPER = {12, 13, 14, 10}
READ_STEP = [0, 2, 3, 4, 6, 8, 9, 12, 18, 24, 48, 0, 16, 24, 36, 48]
VOLUME = [(0, 0x8F, 0xF0), (40, 0x8D, 0xB0), (60, 0x8D, 0x10), (65, 0x8D, 0x00), (67, 0x8C, 0xF0),
          (70, 0x8C, 0xE0), (80, 0x8C, 0xB0), (109, 0x8C, 0x40), (114, 0x8C, 0x30), (119, 0x8C, 0x20),
          (124, 0x8C, 0x10), (127, 0x8C, 0x00)]
GIVEN = {0: ([0x21, 0x7B, 0x8C, 0xA0, 0x31, 0x57], [(0, 0), (1, 1), (2, 2), (4, 4)]),
         1: ([0x61, 0x7B, 0x89, 0x80, 0x31, 0x57], [(3, 0), (3, 1), (6, 2), (0xFF, 0xFF)]),
         127: ([0x6C, 0x03, 0xFC, 0xA7, 0x65, 0x67], [(0xFF, 0xFF), (0xFF, 0xFF), (3, 3), (0xFF, 0xFF)])}


def shift_of(program):
    if program in SHIFT_DOWN:
        return -12
    if program in SHIFT_DOWN2:
        return -24
    return 12 if program in SHIFT_UP else 0


def range_class(high):
    return 0 if high <= 48 else 1 if high <= 60 else 2 if high <= 72 else 3


def gate_code(gate, step_code):
    g = min(gate, 48)
    if step_code in UPPER:
        for limit, code in ((16, 0), (24, 1), (30, 2), (33, 3), (36, 4), (42, 5)):
            if g <= limit:
                return code
        return 6
    for limit, code in ((2, 0), (3, 1), (4, 2), (6, 3), (8, 4), (9, 5), (12, 6)):
        if g <= limit:
            return code
    return 7


def key_byte(channel, note, rc):
    d = note - (24 + 12 * rc)
    s, o = d % 12, d // 12
    if s == 0:
        o -= 1
    return channel | PITCH[s] << 2 | min(max(o, 1), 3) << 6


def check_blocks(dump, data, voices):
    parts = {p["channel"]: p for p in dump["parts"]}
    for c in range(4):
        block = list(data[2 + 8 * c:10 + 8 * c])
        part = parts.get(c)
        program = part["program"] if part else 0
        rc = range_class(max(n[1] for n in part["notes"])) if part else 0
        volume = part["volume"] if part else 127
        code = next((b0, b1) for limit, b0, b1 in VOLUME if volume <= limit)
        check(tuple(block[6:]) == code, "volume code of %d: %s for %d" % (c, block[6:], volume))
        if program in GIVEN:
            row, ranges = GIVEN[program]
            want = list(row)
            want[0] = (want[0] | ranges[rc][0] << 5) & 0xFF
            want[4] = (want[4] | ranges[rc][1] << 5) & 0xFF
            check(block[:6] == want, "voice of program %d, range class %d: %s" % (program, rc, block[:6]))
        # One voice per program: the same bytes 1, 2, 3 and 5 wherever it is.
        tell = (block[1], block[2], block[3], block[5])
        check(voices.setdefault(program, tell) == tell, "voice of program %d changed" % program)


def decode(data):
    """(written time, key byte, step code, gate code) of every event."""
    out, t = [], 0
    for p in range(84, len(data), 2):
        key, length = data[p], data[p + 1]
        check(length & 0x80 == 0, "bit 7 of a length byte")
        step = length >> 3
        check(step in STEP_CODE.values(), "step code %d is not written" % step)
        out.append((t, key, step, length & 7))
        t += READ_STEP[step]
    return out


def compare(dump, data, voices):
    check(len(data) >= 84 and len(data) % 2 == 0, "size")
    check(data[0] << 8 | data[1] == len(data), "length in bytes 0-1")
    check(data[34:66] == bytes(32) and data[66:69] == bytes([0x32, 0x10, 0x00]), "fixed bytes")
    check(data[69] == 0x47 and (2100 // data[69]) * 4 == 116 and data[70:84] == bytes(14), "tempo byte")
    check_blocks(dump, data, voices)
    events = decode(data)
    for _, key, _, gate in events:
        if (key >> 2) & 15 == 12:
            check(gate == 0, "a rest with a gate")
    wanted = collections.defaultdict(list)
    for part in dump["parts"]:
        c, program = part["channel"], part["program"]
        rc = range_class(max(n[1] for n in part["notes"]))
        for i, (time, pitch, length, _) in enumerate(part["notes"]):
            note = min(max(pitch + shift_of(program), 0), 127)
            wanted[c].append([time, key_byte(c, note, rc), length, False])
    for t, key, step, gate in events:
        if (key >> 2) & 15 == 12:
            continue
        notes = wanted[key & 3]
        k = next((i for i, n in enumerate(notes) if not n[3] and n[1] == key and 0 <= n[0] - t < 12), None)
        check(k is not None, "no note of the tune for key %02X at %d" % (key, t))
        check(gate == gate_code(notes[k][2], step), "gate code %d for gate %d" % (gate, notes[k][2]))
        notes[k][3] = True
    for c, notes in wanted.items():
        kept = [n[0] for n in notes if n[3]]
        for n in notes:
            check(n[3] or any(abs(n[0] - k) < 12 for k in kept), "note at %d of channel %d lost" % (n[0], c))
        check(len(kept) * 10 >= len(notes) * 7, "too many notes merged on channel %d" % c)


def main():
    writer = sys.argv[1]
    agree = 0
    failures = []
    voices = {}
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run([writer, folder, "ma1"], check=True)
        for path in sorted(glob.glob(os.path.join(folder, "*.json"))):
            with open(path) as f:
                dump = json.load(f)
            image = path[:-5] + ".ma1"
            with open(image, "rb") as f:
                data = f.read()
            try:
                compare(dump, data, voices)
                agree += 1
            except Fail as e:
                failures.append("%s: %s" % (os.path.basename(image), e))
    families = collections.defaultdict(set)
    for program, tell in voices.items():
        if program not in GIVEN:
            families[program // 8].add(tell)
    if any(len(v) > 1 for v in families.values()):
        failures.append("a family of eight programs has more than one voice")
    print("MA-1: %d files agree, %d programs seen" % (agree, len(voices)))
    for f in failures:
        print("FAIL", f)
    return 1 if failures or not agree else 0


if __name__ == "__main__":
    sys.exit(main())
