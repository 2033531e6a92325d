#!/usr/bin/env python3
"""A corpus of chords with known names, analysed by the chord driver.

Writes Standard MIDI Files at divisions 96, 384 and 480, one chord per cell
of two quarter notes with the bass held through it, a melody, a harmony
(program 0 or 48) and drums; a JSON file beside each gives every cell's
expected name. The driver names the cells and saves the tune; mido reads
the saved file back: one marker per cell at multiples of 2 x division with
the normalised name. The recognised-name rates are printed by quality,
inversion and tension; root position over its root must reach 95%.

    make_chord_corpus.py DRIVER OUTPUT_FOLDER
"""
import collections
import json
import os
import subprocess
import sys

import mido

SHARP = ["C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"]
QUALITIES = [
    ("", [0, 4, 7]), ("m", [0, 3, 7]), ("dim", [0, 3, 6]), ("sus4", [0, 5, 7]),
    ("6", [0, 4, 7, 9]), ("m6", [0, 3, 7, 9]), ("7", [0, 4, 7, 10]),
    ("M7", [0, 4, 7, 11]), ("m7", [0, 3, 7, 10]), ("mM7", [0, 3, 7, 11]),
    ("dim6", [0, 3, 6, 9]), ("dim7", [0, 3, 6, 10]),
]
# A sixth chord over its sixth is the seventh chord a sixth up.
OVER_SIXTH = {"6": "m7", "m6": "dim7", "dim6": "dim6"}
# Each tension with the roots over which a major key accepts it.
TENSIONS = [
    ("b9", 1, [7]), ("9", 2, [0, 2, 4, 5, 7, 9]), ("#9", 3, [7]),
    ("11", 5, [2, 4, 9, 11]), ("#11", 6, [0, 5, 7]), ("b13", 8, [7, 11]),
    ("13", 9, [0, 5, 7]),
]
DIVISIONS = [96, 384, 480]


def cell(root, bass, intervals, expected, group, tag, tension=None):
    return {"root": root, "bass": bass, "intervals": intervals, "tension": tension,
            "expected": expected, "group": group, "tag": tag}


def chord_sets():
    root_position, inversions, renamed, tensions = [], [], [], []
    for root in range(12):
        for suffix, intervals in QUALITIES:
            name = SHARP[root] + suffix
            quality = suffix or "major"
            root_position.append(cell(root, root, intervals, name, "root position", quality))
            for place, label in ((1, "third"), (2, "fifth"), (3, "seventh")):
                if place >= len(intervals):
                    continue
                bass = (root + intervals[place]) % 12
                expected = name + "on" + SHARP[bass]
                if label == "seventh" and suffix in OVER_SIXTH:
                    expected = SHARP[bass] + OVER_SIXTH[suffix]
                inversions.append(cell(root, bass, intervals, expected, "over " + label, quality))
        renamed.append(cell((root + 7) % 12, root, [0, 4, 7, 9], SHARP[root] + "M7",
                            "renamed", "sixth a fifth up"))
        renamed.append(cell((root + 3) % 12, root, [0, 4, 7], SHARP[root] + "m7",
                            "renamed", "triad a minor third up"))
    for text, interval, roots in TENSIONS:
        for root in roots:
            base, intervals = ("7", [0, 4, 7, 10]) if root == 7 else \
                ("M7", [0, 4, 7, 11]) if root in (0, 5) else ("m7", [0, 3, 7, 10])
            expected = SHARP[root] + base + "(" + text + ")"
            tensions.append(cell(root, root, intervals, expected, "tension", text, interval))
    return {"root": root_position, "inversions": inversions, "renamed": renamed,
            "tensions": tensions}


