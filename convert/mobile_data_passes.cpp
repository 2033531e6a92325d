// The slot passes of the ringtone model that the conversion drivers run.
#include <algorithm>

#include "convert/mobile_data.h"
#include "convert/mobile_track_data.h"
#include "core/reporters.h"
#include "midi/f0_data.h"

const char* const kAskDeletePrograms =
    "More than 2 program changes are set for 1 voice. Delete them?";
const char* const kAskDeleteVolumes = "More than 2 volumes are set for 1 voice. Delete them?";
const char* const kAskDeleteTempos = "More than 2 tempo are set . Delete them?";

namespace {

// Clears every event the test picks, then closes the gaps.
template <typename Test>
void ClearEvents(MobileChanelData& slot, Test test) {
    bool any = false;
    for (int k = 0; k < slot.Count(); ++k) {
        MusicEvent* e = slot.Event(k);
        if (!test(*e)) continue;
        e->kind = mobile_kind::kCleared;
        any = true;
    }
    if (any) slot.RemoveClearedEvents();
}

}  // namespace

int MobileData::GetMeasureTicks() const {
    return MeasureTicks(timeSignature, division);
}

int MobileData::GetLengthInMeasures() const {
    int ticks = GetMeasureTicks();
    int most = 0;
    for (const auto& slot : slots_)
        most = std::max(most, slot->GetLengthInMeasures(ticks));
    return most;
}

void MobileData::SortSlotsByEventCount() {
    std::stable_sort(slots_.begin(), slots_.end(),
                     [](const auto& a, const auto& b) { return a->Count() > b->Count(); });
}

void MobileData::MoveDrumSlotsFirst() {
    std::stable_partition(slots_.begin(), slots_.end(), [](const auto& s) {
        return s->kind == MobileChanelData::kKindDrum;
    });
}

void MobileData::MoveRhythmSlotsFirst() {
    // Each pass puts its note in front of the ones before: 42, 35, 38.
    for (int note : {38, 35, 42}) {
        std::stable_partition(slots_.begin(), slots_.end(), [note](const auto& s) {
            return s->kind == MobileChanelData::kKindDrum &&
                   s->GetControlValue(mobile_code::kProgram) == note;
        });
    }
}

void MobileData::MoveRepeatedProgramsLast() {
    std::vector<int> seen;
    std::vector<const MobileChanelData*> repeated;
    for (const auto& s : slots_) {
        if (s->kind != MobileChanelData::kKindMelodic) continue;
        int program = s->GetControlValue(mobile_code::kProgram);
        if (program < 0) continue;
        if (std::find(seen.begin(), seen.end(), program) != seen.end()) {
            repeated.push_back(s.get());
        } else {
            seen.push_back(program);
        }
    }
    std::stable_partition(slots_.begin(), slots_.end(), [&](const auto& s) {
        return std::find(repeated.begin(), repeated.end(), s.get()) == repeated.end();
    });
}

void MobileData::MoveChannelSlotFirst(int tuneChannel) {
    if (tuneChannel < 0) return;
    auto busiest = slots_.end();
    for (auto it = slots_.begin(); it != slots_.end(); ++it)
        if ((*it)->tuneChannel == tuneChannel &&
            (busiest == slots_.end() || (*it)->Count() > (*busiest)->Count()))
            busiest = it;
    if (busiest != slots_.end()) std::rotate(slots_.begin(), busiest, busiest + 1);
}

void MobileData::RemovePitchBends() {
    for (auto& slot : slots_)
        ClearEvents(*slot, [](const MusicEvent& e) { return IsMobileControl(e, mobile_code::kPitchBend); });
}

void MobileData::KeepTempoInFirstSlot() {
    auto first = std::find_if(slots_.begin(), slots_.end(), [](const auto& s) { return s->enabled; });
    if (first == slots_.end()) return;
    for (auto it = first + 1; it != slots_.end(); ++it)
        ClearEvents(**it, [](const MusicEvent& e) { return IsMobileControl(e, mobile_code::kTempo); });
}

void MobileData::MakeSlotsMonophonic() {
    for (auto& slot : slots_) {
        long long time = 0;
        long long soundsUntil = 0;
        bool any = false;
        for (int k = 0; k < slot->Count(); ++k) {
            MusicEvent* e = slot->Event(k);
            time += e->delta;
            if (e->kind != mobile_kind::kNote) continue;
            if (time < soundsUntil) {
                e->kind = mobile_kind::kCleared;
                any = true;
                continue;
            }
            soundsUntil = time + std::max(e->length, 0);
        }
        if (any) slot->RemoveClearedEvents();
    }
}

void MobileData::KeepFirstEnabledSlots(int n, int dropDrums) {
    int kept = 0;
    for (auto& slot : slots_) {
        if (dropDrums && slot->kind == MobileChanelData::kKindDrum) slot->enabled = 0;
        if (!slot->enabled) continue;
        if (kept >= n) {
            slot->enabled = 0;
        } else {
            ++kept;
        }
    }
}

int MobileData::ResolveDuplicates(int subtype, int answer, const char* question) {
    for (auto& slot : slots_) {
        bool have = false;
        int reference = 0;
        ClearEvents(*slot, [&](const MusicEvent& e) {
            if (!IsMobileControl(e, subtype)) return false;
            if (!have || e.value == reference) {
                bool duplicate = have;
                have = true;
                reference = e.value;
                return duplicate;
            }
            if (answer == mobile_answer::kNotAsked)
                answer = ShowOkCancelBox(question) == IDOK ? mobile_answer::kDelete
                                                           : mobile_answer::kKeep;
            if (answer == mobile_answer::kDelete) return true;
            reference = e.value;
            return false;
        });
        if (subtype == mobile_code::kProgram) slot->programAnswer = answer;
        if (subtype == mobile_code::kVolume) slot->volumeAnswer = answer;
        if (subtype == mobile_code::kTempo) slot->tempoAnswer = answer;
    }
    return answer;
}

int MobileData::ResolvePrograms(int answer) {
    return ResolveDuplicates(mobile_code::kProgram, answer, kAskDeletePrograms);
}

int MobileData::ResolveVolumes(int answer) {
    return ResolveDuplicates(mobile_code::kVolume, answer, kAskDeleteVolumes);
}

int MobileData::ResolveTempos(int answer) {
    return ResolveDuplicates(mobile_code::kTempo, answer, kAskDeleteTempos);
}

void MobileData::RemoveZeroLengthNotes() {
    for (auto& slot : slots_)
        ClearEvents(*slot,
                    [](const MusicEvent& e) { return e.kind == mobile_kind::kNote && e.length <= 0; });
}

void MobileData::RemoveDataEntries() {
    for (auto& slot : slots_)
        ClearEvents(*slot, [](const MusicEvent& e) { return IsMobileControl(e, mobile_code::kBendRange); });
}

int MobileData::CountDrumSlots() const {
    return static_cast<int>(std::count_if(slots_.begin(), slots_.end(), [](const auto& s) {
        return s->kind == MobileChanelData::kKindDrum;
    }));
}

int MobileData::CountEnabledSlots() const {
    return static_cast<int>(
        std::count_if(slots_.begin(), slots_.end(), [](const auto& s) { return s->enabled != 0; }));
}
