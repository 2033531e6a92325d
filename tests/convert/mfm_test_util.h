// Multi-track ringtone models made by hand and at random for the MFM tests
// and the fixture writer: one slot per tune channel, the drums on channel 9.
#pragma once

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "convert/multi_mobile_track_data.h"
#include "tests/convert/mfi_test_util.h"

namespace mfm_test {

using mfi_test::kCapacity;
using mfi_test::Note;
using mfi_test::ShownLog;

struct Part {
    int channel = 0;
    bool drum = false;
    int program = 0;
    int volume = 100;
    int pan = 64;
    std::vector<Note> notes;  // in time order, none overlapping
};

// Every slot carries the tempo at time 0, as the multi-track build does.
inline std::unique_ptr<MultiMobileTrackData> MakeModel(const std::vector<Part>& parts, int tempo = 500000) {
    auto model = std::make_unique<MultiMobileTrackData>();
    model->division = 48;
    for (const Part& p : parts)
        model->AddSlot(mfi_test::MakeSlot({p.channel, p.drum, p.program, p.volume, p.pan, tempo}, p.notes));
    return model;
}

inline int Pick(std::mt19937& rng, int low, int high) {
    return low + static_cast<int>(rng() % static_cast<unsigned>(high - low + 1));
}

// Random monophonic parts on some of the sixteen channels: melodic pitches
// 0..127, drum keys 35..62 on channel 9, gaps that now and then pass 255 or
// 65535 ticks, gates up to 700.
inline std::vector<Part> RandomParts(std::mt19937& rng) {
    std::vector<Part> parts;
    for (int c = 0; c < 16; ++c) {
        if (rng() % 3 == 0) continue;
        Part p;
        p.channel = c;
        p.drum = c == 9;
        p.program = Pick(rng, 0, 127);
        p.volume = Pick(rng, 0, 127);
        p.pan = Pick(rng, 0, 127);
        long long t = Pick(rng, 0, 300);
        const int n = Pick(rng, 1, 14);
        for (int k = 0; k < n; ++k) {
            int gap = Pick(rng, 1, 800);
            if (rng() % 20 == 0) gap += 70000;
            const int length = Pick(rng, 1, std::min(gap, 700));
            const int pitch = p.drum ? Pick(rng, 35, 62) : Pick(rng, 0, 127);
            p.notes.push_back({t, pitch, length, Pick(rng, 0, 127)});
            t += gap;
        }
        parts.push_back(p);
    }
    return parts;
}

}  // namespace mfm_test