def write_tune(path, division, cells, harmony_program):
    """One cell per chord: melody on 0, bass (33) on 1, harmony on 2, drums on 9."""
    length = 2 * division
    events = []  # (time, order, track, message)

    def note(track, channel, time, pitch, duration):
        events.append((time, 1, track, mido.Message("note_on", channel=channel, note=pitch,
                                                     velocity=90, time=0)))
        events.append((time + duration, 0, track, mido.Message("note_off", channel=channel,
                                                               note=pitch, velocity=0, time=0)))

    for i, c in enumerate(cells):
        start = i * length
        for q in range(2):
            pitch = 72 + c["root"] + c["intervals"][q % len(c["intervals"])]
            note(1, 0, start + q * division, pitch, division - division // 8)
        note(2, 1, start, 36 + c["bass"], length - division // 16)
        for interval in c["intervals"]:
            note(3, 2, start, 55 + (c["root"] + interval) % 12 + 5, length - division // 16)
        if c["tension"] is not None:
            note(3, 2, start, 72 + (c["root"] + c["tension"]) % 12, length * 6 // 10)
        note(4, 9, start, 36, division // 4)
        note(4, 9, start + division, 38, division // 4)
    end = len(cells) * length

    mid = mido.MidiFile(type=1, ticks_per_beat=division)
    conductor = mido.MidiTrack()
    conductor.append(mido.MetaMessage("set_tempo", tempo=500000, time=0))
    conductor.append(mido.MetaMessage("key_signature", key="C", time=0))
    conductor.append(mido.MetaMessage("end_of_track", time=end))
    mid.tracks.append(conductor)
    programs = {1: (0, 73), 2: (1, 33), 3: (2, harmony_program), 4: None}
    for track in (1, 2, 3, 4):
        t = mido.MidiTrack()
        if programs[track]:
            channel, program = programs[track]
            t.append(mido.Message("program_change", channel=channel, program=program, time=0))
        now = 0
        mine = [e for e in events if e[2] == track]
        for time, _, _, message in sorted(mine, key=lambda e: (e[0], e[1])):
            t.append(message.copy(time=time - now))
            now = time
        t.append(mido.MetaMessage("end_of_track", time=max(0, end - now)))
        mid.tracks.append(t)
    mid.save(path)


def normalise(name):
    if name == "UnKnown":
        return "N/C"
    return name.split("(")[0].replace("sus4", "").replace("6", "")


def check_markers(path, division, raw):
    """The markers of the saved tune: one per cell, 2 x division apart."""
    problems = []
    mid = mido.MidiFile(path)
    now, markers = 0, []
    for message in mid.tracks[0]:
        now += message.time
        if message.type == "marker":
            markers.append((now, message.text))
    if len(markers) != len(raw):
        problems.append("%s: %d markers for %d cells" % (path, len(markers), len(raw)))
    for i, (time, text) in enumerate(markers[:len(raw)]):
        if time != i * 2 * division or text != normalise(raw[i]):
            problems.append("%s: marker %d at %d reads %r for %r" % (path, i, time, text, raw[i]))
            break
    return problems


def main():
    driver, folder = sys.argv[1], sys.argv[2]
    os.makedirs(folder, exist_ok=True)
    hits = collections.defaultdict(lambda: [0, 0])
    problems = []
    for division in DIVISIONS:
        for number, (set_name, cells) in enumerate(chord_sets().items()):
            base = os.path.join(folder, "chords_%s_%d" % (set_name, division))
            write_tune(base + ".mid", division, cells, 0 if number % 2 == 0 else 48)
            with open(base + ".json", "w") as f:
                json.dump([c["expected"] for c in cells], f, indent=0)
            run = subprocess.run([driver, base + ".mid", base + "_out.mid"],
                                 capture_output=True, text=True, timeout=120)
            if run.returncode != 0:
                problems.append("%s: driver failed: %s" % (base, run.stderr))
                continue
            lines = run.stdout.split("\n")[:-1]
            roles = [int(r) for r in lines[0].split()[1:]]
            raw = lines[1:]
            if len(roles) != 16 or any(r < 0 or r > 5 for r in roles) or \
                    [roles[0], roles[1], roles[2], roles[9]] != [3, 1, 2, 4]:
                problems.append("%s: roles %s" % (base, roles))
            if len(raw) != len(cells):
                problems.append("%s: %d names for %d cells" % (base, len(raw), len(cells)))
            problems += check_markers(base + "_out.mid", division, raw)
            for c, name in zip(cells, raw):
                if len(name) > 17:
                    problems.append("%s: name %r is longer than 17" % (base, name))
                for key in ((c["group"], c["tag"]), (c["group"], "all")):
                    hits[key][1] += 1
                    hits[key][0] += name == c["expected"]
                if name != c["expected"] and c["group"] == "root position":
                    print("  miss at %d: %s named %s" % (division, c["expected"], name))
    print("recognised names (group, kind: hits/cells):")
    for (group, tag), (good, total) in sorted(hits.items()):
        print("  %-14s %-24s %4d/%-4d %5.1f%%" % (group, tag, good, total, 100.0 * good / total))
    good, total = hits[("root position", "all")]
    if total == 0 or good < 0.95 * total:
        problems.append("root position: %d of %d named" % (good, total))
    for p in problems:
        print("FAIL", p)
    print("%d passed, %d failed" % (0 if problems else 1, 1 if problems else 0))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
