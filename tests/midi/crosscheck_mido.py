#!/usr/bin/env python3
"""Reads the files crosscheck_writer made with mido and compares every
event's absolute tick and bytes with the writer's own list."""
import collections
import os
import subprocess
import sys
import tempfile

import mido


def normalise(raw):
    """Bytes as compared: system exclusive by its message bytes only."""
    if raw and raw[0] in (0xF0, 0xF7):
        # status, the length count (a variable-length number), the bytes
        i = 1
        while raw[i] & 0x80:
            i += 1
        body = raw[i + 1:]
        if body and body[-1] == 0xF7:
            body = body[:-1]
        return ("sysex", bytes(body))
    return ("bytes", bytes(raw))


def from_mido(msg):
    if msg.type == "sysex":
        return ("sysex", bytes(msg.data))
    return ("bytes", bytes(msg.bytes()))


def main():
    writer = sys.argv[1]
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run([writer, folder], check=True)
        expected = collections.defaultdict(list)
        with open(os.path.join(folder, "expected.txt")) as f:
            for line in f:
                parts = line.split()
                name, track, tick = parts[0], int(parts[1]), int(parts[2])
                raw = bytes.fromhex(parts[3]) if len(parts) > 3 else b""
                expected[(name, track)].append((tick, normalise(raw)))
        failures = 0
        checked = 0
        for name in sorted({k[0] for k in expected}):
            midi = mido.MidiFile(os.path.join(folder, name))
            want_type = 0 if name.endswith("format0.mid") else 1
            if midi.type != want_type or midi.ticks_per_beat != 480:
                print(f"{name}: type {midi.type}, division {midi.ticks_per_beat}")
                failures += 1
            tracks = [k for k in expected if k[0] == name]
            if len(midi.tracks) != len(tracks):
                print(f"{name}: {len(midi.tracks)} tracks, expected {len(tracks)}")
                failures += 1
            for index, track in enumerate(midi.tracks):
                got = []
                tick = 0
                for msg in track:
                    tick += msg.time
                    got.append((tick, from_mido(msg)))
                want = expected[(name, index)]
                checked += len(want)
                if got != want:
                    failures += 1
                    print(f"{name} track {index} differs")
                    for a, b in zip(got, want):
                        if a != b:
                            print("  mido:", a, " writer:", b)
                    if len(got) != len(want):
                        print(f"  {len(got)} events read, {len(want)} written")
        print(f"{checked - failures} passed, {failures} failed")
        return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
