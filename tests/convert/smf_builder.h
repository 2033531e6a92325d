// Small hand-made inputs for the conversion tests: Standard MIDI Files of a
// few tracks written byte by byte, and a tone as a WAV file.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace smf_builder {

using Bytes = std::vector<std::uint8_t>;

inline void Put32(Bytes& out, std::uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<std::uint8_t>(v >> s));
}

inline void PutVarLen(Bytes& out, std::uint32_t v) {
    std::uint8_t bytes[5];
    int n = 0;
    do {
        bytes[n++] = static_cast<std::uint8_t>(v & 0x7F);
        v >>= 7;
    } while (v && n < 5);
    while (n-- > 0) out.push_back(static_cast<std::uint8_t>(bytes[n] | (n ? 0x80 : 0)));
}

// One track chunk: an optional instrument name, a program, then `count`
// quarter notes rising from key by `rise` semitones with the given
// velocities in turn, and a pitch bend after the first note when asked.
struct TrackSpec {
    int channel = 0;
    int key = 60;
    int count = 8;
    std::vector<int> velocities = {100};
    std::string instrument;
    bool bend = false;
    int rise = 1;
};

inline Bytes Track(const TrackSpec& t) {
    Bytes body;
    const auto status = [&](int high) { return static_cast<std::uint8_t>(high | t.channel); };
    if (!t.instrument.empty()) {
        body.insert(body.end(), {0, 0xFF, 0x04});
        PutVarLen(body, static_cast<std::uint32_t>(t.instrument.size()));
        body.insert(body.end(), t.instrument.begin(), t.instrument.end());
    }
    // The drum channel keeps kit 0.
    const int program = t.channel == 9 ? 0 : t.channel * 5 % 128;
    body.insert(body.end(), {0, status(0xC0), static_cast<std::uint8_t>(program)});
    for (int i = 0; i < t.count; ++i) {
        const auto key = static_cast<std::uint8_t>(t.key + i % 12 * t.rise);
        const auto velocity = static_cast<std::uint8_t>(t.velocities[i % t.velocities.size()]);
        body.insert(body.end(), {0, status(0x90), key, velocity});
        if (t.bend && i == 0) body.insert(body.end(), {48, status(0xE0), 0, 0x50});
        body.insert(body.end(), {static_cast<std::uint8_t>(t.bend && i == 0 ? 48 : 96), status(0x80), key, 0});
    }
    body.insert(body.end(), {0, 0xFF, 0x2F, 0});
    Bytes chunk = {'M', 'T', 'r', 'k'};
    Put32(chunk, static_cast<std::uint32_t>(body.size()));
    chunk.insert(chunk.end(), body.begin(), body.end());
    return chunk;
}

// A file of the format holding the tracks (format 0 takes the first only),
// at 96 ticks per quarter, with a tempo track first in format 1.
inline Bytes Song(const std::vector<TrackSpec>& tracks, int format = 1) {
    const int count = format == 0 ? 1 : static_cast<int>(tracks.size()) + 1;
    Bytes out = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, static_cast<std::uint8_t>(format),
                 0, static_cast<std::uint8_t>(count), 0, 96};
    if (format == 1) {
        const Bytes conductor = {'M', 'T', 'r', 'k', 0, 0, 0, 19, 0, 0xFF, 0x51, 3, 0x07, 0xA1, 0x20,
                                 0, 0xFF, 0x58, 4, 4, 2, 24, 8, 0, 0xFF, 0x2F, 0};
        out.insert(out.end(), conductor.begin(), conductor.end());
    }
    for (int i = 0; i < (format == 0 ? 1 : static_cast<int>(tracks.size())); ++i) {
        const Bytes chunk = Track(tracks[static_cast<std::size_t>(i)]);
        out.insert(out.end(), chunk.begin(), chunk.end());
    }
    return out;
}

// A melody with a pitch bend and a bass.
inline Bytes TwoTrackSong() {
    TrackSpec melody{0, 64, 16, {100, 90}, "", true};
    TrackSpec bass{2, 40, 8, {80}, "", false};
    return Song({melody, bass});
}

// Sixteen tracks on channels 0..15, and with the second port four more
// named for it on channels 0..3.
inline Bytes TwentyChannelSong(bool secondPort) {
    std::vector<TrackSpec> tracks;
    for (int c = 0; c < 16; ++c) tracks.push_back(TrackSpec{c, 40 + 2 * c, 4, {90}, "", false});
    if (secondPort)
        for (int c = 0; c < 4; ++c) tracks.push_back(TrackSpec{c, 70 + c, 4, {90}, "SC-88B", false});
    return Song(tracks);
}

// frames of a 440 Hz tone, 16-bit mono PCM at the rate, as a WAV file.
inline Bytes ToneWav(int rate, int frames) {
    const auto le = [](Bytes& out, std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    Bytes out = {'R', 'I', 'F', 'F'};
    le(out, static_cast<std::uint32_t>(36 + 2 * frames), 4);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    le(out, 16, 4);
    le(out, 1, 2);
    le(out, 1, 2);
    le(out, static_cast<std::uint32_t>(rate), 4);
    le(out, static_cast<std::uint32_t>(2 * rate), 4);
    le(out, 2, 2);
    le(out, 16, 2);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    le(out, static_cast<std::uint32_t>(2 * frames), 4);
    for (int i = 0; i < frames; ++i)
        le(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(12000 * std::sin(i * 2 * M_PI * 440 / rate))), 2);
    return out;
}

}  // namespace smf_builder
