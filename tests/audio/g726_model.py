"""A G.726 decoder at 32 and 16 kbit/s in the Recommendation's own form:
every quantity an unsigned bit pattern of its prescribed width, two's
complement and sign-magnitude by masks, block by block. It turns a code
stream into the reconstructed signal (sr << 2, as 16-bit samples).

With ffmpeg_mix the scale factor is mixed as ffmpeg's decoder does,
(yl + (yu - yl / 64) * al) >> 6, keeping the locked factor's six fraction
bits that the Recommendation's MIX block drops; everything else is the
same."""

# Tables by code magnitude |I|.
RATES = {
    4: dict(dqln=[-2048, 4, 135, 213, 273, 323, 373, 425],
            wi=[-12, 18, 41, 64, 112, 198, 355, 1122],
            fi=[0, 0, 0, 1, 1, 1, 3, 7]),
    2: dict(dqln=[116, 365], wi=[-22, 439], fi=[0, 7]),
}


def signed(v, bits):
    return v - (1 << bits) if v >> (bits - 1) else v


def fmult(an, srn):
    ans = an >> 15
    anmag = (an >> 2) if ans == 0 else (16384 - (an >> 2)) & 8191
    anexp = anmag.bit_length()
    anmant = 32 if anmag == 0 else (anmag << 6) >> anexp
    srs, srexp, srmant = srn >> 10, (srn >> 6) & 15, srn & 63
    wexp = srexp + anexp
    wmant = (srmant * anmant + 48) >> 4
    if wexp <= 26:
        wmag = (wmant << 7) >> (26 - wexp)
    else:
        wmag = ((wmant << 7) << (wexp - 26)) & 32767
    return (65536 - wmag) & 65535 if srs ^ ans else wmag


def float11(sign, mag):
    exp = mag.bit_length()
    mant = 32 if mag == 0 else (mag << 6) >> exp
    return (sign << 10) + (exp << 6) + mant


