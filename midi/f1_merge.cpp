// Fitting a format-1 tune to 16 channels: channel assignment and the merges
// by drum role, instrument and program; and the single-track time edits.
#include <algorithm>
#include <iterator>
#include <map>
#include <tuple>

#include "midi/f1_data.h"

namespace {

// Merged-in drum and instrument tracks leave these controllers alone.
constexpr int kDrumKeptControllers[] = {7, 11, 39, 43, 10, 6, 99, 98, 0, 32};
constexpr int kInstrumentKeptControllers[] = {7, 11, 39, 43, 10, 0, 32};

int ProgramGroup(int program) {
    return program >= 0 && program < 128 ? program / 8 : -1;
}

}  // namespace

void MidiF1Data::AssignChannels() {
    const int n = TrackCount();
    std::vector<bool> assigned(static_cast<std::size_t>(n), false);
    bool used[16] = {};
    for (int i = 0; i < n; ++i) {
        int ch = Track(i)->GetFirstPortChannel();
        if (ch >= 0 && ch < 16) {
            used[ch] = true;
            assigned[static_cast<std::size_t>(i)] = true;
        }
    }
    for (int i = 0; i < n; ++i) {
        int ch = Track(i)->GetFirstPortChannel();
        if (assigned[static_cast<std::size_t>(i)] || ch < 16 || ch >= 32 || used[ch - 16]) continue;
        Track(i)->RemapChannel(ch, ch - 16);
        used[ch - 16] = true;
        assigned[static_cast<std::size_t>(i)] = true;
    }
    for (int i = 0; i < n; ++i) {
        int old = Track(i)->GetFirstPortChannel();
        if (assigned[static_cast<std::size_t>(i)] || old == kNoChannel) continue;
        int j = 0;
        while (j < 16 && used[j])
            ++j;
        if (j == 16) continue;  // no channel left: the track keeps its own
        const bool drum = IsDrumTrack(i) != 0;
        RemapChannel(i, j);
        if (j == 9 && !drum) Track(i)->InsertRhythmPartSysEx(0, 9);
        if (old % 16 == 9 && drum) Track(i)->InsertRhythmPartSysEx(1, j);
        used[j] = true;
        assigned[static_cast<std::size_t>(i)] = true;
    }
}

void MidiF1Data::MergeTracksByProgram() {
    for (int group = 0; group < 16; ++group) {
        std::vector<int> members;
        for (int i = 0; i < TrackCount(); ++i) {
            const MidiF1TrackData* t = Track(i);
            if (IsDrumTrack(i) || t->GetFirstChannel() == kNoChannel) continue;
            int g = ProgramGroup(t->GetFirstProgram());
            if (g == group || (g < 0 && group == 0)) members.push_back(i);
        }
        if (members.empty()) continue;
        int base = members.front();
        for (int i : members) {
            if (Track(i)->CountNotes() > Track(base)->CountNotes()) base = i;
        }
        int program = Track(base)->GetFirstProgram();
        if (program < 0 || program > 127) {
            ShowError(m1dt::kNoProgram);
            program = 0;
        }
        const int channel = Track(base)->GetFirstChannel();
        for (int i : members) {
            MidiF1TrackData* t = Track(i);
            t->DeleteProgramChanges(t->GetFirstChannel());
            t->DeleteControlChange(0);
            t->DeleteControlChange(32);
        }
        std::vector<int> list = {base};
        for (int i : members) {
            if (i != base) list.push_back(i);
        }
        // The list must be ascending after its first entry.
        std::sort(list.begin() + 1, list.end());
        MidiF1TrackData* baseTrack = Track(base);
        for (std::size_t k = 1; k < list.size(); ++k) {
            MidiF1TrackData* t = Track(list[k]);
            t->RemapChannel(t->GetFirstPortChannel(), baseTrack->GetFirstPortChannel());
            baseTrack->MergeTrack(*t);
        }
        for (std::size_t k = list.size(); k-- > 1;)
            DeleteTrack(list[k]);
        for (int i = 0; i < baseTrack->EventCount(); ++i) {
            if (baseTrack->Event(i)->channel != channel) continue;
            auto pc = std::make_unique<MidiEvent>(0);
            pc->kind = event_kind::kProgramChange;
            pc->channel = channel;
            pc->value = program;
            baseTrack->InsertEventAtTime(baseTrack->TimeOf(i), std::move(pc), 2);
            break;
        }
    }
    FixDuplicateNotes(0);
}

