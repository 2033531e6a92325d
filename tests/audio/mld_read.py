#!/usr/bin/python3
"""Independent reader of ring-voice ".mld" files.

Runs the writer tool (argv[1]) into a scratch folder, then for every record,
rate and source it expects the conversion to be refused or reads the file:
the file length and every length field, the fixed events of the record's
layout, the voice pieces joined, decoded with this file's own decoders and
compared by SNR with the source as the maker is to prepare it (channels
matched, resampled, normalised), computed here as well.
"""
import math
import os
import subprocess
import sys
import tempfile
import wave
from concurrent.futures import ProcessPoolExecutor

# ---- the ring-voice records: code, codec, rates, layout --------------------
CODES = ["none", "n1", "n2", "d1", "f1", "p1", "p2", "so1", "so2", "sh1", "sh2", "san",
         "93", "p1s", "93s", "n2s", "s2s", "f1s", "lg"]
CODEC = [0, 1, 1, 3, 2, 2, 3, 1, 3, 2, 3, 2, 3, 2, 3, 1, 3, 2, 6]
R_ALL, R_48, R_4816 = (4000, 8000, 16000, 32000), (4000, 8000), (4000, 8000, 16000)
RATES = [(), R_48, R_ALL, R_4816, R_4816, R_4816, R_4816, R_48, R_4816, R_48, R_ALL, R_48,
         R_ALL, (8000, 16000), (8000, 16000), (8000, 16000), (8000, 16000), (8000, 16000),
         (8000, 16000)]
STEREO = set(range(13, 18))
VOICE_LAYOUT = {12, 14}


def cdiv(a, b):
    """Integer division truncating toward zero, as the maker's arithmetic."""
    q = abs(a) // abs(b)
    return q if (a >= 0) == (b >= 0) else -q


def be(b, at, n):
    return int.from_bytes(b[at:at + n], "big")


class Bad(Exception):
    pass


def need(cond, why):
    if not cond:
        raise Bad(why)


# ---- the samples the maker should encode -----------------------------------
def read_source(path):
    with wave.open(path, "rb") as w:
        ch, rate, raw = w.getnchannels(), w.getframerate(), w.readframes(w.getnframes())
    s = [int.from_bytes(raw[i:i + 2], "little", signed=True) for i in range(0, len(raw), 2)]
    return ch, rate, s


