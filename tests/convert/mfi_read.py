#!/usr/bin/env python3
"""An MFi and PMD reader of its own, written from the format description:
it runs mfi_fixture_writer, checks every length of every file it made,
decodes notes, tempo, programs, volumes, channel kinds and long extensions,
and compares them with the JSON dump of the model each file was made from."""
import collections
import glob
import json
import os
import subprocess
import sys
import tempfile

BASES = {0xC0 + i: b for i, b in enumerate([6, 12, 24, 48, 96, 192, 384])}
BASES.update({0xC8 + i: b for i, b in enumerate([15, 30, 60, 120, 240, 480, 960])})
SHIFT = {0: 0, 1: 12, 2: -24, 3: -12}


def be16(b, p):
    return b[p] << 8 | b[p + 1]


def be32(b, p):
    return b[p] << 24 | b[p + 1] << 16 | b[p + 2] << 8 | b[p + 3]


class Fail(Exception):
    pass


def check(cond, what):
    if not cond:
        raise Fail(what)


def split_file(data):
    """Head, information sub-chunks and track bodies, every length checked."""
    check(data[:4] in (b"melo", b"cmid"), "file id")
    check(be32(data, 4) == len(data) - 8, "size field")
    hl = be16(data, 8)
    check(3 <= hl and 10 + hl <= len(data), "header length")
    info, p, end = {}, 13, 10 + hl
    while p < end:
        check(p + 6 <= end, "sub-chunk head")
        n = be16(data, p + 4)
        check(p + 6 + n <= end, "sub-chunk length")
        info[data[p:p + 4].decode("latin-1")] = data[p + 6:p + 6 + n]
        p += 6 + n
    tracks = []
    while p < len(data):
        check(p + 8 <= len(data), "chunk head")
        n = be32(data, p + 4)
        check(p + 8 + n <= len(data), "chunk length")
        if data[p:p + 4] == b"trac":
            tracks.append(data[p + 8:p + 8 + n])
        p += 8 + n
    check(len(tracks) == (1 if data[12] == 1 else 4), "track count")
    for t in tracks:
        check(t[-4:] == b"\x00\xff\xdf\x00", "track end")
    return info, tracks


class Song:
    def __init__(self):
        self.notes = collections.defaultdict(list)   # channel -> [time, pitch, gate, vel]
        self.programs = collections.defaultdict(list)
        self.volumes = collections.defaultdict(list)
        self.drums = set()
        self.tempos = []
        self.master = []
        self.longs = [0] * 4
        self.base = 48


def drum_code(code, third):
    return code + 33 if third & 3 == 3 else code + 45


def decode_track(song, body, index, kind, kinds, bank):
    """One four-channel track; kinds maps a channel of the tune to drum."""
    p, t = 0, 0
    two = kind == "two"
    while p < len(body):
        check(p + 2 <= len(body), "unit")
        t += body[p]
        st = body[p + 1]
        if st != 0xFF:
            size = 3 if two else 4
            check(p + size <= len(body), "note unit")
            slot, code, gate = st >> 6, st & 63, body[p + 2]
            ch = index * 4 + slot
            if two:
                pitch, vel = code + (35 if kinds.get(ch) else 45), 100
            else:
                third = body[p + 3]
                vel = (third >> 2) * 2
                if kinds.get(ch):
                    pitch = drum_code(code, third) if kind == "cmid" else code + 35
                else:
                    pitch = code + 45 + SHIFT[third & 3]
            song.notes[ch].append([t, pitch, gate, vel])
            p += size
            continue
        check(p + 4 <= len(body), "extension unit")
        ext, data = body[p + 2], body[p + 3]
        if ext in (0xFF, 0xF0):
            size = 5 + be16(body, p + 3)
            check(p + size <= len(body), "long form length")
            if ext == 0xFF:
                song.longs[index] += 1
            p += size
            continue
        slot = data >> 6
        ch = index * 4 + slot
        if ext in BASES:
            song.base = BASES[ext]
            song.tempos.append((t, data))
        elif ext == 0xB0:
            song.master.append(data)
        elif ext == 0xBA:
            kinds[data >> 3] = data & 1
            if data & 1:
                song.drums.add(data >> 3)
        elif ext == 0xE5 and data & 15 == 9:
            kinds[ch] = 1
            song.drums.add(ch)
        elif ext == 0xE1:
            bank[ch] = data & 1
        elif ext == 0xE0:
            song.programs[ch].append(bank.get(ch, 0) * 64 + (data & 63))
        elif ext == 0xE2:
            song.volumes[ch].append((data & 63) * 2)
        p += 4


