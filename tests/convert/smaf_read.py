#!/usr/bin/env python3
"""A SMAF reader of its own, written from the format description: it runs
smaf_fixture_writer, checks the CRC, the chunk tree and the seek points of
every file it made, decodes both sequence encodings and compares notes,
programs and volumes with the JSON dump of the model each file was made
from. ffmpeg then walks every file by its chunk lengths, and an audio SMAF
that ffmpeg writes is refused by our loader."""
import binascii
import glob
import json
import os
import shutil
import subprocess
import sys
import tempfile


class Fail(Exception):
    pass


def check(cond, what):
    if not cond:
        raise Fail(what)


def be32(b, p):
    return int.from_bytes(b[p:p + 4], "big")


def chunks(data, what):
    """(id, contents) of the chunks laid in data, every length checked."""
    out, p = [], 0
    while p < len(data):
        check(p + 8 <= len(data), what + ": chunk head")
        n = be32(data, p + 4)
        check(p + 8 + n <= len(data), what + ": chunk length")
        out.append((data[p:p + 4], data[p + 8:p + 8 + n]))
        p += 8 + n
    return out


def units(tick, tempo):
    # 5 ms units from ticks at 96 per quarter.
    return tick * tempo // (96 * 5000)


def seq_b(s):
    """Notes, programs and volumes of a flavour-B stream, shifts applied."""
    notes, controls, shift, t, p = [], [], [0] * 4, 0, 0

    def dur():
        nonlocal p
        b = s[p]
        p += 1
        if b < 0x80:
            return b
        v = (b & 0x3F) * 128 + s[p] + 128
        p += 1
        return v

    while p < len(s):
        t += dur()
        b = s[p]
        p += 1
        if b == 0x00:
            c2 = s[p]
            p += 1
            ch, group, val = c2 >> 6, (c2 >> 4) & 3, c2 & 15
            if group == 0 and val == 0:
                check(s[p:] == b"\x00", "stream end")
                break
            check(group == 3, "control group")
            d = s[p]
            p += 1
            if val == 2:
                check(d in (0, 1, 2, 3, 4, 0x81, 0x82, 0x83, 0x84), "shift code")
                shift[ch] = d if d < 0x80 else 0x80 - d
            elif val in (0, 7):
                controls.append((ch, "program" if val == 0 else "volume", d))
            elif val == 1:
                controls.append((ch, "drum" if d == 0x80 else "bank", d))
        elif b == 0xFF:
            if s[p] == 0x00:
                p += 1
                continue
            check(s[p] == 0xF0, "exclusive")
            n = s[p + 1]
            check(s[p + 1 + n] == 0xF7, "exclusive end")
            p += 2 + n
        else:
            ch = b >> 6
            octave, tone = (b >> 4) & 3, b & 15
            check(1 <= tone <= 12, "tone")
            gate = dur()
            notes.append((ch, t, 36 + octave * 12 + tone + 12 * shift[ch], gate))
    return notes, controls


def seq_a(s):
    """Notes, programs and volumes of a flavour-A stream."""
    notes, controls, vel, t, p = [], [], [64] * 16, 0, 0
    while p < len(s):
        b = s[p]
        p += 1
        t += b if b < 0x80 else (b & 0x3F) * 128 + s[p]
        if b >= 0x80:
            p += 1
        st = s[p]
        p += 1
        hi, ch = st & 0xF0, st & 15
        if hi in (0x80, 0x90):
            note = s[p]
            p += 1
            if hi == 0x90:
                vel[ch] = s[p]
                p += 1
            gate = 0
            while True:
                g = s[p]
                p += 1
                gate = gate << 7 | (g & 0x7F)
                if g < 0x80:
                    break
            notes.append((ch, t, note, gate, vel[ch]))
        elif hi == 0xB0:
            if s[p] == 7:
                controls.append((ch, "volume", s[p + 1]))
            p += 2
        elif hi == 0xC0:
            controls.append((ch, "program", s[p]))
            p += 1
        elif hi == 0xE0:
            p += 2
        elif st == 0xF0:
            n = s[p]
            check(s[p + n] == 0xF7, "exclusive end")
            p += 1 + n
        elif st == 0xFF:
            if s[p] == 0x2F:
                check(s[p:] == b"\x2f\x00", "end of sequence")
                break
            check(s[p] == 0x00, "FF event")
            p += 1
        else:
            raise Fail("status %02X" % st)
    return notes, controls


def seek(body, seq):
    check(len(body) == 16 and body[:3] == b"st:" and body[7:11] == b",sp:" and body[15:] == b",", "MspI form")
    start, stop = be32(body, 3), be32(body, 11)
    check(start < len(seq) and 0 < stop <= len(seq), "MspI offsets within Mtsq")
    return start


