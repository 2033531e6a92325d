// Operations of a format-1 tune over its tracks: the per-track passes,
// queries and single edits, splitting a format-0 tune by channel and merging
// every track into one.
#include <algorithm>
#include <vector>

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
    return ReportMasterVolumes(FindMasterVolumes());
}

std::vector<MasterVolumeFind> MidiF1Data::FindMasterVolumes() const {
    std::vector<MasterVolumeFind> finds;
    for (const auto& t : tracks_)
        finds.push_back(t->FindMasterVolume());
    return finds;
}

int MidiF1Data::ReportMasterVolumes(std::span<const MasterVolumeFind> finds) {
    int volume = -1;
    int found = 0;
    for (const MasterVolumeFind& find : finds) {
        if (find.count > 1) MidiTrackData::ShowWarningOnce(mdtk::kSeveralMasterVolumes);
        if (find.volume < 0) continue;
        volume = find.volume;
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
    EnsureMasterVolume(FindMasterVolumes(), warn);
}

void MidiF1Data::EnsureMasterVolume(std::span<const MasterVolumeFind> finds, int warn) {
    if (tracks_.empty() || ReportMasterVolumes(finds) >= 0) return;
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

namespace {

constexpr int kSplitTracks = 17;

// The track of a split format-0 tune an event goes to: 0 for a meta event
// without channel, 1 for system exclusive without channel, n + 1 for channel
// n; -1 for none.
int SplitTrackOf(const MidiEvent& e) {
    if (e.channel >= 0 && e.channel < 16) return e.channel + 1;
    if (e.kind == event_kind::kMeta) return 0;
    if (e.kind == event_kind::kSysEx || e.kind == event_kind::kEscapedSysEx) return 1;
    return -1;
}

}  // namespace

int MidiF1Data::EndSplitTracksAt(long long now, long long* last) {
    for (int t = 0; t < kSplitTracks; ++t) {
        Track(t)->AppendEndOfTrackAt(static_cast<int>(now - last[t]));
        last[t] = now;
    }
    return -1;
}

// Splits the events by channel into the tune's 17 new tracks, as copies.
// Each track's delta is the time since the last event placed in it.
void MidiF1Data::SplitEvents(std::span<MidiEvent* const> events) {
    long long now = 0;
    long long last[kSplitTracks] = {};
    for (const MidiEvent* e : events) {
        now += e->delta;
        const int k = e->IsEndOfTrack() ? EndSplitTracksAt(now, last) : SplitTrackOf(*e);
        if (k < 0) continue;
        auto event = std::make_unique<MidiEvent>(*e);
        event->delta = static_cast<int>(now - last[k]);
        last[k] = now;
        Track(k)->AppendEvent(std::move(event));
    }
}

// The same with the source's events themselves, handed over one by one
// without first gathering them; those not placed are freed. The loop runs
// once per event of the whole tune, so the tracks are looked up once.
void MidiF1Data::SplitEvents(MidiTrackData& source) {
    MidiTrackData* tracks[kSplitTracks];
    for (int t = 0; t < kSplitTracks; ++t)
        tracks[t] = Track(t);
    long long now = 0;
    long long last[kSplitTracks] = {};
    source.HandOverEvents([&](std::unique_ptr<MidiEvent> event) {
        now += event->delta;
        const int k = event->IsEndOfTrack() ? EndSplitTracksAt(now, last) : SplitTrackOf(*event);
        if (k < 0) return;
        event->delta = static_cast<int>(now - last[k]);
        last[k] = now;
        tracks[k]->AppendEvent(std::move(event));
    });
}

// Both splits start alike: 17 empty tracks; false when the song is not in
// the right mode.
bool MidiF1Data::StartSplit(const MidiF0Data& song) {
    DeleteAllTracks();
    division = song.division;
    noteMode = note_mode::kLength;
    for (int i = 0; i < kSplitTracks; ++i)
        AddEmptyTrack(capacity_);
    const MidiTrackData* source = song.Track();
    if (!source || song.noteMode != note_mode::kLength) {
        if (source) ShowError(m1dt::kInternal);
        return false;
    }
    return true;
}

void MidiF1Data::SplitFromF0(const MidiF0Data& song) {
    if (!StartSplit(song)) return;
    SplitEvents(song.Track()->Events());
}

void MidiF1Data::SplitFromF0(MidiF0Data&& song) {
    if (!StartSplit(song)) return;
    SplitEvents(*song.Track());
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

// ---- Clean-up passes on every track ----

namespace {

bool InEventMode(int mode) {
    return mode == note_mode::kLength || mode == note_mode::kNoteOnOff;
}

}  // namespace

void MidiF1Data::RemoveRedundantControllers(const int* excluded, int n) {
    if (!InEventMode(noteMode)) return ShowError(m1dt::kInternal);
    for (auto& t : tracks_)
        t->RemoveRedundantControllers(excluded, n);
}

void MidiF1Data::RemoveRepeatedVolumes() {
    if (!InEventMode(noteMode)) return ShowError(m1dt::kInternal);
    for (auto& t : tracks_) {
        t->RemoveRepeatedVolumes();
        t->RemoveClearedEvents();
    }
}

void MidiF1Data::RemoveRedundantPrograms() {
    if (!InEventMode(noteMode)) return ShowError(m1dt::kInternal);
    for (auto& t : tracks_)
        t->RemoveRedundantPrograms();
}

void MidiF1Data::RemoveRedundantPitchBends() {
    for (auto& t : tracks_)
        t->RemoveRedundantPitchBends();
}

void MidiF1Data::RemoveRedundantPans() {
    for (auto& t : tracks_)
        t->RemoveRedundantPans();
}

void MidiF1Data::FoldFineTuneIntoPitchBend() {
    for (auto& t : tracks_)
        t->NormalizePitchBendRange();
}

void MidiF1Data::ApplyPitchBendToNotes() {
    for (int i = 0; i < TrackCount(); ++i) {
        if (IsDrumTrack(i)) continue;
        int range = Track(i)->GetPitchBendRange();
        if (range != 0) Track(i)->ApplyPitchBendToNotes(range);
    }
}

void MidiF1Data::TrimDrumNoteOverlaps() {
    for (int i = 0; i < TrackCount(); ++i) {
        if (IsDrumTrack(i)) Track(i)->TrimOverlappingNotes();
    }
}

// ---- More queries and edits ----

int MidiF1Data::HaveSameProgram(int a, int b) const {
    const MidiF1TrackData* ta = Track(a);
    const MidiF1TrackData* tb = Track(b);
    if (!ta || !tb) return 0;
    int program = -1;
    for (const MidiF1TrackData* t : {ta, tb}) {
        for (int i = 0; i < t->EventCount(); ++i) {
            const MidiEvent* e = t->Event(i);
            if (e->kind != event_kind::kProgramChange) continue;
            if (program >= 0 && e->value != program) return 0;
            program = e->value;
        }
    }
    return 1;
}

int MidiF1Data::IsDrumTrack(int index) const {
    const MidiF1TrackData* track = Track(index);
    if (!track) return 0;
    int channel = track->GetFirstChannel();
    if (channel == kNoChannel) return 0;
    if (channel > 16) {
        ShowError(m1dt::kChannelCount);
        return 0;
    }
    if (channel == 9) return 1;
    for (const auto& t : tracks_) {
        for (int i = 0; i < t->EventCount(); ++i) {
            const MidiEvent* e = t->Event(i);
            if (e->IsSysEx() && e->subtype == sysex_class::kGsRhythmPart && e->channel == channel) {
                return e->value != 0 ? 1 : 0;
            }
        }
    }
    return 0;
}

void MidiF1Data::TakeTrackNames(std::string slots[17]) {
    for (int k = 0; k < 17; ++k)
        slots[k].clear();
    for (auto& t : tracks_) {
        int ch = t->GetFirstChannel();
        int slot = ch >= 0 && ch < 16 ? ch : 16;
        for (int i = 0; i < t->EventCount(); ++i) {
            if (!t->Event(i)->IsMeta(meta_type::kTrackName)) continue;
            slots[slot] = std::string(t->Event(i)->DataText());
            t->DeleteEvent(i);
            break;
        }
    }
}

void MidiF1Data::RestoreTrackNames(const std::string slots[17]) {
    for (int k = 0; k < TrackCount(); ++k) {
        MidiF1TrackData* t = Track(k);
        int ch = t->GetFirstChannel();
        if (ch >= 0 && ch < 16) {
            if (!slots[ch].empty()) t->InsertMetaTextAtTime(0, meta_type::kTrackName, slots[ch]);
        } else if (k == 0 && !slots[16].empty()) {
            t->InsertMetaTextAtTime(0, meta_type::kTrackName, slots[16]);
        }
    }
}

void MidiF1Data::RemapChannel(int index, int channel) {
    MidiF1TrackData* source = Track(index);
    if (!source) return ShowError(m1dt::kInternal);
    std::string name;
    source->GetMetaText(meta_type::kInstrumentName, name);
    const int from = source->GetFirstPortChannel();
    for (auto& t : tracks_) {
        std::string other;
        t->GetMetaText(meta_type::kInstrumentName, other);
        if (t.get() == source || (other == name && t->GetFirstPortChannel() == from)) {
            t->RemapChannel(from, channel);
        }
    }
}

void MidiF1Data::KeepSingleTrackName() {
    bool kept = false;
    for (auto& t : tracks_) {
        if (kept) {
            t->DeleteTrackNames();
            continue;
        }
        std::string name;
        if (t->GetMetaText(meta_type::kTrackName, name)) {
            t->RemoveExtraTrackNames();
            kept = true;
        }
    }
}

void MidiF1Data::MoveGmSystemOnFirst() {
    for (auto& t : tracks_) {
        if (t->IsMetaOnly()) continue;
        t->MoveGmSystemOnFirst();
        return;
    }
}

int MidiF1Data::DeleteMetaEvents(int type, int all) {
    if (noteMode != note_mode::kLength) {
        ShowError(m1dt::kInternal);
        return 0;
    }
    for (auto& t : tracks_) {
        if (t->DeleteMetaEvent(type, all)) return 1;
    }
    return 0;
}

void MidiF1Data::LimitDrumRange(int warn) {
    if (noteMode != note_mode::kLength) return ShowError(m1dt::kInternal);
    for (int i = 0; i < TrackCount(); ++i) {
        if (!IsDrumTrack(i)) continue;
        Track(i)->LimitDrumRange(warn);
        if (warn == 1) {
            for (int k = 0; k < Track(i)->EventCount(); ++k) {
                const MidiEvent* e = Track(i)->Event(k);
                if (e->kind == event_kind::kProgramChange && e->value != 0) {
                    ShowError(m1dt::kDrumProgram);
                    break;
                }
            }
        }
    }
}

// ---- Merging by channel and by list ----

void MidiF1Data::MergeByChannel() {
    std::unique_ptr<MidiF1TrackData> byChannel[16];
    for (auto& t : tracks_) {
        int ch = t->GetFirstChannel();
        if (ch < 0 || ch >= 16) ch = 1;
        if (!byChannel[ch]) {
            byChannel[ch] = std::move(t);
        } else {
            byChannel[ch]->MergeTrackKeepNames(*t);
        }
    }
    tracks_.clear();
    for (auto& t : byChannel) {
        if (!t) {
            t = std::make_unique<MidiF1TrackData>(note_mode::kLength, kMusicDataCapacity);
            t->AppendEndOfTrack();
        }
        tracks_.push_back(std::move(t));
    }
}

void MidiF1Data::MergeTracks(int count, const int* indices, int fix) {
    if (noteMode != note_mode::kLength || count < 1 || !indices || !Track(indices[0])) {
        return ShowError(m1dt::kInternal);
    }
    MidiF1TrackData* base = Track(indices[0]);
    const int channel = base->GetFirstPortChannel();
    for (int k = 1; k < count; ++k) {
        MidiF1TrackData* t = Track(indices[k]);
        if (!t) continue;
        t->RemapChannel(t->GetFirstPortChannel(), channel);
        base->MergeTrackKeepNames(*t);
    }
    for (int k = count - 1; k >= 1; --k) {
        if (Track(indices[k])) DeleteTrack(indices[k]);
    }
    if (fix == 1) FixDuplicateNotes(0);
}

void MidiF1Data::ThinVoices(int limit) {
    std::string names[17];
    TakeTrackNames(names);
    MidiF0Data song(kMusicDataCapacity);
    MergeTracksInto(song);
    song.ConvertToNoteOnOff();
    song.Track()->ThinVoices(limit);
    song.ConvertToNoteLength();
    RebuildFromF0(song);
    RestoreTrackNames(names);
}
