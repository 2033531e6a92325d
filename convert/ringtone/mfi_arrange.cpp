// The setup a multi-track handset needs in track 0: its version, setup
// events and instrument definitions, and for terminal id 5 one melodic
// channel per track.
#include <algorithm>
#include <set>

#include "convert/ringtone/mfi_data.h"
#include "convert/ringtone/mfi_voice_tables.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// The setup payloads S1..S11.
const Bytes& SetupPayload(int n) {
    static const Bytes kS[12] = {
        {},
        {0x11, 0x01, 0xF3, 0x01, 0x01},
        {0x11, 0x01, 0xF3, 0x03, 0x05},
        {0x31, 0x10, 0x01, 0x05},
        {0x31, 0x10, 0x11, 0x01},
        {0x11, 0x01, 0xF3, 0x0A, 0x01},
        {0x11, 0x01, 0xF3, 0x03, 0x08},
        {0x11, 0x01, 0xF3, 0x04, 0x00},
        {0x11, 0x01, 0xF2, 0x07, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {0x31, 0x8F, 0x81, 0x01, 0x00, 0x89, 0x01, 0x00, 0x83, 0x01, 0x00, 0x8B, 0x01, 0x00},
        {0x71, 0x8F, 0x81, 0x01, 0x00, 0x89, 0x01, 0x00, 0x83, 0x01, 0x00, 0x8B, 0x01, 0x00},
        {0x31, 0x10, 0x08, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    };
    return kS[std::clamp(n, 0, 11)];
}

struct TerminalSetup {
    const char* version;
    bool definitions;
    int setup[3];  // setup payload numbers, 0 = none
};

TerminalSetup SetupOf(int id) {
    switch (id) {
        case 1: return {"0400", true, {1, 2, 5}};
        case 2: return {"0301", true, {7, 1, 2}};
        case 6: return {"0301", true, {4, 3, 11}};
        case 3: return {"0300", false, {1, 6, 8}};
        case 4: return {"0300", false, {1, 2, 8}};
        case 5: return {"0200", true, {0, 0, 0}};
        case 7: return {"0300", true, {4, 3, 0}};
        case 8: return {"0301", false, {9, 0, 0}};
        case 15: return {"0301", false, {10, 0, 0}};
        case 9: case 13: case 24: return {"0200", false, {0, 0, 0}};
        case 12: case 17: case 21: case 23: return {"0300", false, {0, 0, 0}};
        case 14: case 18: return {"0400", false, {0, 0, 0}};
        case 25: return {"0200", true, {0, 0, 0}};
        default: return {"0301", false, {0, 0, 0}};  // 10, 11, 16, 19, 20, 22
    }
}

void InsertLongExtension(MobileTrackData& t, const Bytes& payload) {
    Bytes data = {0xFF, static_cast<std::uint8_t>(payload.size() >> 8),
                  static_cast<std::uint8_t>(payload.size() & 0xFF)};
    data.insert(data.end(), payload.begin(), payload.end());
    auto e = std::make_unique<MidiEvent>(0);
    e->kind = mobile_kind::kControl;
    e->subtype = mfi_code::kLongExtension;
    e->channel = kNoChannel;
    e->SetData(data.data(), static_cast<int>(data.size()));
    t.InsertEvent(0, 2, std::move(e));
}

void Append(Bytes& out, std::span<const std::uint8_t> bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}

// The byte pair of a program in the 12-byte records: bank then number.
void PutProgram(Bytes& out, int p) {
    out.push_back(p < 64 ? 0x02 : 0x03);
    out.push_back(static_cast<std::uint8_t>(p < 64 ? p : p - 64));
}

constexpr std::uint8_t kDrumMap = 0x01;

}  // namespace

void MFiData::ArrangeForTerminal(int terminalId) {
    if (terminalId < 1 || terminalId > 25 || !header_ || tracks_.empty()) return;
    const TerminalSetup setup = SetupOf(terminalId);
    header_->Set("vers", setup.version);
    if (setup.definitions) AddInstrumentDefinitions(terminalId);
    for (int s : setup.setup)
        if (s) InsertLongExtension(tracks_[0]->Track(), SetupPayload(s));
    if (terminalId == 5) RearrangeForTerminal5();
    if (terminalId != 5 && terminalId != 25)
        for (auto& t : tracks_)
            t->Track().RenameControls(mobile_code::kProgram, mfi_code::kBankProgram);
}

void MFiData::AddInstrumentDefinitions(int terminalId) {
    std::set<int> programs;
    std::set<int> drums;
    for (std::size_t k = 0; k < tracks_.size(); ++k) {
        const MFiTrack& track = *tracks_[k];
        const MobileTrackData& t = track.Track();
        for (int i = 0; i < t.Count(); ++i) {
            const MidiEvent& e = *t.Event(i);
            const bool drumSlot = k == 2 && e.channel == 1 && track.SlotKind(1) == MFiTrack::kKindDrum;
            if (drumSlot && e.kind == mobile_kind::kNote) drums.insert(e.note);
            if (!drumSlot && e.kind == mobile_kind::kControl && e.subtype == mobile_code::kProgram)
                programs.insert(std::clamp(e.value, 0, 127));
        }
    }
    MobileTrackData& first = tracks_[0]->Track();
    if (terminalId == 1 || terminalId == 2) {
        Bytes melodic = {0x11, 0x01, 0xF0, 0x04};
        for (int p : programs) {
            Bytes record(MfiVoice20(p).begin(), MfiVoice20(p).end());
            record[0] = static_cast<std::uint8_t>(p);
            Append(melodic, record);
        }
        Bytes drum = {0x11, 0x01, 0xF0, 0x05};
        for (int n : drums) {
            Bytes record(MfiDrumVoice18(n).begin(), MfiDrumVoice18(n).end());
            record[0] = static_cast<std::uint8_t>(n);
            Append(drum, record);
        }
        InsertLongExtension(first, melodic);
        InsertLongExtension(first, drum);
    } else if (terminalId == 6 || terminalId == 7) {
        int index = 0;
        for (int n : drums) {
            Bytes record = {0x31, 0x10, 0x05};
            Append(record, MfiDrumVoice16(n));
            Append(record, std::array<std::uint8_t, 2>{0x00, static_cast<std::uint8_t>(n)});
            InsertLongExtension(first, record);
        }
        for (int p : programs) {
            Bytes record = {0x31, 0x10, 0x04};
            Append(record, MfiVoice16(p));
            Append(record, std::array<std::uint8_t, 3>{0x00, static_cast<std::uint8_t>(p),
                                                       static_cast<std::uint8_t>(index++)});
            InsertLongExtension(first, record);
        }
    } else if (terminalId == 5) {
        Bytes all = {0x11, 0xF0, 0x01};
        int index = 0;
        for (int n : drums) {
            if (n < 35) {
                ShowMfiDataError(mfdt::kDrumBelow35);
                n = 35;
            }
            Append(all, Bytes{0x01, kDrumMap, static_cast<std::uint8_t>(index++), 0x82,
                              static_cast<std::uint8_t>(n - 35)});
            Append(all, MfiDrumVoice12(n));
        }
        for (int p : programs) {
            Append(all, Bytes{0x01, 0x00, static_cast<std::uint8_t>(index++)});
            PutProgram(all, p);
            Append(all, MfiVoice12(p));
        }
        InsertLongExtension(first, all);
    } else if (terminalId == 25) {
        int index = 0;
        for (int p : programs) {
            Bytes record = {0x21, 0x01, 0x02, 0x00, static_cast<std::uint8_t>(index++)};
            PutProgram(record, p);
            Append(record, MfiVoice12(p));
            InsertLongExtension(first, record);
        }
        for (int n : drums) {
            Bytes record = {0x21, 0x01, 0x02, kDrumMap, static_cast<std::uint8_t>(index++), 0x82,
                            static_cast<std::uint8_t>(std::max(n, 35) - 35)};
            Append(record, MfiDrumVoice12(n));
            InsertLongExtension(first, record);
        }
    }
}

namespace {

// Channels of the track with at least one event that is not empty.
std::array<bool, 4> UsedChannels(const MobileTrackData& t) {
    std::array<bool, 4> used{};
    for (int i = 0; i < t.Count(); ++i) {
        const MidiEvent& e = *t.Event(i);
        if (e.kind != mobile_kind::kCleared && e.channel >= 0 && e.channel < 4)
            used[static_cast<std::size_t>(e.channel)] = true;
    }
    return used;
}

int CountUsed(const std::array<bool, 4>& used) {
    return static_cast<int>(std::count(used.begin(), used.end(), true));
}

// Track 0 without its setup and without every channel but j.
std::unique_ptr<MobileTrackData> CopyChannel(const MobileTrackData& source, int j) {
    auto copy = std::make_unique<MobileTrackData>(source, 0);
    for (int i = 0; i < copy->Count(); ++i) {
        MidiEvent& e = *copy->Event(i);
        const bool setup = e.kind == mobile_kind::kControl &&
                           (e.subtype == mfi_code::kLongExtension ||
                            e.subtype == mobile_code::kStartMasterVolume || e.subtype == mobile_code::kTempo);
        if (setup || (e.channel != j && e.channel != kNoChannel)) e.kind = mobile_kind::kCleared;
    }
    copy->RemoveClearedEvents();
    return copy;
}

// Four programs of 0 and four volumes of 42 at the place.
void PutDefaults(MobileTrackData& t, int at) {
    constexpr int kDefaultVolume = 42;
    if (at < t.Count()) t.Event(at)->delta += 1;
    for (int k = 7; k >= 0; --k) {
        auto e = std::make_unique<MidiEvent>(0);
        e->kind = mobile_kind::kControl;
        e->subtype = k < 4 ? mobile_code::kProgram : mobile_code::kVolume;
        e->value = k < 4 ? 0 : kDefaultVolume;
        e->channel = k % 4;
        t.InsertEvent(at, 2, std::move(e));
    }
}

}  // namespace

void MFiData::RearrangeForTerminal5() {
    if (TrackCount() != kMaxTracks) {
        ShowMfiDataError(mfdt::kTooManyChannels);
        return;
    }
    MFiTrack& zero = *tracks_[0];
    auto used0 = UsedChannels(zero.Track());
    if (CountUsed(used0) != 4) {
        ShowMfiDataError(mfdt::kArrangement);
        return;
    }
    for (std::size_t k = 1; k < tracks_.size(); ++k) {
        if (CountUsed(UsedChannels(tracks_[k]->Track())) != 0 || CountUsed(used0) <= 1) continue;
        int j = -1;
        for (int c = 3; c >= 0; --c)
            if (used0[static_cast<std::size_t>(c)] && zero.SlotKind(c) == MFiTrack::kKindMelodic) {
                j = c;
                break;
            }
        if (j < 0 || (j == 1 && k == 2)) {
            ShowMfiDataError(j < 0 ? mfdt::kNoMelodicChannel : mfdt::kDrumChannelTaken);
            return;
        }
        auto copy = CopyChannel(zero.Track(), j);
        tracks_[k] = std::make_unique<MFiTrack>(std::move(copy), voiceType_, static_cast<int>(k));
        zero.Track().RemoveChannel(j);
        used0[static_cast<std::size_t>(j)] = false;
    }
    for (std::size_t k = 0; k < tracks_.size(); ++k) {
        MFiTrack& track = *tracks_[k];
        MobileTrackData& t = track.Track();
        for (int i = 0; i < t.Count(); ++i) {
            MidiEvent& e = *t.Event(i);
            const bool drumKeep = k == 2 && e.channel == 1 && track.SlotKind(1) == MFiTrack::kKindDrum;
            if (e.kind == mobile_kind::kControl && e.subtype == mobile_code::kKind && e.value == 0 && !drumKeep)
                e.kind = mobile_kind::kCleared;
        }
        t.RemoveClearedEvents();
        int at = 0;
        if (k == 0) {
            for (int i = 0; i < t.Count(); ++i)
                if (t.Event(i)->kind == mobile_kind::kControl && t.Event(i)->subtype == mfi_code::kLongExtension) {
                    at = i + 1;
                    break;
                }
        }
        PutDefaults(t, at);
    }
}
