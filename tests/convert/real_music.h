// Small tunes with what real music holds and single-line tunes do not:
// chords, drums struck together, a sparse melody under busier parts, many
// drum keys beside several melodic parts. Each is a format-1 Standard MIDI
// File of one track per channel at a chosen resolution, and the notes it
// holds, for the tests to compare what comes back with.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tests/convert/smf_builder.h"

namespace real_music {

using smf_builder::Bytes;

// A note in eighths of a beat, so that a file of any resolution holds it.
struct Placed {
    int channel;
    int at;  // eighths of a beat from the start
    int key;
    int length;  // eighths of a beat
};

struct Tune {
    std::string name;
    std::vector<Placed> notes;
    std::map<int, int> programs;  // channel → program; the drum channel keeps kit 0
    int division = 96;
    int melodyChannel = -1;  // the channel anyone would call the melody, -1 none
    int modulatedChannel = -1;  // a channel whose modulation wheel moves, -1 none
};

// The tune as a format-1 file: a conductor track with 120 bpm and 4/4, then
// one track per channel with its program and notes.
inline Bytes File(const Tune& tune) {
    using smf_builder::Put32;
    using smf_builder::PutVarLen;
    std::map<int, std::vector<Placed>> byChannel;
    for (const Placed& n : tune.notes)
        byChannel[n.channel].push_back(n);
    Bytes out = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0};
    out.push_back(static_cast<std::uint8_t>(byChannel.size() + 1));
    out.push_back(static_cast<std::uint8_t>(tune.division >> 8));
    out.push_back(static_cast<std::uint8_t>(tune.division & 0xFF));
    const Bytes conductor = {'M',  'T', 'r',  'k',  0, 0, 0, 19, 0, 0xFF, 0x51, 3,    0x07, 0xA1,
                             0x20, 0,   0xFF, 0x58, 4, 4, 2, 24, 8, 0,    0xFF, 0x2F, 0};
    out.insert(out.end(), conductor.begin(), conductor.end());
    const long long tick = tune.division / 8;
    for (const auto& [channel, notes] : byChannel) {
        struct Ev {
            long long time;
            int off;  // note-offs first at one time
            std::uint8_t status, key, velocity;
        };
        std::vector<Ev> evs;
        if (channel == tune.modulatedChannel) {
            // Up at the second beat, back at the fourth.
            for (const auto& [at, value] : {std::pair{8, 64}, std::pair{24, 0}})
                evs.push_back({at * tick, 0, static_cast<std::uint8_t>(0xB0 | channel), 1,
                               static_cast<std::uint8_t>(value)});
        }
        for (const Placed& n : notes) {
            evs.push_back({n.at * tick, 1, static_cast<std::uint8_t>(0x90 | channel),
                           static_cast<std::uint8_t>(n.key), 100});
            evs.push_back({(n.at + n.length) * tick - 1, 0,
                           static_cast<std::uint8_t>(0x80 | channel),
                           static_cast<std::uint8_t>(n.key), 0});
        }
        std::stable_sort(evs.begin(), evs.end(), [](const Ev& a, const Ev& b) {
            return a.time != b.time ? a.time < b.time : a.off < b.off;
        });
        const auto program = tune.programs.count(channel) ? tune.programs.at(channel) : 0;
        Bytes body = {0, static_cast<std::uint8_t>(0xC0 | channel),
                      static_cast<std::uint8_t>(program)};
        long long t = 0;
        for (const Ev& e : evs) {
            PutVarLen(body, static_cast<std::uint32_t>(e.time - t));
            t = e.time;
            body.insert(body.end(), {e.status, e.key, e.velocity});
        }
        body.insert(body.end(), {0, 0xFF, 0x2F, 0});
        out.insert(out.end(), {'M', 'T', 'r', 'k'});
        Put32(out, static_cast<std::uint32_t>(body.size()));
        out.insert(out.end(), body.begin(), body.end());
    }
    return out;
}

// A C-E-G chord on channel 1 under a moving modulation wheel and kick with
// closed hi-hat on channel 10, on each of 16 beats: 80 notes, at 240 ticks a
// beat.
inline Tune ChordWithDrums() {
    Tune tune{"chord with drums", {}, {{0, 0}}, 240, -1, 0};
    for (int beat = 0; beat < 16; ++beat) {
        for (int key : {60, 64, 67})
            tune.notes.push_back({0, 8 * beat, key, 7});
        for (int key : {36, 42})
            tune.notes.push_back({9, 8 * beat, key, 2});
    }
    return tune;
}

// A melody of 8 long flute notes on channel 2 under four busier parts, all
// in eighths over 16 beats: a piano arpeggio whose notes ring into the next,
// a bass, and string and guitar parts in two-note chords.
inline Tune SparseMelodyUnderBusyParts() {
    Tune tune{"sparse melody", {}, {{0, 0}, {1, 73}, {2, 33}, {3, 48}, {4, 25}}, 96, 1};
    const int melody[] = {76, 79, 77, 74, 76, 72, 74, 79};
    for (int n = 0; n < 8; ++n)
        tune.notes.push_back({1, 16 * n, melody[n], 16});
    const int arpeggio[] = {60, 64, 67, 64};
    for (int e = 0; e < 32; ++e) {
        tune.notes.push_back({0, 4 * e, arpeggio[e % 4], 8});
        tune.notes.push_back({2, 4 * e, 36 + e % 2 * 7, 4});
        for (int key : {55, 59})
            tune.notes.push_back({3, 4 * e, key + e % 3, 4});
        for (int key : {52, 57})
            tune.notes.push_back({4, 4 * e, key + e % 4 * 2, 4});
    }
    return tune;
}

// Three melodic parts on channels 2 to 4 and ten drum keys in turn on
// channel 10, one note each a beat over 20 beats: 80 notes.
inline Tune ThreePartsWithTenDrums() {
    Tune tune{"three parts, ten drums", {}, {{1, 73}, {2, 0}, {3, 33}}, 96, 1};
    const int drums[] = {36, 38, 42, 46, 49, 51, 45, 47, 50, 39};
    for (int beat = 0; beat < 20; ++beat) {
        tune.notes.push_back({1, 8 * beat, 72 + beat % 5, 7});
        tune.notes.push_back({2, 8 * beat, 60 + beat % 4, 7});
        tune.notes.push_back({3, 8 * beat, 40 + beat % 3, 7});
        tune.notes.push_back({9, 8 * beat, drums[beat % 10], 2});
    }
    return tune;
}

}  // namespace real_music
