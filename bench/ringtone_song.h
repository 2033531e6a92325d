// The song the ringtone benchmarks convert: a format-1 MIDI image of about
// 20,000 bytes with one track per channel, 16 in all. Track 0 carries the
// tempo and a time signature; every track names its program and volume, the
// melodic ones play two-note chords now and then and bend a little, channel 10
// plays a drum pattern.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "core/utilities.h"

namespace ringtone_bench {

struct Song {
    std::vector<std::uint8_t> bytes;
    long long notes = 0;  // note-on/note-off pairs written
};

// Appends bytes one by one (a range insert of a brace list trips a false
// bounds warning of GCC 12 at -O3).
inline void Put(std::vector<std::uint8_t>& c, std::initializer_list<std::uint8_t> bytes) {
    for (std::uint8_t b : bytes)
        c.push_back(b);
}

inline void PutVarLen(std::vector<std::uint8_t>& c, std::uint32_t v) {
    std::uint8_t tmp[5];
    int n = 0;
    do {
        tmp[n++] = static_cast<std::uint8_t>(v & 0x7F);
        v >>= 7;
    } while (v != 0 && n < 5);
    while (n > 1)
        c.push_back(static_cast<std::uint8_t>(tmp[--n] | 0x80));
    c.push_back(tmp[0]);
}

// One channel's chunk of about `bytes` bytes.
inline std::vector<std::uint8_t> MakeTrack(int channel, std::size_t bytes, long long& notes) {
    const auto ch = static_cast<std::uint8_t>(channel);
    const bool drums = channel == 9;
    std::vector<std::uint8_t> c = {'M', 'T', 'r', 'k', 0, 0, 0, 0};
    if (channel == 0) {
        Put(c, {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20});        // 120 per minute
        Put(c, {0x00, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08});  // 4/4
    }
    Put(c, {0x00, static_cast<std::uint8_t>(0xC0 | ch),
            static_cast<std::uint8_t>(drums ? 0 : (channel * 8) % 128)});
    Put(c, {0x00, static_cast<std::uint8_t>(0xB0 | ch), 7, 100});
    static constexpr std::uint8_t kDrumNotes[] = {36, 42, 38, 42};
    for (int i = 0; c.size() + 24 < bytes; ++i) {
        const auto key =
            drums ? kDrumNotes[i % 4] : static_cast<std::uint8_t>(48 + (channel * 5 + i * 7) % 30);
        const bool chord = !drums && i % 4 == 0;
        Put(c, {0x00, static_cast<std::uint8_t>(0x90 | ch), key, 90});
        if (chord)
            Put(c, {0x00, static_cast<std::uint8_t>(0x90 | ch), static_cast<std::uint8_t>(key + 4),
                    80});
        if (!drums && i % 8 == 4) Put(c, {0x00, static_cast<std::uint8_t>(0xE0 | ch), 0x00, 0x48});
        PutVarLen(c, 96);
        Put(c, {static_cast<std::uint8_t>(0x80 | ch), key, 0x40});
        if (chord)
            Put(c, {0x00, static_cast<std::uint8_t>(0x80 | ch), static_cast<std::uint8_t>(key + 4),
                    0x40});
        notes += chord ? 2 : 1;
    }
    Put(c, {0x00, 0xFF, 0x2F, 0x00});
    WriteBigEndian32(c.data() + 4, static_cast<std::uint32_t>(c.size() - 8));
    return c;
}

inline Song MakeSong(std::size_t total = 20000) {
    constexpr int kTracks = 16;
    Song song;
    song.bytes = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, kTracks, 0x00, 0x60};  // division 96
    for (int t = 0; t < kTracks; ++t) {
        auto c = MakeTrack(t, (total - 14) / kTracks, song.notes);
        song.bytes.insert(song.bytes.end(), c.begin(), c.end());
    }
    return song;
}

}  // namespace ringtone_bench
