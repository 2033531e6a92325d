// Appenders: each makes one event (or a few) and stores it in the track.
#include <string>
#include <vector>

#include "midi/sysex.h"
#include "midi/track_data.h"

namespace {

// Meta texts of this many bytes or more are reported when stored.
constexpr int kLongMetaText = 128;
// Texts a sound module's display can show.
constexpr int kDisplayText = 32;
// Longest display text that keeps the message's one-byte length count valid.
constexpr int kMaxDisplayText = 0x7F - 9;

std::unique_ptr<MidiEvent> NewMeta(int delta, int type) {
    auto e = std::make_unique<MidiEvent>(delta);
    e->kind = event_kind::kMeta;
    e->subtype = type;
    return e;
}

// A text meta; an empty text is stored as one zero byte.
std::unique_ptr<MidiEvent> NewMetaText(int delta, int type, std::string_view text) {
    auto e = NewMeta(delta, type);
    static const std::uint8_t kZero = 0;
    if (text.empty()) {
        e->SetData(&kZero, 1);
    } else {
        e->SetData(reinterpret_cast<const std::uint8_t*>(text.data()),
                   static_cast<int>(text.size()));
    }
    return e;
}

std::unique_ptr<MidiEvent> NewSysEx(int delta, const std::uint8_t* bytes, int n) {
    auto e = std::make_unique<MidiEvent>(delta);
    e->kind = event_kind::kSysEx;
    e->SetData(bytes, n);
    MidiTrackData::ClassifySysEx(e.get());
    return e;
}

}  // namespace

MidiEvent* MidiTrackData::AddNote(int channel, int delta, int note, int velocity, int length) {
    if (IsFull()) {
        ShowError(mdtk::kLargeData);
        return nullptr;
    }
    auto e = std::make_unique<MidiEvent>(delta);
    e->kind = event_kind::kNote;
    e->channel = channel;
    e->note = note;
    e->velocity = velocity;
    e->length = length;
    static const std::uint8_t kNoteMark = event_kind::kNote;
    e->SetData(&kNoteMark, 1);
    return Event(AppendEvent(std::move(e)));
}

MidiEvent* MidiTrackData::AddProgramChange(int channel, int program) {
    auto e = std::make_unique<MidiEvent>(0);
    e->kind = event_kind::kProgramChange;
    e->channel = channel;
    e->value = program;
    const std::uint8_t bytes[2] = {0xC0, static_cast<std::uint8_t>(program)};
    e->SetData(bytes, 2);
    return Event(AppendEvent(std::move(e)));
}

MidiEvent* MidiTrackData::AddControlChange(int channel, int controller, int value) {
    auto e = std::make_unique<MidiEvent>(0);
    e->SetControlChange(channel, controller, value);
    const std::uint8_t bytes[3] = {0xB0, static_cast<std::uint8_t>(controller),
                                   static_cast<std::uint8_t>(value)};
    e->SetData(bytes, 3);
    return Event(AppendEvent(std::move(e)));
}

void MidiTrackData::AddBankProgram(int channel, int msb, int lsb, int program) {
    AddControlChange(channel, 0, msb);
    AddControlChange(channel, 32, lsb);
    AddProgramChange(channel, program);
}

void MidiTrackData::AddBankMsbProgram(int channel, int msb, int program) {
    AddControlChange(channel, 0, msb);
    AddProgramChange(channel, program);
}

MidiEvent* MidiTrackData::AppendTempo(int microseconds) {
    if (microseconds == 0) {
        ShowError(mdtk::kWrongTempoData);
        microseconds = kDefaultTempo;
    }
    return AppendTempoMeta(microseconds);
}

MidiEvent* MidiTrackData::AppendTempoMeta(int microseconds) {
    auto e = std::make_unique<MidiEvent>(0);
    e->SetTempo(microseconds);
    return Event(AppendEvent(std::move(e)));
}

MidiEvent* MidiTrackData::InsertTempo(int index, int microseconds) {
    auto e = std::make_unique<MidiEvent>(0);
    e->SetTempo(microseconds);
    return Event(InsertEvent(index, 2, std::move(e)));
}

MidiEvent* MidiTrackData::AppendTimeSignature(int numerator, int power) {
    if (numerator < 1 || numerator > 255 || power < 0 || power > 7) {
        ShowError(mdtk::kTimeSignError);
        return nullptr;
    }
    auto e = NewMeta(0, meta_type::kTimeSignature);
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(numerator),
                                   static_cast<std::uint8_t>(power), 18, 8};
    e->SetData(bytes, 4);
    e->value = numerator * 256 + (1 << power);
    return Event(AppendEvent(std::move(e)));
}

MidiEvent* MidiTrackData::AppendKeySignature(int delta, int key, int minor) {
    static constexpr int kSharpsOfKey[12] = {0, 7, 2, -3, 4, -1, 6, 1, -4, 3, -2, 5};
    if (key < 0 || key > 11) {
        ShowError(mdtk::kInvalidParameter);
        return nullptr;
    }
    auto e = NewMeta(delta, meta_type::kKeySignature);
    const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(kSharpsOfKey[key]),
                                   static_cast<std::uint8_t>(minor)};
    e->SetData(bytes, 2);
    return Event(AppendEvent(std::move(e)));
}

