// Operations of a format-1 tune over its tracks: the per-track passes,
// queries and single edits, splitting a format-0 tune by channel and merging
// every track into one.
#include <algorithm>

#include "midi/f1_data.h"
#include "midi/sysex.h"

// ---- Operations on every track ----

int MidiF1Data::FixInvalidNotes() {
    int repaired = 0;
    for (auto& t : tracks_)
        repaired |= t->ValidateNotes() ? 1 : 0;
    return repaired;
}

void MidiF1Data::FixDuplicateNotes(int closeFirst) {
    if (noteMode != note_mode::kLength) {
        ShowError(m1dt::kInternal);
        return;
    }
    for (auto& t : tracks_)
        t->FixDuplicateNotes(closeFirst);
}

void MidiF1Data::ChangeResolution(int newDivision) {
    for (auto& t : tracks_)
        t->ChangeResolution(division, newDivision, 0);
    division = newDivision;
}

void MidiF1Data::ScaleNoteLengths(int percent) {
    if (noteMode != note_mode::kLength) {
        ShowError(m1dt::kInternal);
        return;
    }
    for (auto& t : tracks_)
        t->ScaleNoteLengths(percent);
}

void MidiF1Data::InsertTime(long long time, int ticks) {
    for (auto& t : tracks_)
        t->InsertTimeAt(time, ticks);
}

void MidiF1Data::DeleteTimeRange(long long begin, long long end) {
    if (begin < 0) {
        ShowError(m1dt::kBeginInvalid);
        return;
    }
    for (auto& t : tracks_)
        t->RemoveTimeRange(begin, end);
}

void MidiF1Data::FoldExpressionIntoVolume() {
    if (noteMode != note_mode::kLength && noteMode != note_mode::kNoteOnOff) {
        ShowError(m1dt::kInternal);
        return;
    }
    for (auto& t : tracks_)
        t->FoldExpressionIntoVolume();
}

// ---- Queries and single edits ----

int MidiF1Data::CountUsedChannels(int* secondPort) const {
    bool used[32] = {};
    *secondPort = 0;
    for (const auto& t : tracks_) {
        int ch = t->GetFirstPortChannel();
        if (ch < 0 || ch >= 32) continue;
        used[ch] = true;
        if (ch >= 16) *secondPort = 1;
    }
    return static_cast<int>(std::count(used, used + 32, true));
}

int MidiF1Data::HasNotesOnChannel(int channel) const {
    for (const auto& t : tracks_) {
        for (int i = 0; i < t->EventCount(); ++i) {
            const MidiEvent* e = t->Event(i);
            if (e->IsNoteWithLength() && e->channel == channel) return 1;
        }
    }
    return 0;
}

int MidiF1Data::GetMetaText(int type, std::string& out) const {
    for (const auto& t : tracks_) {
        if (t->GetMetaText(type, out)) return 1;
    }
    return 0;
}

int MidiF1Data::GetTimeSignature(int* code) const {
    for (const auto& t : tracks_) {
        if (t->GetTimeSignature(code)) return 1;
    }
    return 0;
}

int MidiF1Data::GetMasterVolume() const {
    int volume = -1;
    int found = 0;
    for (const auto& t : tracks_) {
        int v = t->GetMasterVolume();
        if (v < 0) continue;
        volume = v;
        ++found;
    }
    if (found > 1) ShowError(m1dt::kSeveralMasterVolumes);
    return volume;
}

void MidiF1Data::SetMasterVolume(int volume) {
    if (tracks_.empty()) return;
    MidiF1TrackData* target = tracks_.front().get();
    for (auto& t : tracks_) {
        if (t->GetFirstChannel() != kNoChannel) {
            target = t.get();
            break;
        }
    }
    target->InsertMasterVolume(volume, 0);
}

void MidiF1Data::EnsureMasterVolume(int warn) {
    if (tracks_.empty() || GetMasterVolume() >= 0) return;
    SetMasterVolume(127);
    if (warn == 1) ShowError(m1dt::kNoMasterVolume);
}

int MidiF1Data::CollectTempos(std::vector<std::pair<long long, int>>& pairs) const {
    pairs.clear();
    for (const auto& t : tracks_) {
        long long time = 0;
        for (int i = 0; i < t->EventCount(); ++i) {
            const MidiEvent* e = t->Event(i);
            time += e->delta;
            if (!e->IsMeta(meta_type::kTempo)) continue;
            pairs.emplace_back(time, e->value);
            if (static_cast<int>(pairs.size()) >= kMaxTempos) {
                ShowError(m1dt::kTooManyTempos);
                return static_cast<int>(pairs.size());
            }
        }
    }
    return static_cast<int>(pairs.size());
}

void MidiF1Data::InsertMetaTextAtTime(long long time, int type, std::string_view text) {
    if (!tracks_.empty()) tracks_.front()->InsertMetaTextAtTime(time, type, text);
}

// ---- Splitting and merging ----

void MidiF1Data::SplitFromF0(const MidiF0Data& song) {
    DeleteAllTracks();
    division = song.division;
    noteMode = note_mode::kLength;
    constexpr int kSplitTracks = 17;
    for (int i = 0; i < kSplitTracks; ++i)
        AddEmptyTrack(capacity_);
    const MidiTrackData* source = song.Track();
    if (!source || song.noteMode != note_mode::kLength) {
        if (source) ShowError(m1dt::kInternal);
        return;
    }
    long long pending[kSplitTracks] = {};
    for (int i = 0; i < source->EventCount(); ++i) {
        const MidiEvent* e = source->Event(i);
        for (long long& p : pending)
            p += e->delta;
        if (e->IsEndOfTrack()) {
            for (int k = 0; k < kSplitTracks; ++k) {
                Track(k)->AppendEndOfTrackAt(static_cast<int>(pending[k]));
                pending[k] = 0;
            }
            continue;
        }
        int k = -1;
        if (e->channel >= 0 && e->channel < 16) {
            k = e->channel + 1;
        } else if (e->kind == event_kind::kMeta) {
            k = 0;
        } else if (e->kind == event_kind::kSysEx || e->kind == event_kind::kEscapedSysEx) {
            k = 1;
        }
        if (k < 0) continue;
        auto* copy = new MidiEvent(*e);
        copy->delta = static_cast<int>(pending[k]);
        pending[k] = 0;
        Track(k)->AppendEvent(copy);
    }
}

int MidiF1Data::MergeTracksInto(MidiF0Data& song) const {
    if (noteMode != note_mode::kLength) {
        ShowError(m1dt::kInternal);
        return 0;
    }
    song.division = division;
    song.noteMode = note_mode::kLength;
    if (!song.Track()) {
        song.SetTrack(std::make_unique<MidiTrackData>(note_mode::kLength, song.Capacity()));
    }
    song.Track()->SetNoteMode(note_mode::kLength);
    if (tracks_.empty()) {
        song.Track()->DeleteAllEvents();
        return 1;
    }
    std::vector<MidiTrackData*> list;
    for (const auto& t : tracks_)
        list.push_back(t.get());
    return song.Track()->MergeTracks(list.data(), static_cast<int>(list.size()));
}
