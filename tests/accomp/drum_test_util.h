// Shared pieces of the drum tests: a fixture that keeps the working style,
// settings, panel mode and created patterns of each test, label lists from
// a short description, and a track read back as notes with their times.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "accomp/drum_run.h"
#include "accomp/drum_track.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "style/style_table.h"

namespace drum_test {

class DrumFixture : public ::testing::Test {
protected:
    void SetUp() override {
        savedStyle_ = WorkingStyle;
        savedSettings_ = AppSettings;
        savedMode_ = PanelMode.load();
        savedCreated_ = CreatedDrumPatterns;
        InitMusicStyle(WorkingStyle);
        WorkingStyle.voice[kPartDrum] = kElectricSet;
        WorkingStyle.rhythmPattern = 2;
        WorkingStyle.basicBeat = 0;
        WorkingStyle.timeSignature = kMetre44;
        AppSettings.ComposeOutputType = 2;
        AppSettings.StartAt2ndBar = 0;
        PanelMode = kPanelModeCompose;
    }
    void TearDown() override {
        WorkingStyle = savedStyle_;
        AppSettings = savedSettings_;
        PanelMode = savedMode_;
        CreatedDrumPatterns = savedCreated_;
    }

private:
    MusicStyle savedStyle_{};
    AppSettingsRecord savedSettings_{};
    int savedMode_ = 0;
    CreatedDrumTable savedCreated_{};
};

struct Span {
    int length;
    const char* label;  // four characters
};

inline void FillLabels(NoteList& list, const std::vector<Span>& spans) {
    list.Clear();
    for (const Span& s : spans)
        list.AppendLabel(s.length, s.label);
}

struct Note {
    long long time;
    int key;
    int velocity;
    int length;
    int channel;
    int delta;
};

// Every note-with-length event (rests included) with its absolute time.
inline std::vector<Note> Notes(const MidiTrackData& track) {
    std::vector<Note> out;
    long long t = 0;
    for (int i = 0; i < track.EventCount(); ++i) {
        const MidiEvent* e = track.Event(i);
        t += e->delta;
        if (e->IsNoteWithLength())
            out.push_back({t, e->note, e->velocity, e->length, e->channel, e->delta});
    }
    return out;
}

inline std::vector<Note> Sounding(const MidiTrackData& track) {
    std::vector<Note> out;
    for (const Note& n : Notes(track)) {
        if (n.key != 0 && n.velocity != 0) out.push_back(n);
    }
    return out;
}

// The notes starting at one time, as keys.
inline std::vector<int> KeysAt(const std::vector<Note>& notes, long long time) {
    std::vector<int> keys;
    for (const Note& n : notes) {
        if (n.time == time) keys.push_back(n.key);
    }
    return keys;
}

}  // namespace drum_test
