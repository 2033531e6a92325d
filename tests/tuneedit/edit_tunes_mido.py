#!/usr/bin/env python3
"""Reads every tune a writer of edited tunes (edit_tunes_writer by default
20 of them, or the count given after the writer) edited with mido: each parses at 96
ticks per quarter note, every track holds exactly one end-of-track event, at
its end, and every note-on is switched off."""
import collections
import glob
import os
import subprocess
import sys
import tempfile

import mido


def check(path):
    tune = mido.MidiFile(path)
    problems = []
    if tune.ticks_per_beat != 96:
        problems.append("division %d" % tune.ticks_per_beat)
    for number, track in enumerate(tune.tracks):
        ends = [i for i, m in enumerate(track) if m.type == "end_of_track"]
        if ends != [len(track) - 1]:
            problems.append("track %d: end-of-track events at %s" % (number, ends))
        sounding = collections.Counter()
        for msg in track:
            if msg.type == "note_on" and msg.velocity > 0:
                sounding[(msg.channel, msg.note)] += 1
            elif msg.type in ("note_on", "note_off"):
                sounding[(msg.channel, msg.note)] -= 1
        left = [key for key, n in sounding.items() if n != 0]
        if left:
            problems.append("track %d: notes left sounding or unmatched: %s" % (number, left[:4]))
    return problems


def main():
    writer = sys.argv[1]
    expected = int(sys.argv[2]) if len(sys.argv) > 2 else 20
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run([writer, folder], check=True)
        paths = sorted(glob.glob(os.path.join(folder, "edit_*.mid")))
        failed = 0
        for path in paths:
            for problem in check(path):
                print("%s: %s" % (os.path.basename(path), problem))
                failed += 1
        print("%d edited tunes read, %d problems" % (len(paths), failed))
        return 1 if failed or len(paths) != expected else 0


if __name__ == "__main__":
    sys.exit(main())