def prepare(ch, rate, s, out_ch, out_rate):
    if ch == 1 and out_ch == 2:
        s = [v for v in s for _ in (0, 1)]
    elif ch == 2 and out_ch == 1:
        s = [cdiv(s[i] + s[i + 1], 2) for i in range(0, len(s) - 1, 2)]
    if rate != out_rate:
        frames = len(s) // out_ch
        step = rate * 1000 // out_rate
        size = (out_rate * 1000 // rate) * (frames * out_ch * 2) // 1000
        n = size // (2 * out_ch)
        out = []
        for i in range(n):
            p = i * step
            k, f = p // 1000, p % 1000
            for c in range(out_ch):
                a = s[k * out_ch + c]
                b = s[(k + 1) * out_ch + c] if k + 1 < frames else a
                out.append(a + cdiv((b - a) * f, 1000))
        s = out
    peak = max([abs(v) for v in s if v != -32768] or [0])
    if peak:
        g = (3276700.0 / 100) / peak
        s = [max(-32768, min(32767, int(v * g))) for v in s]
    return s


# ---- decoders ----------------------------------------------------------------
def nibbles(data, high_first):
    for b in data:
        if high_first:
            yield b >> 4
            yield b & 15
        else:
            yield b & 15
            yield b >> 4


MULT = [1, 3, 5, 7, 9, 11, 13, 15, -1, -3, -5, -7, -9, -11, -13, -15]


def decode_yamaha(data):
    pred, step, out = 0, 0, []
    for c in nibbles(data, False):
        if step == 0:
            pred, step = 0, 127
        pred = max(-32768, min(32767, pred + cdiv(MULT[c] * step, 8)))
        step = max(127, min(24576, ([230, 230, 230, 230, 307, 409, 512, 614][c & 7] * step) >> 8))
        out.append(pred)
    return out


OKI_STEPS = [16, 17, 19, 21, 23, 25, 28, 31, 34, 37, 41, 45, 50, 55, 60, 66, 73, 80, 88, 97,
             107, 118, 130, 143, 157]


def step_delta(step, c):
    d = step >> 3
    if c & 1:
        d += step >> 2
    if c & 2:
        d += step >> 1
    if c & 4:
        d += step
    return -d if c & 8 else d


def decode_oki(data):
    pred, idx, out = 0, 0, []
    for c in nibbles(data, True):
        pred = max(-2048, min(2048, pred + step_delta(OKI_STEPS[idx], c)))
        idx = max(0, min(24, idx + [-1, -1, -1, -1, 2, 4, 6, 8][c & 7]))
        out.append(pred * 16)
    return out


def decode_lg(data):
    need(data[:4] == b"\0\0\0\0", "lg data does not start with four zero bytes")
    pred, idx, out = 4, 0, []
    for c in nibbles(data[4:], True):
        pred = max(-15000, min(15000, pred + step_delta(idx + 4, c)))
        idx = max(0, min(18, idx + [-1, -1, -1, -1, 1, 2, 4, 8][c & 7]))
        out.append(pred * 32)
    return out


POW2 = [1 << i for i in range(15)]


def quan(val, table):
    i = 0
    while i < len(table) and val >= table[i]:
        i += 1
    return i


def fmult(an, srn):
    anmag = an if an > 0 else ((-an) & 0x1FFF)
    anexp = quan(anmag, POW2) - 6
    anmant = 32 if anmag == 0 else (anmag >> anexp if anexp >= 0 else anmag << -anexp)
    wanexp = anexp + ((srn >> 6) & 0xF) - 13
    wanmant = (anmant * (srn & 0o77) + 0x30) >> 4
    r = ((wanmant << wanexp) & 0x7FFF) if wanexp >= 0 else (wanmant >> -wanexp)
    return -r if (an ^ srn) < 0 else r


# The predictor histories keep 11-bit floating values in 16-bit words;
# 0xFC20 is such a word read as a signed short.
NEG_ZERO = 0xFC20 - 0x10000


def float_of(mag, negative):
    e = quan(mag, POW2)
    f = (e << 6) + ((mag << 6) >> e)
    return f - 0x400 if negative else f


def dq_form(dq):
    mag = dq & 0x7FFF
    if mag == 0:
        return 0x20 if dq >= 0 else NEG_ZERO
    return float_of(mag, dq < 0)


def sr_form(sr):
    if sr == 0:
        return 0x20
    if sr > 0:
        return float_of(sr, False)
    return float_of(-sr, True) if sr > -32768 else NEG_ZERO


class G72x:
    """The G.726 decoder state and update of the ITU-T recommendation."""

    def __init__(self):
        self.yl, self.yu, self.dms, self.dml, self.ap = 34816, 544, 0, 0, 0
        self.a, self.b, self.pk = [0, 0], [0] * 6, [0, 0]
        self.dq, self.sr, self.td = [32] * 6, [32, 32], 0

    def step_size(self):
        if self.ap >= 256:
            return self.yu
        y = self.yl >> 6
        dif = self.yu - y
        al = self.ap >> 2
        if dif > 0:
            y += (dif * al) >> 6
        elif dif < 0:
            y += (dif * al + 0x3F) >> 6
        return y

    @staticmethod
    def reconstruct(sign, dqln, y):
        dql = dqln + (y >> 2)
        if dql < 0:
            return -0x8000 if sign else 0
        dex = (dql >> 7) & 15
        dqt = 128 + (dql & 127)
        dq = (dqt << 7) >> (14 - dex)
        return dq - 0x8000 if sign else dq

    def update(self, y, wi, fi, dq, sr, dqsez):
        pk0 = 1 if dqsez < 0 else 0
        mag = dq & 0x7FFF
        ylint, ylfrac = self.yl >> 15, (self.yl >> 10) & 0x1F
        thr1 = (32 + ylfrac) << ylint
        thr2 = (31 << 10) if ylint > 9 else thr1
        dqthr = (thr2 + (thr2 >> 1)) >> 1
        tr = 0 if self.td == 0 or mag <= dqthr else 1
        self.yu = max(544, min(5120, y + ((wi - y) >> 5)))
        self.yl += self.yu + ((-self.yl) >> 6)
        a2p = 0
        if tr:
            self.a, self.b = [0, 0], [0] * 6
        else:
            pks1 = pk0 ^ self.pk[0]
            a2p = self.a[1] - (self.a[1] >> 7)
            if dqsez != 0:
                fa1 = self.a[0] if pks1 else -self.a[0]
                a2p += -0x100 if fa1 < -8191 else 0xFF if fa1 > 8191 else fa1 >> 5
                if pk0 ^ self.pk[1]:
                    a2p = -12288 if a2p <= -12160 else 12288 if a2p >= 12416 else a2p - 0x80
                else:
                    a2p = -12288 if a2p <= -12416 else 12288 if a2p >= 12160 else a2p + 0x80
            self.a[1] = a2p
            self.a[0] -= self.a[0] >> 8
            if dqsez != 0:
                self.a[0] += 192 if pks1 == 0 else -192
            a1ul = 15360 - a2p
            self.a[0] = max(-a1ul, min(a1ul, self.a[0]))
            for i in range(6):
                self.b[i] -= self.b[i] >> 8
                if dq & 0x7FFF:
                    self.b[i] += 128 if (dq ^ self.dq[i]) >= 0 else -128
        self.dq = [dq_form(dq)] + self.dq[:5]
        self.sr = [sr_form(sr), self.sr[0]]
        self.pk = [pk0, self.pk[0]]
        self.td = 0 if tr else (1 if a2p < -11776 else 0)
        self.dms += (fi - self.dms) >> 5
        self.dml += ((fi << 2) - self.dml) >> 7
        if tr:
            self.ap = 256
        elif y < 1536 or self.td or abs((self.dms << 2) - self.dml) >= (self.dml >> 3):
            self.ap += (0x200 - self.ap) >> 4
        else:
            self.ap += (-self.ap) >> 4

    def decode(self, code, dqln, wi, fi, sign_bit):
        sezi = sum(fmult(self.b[i] >> 2, self.dq[i]) for i in range(6))
        sez = sezi >> 1
        se = (sezi + fmult(self.a[1] >> 2, self.sr[1]) + fmult(self.a[0] >> 2, self.sr[0])) >> 1
        y = self.step_size()
        dq = self.reconstruct(code & sign_bit, dqln[code], y)
        sr = se - (dq & 0x3FFF) if dq < 0 else se + dq
        self.update(y, wi[code], fi[code], dq, sr, sr - se + sez)
        return max(-32768, min(32767, sr << 2))


G721 = ([-2048, 4, 135, 213, 273, 323, 373, 425, 425, 373, 323, 273, 213, 135, 4, -2048],
        [w << 5 for w in [-12, 18, 41, 64, 112, 198, 355, 1122, 1122, 355, 198, 112, 64, 41, 18, -12]],
        [0, 0, 0, 0x200, 0x200, 0x200, 0x600, 0xE00, 0xE00, 0x600, 0x200, 0x200, 0x200, 0, 0, 0])
G726_16 = ([116, 365, 365, 116], [-704, 14048, 14048, -704], [0, 0xE00, 0xE00, 0])


def decode_g721(data):
    st = G72x()
    return [st.decode(c, *G721, 8) for c in nibbles(data, False)]


def decode_g726_16(data):
    st = G72x()
    return [st.decode((b >> s) & 3, *G726_16, 2) for b in data for s in (0, 2, 4, 6)]


DECODERS = {1: decode_yamaha, 2: decode_oki, 3: decode_g721, 4: decode_g726_16, 6: decode_lg}


def snr(ref, got):
    n = min(len(ref), len(got))
    sig = sum(v * v for v in ref[:n])
    err = sum((a - b) ** 2 for a, b in zip(ref[:n], got[:n]))
    return 99.0 if err == 0 else 10 * math.log10(max(sig, 1) / err)


# ---- the file -----------------------------------------------------------------
class Cursor:
    def __init__(self, b):
        self.b, self.pos = b, 0

    def left(self):
        return len(self.b) - self.pos

    def take(self, n, why):
        need(self.left() >= n, why + ": runs past the end")
        out = self.b[self.pos:self.pos + n]
        self.pos += n
        return out

    def expect(self, want, why):
        got = self.take(len(want), why)
        need(got == bytes(want), "%s: %s, not %s" % (why, got.hex(" "), bytes(want).hex(" ")))

    def peek(self, n):
        return self.b[self.pos:self.pos + n]

    def long_event(self, why):
        """00 FF FF, a 16-bit length, that many bytes: the body."""
        self.expect([0, 0xFF, 0xFF], why)
        n = be(self.take(2, why), 0, 2)
        return self.take(n, why + " body")


def information(b, first, version, ids, title):
    c = Cursor(b)
    c.expect(b"melo", "file id")
    need(be(c.take(4, "file length"), 0, 4) == len(b) - 8, "file length field")
    info_end = 10 + be(c.take(2, "information length"), 0, 2)
    need(info_end <= len(b), "information length past the end")
    c.expect([first, 1, 1], "header bytes 10-12")
    subs = []
    while c.pos < info_end:
        cid = c.take(4, "sub-chunk id").decode("latin-1")
        n = be(c.take(2, "sub-chunk length"), 0, 2)
        need(c.pos + n <= info_end, "sub-chunk %s runs past the information block" % cid)
        subs.append((cid, c.take(n, cid)))
    need([i for i, _ in subs] == ids, "sub-chunks %s" % [i for i, _ in subs])
    body = dict(subs)
    need(body["sorc"] == b"\0", "sorc")
    need(body["titl"] == title.encode(), "titl %r" % body["titl"])
    need(body["vers"] == version.encode(), "vers %r" % body["vers"])
    if "note" in body:
        need(body["note"] == b"\0\1", "note")
    chunks = []
    while c.left():
        cid = c.take(4, "chunk id").decode("latin-1")
        n = be(c.take(4, "chunk length"), 0, 4)
        chunks.append((cid, c.take(n, cid)))
    return body, chunks


def waits(c, kind):
    """Consecutive "d FF <kind> 00" events: the sum of their d."""
    total = 0
    while c.left() >= 4 and c.peek(4)[1:] == bytes([0xFF, kind, 0]):
        total += c.take(4, "wait")[0]
    return total


def timing_tail(c, ticks):
    full = 0
    while c.left() >= 4 and c.peek(4) == b"\xff\xff\xde\x00":
        c.take(4, "wait")
        full += 1
    last = c.take(4, "closing wait")
    need(last[1:] == b"\xff\xdf\x00", "closing wait %s" % last.hex(" "))
    need(full * 255 + last[0] == ticks, "timing waits %d, voice %d" % (full * 255 + last[0], ticks))


def letter(rec, rate):
    return {4000: "D", 8000: "E", 32000: "U"}.get(rate, "F" if rec in (4, 5) else "M").encode()


ONE_START = {6: 0x41, 8: 0x31, 9: 0x71}
HEAD_K = {3: 0x61, 4: 0x21, 5: 0x41, 9: 0x71, 6: 0x41, 8: 0x31, 10: 0x71}


def one_channel_start(c, rec):
    if rec == 18:
        c.expect([0, 0xFF, 0xD0, 0, 0, 0xFF, 0xCB, 0x64, 0, 0xFF, 0xB0, 0x7F], "start")
        c.expect([0, 0xFF, 0xFF, 0, 6, 0xF1, 8, 0, 0x0F, 0x81, 0x3F], "start")
        c.expect([0, 0xFF, 0xFF, 0, 6, 0xF1, 8, 0, 0x0F, 0x82, 0x20], "start")
        return
    c.expect([0, 0xFF, 0xD0, 0, 0, 0xFF, 0xCA, 0x80], "start")
    if rec == 10:
        c.expect([0, 0xFF, 0xFF, 0, 0x0E, 0x71, 0x8F, 0x81, 1, 1, 0x89, 1, 1, 0x83, 1, 1, 0x8B, 1, 1],
                 "start")
        c.expect([0, 0xFF, 0xFF, 0, 3, 0x71, 0x81, 0x3F], "start")
    elif rec in ONE_START:
        c.expect([0, 0xFF, 0xFF, 0, 3, ONE_START[rec], 0x81, 0x3F], "start")


def one_channel_pieces(c, rec, rate, size):
    """The voice-data events: the pieces of data joined."""
    rate16 = rate.to_bytes(2, "big")
    pieces = []
    while True:
        i = len(pieces)
        body = c.long_event("voice event %d" % i)
        if rec == 1:
            head = bytes([0x11, 0xF0, 2, 1, 1 if rate in (8000, 16000) else 0])
        elif rec == 2:
            head = bytes([0x11, 1, 0xF0, 7, i, 1]) + rate16
        elif rec in (3, 4, 5, 9):
            second = 0x86 if rec == 5 and rate == 16000 else 0x83
            head = bytes([HEAD_K[rec], second, 0]) + letter(rec, rate) + body[4:5]
        elif rec in (6, 8, 10):
            head = bytes([HEAD_K[rec], 0x84, 0]) + letter(rec, rate) + body[4:5] + \
                (size if i == 0 else 0).to_bytes(4, "big")
        elif rec == 7:
            head = bytes([0x31, 0x10, 7, 0, 1]) + rate16
        elif rec == 11:
            head = bytes([0x81, 0x83, 0]) + letter(rec, rate) + b"\0"
        else:
            head = bytes([0xF1, 8, 0, 0x0F, 0x88, 0, 6 if rate == 16000 else 5, 0])
        need(body[:len(head)] == head, "voice head %d: %s" % (i, body[:len(head)].hex(" ")))
        pieces.append(body[len(head):])
        if rec in (3, 4, 5, 9, 6, 8, 10):
            need(body[4] in (0, 1), "more-pieces flag")
            if body[4] == 0:
                return pieces
            need(len(body) == 0xFFFF, "a piece before the last is not full")
        elif rec == 2:
            if c.peek(9)[5:9] != b"\x11\x01\xf0\x07":
                return pieces
            need(len(pieces[-1]) == 65504 and len(body) == 65512, "an n2 piece before the last")
        else:
            return pieces


def read_one_channel(b, rec, rate, title, v):
    body, chunks = information(b, 2 if rec == 18 else 1,
                               "0200" if rec in (1, 3, 5) else "0301" if rec == 18 else "0300",
                               ["sorc", "titl", "vers"] + (["note"] if rec == 18 else []), title)
    need([i for i, _ in chunks] == ["trac"], "chunks %s" % [i for i, _ in chunks])
    c = Cursor(chunks[0][1])
    one_channel_start(c, rec)
    pieces = one_channel_pieces(c, rec, rate, v["size"])
    if rec == 2:
        for i, p in enumerate(pieces):
            c.expect([0, 0xFF, 0xFF, 0, 6, 0x11, 1, 0xF1, 3 if i % 2 == 0 else 0x43, i, 0x7F], "play")
            need(waits(c, 0xDE) == len(p) * 128 // v["adpcm_rate"], "piece %d waits" % i)
        c.expect([0, 0xFF, 0xDF, 0], "end")
    else:
        if rec == 7:
            c.expect([0, 0xFF, 0xFF, 0, 5, 0x31, 0x10, 9, 0, 0x64], "closing")
        elif rec == 8:
            c.expect([0, 0xFF, 0xD0, 0], "closing")
        elif rec == 18:
            c.expect([0, 0xFF, 0xFF, 0, 8, 0xF1, 8, 0, 0x0F, 0x88, 0, 0x85, 0], "closing")
            c.expect([v["d"] % 256, 0xFF, 0xDC, v["d"] // 256], "duration")
        else:
            c.expect([0, 0xFF, 0xDE, 0], "closing")
        timing_tail(c, v["ticks"])
    need(c.left() == 0, "bytes after the track's end")
    return [b"".join(pieces)]


STEREO_KQ = {13: (0x41, 0x80), 15: (0x11, 0x80), 16: (0x71, 0x82), 17: (0x21, 0x82)}


def read_two_channel(b, rec, rate, title, v):
    body, chunks = information(b, 1 if rec == 15 else 2, "0301" if rec == 13 else "0300",
                               ["sorc", "titl", "vers", "note"], title)
    need([i for i, _ in chunks] == ["trac"], "chunks")
    c = Cursor(chunks[0][1])
    k, q = STEREO_KQ[rec]
    if rec == 16:
        a, bb = (2, 4) if rate == 16000 else (1, 2)
        c.expect([0, 0xFF, 0xFF, 0, 0x0E, 0x71, 0x8F, 0x81, 1, a, 0x89, 1, a, 0x83, 1, bb, 0x8B, 1, bb],
                 "start")
        c.expect([0, 0xFF, 0xD0, 0, 0, 0xFF, 0xCB, 0x64, 0, 0xFF, 0xB0, 0x7F], "start")
    else:
        c.expect([0, 0xFF, 0xC2, 0x32, 0, 0xFF, 0xB0, 0x7F], "start")
    for second, value in ((0x81, 0x3F), (0x81, 0x7F), (q, 0), (q, 0x7F)):
        c.expect([0, 0xFF, 0xFF, 0, 3, k, second, value], "parameter")
    r = 6 if rate == 16000 else 5
    sides = []
    for ch in (0, 0x41):
        e = c.long_event("voice")
        need(e[:5] == bytes([0x41, 0x86, ch, r, 0]), "voice head %s" % e[:5].hex(" "))
        sides.append(e[5:])
    c.expect([0, 0xFF, 0xFF, 0, 5, k, 0x86, 0, r + 0x80, 0], "play left")
    c.expect([0, 0xFF, 0xFF, 0, 5, k, 0x86, 0x41, r + 0x80, 0], "play right")
    c.expect([0, 0xFF, 0xDE, 0], "closing")
    if rec in (15, 16):
        c.expect([0, 0xFF, 0xDF, 0], "end")
    else:
        timing_tail(c, v["ticks"])
    need(c.left() == 0, "bytes after the track's end")
    return sides


def read_voice_layout(b, rec, rate, title, v):
    bc = 0x20 if rate >= 16000 else 0x10, 0x10 if rate >= 16000 else 8
    body, chunks = information(b, 1, "0400", ["sorc", "titl", "vers", "note", "exst", "ainf"], title)
    need(body["exst"] == b"\0\1", "exst")
    bb, cc = bc
    need(body["ainf"] == bytes([1, 1, 0x81, 0, 6, bb, cc, bb, bb, cc, bb]), "ainf")
    need([i for i, _ in chunks] == ["adat", "trac"], "chunks %s" % [i for i, _ in chunks])
    adat, trac = chunks[0][1], chunks[1][1]
    xy = {4000: (8, 2), 8000: (8, 4), 16000: (0x10, 4), 32000: (0x20, 4)}[rate]
    need(adat[:14] == bytes([0, 0x0B, 0x81, 0]) + b"adpm" +
         bytes([0, 3, xy[0], xy[1], 2 if rec == 14 else 1, 0xFF]), "voice header")
    d = v["d"]
    need(trac == bytes([0, 0xFF, 0xD0, 0, 0, 0xFF, 0xCB, 0x64, 0, 0xFF, 0xB0, 0x7F, 0, 0x7F, 0x80, 0x3F,
                        0, 0x7F, 0x81, 0x20, 0, 0x7F, 0, 0, 0x3F, d % 256, 0xFF, 0xDC, d // 256,
                        0, 0xFF, 0xD0, 1, 0, 0xFF, 0xDF, 0]), "voice track")
    data = adat[14:]
    if rec == 14:
        half = len(data) // 2
        return [data[:half], data[half:]]
    return [data]


# ---- the run ------------------------------------------------------------------
def expected(rec, rate, src):
    ch, src_rate, s = src
    out_ch = 2 if rec in STEREO else 1
    codec, enc_rate = CODEC[rec], rate
    if codec == 3 and rate == 4000:
        codec, enc_rate = 4, 8000
    ref = prepare(ch, src_rate, s, out_ch, enc_rate)
    pcm_bytes, byte_rate = 2 * len(ref), enc_rate * out_ch * 2
    v = {"codec": codec, "ref": ref, "channels": out_ch, "d": pcm_bytes * 200 // byte_rate,
         "ticks": pcm_bytes * 128 // byte_rate, "adpcm_rate": byte_rate // 4}
    if out_ch == 2:
        per = len(ref) // 2 // 2
        v["sizes"] = [per * 2] if rec == 14 else [min(per, 65530)] * 2
    else:
        size = pcm_bytes // 8 if codec == 4 else pcm_bytes // 4
        v["size"] = size
        cap = {1: 65530, 11: 65530, 7: 65528}.get(rec)
        kept = min(size, cap) if cap else size
        if rec == 18:
            kept = min(max(size - 5, 0), 65527)
        v["sizes"] = [kept]
    return v


def check_file(path, rec, rate, src):
    v = expected(rec, rate, src)
    b = open(path, "rb").read()
    title = os.path.basename(path)
    if rec in VOICE_LAYOUT:
        sides = read_voice_layout(b, rec, rate, title, v)
    elif rec in STEREO:
        sides = read_two_channel(b, rec, rate, title, v)
    else:
        sides = read_one_channel(b, rec, rate, title, v)
    need([len(x) for x in sides] == ([sum(v["sizes"]) // 2] * 2 if rec == 14 else v["sizes"]),
         "voice bytes %s, expected %s" % ([len(x) for x in sides], v["sizes"]))
    ref, n = v["ref"], v["channels"]
    return min(snr(ref[c::n], DECODERS[v["codec"]](side)) for c, side in enumerate(sides)), v["codec"]


def check_listed(d, line, src):
    """One manifest line: None for a rate refused as it should be, else the
    file's SNR and codec; Bad when the line is wrong."""
    rec_s, rate_s, _, result, text = line
    rec, rate = int(rec_s), int(rate_s)
    if rate not in RATES[rec]:
        need(result == "refused", "accepted a rate the record lacks")
        need(text == "samplerate_f%02d:%s" % (rate // 1000, CODES[rec]), "message %r" % text)
        return None
    need(result != "refused", "refused: %r" % text)
    need(text == "", "message %r" % text)
    return check_file(os.path.join(d, result), rec, rate, src)


def main():
    writer = sys.argv[1]
    # The OKI-style and the handset maker's steps are too short for a
    # full-scale tone of some hundred hertz (slope overload): their floors
    # hold on the slow source only.
    floors = {1: 15.0, 2: 0.5, 3: 25.0, 4: 18.0, 6: -1.0}
    slow_floors = {1: 40.0, 2: 40.0, 3: 40.0, 4: 25.0, 6: 40.0}
    failures, figures = [], {}
    with tempfile.TemporaryDirectory() as d:
        subprocess.run([writer, d], check=True)
        sources = {k: read_source(os.path.join(d, "src_%s.wav" % k)) for k in ("mono", "stereo", "slow")}
        lines = [l.rstrip("\n").split("\t") for l in open(os.path.join(d, "manifest.tsv"))]
        need(len(lines) == 19 * 4 * 3, "manifest has %d lines" % len(lines))
        # The files are decoded and measured by several processes at once.
        with ProcessPoolExecutor(max_workers=min(4, os.cpu_count() or 1)) as pool:
            checked = [pool.submit(check_listed, d, line, sources[line[2]]) for line in lines]
        for (rec_s, rate_s, kind, result, text), done in zip(lines, checked):
            rec, rate = int(rec_s), int(rate_s)
            where = "%s %d Hz %s" % (CODES[rec], rate, kind)
            try:
                outcome = done.result()
                if outcome is None:
                    continue
                value, codec = outcome
                figures.setdefault((codec, kind == "slow"), []).append((value, where))
                floor = (slow_floors if kind == "slow" else floors)[codec]
                need(value >= floor, "SNR %.1f dB below %.1f" % (value, floor))
            except Bad as e:
                failures.append("%s: %s" % (where, e))
    names = {1: "Yamaha-style", 2: "OKI-style", 3: "G.721", 4: "G.726-16", 6: "handset maker's"}
    for codec, slow in sorted(figures):
        vals = sorted(figures[(codec, slow)])
        print("codec %d %-16s %-5s files %2d  SNR min %5.1f dB (%s)  mean %5.1f dB" %
              (codec, names[codec], "slow" if slow else "tones", len(vals), vals[0][0], vals[0][1],
               sum(x for x, _ in vals) / len(vals)))
    for f in failures:
        print("FAIL", f)
    print("%d files read, %d failures" % (sum(len(x) for x in figures.values()), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