void MidiF1Data::MergeDrumTracks() {
    std::vector<int> drums;
    for (int i = 0; i < TrackCount(); ++i) {
        if (IsDrumTrack(i)) drums.push_back(i);
    }
    if (drums.empty()) return ShowError(m1dt::kNoDrumTrack);
    int base = drums.front();
    if (Track(base)->GetFirstChannel() != 9) {
        for (int i : drums) {
            if (Track(i)->GetFirstChannel() == 9) {
                base = i;
                break;
            }
        }
    }
    MidiF1TrackData* baseTrack = Track(base);
    for (int i : drums) {
        if (i == base) continue;
        MidiF1TrackData* t = Track(i);
        t->RemapChannel(t->GetFirstPortChannel(), baseTrack->GetFirstPortChannel());
        if (!HaveSameProgram(base, i)) ShowWarningOnce(m1dt::kDifferentDrumPrograms);
        t->DeleteMetaEvents(meta_type::kInstrumentName);
        baseTrack->MergeTrack(*t);
    }
    for (std::size_t k = drums.size(); k-- > 0;) {
        if (drums[k] != base) DeleteTrack(drums[k]);
    }
    FixDuplicateNotes(0);
    RemoveRedundantControllers(kDrumKeptControllers,
                               static_cast<int>(std::size(kDrumKeptControllers)));
    RemoveRepeatedVolumes();
    RemoveRedundantPans();
    RemoveRedundantPrograms();
}

void MidiF1Data::MergeTracksByInstrument(int n, const int* excludedChannels) {
    auto excluded = [&](int ch) {
        for (int k = 0; k < n && excludedChannels; ++k)
            if (excludedChannels[k] == ch) return true;
        return false;
    };
    std::vector<std::string> names;
    CollectInstrumentNames(names);
    for (;;) {
        // Tracks by (name, bank, program), in that order of keys.
        std::map<std::tuple<std::size_t, int, int>, std::vector<int>> groups;
        for (int i = 0; i < TrackCount(); ++i) {
            const MidiF1TrackData* t = Track(i);
            const int ch = t->GetFirstChannel();
            const int bank = t->FindControlValue(0);
            const int program = t->GetFirstProgram();
            if (IsDrumTrack(i) || ch == kNoChannel || excluded(ch) || bank < 0 || bank > 127 ||
                program < 0 || program > 127 || t->CountProgramChanges() > 1) {
                continue;
            }
            std::string name;
            t->GetMetaText(meta_type::kInstrumentName, name);
            std::size_t index = std::find(names.begin(), names.end(), name) - names.begin();
            groups[{index, bank, program}].push_back(i);
        }
        auto it = std::find_if(groups.begin(), groups.end(),
                               [](const auto& g) { return g.second.size() > 1; });
        if (it == groups.end()) break;
        MergeTracks(static_cast<int>(it->second.size()), it->second.data(), 0);
    }
    FixDuplicateNotes(0);
    RemoveRedundantPrograms();
    RemoveRedundantControllers(kInstrumentKeptControllers,
                               static_cast<int>(std::size(kInstrumentKeptControllers)));
    RemoveRepeatedVolumes();
    RemoveRedundantPitchBends();
}

void MidiF1Data::FitTo16Channels() {
    int second = 0;
    if (CountUsedChannels(&second) > 16) {
        MergeDrumTracks();
        if (CountUsedChannels(&second) > 16) {
            MergeSameInstrumentTracks();
            if (CountUsedChannels(&second) > 16) {
                MergeTracksByProgram();
                return;
            }
        }
    }
    AssignChannels();
}

int MidiF1Data::CollectInstrumentNames(std::vector<std::string>& names) const {
    names.clear();
    for (const auto& t : tracks_) {
        std::string name;
        t->GetMetaText(meta_type::kInstrumentName, name);
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
    return static_cast<int>(names.size());
}

void MidiF1Data::TrimTrackStart(int index, long long ticks) {
    MidiF1TrackData* t = Track(index);
    if (!t || ticks <= 0) return;
    long long time = 0;
    for (int i = 0; i < t->EventCount(); ++i) {
        MidiEvent* e = t->Event(i);
        time += e->delta;
        if (time >= ticks) {
            e->delta = static_cast<int>(time - ticks);
            break;
        }
        e->delta = 0;
        if (e->kind == event_kind::kNoteOn || e->kind == event_kind::kNoteOff) e->Clear();
    }
    t->RemoveClearedEvents();
}

void MidiF1Data::TruncateTrack(int index, long long time) {
    MidiF1TrackData* t = Track(index);
    if (!t) return;
    if (time < 1) {
        t->DeleteAllEvents();
    } else {
        long long at = 0;
        for (int i = 0; i < t->EventCount(); ++i) {
            at += t->Event(i)->delta;
            if (at < time) continue;
            while (t->EventCount() > i + 1)
                t->DeleteEvent(t->EventCount() - 1);
            break;
        }
    }
    const MidiEvent* last = t->LastEvent();
    if (!last || !last->IsEndOfTrack()) t->AppendEndOfTrack();
}
