#!/usr/bin/python3
"""Writes MIDI files with an outside writer (mido) and converts each in a 4/4,
a 3/4 and a triplet preset through conversion_writer. Checks each result with
mido: it reads, keeps the style's time signature, and its melody channel plays
only pitches of the file's melody (the higher of two sounding together). The
files to refuse give no result.

Usage: make_conversion_material.py <conversion_writer> <folder>"""
import os
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor

import mido

CHORDS = [(60, 64, 67), (65, 69, 72), (67, 71, 74), (57, 60, 64)]  # C F G Am
MINOR = [(57, 60, 64), (62, 65, 69), (64, 68, 71), (57, 60, 64)]   # Am Dm E Am


def song(division, bars, chords=CHORDS, beats=4, cells=1, drums=True, gs=False,
         extra_channels=0, second_obbligato=False, tempo=True):
    """Per channel a list of (start, length, pitch, velocity) in ticks."""
    notes = {c: [] for c in range(16)}
    bar = beats * division
    for b in range(bars):
        t0 = b * bar
        for k in range(cells):
            chord = chords[(b * cells + k) % len(chords)]
            span = bar // cells
            for p in chord:
                notes[1].append((t0 + k * span, span, p - 12, 70))
            notes[2].append((t0 + k * span, span, chord[0] - 24, 90))
        for q in range(beats):
            chord = chords[b % len(chords)]
            pitch = chord[q % 3] + 12
            notes[0].append((t0 + q * division, division, pitch, 100))
            if q == 0:  # a lower note together with the first: the higher stays
                notes[0].append((t0, division, pitch - 7, 60))
            if drums:
                notes[9].append((t0 + q * division, division // 2 or 1, 42, 80))
        if second_obbligato:
            notes[3].append((t0, bar // 2, chords[b % 4][1] + 12, 60))
            notes[4].append((t0 + bar // 2, bar // 2, chords[b % 4][2] + 12, 60))
        for c in range(extra_channels):
            ch = 5 + c if 5 + c != 9 else 15
            notes[ch].append((t0, bar, 48 + c, 40))
    return notes, tempo, gs


def track_of(events, channel_notes, channel):
    for start, length, pitch, vel in channel_notes:
        events.append((start, 1, mido.Message('note_on', channel=channel, note=pitch, velocity=vel)))
        events.append((start + length, 0, mido.Message('note_off', channel=channel, note=pitch)))


def to_track(events, head=()):
    track = mido.MidiTrack(list(head))
    now = 0
    for t, _, msg in sorted(events, key=lambda e: (e[0], e[1])):
        track.append(msg.copy(time=t - now))
        now = t
    return track


def write(path, fmt, division, spec, beats=4):
    notes, tempo, gs = spec
    head = []
    if tempo:
        head.append(mido.MetaMessage('set_tempo', tempo=500000))
        head.append(mido.MetaMessage('time_signature', numerator=beats, denominator=4))
    if gs:
        head.append(mido.Message('sysex', data=[0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41]))
        head.append(mido.Message('sysex', data=[0x41, 0x10, 0x42, 0x12, 0x40, 0x1A, 0x15, 0x02, 0x0F]))
    mid = mido.MidiFile(type=fmt, ticks_per_beat=division)
    if fmt == 0:
        events = []
        for c in range(16):
            track_of(events, notes[c], c)
        mid.tracks.append(to_track(events, head))
    else:
        mid.tracks.append(mido.MidiTrack(head))
        for c in range(16):
            if notes[c]:
                events = []
                track_of(events, notes[c], c)
                mid.tracks.append(to_track(events))
    mid.save(path)  # mido writes running status
    return notes


def melody_pitches(notes):
    by_start = {}
    for start, _, pitch, _ in notes[0]:
        by_start[start] = max(by_start.get(start, 0), pitch)
    return set(by_start.values())


def check_result(path, kind, source_melody, problems):
    mid = mido.MidiFile(path)
    sig = [m for t in mid.tracks for m in t if m.type == 'time_signature']
    want = 3 if kind == '34' else 4
    if sig and sig[0].numerator != want:
        problems.append(f'{path}: time signature {sig[0].numerator}, style has {want}')
    played = set()
    for t in mid.tracks:
        for m in t:
            if m.type == 'note_on' and m.velocity > 0 and m.channel == 1:
                played.add(m.note)
    if not played:
        problems.append(f'{path}: no melody')
    elif not played <= source_melody:
        problems.append(f'{path}: melody pitches {sorted(played - source_melody)} not in the file')
    return len(played)


def convert_all(writer, folder, jobs):
    """Runs the writer on each (in, out, kind), several at once, each in a
    fresh work folder of its own; gives the finished processes in order."""
    def one(index_job):
        index, (path, out, kind) = index_job
        work = os.path.join(folder, f'work{index}')
        os.makedirs(work, exist_ok=True)
        return subprocess.run([writer, work, path, out, kind], capture_output=True, text=True)
    with ThreadPoolExecutor(max_workers=min(4, os.cpu_count() or 1)) as pool:
        return list(pool.map(one, enumerate(jobs)))


def main():
    writer, folder = sys.argv[1], sys.argv[2]
    os.makedirs(folder, exist_ok=True)
    cases = []
    for fmt in (0, 1):
        for division in (1, 7, 96, 97, 480, 1000, 32767):
            cases.append((f'f{fmt}_d{division}.mid', fmt, division, song(division, 8), 4))
    cases.append(('two_cells.mid', 1, 480, song(480, 8, cells=2), 4))
    cases.append(('sixteen.mid', 1, 480, song(480, 8, extra_channels=11, second_obbligato=True, gs=True), 4))
    cases.append(('no_tempo.mid', 0, 96, song(96, 8, tempo=False), 4))
    cases.append(('minor.mid', 1, 96, song(96, 8, chords=MINOR), 4))
    cases.append(('three_four.mid', 1, 96, song(96, 8, beats=3), 3))
    problems = []
    table = []
    melodies, jobs = {}, []
    for name, fmt, division, spec, beats in cases:
        path = os.path.join(folder, name)
        melodies[name] = melody_pitches(write(path, fmt, division, spec, beats))
        for kind in ('44', '34', 'triplet'):
            jobs.append((path, os.path.join(folder, f'{name[:-4]}_{kind}_out.mid'), kind))
    # Files to refuse.
    drums = {c: [] for c in range(16)}
    drums[9] = [(i * 96, 48, 36, 90) for i in range(16)]
    refuse = {'drums_only.mid': (drums, True, False)}
    for name, spec in refuse.items():
        write(os.path.join(folder, name), 0, 96, spec)
    good = open(os.path.join(folder, 'f1_d480.mid'), 'rb').read()
    open(os.path.join(folder, 'format2.mid'), 'wb').write(good[:9] + b'\x02' + good[10:])
    open(os.path.join(folder, 'cut.mid'), 'wb').write(good[:len(good) // 3])
    open(os.path.join(folder, 'timecode.mid'), 'wb').write(good[:12] + b'\xe7\x28' + good[14:])
    refused = ('drums_only.mid', 'format2.mid', 'cut.mid', 'timecode.mid')
    for name in refused:
        jobs.append((os.path.join(folder, name), os.path.join(folder, name[:-4] + '_out.mid'), '44'))
    runs = iter(zip(jobs, convert_all(writer, folder, jobs)))
    for name, *_ in cases:
        row = [name]
        for (_, out, kind), r in (next(runs) for _ in range(3)):
            if r.returncode != 0:
                problems.append(f'{name} {kind}: writer returned {r.returncode} {r.stdout.strip()}')
                row.append('fail')
                continue
            n = check_result(out, kind, melodies[name], problems)
            row.append(f'ok({n})')
        table.append(row)
    for name, ((_, out, _), r) in zip(refused, runs):
        if r.returncode == 0 or os.path.exists(out):
            problems.append(f'{name}: converted although it should be refused')
        table.append([name, 'refused' if r.returncode == 3 else f'rc {r.returncode}'])
    for row in table:
        print(' '.join(f'{c:16}' for c in row))
    for p in problems:
        print('PROBLEM', p)
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
