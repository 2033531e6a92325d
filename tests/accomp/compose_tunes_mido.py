#!/usr/bin/env python3
"""Reads every tune compose_tunes_writer composed with mido: each parses as a
format-1 file at 96 ticks per quarter note whose first track names its seed
("random_seed N"), every track ends with an end-of-track event, every
note-on is switched off, no note sounds on channels 0 and 12..15 or on the
channel of an unused part."""
import collections
import glob
import os
import subprocess
import sys
import tempfile

import mido


def check(path):
    with open(path[:-4] + ".txt") as f:
        seed = f.readline().strip()
        silent = {int(c) for c in f.readline().split()} | {0, 12, 13, 14, 15}
    tune = mido.MidiFile(path)
    problems = []
    texts = [m.text.rstrip("\x00") for m in tune.tracks[0] if m.type == "text"]
    if "random_seed " + seed not in texts:
        problems.append("no random_seed %s text in the first track" % seed)
    if tune.type != 1:
        problems.append("format %d" % tune.type)
    if tune.ticks_per_beat != 96:
        problems.append("division %d" % tune.ticks_per_beat)
    sounding = collections.Counter()
    for number, track in enumerate(tune.tracks):
        if not track or track[-1].type != "end_of_track":
            problems.append("track %d has no end-of-track event" % number)
        for msg in track:
            if msg.type == "note_on" and msg.velocity > 0:
                sounding[(msg.channel, msg.note)] += 1
                if msg.channel in silent:
                    problems.append("a note on channel %d" % msg.channel)
            elif msg.type in ("note_on", "note_off"):
                sounding[(msg.channel, msg.note)] -= 1
    left = [key for key, n in sounding.items() if n != 0]
    if left:
        problems.append("notes left sounding or unmatched: %s" % left[:4])
    return problems


def main():
    writer = sys.argv[1]
    expected = int(sys.argv[2]) if len(sys.argv) > 2 else 158
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run([writer, folder], check=True)
        files = sorted(glob.glob(os.path.join(folder, "tune_*.mid")))
        if len(files) != expected:
            print("expected %d tunes, found %d" % (expected, len(files)))
            return 1
        failed = 0
        for path in files:
            for problem in check(path):
                print("%s: %s" % (os.path.basename(path), problem))
                failed += 1
        print("%d tunes read, %d problems" % (len(files), failed))
        return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
