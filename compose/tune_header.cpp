#include "compose/tune_header.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "compose/chord_progression.h"
#include "compose/chord_record.h"
#include "compose/compose_info.h"
#include "compose/composer_state.h"
#include "compose/melody_stages.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "core/utilities.h"
#include "style/style_table.h"

std::string ChordCodeToName(const char code[4]) {
    const char first = code[0];
    if (first == 'N') return "N/C";
    std::string name;
    const bool natural = first >= 'A' && first <= 'G';
    if (natural) {
        name += first;
    } else {
        name += static_cast<char>(first >= 'a' && first <= 'z' ? first - 'a' + 'A' : first);
        name += 'b';
    }
    const bool minor = code[1] == 'm';
    if (minor) name += 'm';
    name += ' ';
    if (code[2] == 'd') {
        // "dim" takes the place of the blank and the "m"; without an "m" it
        // only takes the blank's, so the root stays whole.
        if (!minor && natural) ShowErrorMessage(kDiminishChordError);
        name.pop_back();
        if (minor) name.pop_back();
        name += "dim ";
    } else if (code[2] == 'A') {
        name.pop_back();
        name += "aug ";
    }
    if (code[3] == 's') name += "7";
    if (code[3] == 'S') name += "M7";
    return name;
}

void AppendOnBass(std::string& name, int pitch) {
    static const char* const kNames[12] = {"C",  "C#", "D",  "D#", "E",  "F",
                                           "F#", "G",  "G#", "A",  "A#", "B"};
    const int r = pitch % 12;
    if (r < 0) return;
    name += "on";
    name += kNames[r];
}

int OnBassOffset(const char text[2]) {
    if (text[0] < '0' || text[0] > '9' || text[1] < '0' || text[1] > '9') return 0;
    return (text[0] - '0') * 10 + (text[1] - '0');
}

namespace {

// The display texts go to the XG (type 0) or GS (type 1) sound module.
void AppendDisplayText(ComposeTrackData& track, int type, int delta, const std::string& text) {
    if (type == 0)
        track.AppendXgDisplayText(delta, text);
    else if (type == 1)
        track.AppendGsDisplayText(delta, text);
}

bool DisplayTextsWritten(int type) {
    return AppSettings.SoundGenerator != 0 && (type == 0 || type == 1);
}

}  // namespace

void BuildHeaderEvents(ComposeTrackData& track) {
    char seed[32];
    const int n = std::snprintf(seed, sizeof seed, "random_seed %d", RandomSeedValue.load());
    track.AppendMetaEvent(0, meta_type::kText, reinterpret_cast<const std::uint8_t*>(seed), n + 1);
    const int type = TheComposerState.outputType;
    if (type == 0)
        track.AppendXgSystemOn();
    else if (type == 1)
        track.AppendGsReset();
    else
        track.AppendGmSystemOn();
    track.InsertMasterVolume(127, 0);
    switch (WorkingStyle.timeSignature) {
        case kMetre34:
            track.AppendTimeSignature(3, 2);
            break;
        case kMetre78:
            track.AppendTimeSignature(7, 3);
            break;
        default:
            track.AppendTimeSignature(4, 2);
            break;
    }
    const int key = std::clamp(WorkingStyle.keyOffset, 0, 11);
    const int minor = WorkingStyle.key == 2 ? 1 : 0;
    track.AppendKeySignature(0, key, minor);
    track.AppendTempo(WorkingStyle.tempo);
    const bool names = AppSettings.WriteChords != 0;
    if (AppSettings.StartAt2ndBar && names) {
        if (DisplayTextsWritten(type)) AppendDisplayText(track, type, 0, OutputFileName.Get());
        track.AppendMarker(0, "N/C");
    }

    // The key changes written where the melody was transposed: each names
    // the key the chords are in from there on, in the tune's mode.
    int changeAt[2] = {-1, -1};
    int changeKey[2] = {key, key};
    if (WorkingStyle.transpose == 1) {
        for (int point = 0; point < 2; ++point)
            if (KeyChangeBlocks[point] != -1 && KeyChangeMark[point] != 0)
                changeAt[point] = KeyChangeChordIndex[point];
        changeKey[0] = (key + KeyChangeShift[0]) % 12;
        changeKey[1] = (key + KeyChangeShift[0] + KeyChangeShift[1]) % 12;
        if (changeAt[0] < 0) changeKey[1] = (key + KeyChangeShift[1]) % 12;
    }

    long long delta = GetLeadInTicks();
    long long time = 0;
    std::set<long long> markerTimes;
    bool duplicateShown = false;
    const int chords = std::clamp<int>(ComposeInfo.chordCount, 0, kMaxChords);
    for (int c = 0; c < chords; ++c) {
        const ChordRecord* chord = ComposeInfo.chords[c];
        if (!chord) continue;
        if (names) {
            for (int point = 0; point < 2; ++point) {
                if (c != changeAt[point]) continue;
                track.AppendKeySignature(static_cast<int>(delta),
                                         std::clamp(changeKey[point], 0, 11), minor);
                time += delta;
                delta = 0;
            }
            std::string name = ChordCodeToName(chord->code.text);
            const int offset = OnBassOffset(chord->onChordText);
            if (offset != 0) AppendOnBass(name, chord->root % 12 + offset);
            if (DisplayTextsWritten(type)) {
                AppendDisplayText(track, type, static_cast<int>(delta), name);
                time += delta;
                delta = 0;
            }
            track.AppendMarker(static_cast<int>(delta), name);
            time += delta;
            if (!markerTimes.insert(time).second && !duplicateShown) {
                ShowErrorMessage(kDisplayDataError);
                duplicateShown = true;
            }
        } else {
            time += delta;
        }
        delta = chord->length;
    }
}

void BuildHeaderTrack(std::vector<ComposeTrackData*>& tracks, int& count) {
    auto* track = new ComposeTrackData(note_mode::kLength, static_cast<int>(WorkBufferSize));
    BuildHeaderEvents(*track);
    PadTrackEnd(*track);
    tracks.push_back(track);
    ++count;
}
