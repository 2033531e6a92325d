"""Writes ".pat" files with struct (normal, all-repeat, tones up to 46, layout
3), has the step editor load and save each in every slot, and checks the saved
bytes against what this script expects of a load and a store: little-endian
ints taken in order, repeat steps copied from the step before them, everything else as loaded. Files of another size or with a value
outside its field's range (short, long, random, layout 4, tone 47, cell 2) are
refused and write nothing."""
import os
import random
import struct
import subprocess
import sys

tool, work = sys.argv[1], sys.argv[2]
os.makedirs(work, exist_ok=True)
STEPS = 16


def grid(cells, tones, flags):
    return list(cells) + list(tones) + list(flags)


def pack(ints):
    return struct.pack('<%di' % len(ints), *ints)


def run_all(jobs):
    """Loads and saves each (slot, bytes, name) in one run of the tool; gives
    per job the saved bytes, None when refused without writing, or b'written'."""
    args, outs = [], []
    for i, (slot, data, name) in enumerate(jobs):
        path = os.path.join(work, '%s_%d.pat' % (name, i))
        out = os.path.join(work, 'out%d.pat' % i)
        with open(path, 'wb') as f:
            f.write(data)
        if os.path.exists(out):
            os.remove(out)
        args += [str(slot), path, out]
        outs.append(out)
    done = subprocess.run([tool] + args, stdout=subprocess.PIPE, text=True)
    codes = [int(c) for c in done.stdout.split()]
    if done.returncode != 0 or len(codes) != len(jobs):
        sys.exit('tool failed: %d' % done.returncode)
    results = []
    for code, out in zip(codes, outs):
        if code == 3:
            results.append(None if not os.path.exists(out) else b'written')
            continue
        if code != 0:
            sys.exit('tool failed: %d' % code)
        with open(out, 'rb') as f:
            results.append(f.read())
    return results


def expect(data):
    ints = list(struct.unpack('<511i', data))
    for g in (0, 1, 0, 1):  # twice: a run wrapping round settles on the second
        base = 254 * g
        for c in range(STEPS):
            if ints[base + 238 + c] != 1:
                continue
            before = STEPS - 1 if c == 0 else c - 1
            for r in range(14):
                ints[base + 16 * r + c] = ints[base + 16 * r + before]
    return pack(ints)


normal = grid([(r * 3 + c) % 2 for r in range(14) for c in range(16)], range(14),
              [0, 0, 1, 1] + [0] * 12)
second = grid([(r + c) % 3 == 0 for r in range(14) for c in range(16)], range(7, 21), [0] * 16)
files = {
    'normal': pack(normal + second + [1, 1, 0]),
    'all_repeat': pack(grid([c % 2 for _ in range(14) for c in range(16)], range(14), [1] * 16) * 2
                       + [0, 0, 1]),
    'tones46': pack(grid([1] * 224, range(33, 47), [0] * 16) + normal + [2, 0, 1]),
    'layout3': pack(normal + second + [3, 1, 1]),
    # Repeats at both ends: a run wrapping from step 15 to step 0.
    'wrapped': pack(grid([(r + 2 * c) % 5 == 0 for r in range(14) for c in range(16)], range(14),
                         [1, 1] + [0] * 12 + [1, 1]) * 2 + [1, 0, 0]),
}
rng = random.Random(7)
refused = {
    'short': pack(normal)[:1021],
    'empty': b'',
    'long': pack(normal + second + [1, 1, 0]) + b'\0',
    'random': bytes(rng.randrange(256) for _ in range(2044)),
    'layout4': pack(normal + second + [4, 1, 1]),
    'tone47': pack(grid([0] * 224, range(34, 48), [0] * 16) + second + [0, 0, 0]),
    'cell2': pack(grid([2] + [0] * 223, range(14), [0] * 16) + second + [0, 0, 0]),
}
failures = 0
refused_jobs = [(slot, name) for slot in range(4) for name in refused]
for (slot, name), got in zip(refused_jobs, run_all([(s, refused[n], n) for s, n in refused_jobs])):
    if got is not None:
        print('slot %d, %s: not refused' % (slot, name))
        failures += 1
file_jobs = [(slot, name) for slot in range(4) for name in files]
saved = run_all([(s, files[n], n) for s, n in file_jobs])
for (slot, name), got in zip(file_jobs, saved):
    if got != expect(files[name]):
        print('slot %d, %s: saved bytes differ' % (slot, name))
        failures += 1
# A file the editor wrote loads back into any slot unchanged.
again_jobs = [(slot, name, got, other)
              for (slot, name), got in zip(file_jobs, saved) for other in range(4)]
for (slot, name, got, other), again in zip(
        again_jobs, run_all([(other, got, name) for _, name, got, other in again_jobs])):
    want = expect(got)
    if again != want or (other == slot and again != got):
        print('slot %d, %s again in slot %d: differs' % (slot, name, other))
        failures += 1
print('%d files checked, %d failures' % ((len(files) + len(refused)) * 4, failures))
sys.exit(1 if failures else 0)