def decode_pmd(song, body):
    slots, bank, t = [0, 1, 2, 3], {}, 0
    check(len(body) % 4 == 0, "PMD units")
    for p in range(0, len(body), 4):
        t += body[p]
        st, b2, b3 = body[p + 1], body[p + 2], body[p + 3]
        if st != 0xFF:
            ch = slots[st >> 6]
            code = st & 63
            pitch = drum_code(code, b3) if ch == 9 else code + 45 + SHIFT[b3 & 3]
            song.notes[ch].append([t, pitch, b2, (b3 >> 2) * 2])
            continue
        ch = slots[b3 >> 6]
        if b2 in BASES:
            song.base = BASES[b2]
            song.tempos.append((t, b3))
        elif b2 == 0xB0:
            song.master.append(b3)
        elif b2 == 0xE5:
            slots[b3 >> 6] = b3 & 15
            if b3 & 15 == 9:
                song.drums.add(9)
        elif b2 == 0xE1:
            bank[ch] = b3 & 1
        elif b2 == 0xE0:
            song.programs[ch].append(bank.get(ch, 0) * 64 + (b3 & 63))
        elif b2 == 0xE2:
            song.volumes[ch].append((b3 & 63) * 2)


def decode(data, multi):
    info, tracks = split_file(data)
    song = Song()
    if data[:4] == b"cmid" and data[12] == 1:
        decode_pmd(song, tracks[0])
    else:
        kind = "two" if data[12] == 1 else ("cmid" if data[:4] == b"cmid" else "melo")
        kinds, bank = {}, {}
        for i, body in enumerate(tracks):
            decode_track(song, body, i, kind, kinds, bank)
    # Times to 96 per quarter; split notes joined again.
    for ch, notes in song.notes.items():
        joined = []
        for n in sorted(notes, key=lambda n: n[0]):
            n = [n[0] * 96 // song.base, n[1], n[2] * 96 // song.base, n[3]]
            if joined and n[0] < joined[-1][0] + joined[-1][2] and (not multi or n[1] == joined[-1][1]):
                last = joined[-1]
                last[2] = max(last[0] + last[2], n[0] + n[2]) - last[0]
                continue
            joined.append(n)
        song.notes[ch] = joined
    return info, song


def expected_pitch(pitch, two, drum):
    return pitch if drum or (45 <= pitch <= 107 if two else 21 <= pitch <= 119) else None


def compare(dump, data):
    t = dump["type"]
    multi = t in (6, 7, 8, 9, 32)
    two = t in (1, 252)
    info, song = decode(data, multi)
    check(song.tempos and song.tempos[0][1] == min(255, 60000000 // dump["tempo"]), "tempo")
    check(song.longs[0] == dump["longs"], "long extensions %s vs %s" % (song.longs, dump["longs"]))
    if not multi:
        check(song.master[:1] == [127], "master volume")
    rearranged = dump["terminal"] == 5
    all_notes, all_want = [], []
    for part in dump["parts"]:
        ch = part["channel"]
        want = []
        scale = 96 // dump["division"]
        for time, pitch, length, vel in part["notes"]:
            time, length = time * scale, length * scale
            want.append([time, expected_pitch(pitch, two, part["drum"]), length, 100 if two else vel & ~1,
                         pitch % 12])
        got = song.notes.get(ch, [])
        all_want += [(w[0], w[2], w[3], w[4]) for w in want]
        all_notes += [(g[0], g[2], g[3], g[1] % 12) for g in got]
        if rearranged:
            continue
        check(len(got) == len(want), "note count on %d: %d vs %d" % (ch, len(got), len(want)))
        for g, w in zip(got, want):
            check(g[0] == w[0] and g[2] == w[2] and g[3] == w[3], "note %s vs %s" % (g, w))
            check(g[1] == w[1] if w[1] is not None else g[1] % 12 == w[4], "pitch %s vs %s" % (g, w))
        check((ch in song.drums) == bool(part["drum"]), "kind of %d" % ch)
        if not (part["drum"] and t in (254, 255)):
            check(song.programs[ch][:1] == [part["program"]], "program of %d" % ch)
        check(song.volumes[ch][:1] == [part["volume"] & ~1], "volume of %d" % ch)
    check(sorted(all_notes) == sorted(all_want), "notes of the whole tune")


def main():
    writer = sys.argv[1]
    results = collections.Counter()
    failures = []
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run([writer, folder], check=True)
        dumps = sorted(glob.glob(os.path.join(folder, "*.json")))
        for path in dumps:
            with open(path) as f:
                dump = json.load(f)
            stem = path[:-5]
            image = stem + (".pmd" if os.path.exists(stem + ".pmd") else ".mld")
            with open(image, "rb") as f:
                data = f.read()
            try:
                compare(dump, data)
                results[dump["type"]] += 1
            except Fail as e:
                failures.append("%s: %s" % (os.path.basename(image), e))
    for t in sorted(results):
        print("voice type %d: %d files agree" % (t, results[t]))
    for f in failures:
        print("FAIL", f)
    return 1 if failures or not results else 0


if __name__ == "__main__":
    sys.exit(main())
