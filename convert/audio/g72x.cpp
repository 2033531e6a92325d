// The 32 kbit/s and 16 kbit/s ADPCM encoders. The arithmetic is the
// Recommendation's fixed-point one, block by block: the state keeps the
// widths it prescribes (16-bit words, a 19-bit locked scale factor, 11-bit
// floating forms for the predictor history), and the predictor sums wrap
// at 16 bits as its adders do.
#include "convert/audio/g72x.h"

#include <bit>
#include <cstdlib>

#include "convert/audio/adpcm.h"

namespace adpcm {

const G72xRate kG721Rate = {
    4,
    7,
    {-124, 80, 178, 246, 300, 349, 400},
    {-2048, 4, 135, 213, 273, 323, 373, 425, 425, 373, 323, 273, 213, 135, 4, -2048},
    {-12, 18, 41, 64, 112, 198, 355, 1122, 1122, 355, 198, 112, 64, 41, 18, -12},
    {0, 0, 0, 0x200, 0x200, 0x200, 0x600, 0xE00, 0xE00, 0x600, 0x200, 0x200, 0x200, 0, 0, 0},
};

const G72xRate kG726_16Rate = {
    2, 1, {261}, {116, 365, 365, 116}, {-22, 439, 439, -22}, {0, 0xE00, 0xE00, 0},
};

namespace {

// Floor of log2 plus one, 0 for 0: the exponent of the floating forms.
int Exponent(int magnitude) {
    return std::bit_width(static_cast<unsigned>(magnitude));
}

// The 11-bit floating form (sign, 4-bit exponent, 6-bit mantissa) of a
// magnitude, kept sign-extended so that its sign is the word's.
std::int16_t FloatForm(int magnitude, bool negative) {
    int exp = Exponent(magnitude);
    int mant = magnitude == 0 ? 32 : (magnitude << 6) >> exp;
    return static_cast<std::int16_t>((exp << 6) + mant - (negative ? 0x400 : 0));
}

// A coefficient times a floating-form history value (FMULT). The product's
// mantissa is at most 250, so (wanMant << 7) never passes 15 bits and the
// Recommendation's two shift cases are one: wanMant * 2^(wanExp - 19), cut
// to 15 bits.
int Fmult(int an, int srn) {
    int an14 = an >> 2;
    int anMag = an14 >= 0 ? an14 : (-an14) & 8191;
    int anExp = Exponent(anMag);
    int anMant = anMag == 0 ? 32 : (anMag << 6) >> anExp;
    int wanExp = anExp + ((srn >> 6) & 15);
    auto wanMant = static_cast<std::uint64_t>((anMant * (srn & 63) + 48) >> 4);
    int wanMag = static_cast<int>(((wanMant << wanExp) >> 19) & 32767);
    return ((an ^ srn) < 0) ? -wanMag : wanMag;
}

// The quantizer scale factor mixed from the unlocked and locked ones (MIX).
int StepSize(const G72xState& s) {
    int yl = s.yl >> 6;
    if (s.ap >= 256) return s.yu;
    int dif = s.yu - yl;
    int al = s.ap >> 2;
    int prod = dif >= 0 ? (dif * al) >> 6 : -((-dif * al) >> 6);
    return yl + prod;
}

// The code of the difference d at scale y (LOG, SUBTB, QUAN). A positive
// difference below the first level takes the all-ones code, except at
// 16 kbit/s where it is code 0.
int Quantize(int d, int y, const G72xRate& rate) {
    int dqm = std::abs(d);
    int exp = Exponent(dqm >> 1);
    int dl = (exp << 7) + (((dqm << 7) >> exp) & 127);
    int dln = dl - (y >> 2);
    // The levels rise, so the count of those at or below dln is the index
    // of the interval dln falls in; counted without a branch.
    int i = 0;
    for (int k = 0; k < rate.levelCount; ++k)
        i += dln >= rate.levels[k];
    int allOnes = (1 << rate.bits) - 1;
    int code = d < 0 ? allOnes - i : (i == 0 ? allOnes : i);
    if (rate.bits == 2 && code == 3 && d >= 0) code = 0;
    return code;
}

// The magnitude of the quantized difference (ADDA, ANTILOG).
int Reconstruct(int dqln, int y) {
    int dql = dqln + (y >> 2);
    if (dql < 0) return 0;
    int dex = (dql >> 7) & 15;
    return ((128 + (dql & 127)) << 7) >> (14 - dex);
}

// The data/voice decision on this sample (TRANS).
bool Transition(const G72xState& s, int dqMag) {
    int ylint = s.yl >> 15;
    int ylfrac = (s.yl >> 10) & 31;
    int thr2 = ylint > 9 ? 31 << 10 : (32 + ylfrac) << ylint;
    int dqthr = (thr2 + (thr2 >> 1)) >> 1;
    return s.td != 0 && dqMag > dqthr;
}

// The second pole (UPA2, LIMC), from the signs of dq + sez.
int NextA2(const G72xState& s, int pk0, bool sigpk) {
    int a2 = s.a[1] - (s.a[1] >> 7);
    if (sigpk) return a2;
    int a1 = s.a[0];
    int fa1 = (pk0 ^ s.pk[0]) ? a1 : -a1;
    if (fa1 < -8191)
        a2 -= 0x100;
    else if (fa1 > 8191)
        a2 += 0xFF;
    else
        a2 += fa1 >> 5;
    a2 += (pk0 ^ s.pk[1]) ? -0x80 : 0x80;
    return a2 < -12288 ? -12288 : (a2 > 12288 ? 12288 : a2);
}

// The pole and zero coefficients after this sample (UPA1, UPA2, UPB, LIMC,
// LIMD); a transition resets them all.
void AdaptPredictor(G72xState& s, bool tr, int pk0, bool sigpk, int dqMag, bool dqNeg) {
    if (tr) {
        s.a[0] = s.a[1] = 0;
        for (auto& b : s.b)
            b = 0;
        return;
    }
    int a2 = NextA2(s, pk0, sigpk);
    int a1 = s.a[0] - (s.a[0] >> 8);
    if (!sigpk) a1 += (pk0 ^ s.pk[0]) ? -192 : 192;
    int a1ul = 15360 - a2;
    a1 = a1 < -a1ul ? -a1ul : (a1 > a1ul ? a1ul : a1);
    s.a[0] = static_cast<std::int16_t>(a1);
    s.a[1] = static_cast<std::int16_t>(a2);
    for (int i = 0; i < 6; ++i) {
        int b = s.b[i] - (s.b[i] >> 8);
        if (dqMag != 0) b += (dqNeg == (s.dq[i] < 0)) ? 128 : -128;
        s.b[i] = static_cast<std::int16_t>(b);
    }
}

// Scale factors, histories, tone flag and speed control after a sample.
void Update(G72xState& s, const G72xRate& rate, int code, int y, int dqMag, bool dqNeg, int sr,
            int dqsez) {
    int pk0 = dqsez < 0 ? 1 : 0;
    bool sigpk = dqsez == 0;
    bool tr = Transition(s, dqMag);
    // FUNCTW, FILTD, LIMB, FILTE.
    int yu = y + ((rate.wi[code] * 32 - y) >> 5);
    s.yu = static_cast<std::int16_t>(yu < 544 ? 544 : (yu > 5120 ? 5120 : yu));
    s.yl += s.yu + ((-s.yl) >> 6);
    AdaptPredictor(s, tr, pk0, sigpk, dqMag, dqNeg);
    for (int i = 5; i > 0; --i)
        s.dq[i] = s.dq[i - 1];
    s.dq[0] = FloatForm(dqMag, dqNeg);
    s.sr[1] = s.sr[0];
    s.sr[0] = FloatForm(sr >= 0 ? sr : (-sr) & 32767, sr < 0);
    s.pk[1] = s.pk[0];
    s.pk[0] = static_cast<std::int16_t>(pk0);
    // TONE, TRIGB.
    s.td = static_cast<std::int16_t>(!tr && s.a[1] < -11776);
    // FILTA, FILTB, SUBTC, FILTC, TRIGA.
    int fi = rate.fi[code];
    s.dms = static_cast<std::int16_t>(s.dms + ((fi - s.dms) >> 5));
    s.dml = static_cast<std::int16_t>(s.dml + (((fi << 2) - s.dml) >> 7));
    bool fast = y < 1536 || s.td == 1 || std::abs((s.dms << 2) - s.dml) >= (s.dml >> 3);
    if (tr)
        s.ap = 256;
    else
        s.ap = static_cast<std::int16_t>(s.ap + (((fast ? 0x200 : 0) - s.ap) >> 4));
}

// Flattened so that the per-sample blocks are inlined with the rate's
// tables known (GCC and clang).
template <int kBits>
[[gnu::flatten]] void EncodeG72x(const std::int16_t* samples, int count, std::uint8_t* out,
                                 const G72xRate& rate) {
    constexpr int kPerByte = 8 / kBits;
    G72xState state;
    int sr = 0;
    for (int n = 0; n + kPerByte <= count; n += kPerByte) {
        int byte = 0;
        for (int k = 0; k < kPerByte; ++k)
            byte |= G72xEncodeSample(state, samples[n + k] >> 2, rate, &sr) << (k * kBits);
        out[n / kPerByte] = static_cast<std::uint8_t>(byte);
    }
}

}  // namespace

int G72xEncodeSample(G72xState& s, int sl, const G72xRate& rate, int* sr) {
    // FMULT, ACCUM: the zero and pole estimates, summed at 16 bits.
    int sezi = 0;
    for (int i = 0; i < 6; ++i)
        sezi += Fmult(s.b[i], s.dq[i]);
    sezi = static_cast<std::int16_t>(sezi);
    int sei = static_cast<std::int16_t>(sezi + Fmult(s.a[1], s.sr[1]) + Fmult(s.a[0], s.sr[0]));
    int sez = sezi >> 1;
    int se = sei >> 1;
    int y = StepSize(s);
    int d = sl - se;  // SUBTA
    int code = Quantize(d, y, rate);
    bool dqNeg = (code >> (rate.bits - 1)) != 0;
    int dqMag = Reconstruct(rate.dqln[code], y);
    int dq = dqNeg ? -dqMag : dqMag;
    int rec = static_cast<std::int16_t>(se + dq);  // ADDB
    Update(s, rate, code, y, dqMag, dqNeg, rec, dq + sez);
    *sr = rec;
    return code;
}

int EncodeG721(const std::int16_t* samples, int count, std::uint8_t* out) {
    EncodeG72x<4>(samples, count, out, kG721Rate);
    return 0;
}

int EncodeG726_16(const std::int16_t* samples, int count, std::uint8_t* out) {
    EncodeG72x<2>(samples, count, out, kG726_16Rate);
    return 0;
}

}  // namespace adpcm
