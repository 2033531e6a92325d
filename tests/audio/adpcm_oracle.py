#!/usr/bin/env python3
"""An independent model of the Yamaha-, OKI-, IMA-style and handset-maker
ADPCM encoders, compared byte for byte with the program's over 300
buffers. It also checks the state limits a full-scale square wave reaches,
and that the G.721 and G.726-16 streams of the same buffers, decoded by a
model in the Recommendation's bit-pattern form, give exactly the encoder's
own reconstruction.

Usage: adpcm_oracle.py ADPCM_TOOL
Other scripts import it for the encoders' reconstructions."""
import math
import os
import random
import struct
import subprocess
import sys
import tempfile

import g726_model

MULTIPLIER = [1, 3, 5, 7, 9, 11, 13, 15, -1, -3, -5, -7, -9, -11, -13, -15]
YAMAHA_FACTOR = [230, 230, 230, 230, 307, 409, 512, 614]
IMA_INDEX = [-1, -1, -1, -1, 2, 4, 6, 8]
OKI_INDEX = [-1, -1, -1, -1, 2, 4, 6, 8]
LG_INDEX = [-1, -1, -1, -1, 1, 2, 4, 8]
OKI_STEP = [16, 17, 19, 21, 23, 25, 28, 31, 34, 37, 41, 45, 50, 55, 60, 66, 73,
            80, 88, 97, 107, 118, 130, 143, 157, 173, 190, 209, 230, 253, 279,
            307, 337, 371, 408, 449, 494, 544, 598, 658, 724, 796, 876, 963,
            1060, 1166, 1282, 1408, 1552]


# The standard IMA step table, 89 entries.
IMA_STEP = [7, 8, 9, 10, 11, 12, 13, 14, 16, 17, 19, 21, 23, 25, 28, 31, 34,
            37, 41, 45, 50, 55, 60, 66, 73, 80, 88, 97, 107, 118, 130, 143,
            157, 173, 190, 209, 230, 253, 279, 307, 337, 371, 408, 449, 494,
            544, 598, 658, 724, 796, 876, 963, 1060, 1166, 1282, 1411, 1552,
            1707, 1878, 2066, 2272, 2499, 2749, 3024, 3327, 3660, 4026, 4428,
            4871, 5358, 5894, 6484, 7132, 7845, 8630, 9493, 10442, 11487,
            12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086,
            29794, 32767]


def tdiv(a, b):
    """Integer division truncating toward zero."""
    q = abs(a) // abs(b)
    return q if (a < 0) == (b < 0) else -q


def clamp(v, lo, hi):
    return max(lo, min(hi, v))


def pack(codes, first_high):
    out = bytearray()
    for i in range(0, len(codes) - 1, 2):
        a, b = codes[i], codes[i + 1]
        out.append((a << 4 | b) if first_high else (b << 4 | a))
    return bytes(out)


