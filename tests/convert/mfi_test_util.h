// Ringtone models made by hand for the MFi tests and the fixture writer (the
// slot builder shared with the MFM ones), the walk over an MFi image's
// chunks, and a read log shown as the read ends.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <vector>

#include "convert/mobile_data.h"
#include "core/read_log.h"
#include "core/utilities.h"

namespace mfi_test {

constexpr int kCapacity = 0x60000;

struct Note {
    long long time;
    int pitch;
    int length;
    int velocity;
};

struct Part {
    bool drum = false;
    int program = 0;  // a drum part's program is its drum note
    int volume = 100;
    std::vector<Note> notes;  // in time order, none overlapping
};

// What a hand-made slot opens with at time 0; a tempo and a pan only when
// given.
struct SlotHead {
    int number = 0;
    bool drum = false;
    int program = 0;
    int volume = 100;
    std::optional<int> pan;
    std::optional<int> tempo;
};

// One enabled slot: the tempo, kind, program, volume and pan, then the
// notes, and the end of the track where its last note ends, as a tune's.
inline std::unique_ptr<MobileChanelData> MakeSlot(const SlotHead& head, const std::vector<Note>& notes) {
    auto slot = std::make_unique<MobileChanelData>(
        head.number, head.drum ? MobileChanelData::kKindDrum : MobileChanelData::kKindMelodic, kCapacity);
    slot->enabled = 1;
    if (head.tempo) slot->AppendControl(0, mobile_code::kTempo, *head.tempo);
    slot->AppendControl(0, mobile_code::kKind, head.drum ? 1 : 0);
    slot->AppendControl(0, mobile_code::kProgram, head.program);
    slot->AppendControl(0, mobile_code::kVolume, head.volume);
    if (head.pan) slot->AppendControl(0, mobile_code::kPan, *head.pan);
    long long t = 0;
    long long end = 0;
    for (const Note& n : notes) {
        slot->AppendNote(static_cast<int>(n.time - t), n.pitch, n.length, n.velocity);
        t = n.time;
        end = std::max(end, n.time + n.length);
    }
    slot->AppendControl(static_cast<int>(end - t), mobile_code::kEndOfTrack, 0);
    return slot;
}

// One enabled slot per part; the first carries the tempo at time 0.
inline std::unique_ptr<MobileData> MakeModel(const std::vector<Part>& parts, int tempo = 500000) {
    auto model = std::make_unique<MobileData>(kCapacity);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const Part& p = parts[i];
        const std::optional<int> first = i == 0 ? std::optional<int>(tempo) : std::nullopt;
        model->AddSlot(MakeSlot({static_cast<int>(i), p.drum, p.program, p.volume, std::nullopt, first}, p.notes));
    }
    return model;
}

// A read log the readers fill and that shows its boxes when the statement
// that read ends, where the program's callers show theirs:
// `MFiData mfi(bytes, length, ShownLog());`.
class ShownLog {
public:
    ~ShownLog() { log_.ShowAll(); }
    operator ReadLog&() { return log_; }

private:
    ReadLog log_;
};

// Monophonic random parts: onsets on a 96-tick grid plus odd offsets,
// gates up to 700 ticks (split and rejoined by the format).
inline std::vector<Part> RandomParts(std::mt19937& rng, int count, int drumAt, int low, int high) {
    std::vector<Part> parts(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        Part& p = parts[static_cast<std::size_t>(i)];
        p.drum = i == drumAt;
        p.program = p.drum ? 35 + static_cast<int>(rng() % 47) : static_cast<int>(rng() % 128);
        p.volume = static_cast<int>(rng() % 128);
        long long t = static_cast<long long>(rng() % 4) * 96;
        const int n = 1 + static_cast<int>(rng() % 12);
        for (int k = 0; k < n; ++k) {
            const int gap = 1 + static_cast<int>(rng() % 800);
            const int length = 1 + static_cast<int>(rng() % static_cast<unsigned>(gap));
            const int pitch = p.drum ? 35 + static_cast<int>(rng() % 47)
                                     : low + static_cast<int>(rng() % static_cast<unsigned>(high - low + 1));
            p.notes.push_back({t, pitch, length, 1 + static_cast<int>(rng() % 127)});
            t += gap;
        }
    }
    return parts;
}

struct Chunk {
    std::string id;
    std::size_t offset;  // of the chunk's data
    std::uint32_t size;
};

// The chunks after the information block (empty when the head is broken).
inline std::vector<Chunk> Chunks(const std::vector<std::uint8_t>& image) {
    std::vector<Chunk> out;
    if (image.size() < 13) return out;
    std::size_t at = 10 + ReadBigEndian16(image.data() + 8);
    while (at + 8 <= image.size()) {
        std::uint32_t size = ReadBigEndian32(image.data() + at + 4);
        out.push_back({std::string(image.begin() + static_cast<long>(at), image.begin() + static_cast<long>(at) + 4),
                       at + 8, size});
        if (size > image.size() - at - 8) break;
        at += 8 + size;
    }
    return out;
}

}  // namespace mfi_test
