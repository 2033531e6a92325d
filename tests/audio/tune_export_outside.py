"""Composed tunes exported to AIFF and WAV, checked by sox, ffmpeg and the
fluidsynth command line rendering the same tune with the same soundfont."""
import math
import os
import shutil
import struct
import subprocess
import sys
import tempfile
from concurrent.futures import ThreadPoolExecutor

import mido

FONT = "/usr/share/sounds/sf2/TimGM6mb.sf2"
RATE = 44100
WINDOW = RATE // 20  # 50 ms


def probe(path):
    out = subprocess.run(["ffprobe", "-v", "error", "-show_entries",
                          "stream=sample_rate,channels,bits_per_sample", "-of",
                          "default=nw=1", path], capture_output=True, text=True, check=True)
    fields = dict(line.split("=") for line in out.stdout.split())
    sox = subprocess.run(["sox", "--i", path], capture_output=True, text=True, check=True).stdout
    return (int(fields["sample_rate"]), int(fields["channels"]), int(fields["bits_per_sample"]),
            "44100" in sox and "Channels       : 2" in sox and "16-bit" in sox)


def raw_samples(path):
    out = subprocess.run(["sox", path, "-t", "raw", "-e", "signed", "-b", "16", "-L", "-"],
                         capture_output=True, check=True)
    return out.stdout


def envelope(pcm):
    count = len(pcm) // 4
    samples = struct.unpack("<%dh" % (count * 2), pcm[:count * 4])
    env = []
    for start in range(0, count - WINDOW + 1, WINDOW):
        chunk = samples[2 * start:2 * (start + WINDOW)]
        env.append(math.sqrt(sum(s * s for s in chunk[::4]) / (len(chunk) / 4)))
    return env


def correlation(a, b):
    n = min(len(a), len(b))
    a, b = a[:n], b[:n]
    ma, mb = sum(a) / n, sum(b) / n
    cov = sum((x - ma) * (y - mb) for x, y in zip(a, b))
    va = math.sqrt(sum((x - ma) ** 2 for x in a))
    vb = math.sqrt(sum((y - mb) ** 2 for y in b))
    return cov / (va * vb) if va and vb else 0.0


def check_tune(tool, tune, work):
    failures = []
    wav = os.path.join(work, "out.wav")
    if subprocess.run([tool, tune, work, wav]).returncode != 0:
        return ["export failed: " + tune]
    aiff = os.path.join(work, "temp.aiff")
    if not os.path.exists(aiff):
        failures.append("temp.aiff missing")
    for path in (aiff, wav):
        rate, channels, bits, sox_ok = probe(path)
        if (rate, channels, bits) != (RATE, 2, 16) or not sox_ok:
            failures.append("%s read as %d Hz %d ch %d bits" % (path, rate, channels, bits))
    ours = raw_samples(wav)
    if ours != raw_samples(aiff):
        failures.append("WAV samples differ from the AIFF's")
    first = open(wav, "rb").read()
    subprocess.run([tool, tune, work, wav], check=True)
    if open(wav, "rb").read() != first:
        failures.append("second export differs")
    theirs_path = os.path.join(work, "fluid.wav")
    subprocess.run(["fluidsynth", "-ni", "-q", "-R", "0", "-C", "0", "-r", str(RATE), "-g", "0.2",
                    "-T", "wav", "-F", theirs_path, FONT, tune], check=True,
                   capture_output=True)
    theirs = raw_samples(theirs_path)
    r = correlation(envelope(ours), envelope(theirs))
    tune_length = mido.MidiFile(tune).length
    ours_s, theirs_s = len(ours) / 4 / RATE, len(theirs) / 4 / RATE
    print("%s: envelope correlation %.4f; tune %.2f s, ours %.2f s, fluidsynth %.2f s"
          % (os.path.basename(tune), r, tune_length, ours_s, theirs_s))
    CORRELATIONS.append(r)
    if r < 0.90:
        failures.append("envelope correlation %.3f" % r)
    # Our tail stops when no voice sounds, at most 3 s after the last event;
    # the command line lets the last voices ring out without a limit.
    if not tune_length - 0.05 <= ours_s <= tune_length + 3.1 or ours_s > theirs_s + 0.1:
        failures.append("lengths: tune %.2f, ours %.2f, fluidsynth %.2f s"
                        % (tune_length, ours_s, theirs_s))
    return failures


CORRELATIONS = []


def main():
    writer, tool = sys.argv[1], sys.argv[2]
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 4
    if not shutil.which("fluidsynth") or not os.path.exists(FONT):
        print("fluidsynth or soundfont missing")
        return 77
    folder = tempfile.mkdtemp()
    try:
        subprocess.run([writer, folder], check=True, capture_output=True)
        tunes = sorted(f for f in os.listdir(folder) if f.endswith(".mid"))[:count]
        # The tunes are checked side by side, each in a work folder of its own.
        with ThreadPoolExecutor(max_workers=len(tunes) or 1) as pool:
            results = pool.map(lambda tune: check_tune(tool, os.path.join(folder, tune),
                                                       tempfile.mkdtemp(dir=folder)), tunes)
            failures = [f for result in results for f in result]
        ordered = sorted(CORRELATIONS)
        median = ordered[len(ordered) // 2] if ordered else 0.0
        print("median envelope correlation %.4f" % median)
        if median < 0.95:
            failures.append("median envelope correlation %.3f" % median)
        for f in failures:
            print("FAIL:", f)
        return 1 if failures or not tunes else 0
    finally:
        shutil.rmtree(folder)


if __name__ == "__main__":
    sys.exit(main())