def yamaha(x):
    """Codes, predictor after each sample, largest step."""
    pred, step, codes, trace, top = 0, 0, [], [], 0
    for s in x:
        if step == 0:
            pred, step = 0, 127
        d = tdiv((s - pred) * 8, step)
        code = min(abs(d) // 2, 7) + (8 if d < 0 else 0)
        pred = clamp(pred + tdiv(MULTIPLIER[code] * step, 8), -32768, 32767)
        step = clamp((YAMAHA_FACTOR[code & 7] * step) >> 8, 127, 24576)
        codes.append(code)
        trace.append(pred)
        top = max(top, step)
    return pack(codes, False), trace, top


def ima(x):
    pred, index, codes, trace, top = 0, 0, [], [], 0
    for s in x:
        step = IMA_STEP[index]
        code = min(tdiv(abs(s - pred) * 4, step), 7) + (8 if s < pred else 0)
        pred = clamp(pred + tdiv(step * MULTIPLIER[code], 8), -32768, 32767)
        index = clamp(index + IMA_INDEX[code & 7], 0, 88)
        codes.append(code)
        trace.append(pred)
        top = max(top, index)
    return pack(codes, False), trace, top


def oki_bits(diff, step):
    """The code of a difference and the reconstruction it stands for."""
    m = abs(diff)
    code, delta = 0, tdiv(step, 8)
    if m >= step:
        code |= 4
        m -= step
        delta += step
    if m >= tdiv(step, 2):
        code |= 2
        m -= tdiv(step, 2)
        delta += tdiv(step, 2)
    if m >= tdiv(step, 4):
        code |= 1
        delta += tdiv(step, 4)
    if diff < 0:
        code |= 8
        delta = -delta
    return code, delta


def smooth_silence(x):
    """Runs of silent samples, checked at the start of each next sample."""
    x = list(x)
    run = None  # [start, length] while a run is open
    for i, s in enumerate(x):
        if run is not None and run[1] > 1:
            for p in range(run[0], run[0] + run[1]):
                x[p] = 64 + 16 * (p % 4)
            run = None
        if tdiv(s, 16) == 0:
            if run is None:
                run = [i, 1]
            else:
                run[1] += 1
        else:
            run = None
    return x


def oki(x):
    x = smooth_silence(x)
    pred, index, codes, top = 0, 0, [], 0
    for s in x:
        s12 = tdiv(s, 16)
        step = OKI_STEP[index]
        diff = s12 - pred
        diff = (diff + 32768) % 65536 - 32768  # 16-bit
        code, delta = oki_bits(diff, step)
        pred = clamp(pred + delta, -2048, 2048)
        index = clamp(index + OKI_INDEX[code & 7], 0, 24)
        codes.append(code)
        top = max(top, index)
    return pack(codes, True), None, top


def lg(x):
    table = [i + 4 for i in range(19)]
    pred, index, codes, top = table[0], 0, [], 0
    for s in x:
        step = table[index]
        code, delta = oki_bits(tdiv(s, 32) - pred, step)
        pred = clamp(pred + delta, -15000, 15000)
        index = clamp(index + LG_INDEX[code & 7], 0, 18)
        codes.append(code)
        top = max(top, index)
    return bytes(4) + pack(codes, True), None, top


MODELS = {1: yamaha, 2: oki, 5: ima, 6: lg}


def buffers():
    """300 inputs: silence, sines, full-scale squares and noise, with counts
    0-3 and odd and even lengths."""
    rng = random.Random(33)
    counts = [0, 1, 2, 3, 4, 5, 6, 7, 17, 64, 255, 256, 1001, 4000]
    out = []
    while len(out) < 300:
        kind = len(out) % 6
        n = counts[len(out) % len(counts)] if len(out) < 2 * len(counts) else rng.randint(0, 3000)
        if kind == 0:
            # Silence, exact or within the OKI silence band, with rare bumps.
            x = [0 if rng.random() < 0.5 else rng.randint(-15, 15) for _ in range(n)]
            for _ in range(n // 50):
                x[rng.randrange(n)] = rng.choice([-400, 16, -16, 300])
        elif kind in (1, 2):
            f, a = rng.uniform(20, 3900), rng.choice([100, 3000, 16000, 32767])
            ph = rng.uniform(0, 6.3)
            x = [int(a * math.sin(ph + 2 * math.pi * f * i / 8000)) for i in range(n)]
        elif kind == 3:
            period = rng.choice([2, 3, 8, 40, 101])
            x = [32767 if (i // period) % 2 == 0 else -32768 for i in range(n)]
        elif kind == 4:
            a = rng.choice([20, 500, 32768])
            x = [clamp(rng.randint(-a, a), -32768, 32767) for _ in range(n)]
        else:
            x = [rng.randint(-32768, 32767) if rng.random() < 0.1 else rng.randint(-40, 40)
                 for _ in range(n)]
        out.append(x)
    return out


def write_raw(path, x):
    with open(path, "wb") as f:
        f.write(struct.pack("<%dh" % len(x), *x))


def check_square_limits():
    """A full-scale square wave pushes each state to its limit and no further."""
    x = [32767 if (i // 4) % 2 == 0 else -32768 for i in range(4000)]
    want = {1: 24576, 2: 24, 5: 88, 6: 18}
    bad = 0
    for codec, model in MODELS.items():
        top = model(x)[2]
        if top != want[codec]:
            print(f"codec {codec}: square wave reaches {top}, expected {want[codec]}")
            bad += 1
    return bad


def read_s16(path):
    with open(path, "rb") as f:
        data = f.read()
    return list(struct.unpack("<%dh" % (len(data) // 2), data))


def check_g72x(folder, k, x):
    """The stream and the reconstruction the tool wrote for buffer k."""
    bad = 0
    for codec, bits in ((3, 4), (4, 2)):
        with open(os.path.join(folder, f"out{k}_{codec}.bin"), "rb") as f:
            data = f.read()
        own = read_s16(os.path.join(folder, f"rec{k}_{codec}.raw"))
        per = 8 // bits
        if len(data) != len(x) // per or len(own) != len(x):
            print(f"buffer {k}, codec {codec}: {len(data)} bytes for {len(x)} samples")
            bad += 1
        elif g726_model.decode(data, bits) != own[: len(data) * per]:
            print(f"buffer {k}, codec {codec}: the model decodes another signal")
            bad += 1
    return bad


def main():
    tool = sys.argv[1]
    bad = check_square_limits()
    with tempfile.TemporaryDirectory() as folder:
        jobs, expected = [], {}
        inputs = buffers()
        for k, x in enumerate(inputs):
            raw = os.path.join(folder, f"in{k}.raw")
            write_raw(raw, x)
            for codec in (1, 2, 3, 4, 5, 6):
                out = os.path.join(folder, f"out{k}_{codec}.bin")
                jobs.append(f"{codec} {raw} {out} {os.path.join(folder, f'rec{k}_{codec}.raw')}\n")
                if codec in MODELS:
                    expected[out] = (MODELS[codec](x)[0], k, codec, len(x))
        listing = os.path.join(folder, "list.txt")
        with open(listing, "w") as f:
            f.writelines(jobs)
        subprocess.run([tool, "--list", listing], check=True)
        for out, (want, k, codec, n) in expected.items():
            with open(out, "rb") as f:
                got = f.read()
            if got != want:
                first = next((i for i in range(min(len(got), len(want))) if got[i] != want[i]),
                             min(len(got), len(want)))
                print(f"buffer {k} ({n} samples), codec {codec}: {len(got)} bytes, "
                      f"expected {len(want)}, first difference at byte {first}")
                bad += 1
        g72x = sum(check_g72x(folder, k, x) for k, x in enumerate(inputs))
    print(f"{len(expected)} streams compared byte for byte, {2 * len(inputs)} G.721 and "
          f"G.726-16 streams decoded, {bad + g72x} failures")
    return 1 if bad + g72x else 0


if __name__ == "__main__":
    sys.exit(main())