class Decoder:
    def __init__(self, bits, ffmpeg_mix=False):
        self.bits, self.ffmpeg_mix, self.t = bits, ffmpeg_mix, RATES[bits]
        self.yl, self.yu, self.dms, self.dml, self.ap = 34816, 544, 0, 0, 0
        self.a, self.b = [0, 0], [0] * 6
        self.pk, self.sr, self.dq = [0, 0], [32, 32], [32] * 6
        self.td = 0

    def mix(self):
        al = 64 if self.ap >= 256 else self.ap >> 2
        if self.ffmpeg_mix:
            return (self.yl + (self.yu - (self.yl >> 6)) * al) >> 6
        dif = (self.yu + 16384 - (self.yl >> 6)) & 16383
        difs = dif >> 13
        difm = (16384 - dif) & 8191 if difs else dif
        prodm = (difm * al) >> 6
        prod = (16384 - prodm) & 16383 if difs else prodm
        return ((self.yl >> 6) + prod) & 8191

    def sample(self, code):
        top = 1 << (self.bits - 1)
        dqs = 1 if code & top else 0
        mag_i = (2 * top - 1 - code) if dqs else code
        # ACCUM
        sezi = sum(fmult(self.b[i], self.dq[i]) for i in range(6)) & 65535
        sei = (sezi + fmult(self.a[1], self.sr[1]) + fmult(self.a[0], self.sr[0])) & 65535
        sez, se = sezi >> 1, sei >> 1
        y = self.mix()
        # ADDA, ANTILOG
        dql = (self.t["dqln"][mag_i] + (y >> 2)) & 4095
        dqmag = 0 if dql >> 11 else ((128 + (dql & 127)) << 7) >> (14 - ((dql >> 7) & 15))
        dq = (dqs << 15) + dqmag
        # ADDB, ADDC
        dqi = (65536 - (dq & 32767)) & 65535 if dqs else dq
        se16 = se + 32768 if se >> 14 else se
        sez16 = sez + 32768 if sez >> 14 else sez
        sr = (dqi + se16) & 65535
        dqsez = (dqi + sez16) & 65535
        pk0, sigpk = dqsez >> 15, 1 if dqsez == 0 else 0
        # TRANS, with the previous tone flag and locked factor
        ylint, ylfrac = self.yl >> 15, (self.yl >> 10) & 31
        thr2 = 31 << 10 if ylint > 9 else (32 + ylfrac) << ylint
        tr = 1 if self.td == 1 and (dq & 16383) > (thr2 + (thr2 >> 1)) >> 1 else 0
        # FUNCTW, FILTD, LIMB, FILTE
        wi = self.t["wi"][mag_i] & 4095
        dif = ((wi << 5) + 131072 - y) & 131071
        difsx = (dif >> 5) + 4096 if dif >> 16 else dif >> 5
        yut = (y + difsx) & 8191
        self.yu = 544 if yut < 544 else (5120 if yut > 5120 else yut)
        dif = (self.yu + ((1048576 - self.yl) >> 6)) & 16383
        self.yl = (self.yl + (dif + 507904 if dif >> 13 else dif)) & 524287
        a2p = self.update_predictor(pk0, sigpk, tr, dq, dqs, dqmag)
        self.dq = [float11(dqs, dq & 32767)] + self.dq[:5]
        srs = sr >> 15
        self.sr = [float11(srs, (65536 - sr) & 32767 if srs else sr), self.sr[0]]
        self.pk = [pk0, self.pk[0]]
        # TONE, TRIGB
        tdp = 1 if 32768 <= a2p < 53760 else 0
        self.td = 0 if tr else tdp
        self.speed_control(self.t["fi"][mag_i], y, tr)
        return signed((signed(sr, 16) * 4) & 65535, 16)

    def update_predictor(self, pk0, sigpk, tr, dq, dqs, dqmag):
        a1, a2 = self.a
        pks1, pks2 = pk0 ^ self.pk[0], pk0 ^ self.pk[1]
        # UPA2
        uga2a = 114688 if pks2 else 16384
        if a1 >> 15 == 0:
            fa1 = a1 << 2 if a1 <= 8191 else 8191 << 2
        else:
            fa1 = (a1 << 2) & 131071 if a1 >= 57345 else 24577 << 2
        fa = fa1 if pks1 else (131072 - fa1) & 131071
        uga2b = (uga2a + fa) & 131071
        uga2 = 0 if sigpk else ((uga2b >> 7) + 64512 if uga2b >> 16 else uga2b >> 7)
        ula2 = (65536 - ((a2 >> 7) + 65024)) & 65535 if a2 >> 15 else (65536 - (a2 >> 7)) & 65535
        a2t = (a2 + ((uga2 + ula2) & 65535)) & 65535
        # LIMC
        if 32768 <= a2t <= 53248:
            a2p = 53248
        elif 12288 <= a2t < 32768:
            a2p = 12288
        else:
            a2p = a2t
        # UPA1, LIMD
        uga1 = 0 if sigpk else (65344 if pks1 else 192)
        ula1 = (65536 - ((a1 >> 8) + 65280)) & 65535 if a1 >> 15 else (65536 - (a1 >> 8)) & 65535
        a1t = signed((a1 + ((uga1 + ula1) & 65535)) & 65535, 16)
        a1ul = 15360 - signed(a2p, 16)
        a1p = max(-a1ul, min(a1ul, a1t)) & 65535
        # XOR, UPB
        b = []
        for bn, dqn in zip(self.b, self.dq):
            ugb = 0 if dqmag == 0 else (65408 if dqs ^ (dqn >> 10) else 128)
            ulb = (65536 - ((bn >> 8) + 65280)) & 65535 if bn >> 15 else (65536 - (bn >> 8)) & 65535
            b.append((bn + ((ugb + ulb) & 65535)) & 65535)
        # TRIGB
        if tr:
            self.a, self.b = [0, 0], [0] * 6
        else:
            self.a, self.b = [a1p, a2p], b
        return a2p

    def speed_control(self, fi, y, tr):
        dif = ((fi << 9) + 8192 - self.dms) & 8191
        self.dms = ((dif >> 5) + 3840 if dif >> 12 else dif >> 5) + self.dms & 4095
        dif = ((fi << 11) + 32768 - self.dml) & 32767
        self.dml = ((dif >> 7) + 16128 if dif >> 14 else dif >> 7) + self.dml & 16383
        dif = ((self.dms << 2) + 32768 - self.dml) & 32767
        difm = (32768 - dif) & 16383 if dif >> 14 else dif
        ax = 0 if y >= 1536 and difm < self.dml >> 3 and self.td == 0 else 1
        dif = ((ax << 9) + 2048 - self.ap) & 2047
        apr = ((dif >> 4) + 896 if dif >> 10 else dif >> 4) + self.ap & 1023
        self.ap = 256 if tr else apr


def codes(data, bits):
    """The codes of a packed stream, least significant bits first."""
    per = 8 // bits
    return [(byte >> (k * bits)) & ((1 << bits) - 1) for byte in data for k in range(per)]


def decode(data, bits, ffmpeg_mix=False):
    d = Decoder(bits, ffmpeg_mix)
    return [d.sample(c) for c in codes(data, bits)]
