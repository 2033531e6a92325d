#!/usr/bin/env python3
"""Outside decoders read the program's ADPCM streams.

  adpcm_outside.py ffmpeg ADPCM_TOOL   Yamaha-style streams in a WAV file of
      format tag 0x0020 decode to exactly the encoder's predictor trace; the
      G.721 and 16 kbit/s G.726 streams of a 1 kHz sine at -6 dBFS decode
      (g726le) above 20 and 6 dB, compared with the encoder's own
      reconstruction. ffmpeg mixes the scale factor with more fraction bits
      than the Recommendation, so its samples differ slightly from ours; the
      bit-pattern model with ffmpeg's mix must give ffmpeg's samples
      exactly, and with the Recommendation's mix our own.
  adpcm_outside.py sox ADPCM_TOOL      IMA-style streams read as raw IMA with
      reversed nibbles decode to exactly the encoder's predictor trace.

Exits 77 (skipped) when the decoder is not installed."""
import math
import os
import shutil
import struct
import subprocess
import sys
import tempfile
from concurrent.futures import ThreadPoolExecutor

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import adpcm_oracle  # noqa: E402
import g726_model  # noqa: E402

SKIP = 77


def read_s16(path):
    with open(path, "rb") as f:
        data = f.read()
    return list(struct.unpack("<%dh" % (len(data) // 2), data[: len(data) // 2 * 2]))


def encode(tool, folder, codec, x, name, recon=False):
    raw = os.path.join(folder, name + ".raw")
    out = os.path.join(folder, name + ".bin")
    adpcm_oracle.write_raw(raw, x)
    args = [tool, str(codec), raw, out]
    if recon:
        args.append(os.path.join(folder, name + ".rec"))
    subprocess.run(args, check=True)
    with open(out, "rb") as f:
        return f.read()


def encode_all(tool, folder, jobs):
    """Encodes each (codec, samples, name) in one run of the tool; gives the
    streams in order."""
    listing = os.path.join(folder, "list.txt")
    with open(listing, "w") as f:
        for codec, x, name in jobs:
            adpcm_oracle.write_raw(os.path.join(folder, name + ".raw"), x)
            f.write("%d %s %s %s\n" % (codec, *(os.path.join(folder, name + ext)
                                                 for ext in (".raw", ".bin", ".rec"))))
    subprocess.run([tool, "--list", listing], check=True)
    streams = []
    for _, _, name in jobs:
        with open(os.path.join(folder, name + ".bin"), "rb") as f:
            streams.append(f.read())
    return streams


def decode_all(commands):
    """Runs the outside decoder's command lines, several at once."""
    with ThreadPoolExecutor(max_workers=min(4, os.cpu_count() or 1)) as pool:
        for done in pool.map(lambda args: subprocess.run(args), commands):
            done.check_returncode()


def yamaha_wav(path, data):
    fmt = struct.pack("<HHIIHH", 0x0020, 1, 8000, 4000, 1, 4)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 4 + 24 + 8 + len(data)) + b"WAVE")
        f.write(b"fmt " + struct.pack("<I", len(fmt)) + fmt)
        f.write(b"data" + struct.pack("<I", len(data)) + data)


def exact_inputs():
    """The oracle's buffers that hold at least one byte of codes."""
    return [x for x in adpcm_oracle.buffers() if len(x) >= 2][:60]


def compare(label, want, got):
    if want == got:
        return 0
    diffs = [i for i in range(min(len(want), len(got))) if want[i] != got[i]]
    first = diffs[0] if diffs else min(len(want), len(got))
    print(f"{label}: {len(got)} samples, expected {len(want)}, "
          f"{len(diffs)} differ, first at {first}")
    return 1


def snr(ref, got):
    p = sum(v * v for v in ref)
    e = sum((a - b) ** 2 for a, b in zip(ref, got))
    return math.inf if e == 0 else 10 * math.log10(p / e)


def check_yamaha(tool, folder):
    bad = 0
    inputs = exact_inputs()
    streams = encode_all(tool, folder, [(1, x, f"y{k}") for k, x in enumerate(inputs)])
    for k, data in enumerate(streams):
        yamaha_wav(os.path.join(folder, f"y{k}.wav"), data)
    decode_all([["ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-i",
                 os.path.join(folder, f"y{k}.wav"), "-f", "s16le",
                 os.path.join(folder, f"y{k}.dec")] for k in range(len(inputs))])
    for k, x in enumerate(inputs):
        dec = os.path.join(folder, f"y{k}.dec")
        trace = adpcm_oracle.yamaha(x)[1][: len(x) // 2 * 2]
        bad += compare(f"Yamaha buffer {k}", trace, read_s16(dec))
    print(f"ffmpeg, WAV tag 0x0020: {len(inputs)} streams, {bad} differ from the predictor trace")
    return bad


def check_g726(tool, folder):
    bad = 0
    sine = [round(16384 * math.sin(2 * math.pi * 1000 * i / 8000)) for i in range(16000)]
    for codec, bits, floor in ((3, 4, 20.0), (4, 2, 6.0)):
        data = encode(tool, folder, codec, sine, f"g{codec}", recon=True)
        stream = os.path.join(folder, f"g{codec}.bin")
        dec = os.path.join(folder, f"g{codec}.dec")
        subprocess.run(["ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-f", "g726le",
                        "-code_size", str(bits), "-ar", "8000", "-ac", "1", "-i", stream,
                        "-f", "s16le", dec], check=True)
        got = read_s16(dec)
        own = read_s16(os.path.join(folder, f"g{codec}.rec"))
        n = len(data) * 8 // bits
        ref = sine[:n]
        same = sum(1 for a, b in zip(own, got) if a == b)
        print(f"ffmpeg g726le, codec {codec}: {len(got)} samples, SNR {snr(ref, got):.2f} dB "
              f"(own reconstruction {snr(ref, own[:n]):.2f} dB); equal to the own "
              f"reconstruction: {'yes' if own[:n] == got else 'no'} ({same} of {n} samples "
              f"equal, decoder against own {snr(own[:n], got):.2f} dB)")
        if len(got) != n or snr(ref, got) < floor:
            print(f"codec {codec}: below {floor} dB or wrong length")
            bad += 1
        as_ffmpeg = g726_model.decode(data, bits, ffmpeg_mix=True) == got
        as_ours = g726_model.decode(data, bits) == own[:n]
        print(f"  model with ffmpeg's mix equals ffmpeg: {'yes' if as_ffmpeg else 'no'}; "
              f"with the Recommendation's mix equals our reconstruction: "
              f"{'yes' if as_ours else 'no'}")
        bad += (not as_ffmpeg) + (not as_ours)
    return bad


def check_g726_exact(tool, folder):
    """Squares, noise and silence as well: ffmpeg's samples are the model's."""
    bad, inputs = 0, [x for x in exact_inputs() if len(x) >= 4][:12]
    jobs = [(k, codec, bits) for k in range(len(inputs)) for codec, bits in ((3, 4), (4, 2))]
    streams = encode_all(tool, folder, [(codec, inputs[k], f"e{k}_{codec}")
                                        for k, codec, _ in jobs])
    decode_all([["ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-f", "g726le",
                 "-code_size", str(bits), "-ar", "8000", "-ac", "1", "-i",
                 os.path.join(folder, f"e{k}_{codec}.bin"), "-f", "s16le",
                 os.path.join(folder, f"e{k}_{codec}.dec")] for k, codec, bits in jobs])
    for (k, codec, bits), data in zip(jobs, streams):
        dec = os.path.join(folder, f"e{k}_{codec}.dec")
        bad += compare(f"codec {codec} buffer {k}",
                       g726_model.decode(data, bits, ffmpeg_mix=True), read_s16(dec))
    print(f"ffmpeg g726le: {2 * len(inputs)} more streams, {bad} differ from the model "
          f"with ffmpeg's mix")
    return bad


def check_ima(tool, folder):
    bad = 0
    inputs = exact_inputs()
    streams = encode_all(tool, folder, [(5, x, f"i{k}") for k, x in enumerate(inputs)])
    for k, data in enumerate(streams):
        with open(os.path.join(folder, f"i{k}.ima"), "wb") as f:
            f.write(data)
    decode_all([["sox", "-t", "ima", "-N", "-r", "8000", "-c", "1",
                 os.path.join(folder, f"i{k}.ima"), "-t", "s16", "-e", "signed-integer",
                 os.path.join(folder, f"i{k}.dec")] for k in range(len(inputs))])
    for k, x in enumerate(inputs):
        dec = os.path.join(folder, f"i{k}.dec")
        trace = adpcm_oracle.ima(x)[1][: len(x) // 2 * 2]
        bad += compare(f"IMA buffer {k}", trace, read_s16(dec))
    print(f"sox -t ima -N: {len(inputs)} streams, {bad} differ from the predictor trace")
    return bad


def main():
    which, tool = sys.argv[1], sys.argv[2]
    if shutil.which(which) is None:
        print(f"{which} is not installed: skipped")
        return SKIP
    with tempfile.TemporaryDirectory() as folder:
        if which == "ffmpeg":
            bad = (check_yamaha(tool, folder) + check_g726(tool, folder) +
                   check_g726_exact(tool, folder))
        else:
            bad = check_ima(tool, folder)
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
