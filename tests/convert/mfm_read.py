#!/usr/bin/env python3
"""An MFM reader of its own, written from the format description: it runs
the fixture writer, checks every length field, the information block, the
closing events and the byte ranges of every file it made, decodes notes,
programs, volumes, pans and the tempo, and compares them with the JSON dump
of the model each file was made from."""
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


def be16(b, p):
    return b[p] << 8 | b[p + 1]


def be32(b, p):
    return b[p] << 24 | b[p + 1] << 16 | b[p + 2] << 8 | b[p + 3]


def octave_entry(n):
    """Key and octave of a MIDI note on a channel of the octave table."""
    if n <= 44:
        return n, 2
    if n <= 107:
        return n - 45, 0
    return n - 65, 1


INFO = [(b"supt", b"1130\x00"), (b"note", b"\x00\x01"), (b"ainf", bytes([1, 0, 2, 0, 3, 0, 4, 0, 5, 0]))]


def split_file(data):
    check(data[:4] == b"mfmp", "file id")
    check(be32(data, 4) == len(data) - 8, "length field %d for %d bytes" % (be32(data, 4), len(data)))
    check(data[8:12] == bytes([1, 0, 0, 4]), "format and track count")
    info_len = be16(data, 12)
    p, end = 14, 14 + info_len
    check(end <= len(data), "information length")
    info = []
    while p < end:
        check(p + 6 <= end, "sub-chunk head")
        n = be16(data, p + 4)
        check(p + 6 + n <= end, "sub-chunk length")
        info.append((data[p:p + 4], data[p + 6:p + 6 + n]))
        p += 6 + n
    check(info == INFO, "information %s" % info)
    tracks = []
    while p < len(data):
        check(data[p:p + 4] == b"trac", "track id")
        n = be32(data, p + 4)
        check(p + 8 + n <= len(data), "track length")
        check(n % 4 == 0 and n >= 4, "whole events")
        tracks.append(data[p + 8:p + 8 + n])
        p += 8 + n
    check(len(tracks) == 4, "four tracks")
    return tracks


class Song:
    def __init__(self):
        self.notes = collections.defaultdict(list)  # tune channel -> [time, pitch, gate, velocity]
        self.programs = collections.defaultdict(list)
        self.volumes = collections.defaultdict(list)
        self.pans = collections.defaultdict(list)
        self.tempos = []


def decode_track(song, body, index):
    t = 0
    high = [0] * 4
    last = len(body) - 4
    check(body[last + 1:] == b"\xff\xb1\x00" and body[last] <= 254, "closing event")
    sounding = 0
    for p in range(0, last, 4):
        d, s, x, y = body[p:p + 4]
        t += d
        if s != 0xFF:
            ch = index * 4 + (s >> 6)
            key = s & 0x3F
            if key == 0x3F:
                check(x < 64, "extended value")
                continue
            check(x > 0, "note without gate")
            drum = index == 2 and s >> 6 == 1
            if drum:
                check(y & 3 == 2, "octave bits of the drum channel")
                pitch = key
            else:
                matches = [n for n in range(128) if octave_entry(n) == (key, y & 3)]
                check(matches, "key %d octave %d" % (key, y & 3))
                pitch = matches[-1]
            song.notes[ch].append([t, pitch, x, (y >> 2) * 2])
            sounding = max(sounding, t + x)
            continue
        ch = index * 4 + (y >> 6)
        check(x != 0xB1 or p == last, "closing event inside the track")
        if x == 0xB0:
            t += y * 256
        elif x == 0xBF:
            song.tempos.append((t, y + 20))
        elif x == 0xD1:
            high[y >> 6] = y & 0x3F
            check(p + 7 < len(body) and body[p + 4] == 0 and body[p + 6] == 0xD2, "program in two halves")
        elif x == 0xD2:
            song.programs[ch].append(high[y >> 6] * 64 + (y & 0x3F))
        elif x == 0xD3:
            song.volumes[ch].append((y & 0x3F) * 2)
        elif x == 0xD4:
            song.pans[ch].append((y & 0x3F) * 2)
    # The closing event waits for the longest gate still sounding.
    check(body[last] == min(max(sounding - t, 0), 254), "closing delta %d" % body[last])


def chain(time, pitch, gate, vel):
    out = []
    while gate > 255:
        out.append([time, pitch, 255, vel])
        time, gate = time + 254, gate - 254
    out.append([time, pitch, gate, vel])
    return out


def compare(dump, data):
    song = Song()
    for i, body in enumerate(split_file(data)):
        decode_track(song, body, i)
    bpm = 60000 // (dump["tempo"] // 1000)
    check([b for _, b in song.tempos] == [min(max(bpm, 20), 275)], "tempo %s for %d" % (song.tempos, bpm))
    for part in dump["parts"]:
        ch = part["channel"]
        want = []
        for time, pitch, length, vel in part["notes"]:
            want += chain(time, pitch, length, vel & ~1)
        got = sorted(song.notes.get(ch, []))
        check(got == sorted(want), "notes of channel %d: %s vs %s" % (ch, got[:4], sorted(want)[:4]))
        if not part["drum"]:
            check(song.programs[ch] == [part["program"]], "program of %d" % ch)
        else:
            check(not song.programs[ch], "no program on the drum channel")
        check(song.volumes[ch] == [part["volume"] & ~1], "volume of %d" % ch)
        check(song.pans[ch] == [part["pan"] & ~1], "pan of %d" % ch)
    used = {p["channel"] for p in dump["parts"]}
    check(all(not song.notes[c] for c in range(16) if c not in used), "notes on an unused channel")


def main():
    writer = sys.argv[1]
    agree = 0
    failures = []
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run([writer, folder, "mfm"], check=True)
        for path in sorted(glob.glob(os.path.join(folder, "*.json"))):
            with open(path) as f:
                dump = json.load(f)
            image = path[:-5] + ".mfm"
            with open(image, "rb") as f:
                data = f.read()
            try:
                compare(dump, data)
                agree += 1
            except Fail as e:
                failures.append("%s: %s" % (os.path.basename(image), e))
    print("MFM: %d files agree" % agree)
    for f in failures:
        print("FAIL", f)
    return 1 if failures or not agree else 0


if __name__ == "__main__":
    sys.exit(main())