def check_file(data, dump):
    check(data[:4] == b"MMMD", "MMMD")
    check(be32(data, 4) == len(data) - 8, "MMMD length = contents + 2")
    crc = binascii.crc_hqx(data[:-2], 0xFFFF) ^ 0xFFFF
    check(crc == int.from_bytes(data[-2:], "big"), "CRC-16/GENIBUS")
    top = chunks(data[8:-2], "MMMD")
    check(top[0][0] == b"CNTI", "CNTI first")
    form = dump["form"]
    ma3 = form.startswith("ma3")
    info = top[0][1]
    check(info[1] == (0x32 if ma3 else 0x00), "contents type")
    if ma3:
        check(info[2] == (0x01 if form == "ma3_32" else 0x00), "code type")
        check(top[1][0] == b"OPDA" and len(top) == 3, "OPDA and one track")
        tracks = [top[2]]
    else:
        check(info[5:8] == b"ST:", "title option")
        tracks = top[1:]
    got_notes, got_controls = {}, {}
    for n, (tid, body) in enumerate(tracks):
        check(tid[:3] == b"MTR", "score track id")
        head = 20 if ma3 else 6
        subs = dict(chunks(body[head:], "MTR"))
        seq = subs[b"Mtsq"]
        if ma3:
            check(tid[3] == 5 and body[:4] == b"\x02\x00\x03\x03", "MTR head")
            check(subs[b"Mtsu"] == bytes.fromhex("F0064379067F7FF7"), "setup")
            check((b"MspI" in subs) == (form == "ma3_32"), "MspI by variant")
            if b"MspI" in subs:
                start = seek(subs[b"MspI"], seq)
                check(seq[start + 1] & 0xE0 == 0x80, "start at the first note")
            notes, controls = seq_a(seq)
            for ch, t, note, gate, vel in notes:
                got_notes.setdefault(ch, []).append((t, note, gate, vel))
            for ch, kind, v in controls:
                got_controls.setdefault((ch, kind), v)
        else:
            four = form == "compact4"
            check(tid[3] == (0 if four else n + 1), "track number")
            check((b"MspI" in subs) == (not four), "MspI of the 16-voice form")
            check((b"Mtsu" in subs) == (n == 0), "setup in the first track only")
            if n == 0:
                setup = subs[b"Mtsu"]
                if four:
                    check(setup[:8] == bytes.fromhex("FFF00543028011F7"), "4-voice head")
                    check((len(setup) - 8) % 22 == 0, "22-byte records")
                else:
                    check(len(setup) % 21 == 0 and setup[:5] == bytes.fromhex("FFF0124303"), "21-byte records")
                size, first = (22, 8) if four else (21, 0)
                for r in range(first, len(setup), size):
                    record = setup[r:r + size]
                    check(record[-1] == 0xF7 and 0xF7 not in record[:-1], "voice bytes inside the record")
            if not four:
                seek(subs[b"MspI"], seq)
            notes, controls = seq_b(seq)
            for ch, t, note, gate in notes:
                got_notes.setdefault(4 * n + ch, []).append((t, note, gate, None))
            for ch, kind, v in controls:
                got_controls.setdefault((4 * n + ch, kind), v)
    tempo = dump["tempo"]
    for i, part in enumerate(dump["parts"]):
        ch = part["channel"]
        want = [(units(t, tempo), pitch, units(length, tempo)) for t, pitch, length, _ in part["notes"]]
        got = got_notes.get(ch, [])
        check(len(got) == len(want), "note count, channel %d" % ch)
        for (t, pitch, gate, vel), (wt, wp, wg), raw in zip(got, want, part["notes"]):
            check(t == wt, "onset, channel %d: %d != %d" % (ch, t, wt))
            check(pitch == wp, "pitch, channel %d: %d != %d" % (ch, pitch, wp))
            check(abs(gate - max(wg, 1)) <= 1, "gate, channel %d" % ch)
            if vel is not None:
                check(vel == raw[3], "velocity, channel %d" % ch)
        check(got_controls.get((ch, "volume")) == part["volume"], "volume, channel %d" % ch)
        check(got_controls.get((ch, "program")) == part["program"], "program, channel %d" % ch)
        if not ma3:
            check(((ch, "drum") in got_controls) == bool(part["drum"]), "drum channel %d" % ch)


def run_ffmpeg(folder, files, writer):
    ffmpeg = shutil.which("ffmpeg")
    if not ffmpeg:
        print("ffmpeg not found: its checks are skipped")
        return 0
    bad = 0
    for f in files:
        r = subprocess.run([ffmpeg, "-v", "error", "-i", f, "-f", "null", "-"], capture_output=True, text=True)
        if "MIDI like format found, unsupported" not in r.stderr:
            print("ffmpeg on %s: %s" % (os.path.basename(f), r.stderr.strip()))
            bad += 1
    audio = os.path.join(folder, "ffmpeg_audio.mmf")
    subprocess.run([ffmpeg, "-v", "error", "-y", "-f", "lavfi", "-i", "sine", "-ar", "8000", "-t", "1", audio],
                   check=True)
    r = subprocess.run([writer, "--load", audio], capture_output=True, text=True)
    refused = r.stdout.strip() in ("none", "compact 0", "ma3 0")
    # Told that it holds audio only, in one box.
    known = r.stderr.strip().endswith("There are no score track chunks, only audio tracks!") and \
        len(r.stderr.strip().splitlines()) == 1
    if not (refused and known):
        print("the ffmpeg audio file was not refused: %r %r" % (r.stdout, r.stderr))
        bad += 1
    print("ffmpeg: %d files walked, audio file refused with: %s" %
          (len(files), " / ".join(line.split(" ", 2)[-1] for line in r.stderr.strip().splitlines())))
    return bad


def main():
    writer = sys.argv[1]
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run([writer, folder], check=True, capture_output=True)
        files = sorted(glob.glob(os.path.join(folder, "*.mmf")))
        bad = 0
        for f in files:
            with open(f, "rb") as fh:
                data = fh.read()
            with open(f[:-4] + ".json") as fh:
                dump = json.load(fh)
            try:
                check_file(data, dump)
            except (Fail, IndexError, KeyError) as e:
                print("%s: %s" % (os.path.basename(f), e))
                bad += 1
        print("%d SMAF files read, %d failed" % (len(files), bad))
        bad += run_ffmpeg(folder, files, writer)
        return 1 if bad or not files else 0


if __name__ == "__main__":
    sys.exit(main())
