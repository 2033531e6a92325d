#!/usr/bin/env python3
"""Reads, with mido, the MIDI files model_smf_writer made from ringtone models
and compares them with the writer's list of each slot's notes: the file is
format 1, every note_on is closed, drum notes sound on channel 10 alone and
each melodic slot's notes come back, on a channel of their own."""
import collections
import subprocess
import sys
import tempfile

import mido


def read_expected(path):
    files = collections.OrderedDict()
    name = None
    with open(path) as f:
        for line in f:
            parts = line.split()
            if parts[0] == "file":
                name = parts[1]
                files[name] = []
            else:
                notes = [tuple(int(x) for x in n.split(":")) for n in parts[2:]]
                files[name].append((parts[1], notes))
    return files


def channel_notes(midi):
    """(time, pitch, length) of every note per channel, and the note_ons
    left open."""
    notes = collections.defaultdict(list)
    open_count = 0
    for track in midi.tracks:
        t = 0
        sounding = collections.defaultdict(list)
        for msg in track:
            t += msg.time
            if msg.type == "note_on" and msg.velocity > 0:
                sounding[(msg.channel, msg.note)].append(t)
            elif msg.type in ("note_off", "note_on"):
                starts = sounding[(msg.channel, msg.note)]
                if not starts:
                    continue
                start = starts.pop(0)
                notes[msg.channel].append((start, msg.note, t - start))
        open_count += sum(len(v) for v in sounding.values())
    return notes, open_count


def check(folder, name, slots):
    midi = mido.MidiFile(f"{folder}/{name}")
    problems = []
    if midi.type != 1:
        problems.append(f"format {midi.type}")
    notes, open_count = channel_notes(midi)
    if open_count:
        problems.append(f"{open_count} note_ons never closed")
    if any(not 0 <= ch <= 15 for ch in notes):
        problems.append("a channel outside 0..15")
    drums = sorted((t, p) for kind, ns in slots if kind == "drum" for t, p, _ in ns)
    got_drums = sorted((t, p) for t, p, _ in notes.get(9, []))
    if drums != got_drums:
        problems.append(f"channel 10 holds {len(got_drums)} notes, the drum slots {len(drums)}")
    melodic = sorted(sorted(ns) for kind, ns in slots if kind == "melodic" and ns)
    got = sorted(sorted(ns) for ch, ns in notes.items() if ch != 9)
    if melodic != got:
        problems.append(f"melodic channels {[len(n) for n in got]} against slots "
                        f"{[len(n) for n in melodic]}")
    return problems, sum(len(ns) for _, ns in slots)


def main():
    writer, songs = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run([writer, folder, songs], check=True)
        files = read_expected(f"{folder}/expected.txt")
        failures = 0
        total = 0
        for name, slots in files.items():
            problems, count = check(folder, name, slots)
            total += count
            for p in problems:
                print(f"{name}: {p}")
            failures += bool(problems)
        print(f"{len(files)} model files, {total} notes read back, {failures} with differences")
        composed = sum(1 for n in files if n.startswith("composed_"))
        if composed < 8 or failures:
            sys.exit(1)


if __name__ == "__main__":
    main()
