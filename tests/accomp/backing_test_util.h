// Shared pieces of the bass and harmony tests: a fixture that keeps the
// working style and settings of each test, chord lists built from codes and
// lengths, and the rules every backing track keeps whatever its figures.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "accomp/chord_walk.h"
#include "compose/compose_info.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "style/style_table.h"
#include "tests/accomp/drum_test_util.h"
#include "tests/compose/compose_test_util.h"

namespace backing_test {

class BackingFixture : public ::testing::Test {
protected:
    void SetUp() override {
        savedStyle_ = WorkingStyle;
        savedSettings_ = AppSettings;
        InitMusicStyle(WorkingStyle);
        WorkingStyle.scale = 1;
        WorkingStyle.key = 1;
        WorkingStyle.keyOffset = 0;
        WorkingStyle.fixedBass = 0;
        WorkingStyle.transpose = 0;
        WorkingStyle.basicBeat = 0;
        WorkingStyle.timeSignature = kMetre44;
        WorkingStyle.harmonyPattern = 47;
        AppSettings.ComposeOutputType = 2;
        AppSettings.StartAt2ndBar = 0;
    }
    void TearDown() override {
        WorkingStyle = savedStyle_;
        AppSettings = savedSettings_;
    }

private:
    MusicStyle savedStyle_{};
    AppSettingsRecord savedSettings_{};
};

// Chords that own their records.
class Chords {
public:
    Chords() = default;
    explicit Chords(const std::vector<std::pair<const char*, int>>& list) {
        for (const auto& [code, length] : list)
            Add(code, length);
    }
    ChordRecord& Add(const char* code, int length) {
        owned_.push_back(std::make_unique<ChordRecord>(compose_test::Entry(code, length), nullptr));
        pointers_.push_back(owned_.back().get());
        return *owned_.back();
    }
    ChordList List() const { return ChordList(pointers_.data(), pointers_.size()); }
    int Total() const {
        int t = 0;
        for (const ChordRecord* c : pointers_)
            t += c->length;
        return t;
    }
    std::vector<long long> Starts() const {
        std::vector<long long> s;
        long long t = 0;
        for (const ChordRecord* c : pointers_) {
            s.push_back(t);
            t += c->length;
        }
        return s;
    }

private:
    std::vector<std::unique_ptr<ChordRecord>> owned_;
    std::vector<ChordRecord*> pointers_;
};

using drum_test::Note;
using drum_test::Notes;
using drum_test::Sounding;

inline long long CeilBeat(long long t) {
    return (t + 95) / 96 * 96;
}

// The rules of a backing run over chords written after `first` events of
// the track: events only on the channel (notes and the bends of bent
// notes), in time order, every sound starting inside the tune (the last
// chord's ending may run on by at most `runOn`); then, once the track is
// closed, lengths of at least 1, velocities 1..127 and the End of Track at
// the next beat after the last sound (or silent step). False, with a failure, at the first
// broken rule.
inline bool KeepsBackingRules(ComposeTrackData& track, int first, int channel, const Chords& chords,
                              const std::string& what, int runOn = 576) {
    const std::vector<long long> starts = chords.Starts();
    const long long total = chords.Total();
    const long long lastStart = starts.empty() ? 0 : starts.back();
    long long t = 0;
    long long reach = 0;
    for (int i = 0; i < track.EventCount(); ++i) {
        const MidiEvent* e = track.Event(i);
        if (e->delta < 0) {
            ADD_FAILURE() << what << ": event " << i << " delta " << e->delta;
            return false;
        }
        t += e->delta;
        reach = std::max(reach, t);
        if (i < first) continue;
        if (e->channel != channel) {
            ADD_FAILURE() << what << ": event " << i << " on channel " << e->channel;
            return false;
        }
        if (!e->IsNoteWithLength()) continue;
        const bool sounding = e->note != 0 && e->velocity != 0;
        if (!sounding) {
            reach = std::max(reach, t + std::max(e->length - 1, 0));
            continue;
        }
        reach = std::max(reach, t + e->length);
        const bool inside = t < total;
        const bool ending = t >= lastStart && t < total + runOn;
        if (!inside && !ending) {
            ADD_FAILURE() << what << ": a note at " << t << " past the tune's " << total;
            return false;
        }
    }
    PadTrackEnd(track);
    t = 0;
    for (int i = 0; i < track.EventCount(); ++i) {
        const MidiEvent* e = track.Event(i);
        t += e->delta;
        if (e->IsNoteWithLength() &&
            (e->length < 1 || e->velocity < 1 || e->velocity > 127 || e->note < 13)) {
            ADD_FAILURE() << what << ": note " << e->note << " velocity " << e->velocity
                          << " length " << e->length;
            return false;
        }
        if (e->IsEndOfTrack() && t != CeilBeat(reach)) {
            ADD_FAILURE() << what << ": End of Track at " << t << ", last sound ends " << reach;
            return false;
        }
    }
    return true;
}

}  // namespace backing_test
