#!/usr/bin/python3
"""Writes an 8-bar MIDI file with an outside writer (mido), extracts a style
from it through extract_style_writer and checks the fields the file implies;
the tune composed in the extracted style must pass compose_tunes_mido's
checks.

Usage: extract_style_mido.py <extract_style_writer> <folder>"""
import os
import subprocess
import sys

import mido

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "accomp"))
import compose_tunes_mido  # noqa: E402

DIVISION = 480
BAR = 4 * DIVISION
# C, Am, F, G, voiced within 60..71; the bass plays the roots two octaves down.
CHORDS = [(60, 64, 67), (69, 60, 64), (65, 69, 60), (67, 71, 62)]
ROOTS = [36, 33, 29, 31]


def notes_of(channel, notes):
    events = []
    for start, length, pitch, velocity in notes:
        events.append((start, 1, mido.Message('note_on', channel=channel, note=pitch,
                                              velocity=velocity)))
        events.append((start + length, 0, mido.Message('note_off', channel=channel, note=pitch)))
    return events


def track(events, head=()):
    out = mido.MidiTrack(list(head))
    now = 0
    for t, _, msg in sorted(events, key=lambda e: (e[0], e[1])):
        out.append(msg.copy(time=t - now))
        now = t
    out.append(mido.MetaMessage('end_of_track', time=0))
    return out


def song():
    harmony, bass, melody, drums = [], [], [], []
    for b in range(8):
        t0 = b * BAR
        chord = CHORDS[b % 4]
        hits = 8 if b == 2 else 4  # eighths in bar 3, quarters elsewhere
        span = BAR // hits
        for k in range(hits):
            for p in chord:
                harmony.append((t0 + k * span, span - 20, p, 80))
        for beat in (0, 2):
            bass.append((t0 + beat * DIVISION, 2 * DIVISION - 20, ROOTS[b % 4], 90))
        for q, p in enumerate((chord[0], chord[1], chord[2], chord[1])):
            melody.append((t0 + q * DIVISION, DIVISION - 20, p + 12, 100))
        for e in range(8):
            drums.append((t0 + e * DIVISION // 2, 60, 42, 70))
        for beat in (0, 2):
            drums.append((t0 + beat * DIVISION, 60, 36, 100))
        for beat in (1, 3):
            drums.append((t0 + beat * DIVISION, 60, 38, 100))
    mid = mido.MidiFile(type=1, ticks_per_beat=DIVISION)
    mid.tracks.append(mido.MidiTrack([
        mido.MetaMessage('set_tempo', tempo=600000),
        mido.MetaMessage('time_signature', numerator=4, denominator=4),
        mido.MetaMessage('end_of_track', time=0)]))
    mid.tracks.append(track(notes_of(0, harmony), [
        mido.Message('program_change', channel=0, program=48),
        mido.Message('control_change', channel=0, control=7, value=100),
        mido.Message('control_change', channel=0, control=91, value=40)]))
    mid.tracks.append(track(notes_of(1, bass), [mido.Message('program_change', channel=1, program=33)]))
    mid.tracks.append(track(notes_of(2, melody), [mido.Message('program_change', channel=2, program=73)]))
    mid.tracks.append(track(notes_of(9, drums)))
    return mid


def parse(text):
    fields, grids = {}, {}
    for line in text.splitlines():
        words = line.split()
        if words[0] in ("harmony", "bass", "drum"):
            grids[(words[0], int(words[1]))] = (int(words[2]), [int(w) for w in words[3:]])
        else:
            fields[words[0]] = [int(w) for w in words[1:]]
    return fields, grids


def expect(problems, what, got, wanted):
    if got != wanted:
        problems.append("%s: %s, expected %s" % (what, got, wanted))


def check(fields, grids):
    problems = []
    voices = fields["voices"]
    expect(problems, "Harmony, Bass, Melody, Drum", [voices[0], voices[2], voices[3], voices[4]],
           [48, 33, 73, 1])
    expect(problems, "patterns", fields["patterns"], [47, 47, 20, 28])
    expect(problems, "Tempo", fields["tempo"], [600000])
    expect(problems, "Key", fields["key"], [1])
    expect(problems, "Chord Progression", fields["progression"], [6])
    expect(problems, "Basic Beat", fields["beat"], [0])
    mix = fields["harmony_mix"]
    expect(problems, "Harmony Volume and Reverb", [mix[0], mix[2]], [100, 40])
    every_second = list(range(0, 16, 2))
    for row in range(14):
        expect(problems, "Harmony row %d" % row, grids[("harmony", row)][1],
               every_second if row in (2, 4, 6) else [])
        expect(problems, "Bass row %d" % row, grids[("bass", row)][1], [0, 8] if row == 2 else [])
    drum_steps = {grids[("drum", r)][0] + 35: grids[("drum", r)][1] for r in range(14)
                  if grids[("drum", r)][1]}
    expect(problems, "drum rows", drum_steps, {36: [0, 8], 38: [4, 12], 42: every_second})
    return problems


def main():
    writer, folder = sys.argv[1], sys.argv[2]
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, "extract_source.mid")
    song().save(path)
    run = subprocess.run([writer, path, folder], capture_output=True, text=True)
    if run.returncode != 0:
        print("extract_style_writer failed (%d): %s %s" % (run.returncode, run.stdout, run.stderr))
        return 1
    problems = check(*parse(run.stdout))
    problems += compose_tunes_mido.check(os.path.join(folder, "tune_extract.mid"))
    for problem in problems:
        print(problem)
    print("%d problems" % len(problems))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