MidiEvent* MidiTrackData::AppendEndOfTrackAt(int delta) {
    MidiEvent* last = LastEvent();
    if (last && last->IsEndOfTrack()) return last;
    auto e = NewMeta(delta, meta_type::kEndOfTrack);
    return Event(AppendEvent(std::move(e)));
}

MidiEvent* MidiTrackData::AppendMetaEvent(int delta, int type, const std::uint8_t* bytes, int n) {
    if (n >= kLongMetaText) ShowError(mdtk::kAddingData);
    auto e = NewMeta(delta, type);
    e->SetData(bytes, n);
    // Tempo and meter carry their value in the event as well as in the bytes.
    if (type == meta_type::kTempo && n >= 3 && bytes) {
        e->value = (bytes[0] << 16) | (bytes[1] << 8) | bytes[2];
    } else if (type == meta_type::kTimeSignature && n >= 4 && bytes && bytes[1] < 8) {
        e->value = bytes[0] * 256 + (1 << bytes[1]);
    }
    return Event(AppendEvent(std::move(e)));
}

MidiEvent* MidiTrackData::AppendMarker(int delta, std::string_view text) {
    return AppendEvent(NewMetaText(delta, meta_type::kMarker, text)) >= 0 ? LastEvent() : nullptr;
}

MidiEvent* MidiTrackData::InsertMetaTextFirst(int type, std::string_view text) {
    if (text.size() >= kLongMetaText) ShowError(mdtk::kAddingData);
    auto e = NewMetaText(0, type, text);
    return Event(InsertEvent(0, 2, std::move(e)));
}

MidiEvent* MidiTrackData::InsertMetaText(int type, std::string_view text) {
    auto e = NewMetaText(0, type, text);
    return Event(InsertEventAtTime(0, std::move(e), 1));
}

MidiEvent* MidiTrackData::InsertMetaTextAtTime(long long time, int type, std::string_view text) {
    if (text.size() >= kLongMetaText) ShowError(mdtk::kAddingData);
    auto e = NewMetaText(0, type, text);
    return Event(InsertEventAtTime(time, std::move(e), 1));
}

void MidiTrackData::AppendPitchBendRange(int delta, int channel, int semitones) {
    MidiEvent* select = AddControlChange(channel, 101, 0);
    if (select) select->delta = delta;
    AddControlChange(channel, 100, 0);
    AddControlChange(channel, 6, semitones);
}

MidiEvent* MidiTrackData::InsertMasterVolume(int volume, int index) {
    if (volume >= 128 || volume < 0) {
        // A data byte with its high bit set would break the message.
        ShowError(mdtk::kInternal);
        return nullptr;
    }
    auto e = std::make_unique<MidiEvent>(0);
    e->SetMasterVolume(volume);
    return Event(InsertEvent(index, 2, std::move(e)));
}

MidiEvent* MidiTrackData::AppendGmSystemOn() {
    auto e = NewSysEx(0, kGmSystemOnBlock, kGmSystemOnSize);
    return Event(AppendEvent(std::move(e)));
}

MidiEvent* MidiTrackData::AppendGsReset() {
    auto e = NewSysEx(0, kGsResetBlock, kGsResetSize);
    return Event(AppendEvent(std::move(e)));
}

MidiEvent* MidiTrackData::AppendXgSystemOn() {
    auto e = NewSysEx(0, kXgSystemOnBlock, kXgSystemOnSize);
    return Event(AppendEvent(std::move(e)));
}

MidiEvent* MidiTrackData::AppendXgDisplayText(int delta, std::string_view text) {
    if (text.size() > kDisplayText) ShowError(mdtk::kAddingData);
    if (text.size() > kMaxDisplayText) text = text.substr(0, kMaxDisplayText);
    int n = static_cast<int>(text.size());
    std::vector<std::uint8_t> b = {
        0xF0, static_cast<std::uint8_t>(n + 7), 0x43, 0x10, 0x4C, 0x06, 0x00, 0x00};
    b.insert(b.end(), text.begin(), text.end());
    b.push_back(0xF7);
    auto e = NewSysEx(delta, b.data(), static_cast<int>(b.size()));
    return Event(AppendEvent(std::move(e)));
}

MidiEvent* MidiTrackData::AppendGsDisplayText(int delta, std::string_view text) {
    if (text.size() > kDisplayText) ShowError(mdtk::kAddingData);
    if (text.size() > kMaxDisplayText) text = text.substr(0, kMaxDisplayText);
    int n = static_cast<int>(text.size());
    std::vector<std::uint8_t> b = {
        0xF0, static_cast<std::uint8_t>(n + 9), 0x41, 0x10, 0x45, 0x12, 0x10, 0x00, 0x00};
    b.insert(b.end(), text.begin(), text.end());
    // The checksum covers the address (10 00 00) and the text.
    b.push_back(RolandChecksum(b.data() + 6, static_cast<std::size_t>(3 + n)));
    b.push_back(0xF7);
    auto e = NewSysEx(delta, b.data(), static_cast<int>(b.size()));
    return Event(AppendEvent(std::move(e)));
}
