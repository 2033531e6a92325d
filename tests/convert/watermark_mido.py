#!/usr/bin/python3
"""Checks marked Standard MIDI Files against their inputs with mido, an
independent reader. The listing has one line per pair: input path, marked
path, and the text in hexadecimal ("-" for the empty text). For each pair:
the same notes at the same times on the same channels, velocities differing
only in bit 0; and in every track of the marked file, bit 0 of the
velocities of 2 or more runs through eight 1 bits, then each character's
bits from the most significant, over and over."""
import sys

import mido


def notes(midi):
    out = []
    for track in midi.tracks:
        tick = 0
        for message in track:
            tick += message.time
            if message.type == "note_on" and message.velocity > 0:
                out.append((tick, message.channel, message.note, message.velocity >> 1,
                            message.velocity if message.velocity < 2 else 2))
    return sorted(out)


def bit_table(text):
    bits = [1] * 8
    for byte in text:
        bits += [(byte >> b) & 1 for b in range(7, -1, -1)]
    return bits


pairs = 0
with open(sys.argv[1]) as listing:
    for line in filter(None, (l.split() for l in listing)):
        source, marked, hex_text = line
        text = b"" if hex_text == "-" else bytes.fromhex(hex_text)
        before, after = mido.MidiFile(source), mido.MidiFile(marked)
        if after.type != 1:
            sys.exit(f"{marked}: not format 1")
        if notes(before) != notes(after):
            sys.exit(f"{marked}: notes, times or velocities beyond bit 0 differ")
        bits = bit_table(text)
        for number, track in enumerate(after.tracks):
            carried = [m.velocity & 1 for m in track if m.type == "note_on" and m.velocity >= 2]
            expected = [bits[i % len(bits)] for i in range(len(carried))]
            if carried != expected:
                sys.exit(f"{marked}: track {number} does not carry the text")
        pairs += 1
if pairs == 0:
    sys.exit("nothing to check")
print(f"{pairs} marked files match their inputs")
