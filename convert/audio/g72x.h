// The adaptive quantizer and predictor shared by the 32 kbit/s (4-bit) and
// 16 kbit/s (2-bit) encoders, in the Recommendation's integer arithmetic.
// Exposed so that tests and tools can follow the encoder's own
// reconstruction sample by sample.
#pragma once

#include <cstdint>

namespace adpcm {

// The per-rate tables: quantizer decision levels, reconstruction levels
// (log domain), scale-factor multipliers and speed-control values by code.
struct G72xRate {
    int bits;                // code width: 4 or 2
    int levelCount;          // decision levels used from `levels`
    std::int16_t levels[7];  // normalised log-domain thresholds
    std::int16_t dqln[16];   // reconstruction by code
    std::int16_t wi[16];     // scale-factor multiplier by code
    std::int16_t fi[16];     // speed-control input by code (already << 9)
};
extern const G72xRate kG721Rate;
extern const G72xRate kG726_16Rate;

// The encoder state, reset as the reference does.
struct G72xState {
    std::int32_t yl = 34816;                        // locked scale factor (19 bits)
    std::int16_t yu = 544;                          // unlocked scale factor
    std::int16_t dms = 0;                           // short-term average of fi
    std::int16_t dml = 0;                           // long-term average of fi
    std::int16_t ap = 0;                            // speed-control parameter
    std::int16_t a[2] = {0, 0};                     // pole coefficients
    std::int16_t b[6] = {0, 0, 0, 0, 0, 0};         // zero coefficients
    std::int16_t pk[2] = {0, 0};                    // signs of the last dq + sez
    std::int16_t sr[2] = {32, 32};                  // reconstructed signal, float form
    std::int16_t dq[6] = {32, 32, 32, 32, 32, 32};  // quantized differences, float form
    std::int16_t td = 0;                            // tone detected
};

// One step: encodes the 14-bit sample `sl` and returns its code; `sr` gets
// the 14-bit reconstruction that a decoder following the same state sees.
int G72xEncodeSample(G72xState& state, int sl, const G72xRate& rate, int* sr);

}  // namespace adpcm
