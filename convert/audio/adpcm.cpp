#include "convert/audio/adpcm.h"

#include <algorithm>
#include <cstdlib>

namespace adpcm {
namespace {

// The difference multiplier of code c is (2 * (c & 7) + 1), negated when
// bit 3 is set; the encoders apply it as (2q + 1) * step >> 3 with the sign
// after, which is the truncating step * multiplier / 8.
constexpr int kYamahaFactor[8] = {230, 230, 230, 230, 307, 409, 512, 614};
constexpr int kOkiIndexChange[8] = {-1, -1, -1, -1, 2, 4, 6, 8};
constexpr int kLgIndexChange[8] = {-1, -1, -1, -1, 1, 2, 4, 8};
constexpr int kImaStepCount = 89;
constexpr int kImaStep[kImaStepCount] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
// Only the first 25 steps are reachable: the index stops at 24.
constexpr int kOkiLastIndex = 24;
constexpr int kOkiStep[kOkiLastIndex + 1] = {16, 17, 19, 21, 23, 25, 28, 31,  34,  37,  41,  45, 50,
                                             55, 60, 66, 73, 80, 88, 97, 107, 118, 130, 143, 157};
constexpr int kLgLastIndex = CLgAdpcm::kStepCount - 1;

int Clamp16(int v) {
    return std::clamp(v, -32768, 32767);
}

// min(m / step, 7) for m >= 0 and step > 0, counted by comparisons: the
// encoders' division on the path from one sample to the next, removed.
int QuotientUpTo7(int m, int step) {
    return (m >= step) + (m >= 2 * step) + (m >= 3 * step) + (m >= 4 * step) + (m >= 5 * step) +
           (m >= 6 * step) + (m >= 7 * step);
}

// The code bits of the OKI-style quantizer against step, step/2, step/4,
// and the reconstruction they stand for.
struct OkiCode {
    int code;
    int delta;
};
OkiCode QuantizeOki(int diff, int step) {
    int m = std::abs(diff);
    int code = 0;
    int delta = step / 8;
    if (m >= step) {
        code |= 4;
        m -= step;
        delta += step;
    }
    if (m >= step / 2) {
        code |= 2;
        m -= step / 2;
        delta += step / 2;
    }
    if (m >= step / 4) {
        code |= 1;
        delta += step / 4;
    }
    if (diff < 0) {
        code |= 8;
        delta = -delta;
    }
    return {code, delta};
}

// Writes codes two to a byte; the first of a pair goes low or high.
template <bool kFirstHigh, typename Next>
void PackPairs(int count, std::uint8_t* out, Next next) {
    for (int i = 0; i + 1 < count; i += 2) {
        int a = next(i);
        int b = next(i + 1);
        out[i / 2] = static_cast<std::uint8_t>(kFirstHigh ? (a << 4 | b) : (b << 4 | a));
    }
}

}  // namespace

int EncodeYamaha(const std::int16_t* samples, int count, std::uint8_t* out) {
    int predictor = 0;
    int step = 0;
    PackPairs<false>(count, out, [&](int i) {
        if (step == 0) {
            predictor = 0;
            step = 127;
        }
        // d = diff * 8 / step; the code is min(|d| / 2, 7), signed when d < 0.
        int diff = samples[i] - predictor;
        int m = std::abs(diff);
        int q = QuotientUpTo7(4 * m, step);
        bool negative = diff < 0 && 8 * m >= step;
        // multiplier[code] * step / 8, truncated toward zero.
        int delta = (2 * q + 1) * step >> 3;
        predictor = Clamp16(negative ? predictor - delta : predictor + delta);
        step = std::clamp(kYamahaFactor[q] * step >> 8, 127, 24576);
        return q + (negative ? 8 : 0);
    });
    return 0;
}

int EncodeIma(const std::int16_t* samples, int count, std::uint8_t* out) {
    int index = 0;
    int predictor = 0;
    PackPairs<false>(count, out, [&](int i) {
        int step = kImaStep[index];
        int x = samples[i];
        bool negative = x < predictor;
        int q = QuotientUpTo7(std::abs(x - predictor) * 4, step);
        // step * multiplier[code] / 8, truncated toward zero.
        int delta = (2 * q + 1) * step >> 3;
        predictor = Clamp16(negative ? predictor - delta : predictor + delta);
        // The index change by code -1, -1, -1, -1, 2, 4, 6, 8, without a load.
        index = std::clamp(index + (q < 4 ? -1 : 2 * q - 6), 0, kImaStepCount - 1);
        return q + (negative ? 8 : 0);
    });
    return 0;
}

int EncodeOki(const std::int16_t* samples, int count, std::uint8_t* out) {
    auto silent = [&](int i) { return samples[i] / 16 == 0; };
    int predictor = 0;
    int index = 0;
    bool secondOfRun = false;
    PackPairs<true>(count, out, [&](int i) {
        // Silent samples pair up from the start of a run; a pair followed by
        // any sample becomes the ramp 64, 80, 96, 112 by position.
        int x = samples[i];
        if (!silent(i)) {
            secondOfRun = false;
        } else if (secondOfRun) {
            if (i + 1 < count) x = 64 + 16 * (i % 4);
            secondOfRun = false;
        } else {
            if (i + 2 < count && silent(i + 1)) x = 64 + 16 * (i % 4);
            secondOfRun = true;
        }
        int step = kOkiStep[index];
        OkiCode c = QuantizeOki(static_cast<std::int16_t>(x / 16 - predictor), step);
        predictor = std::clamp(predictor + c.delta, -2048, 2048);
        index = std::clamp(index + kOkiIndexChange[c.code & 7], 0, kOkiLastIndex);
        return c.code;
    });
    return 0;
}

void CLgAdpcm::Encode(const std::int16_t* samples, std::int64_t byteCount,
                      std::uint8_t* out) const {
    std::fill(out, out + 4, std::uint8_t{0});
    int count = byteCount > 0 ? static_cast<int>(byteCount / 2) : 0;
    int predictor = kStep[0];
    int index = 0;
    PackPairs<true>(count, out + 4, [&](int i) {
        int step = kStep[index];
        OkiCode c = QuantizeOki(samples[i] / 32 - predictor, step);
        predictor = std::clamp(predictor + c.delta, -15000, 15000);
        index = std::clamp(index + kLgIndexChange[c.code & 7], 0, kLgLastIndex);
        return c.code;
    });
}

int EncodeLg(const std::int16_t* samples, int count, std::uint8_t* out) {
    // The object lives on the stack: nothing is allocated.
    CLgAdpcm encoder;
    encoder.Encode(samples, std::int64_t{2} * count, out);
    return 0;
}

namespace {

// Each codec's encoder and its output size: count / perByte bytes after a
// header of `header` bytes.
struct CodecEntry {
    int codec;
    int (*encode)(const std::int16_t*, int, std::uint8_t*);
    int perByte;
    int header;
};
constexpr CodecEntry kCodecs[] = {
    {kYamaha, EncodeYamaha, 2, 0},    // 4-bit, first sample low
    {kOki, EncodeOki, 2, 0},          // 4-bit, first sample high
    {kG721, EncodeG721, 2, 0},        // 4-bit, first sample low
    {kG726_16, EncodeG726_16, 4, 0},  // 2-bit, first sample in bits 0-1
    {kIma, EncodeIma, 2, 0},          // 4-bit, first sample low
    {kLg, EncodeLg, 2, 4},            // 4 zero bytes, then 4-bit, first high
};

const CodecEntry* FindCodec(int codec) {
    for (const CodecEntry& entry : kCodecs)
        if (entry.codec == codec) return &entry;
    return nullptr;
}

}  // namespace

int EncodedSize(int codec, int count) {
    const CodecEntry* entry = FindCodec(codec);
    if (!entry) return -1;
    return entry->header + (count > 0 ? count / entry->perByte : 0);
}

int Encode(int codec, const std::int16_t* samples, int count, std::uint8_t* out) {
    const CodecEntry* entry = FindCodec(codec);
    if (!entry) return -1;
    entry->encode(samples, count, out);
    return EncodedSize(codec, count);
}

}  // namespace adpcm
