// The edited tune: its section table, chord-name reading, channel queries,
// single edits, consistency checks and the write-and-read-back.
#include "tuneedit/edited_tune.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>

#include "compose/compose_track.h"

namespace {

// A character of the text, 0 past its end (the marker slots are zero-filled).
char At(std::string_view text, std::size_t i) {
    return i < text.size() ? text[i] : '\0';
}

// The text up to its first "on" after the root: the bass note of a slash
// chord written "CmonG" does not change the chord's code.
std::string_view WithoutBass(std::string_view text) {
    const std::size_t on = text.find("on", 1);
    if (on == std::string_view::npos) return text;
    std::string_view head = text.substr(0, on);
    while (head.size() > 1 && head.back() == ' ')
        head.remove_suffix(1);
    return head;
}

// The seventh letter at position x, after at most one blank; 0 when the
// text holds an extension that is not one.
char SeventhLetter(std::string_view text, std::size_t x) {
    if (At(text, x) == ' ') ++x;
    const char c = At(text, x);
    if (c == '\0') return 'd';
    if (c == 'M') return 'S';
    if (c == '7') return 's';
    if (At(text, 1) == 'o') return 'd';
    if (c == '(') return 's';
    return '\0';
}

bool IsNote(const MidiEvent* e) {
    return e && e->IsNoteWithLength();
}

}  // namespace

char SharpRootToFlatLetter(std::string_view text) {
    if (At(text, 1) != '#') return 'C';
    switch (At(text, 0)) {
        case 'A': return 'b';
        case 'C': return 'd';
        case 'D': return 'e';
        case 'E': return 'F';
        case 'F': return 'g';
        case 'G': return 'a';
        default: return 'C';
    }
}

bool ParseChordNameText(std::string_view full, char code[4]) {
    const std::string_view text = WithoutBass(full.substr(0, full.find('\0')));
    code[0] = At(text, 0);
    std::size_t q = 1;
    if (At(text, 1) == 'b') {
        code[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(code[0])));
        q = 2;
    } else if (At(text, 1) == '#') {
        code[0] = SharpRootToFlatLetter(text);
        q = 2;
    }
    std::size_t x = q + 1;
    const std::string_view rest = q < text.size() ? text.substr(q) : std::string_view{};
    if (At(text, q) == 'm') {
        code[1] = 'm';
        code[2] = 'P';
    } else if (rest.starts_with("dim")) {
        code[1] = 'm';
        code[2] = 'd';
        x = q + 3;
    } else if (rest.starts_with("aug")) {
        code[1] = 'M';
        code[2] = 'A';
        x = q + 3;
    } else if (At(text, q) == '/') {
        code[1] = 'o';
        code[2] = 'C';
        x = q + 4;
    } else {
        code[1] = 'M';
        code[2] = 'P';
        // A seventh written right after the root ("C7", "CM7") is read there.
        if (At(text, q) == '(' || rest.starts_with("7") || rest.starts_with("M7")) x = q;
    }
    code[3] = SeventhLetter(text, x);
    return code[3] != '\0';
}

EditedTune::EditedTune(int length, const std::uint8_t* image)
    : MidiF1Data(image, length, static_cast<int>(WorkBufferSize), KeepZeroLengthNotes{}) {
    if (TrackCount() == 0) return;
    if (division != kEditDivision) ChangeResolution(kEditDivision);
    // A note the file holds stays in the tune even when its note-off falls
    // on the tick of its note-on: it gets the shortest length there is, as
    // the resolution change gives the notes it shrinks to nothing.
    for (int t = 0; t < TrackCount(); ++t) {
        for (MidiEvent* e : Track(t)->Events())
            if (e->IsNoteWithLength() && e->length == 0) e->length = 1;
    }
    BuildSectionTable();
}

int EditedTune::SectionStart(int i) const {
    return i >= 0 && i <= sectionCount_ ? sectionStarts_[static_cast<std::size_t>(i)] : 0;
}

std::string_view EditedTune::MarkerText(int i) const {
    if (i < 0 || i >= kSectionSlots) return {};
    const SectionText& t = markerTexts_[static_cast<std::size_t>(i)];
    return {t.data(), strnlen(t.data(), kTextSize - 1)};
}

std::string_view EditedTune::SectionCode(int i) const {
    if (i < 0 || i >= kSectionSlots) return {};
    const SectionText& t = sectionCodes_[static_cast<std::size_t>(i)];
    return {t.data(), strnlen(t.data(), 4)};
}

void EditedTune::SetSectionText(int i, std::string_view text) {
    SectionText& slot = markerTexts_[static_cast<std::size_t>(i)];
    slot.fill('\0');
    const std::size_t n = std::min<std::size_t>(text.size(), kTextSize - 1);
    std::copy_n(text.data(), n, slot.data());
}

void EditedTune::SetSectionCode(int i, std::string_view code) {
    if (i < 0 || i >= kSectionSlots) return;
    SectionText& slot = sectionCodes_[static_cast<std::size_t>(i)];
    slot.fill('\0');
    std::copy_n(code.data(), std::min<std::size_t>(code.size(), 4), slot.data());
}

int EditedTune::ParseChordName(int i) {
    if (i < 0 || i >= kSectionSlots) return 0;
    char code[4];
    if (!ParseChordNameText(MarkerText(i), code)) return 0;
    SetSectionCode(i, std::string_view(code, 4));
    return 1;
}

int EditedTune::BuildSectionTable() {
    sectionCount_ = 0;
    sectionStarts_[0] = 0;
    if (TrackCount() == 0) return 0;
    long long tick = 0;
    bool full = false;
    for (const MidiEvent* e : Track(0)->Events()) {
        tick += e->delta;
        if (full || !e->IsMeta(meta_type::kMarker)) continue;
        sectionStarts_[static_cast<std::size_t>(sectionCount_)] = static_cast<int>(tick);
        SetSectionText(sectionCount_, e->DataText());
        if (!ParseChordName(sectionCount_)) {
            sectionCount_ = 0;
            Track(0)->DeleteMarkers(0, std::numeric_limits<long long>::max());
            sectionStarts_[0] = 0;
            return 0;
        }
        if (++sectionCount_ >= kMaxSections) {
            ShowErrorMessage(kTooManyChordsError);
            full = true;
        }
    }
    long long end = 0;
    for (int t = 0; t < TrackCount(); ++t)
        end = std::max(end, Track(t)->GetEndTime());
    end = (end + kEditEndRounding - 1) / kEditEndRounding * kEditEndRounding;
    sectionStarts_[static_cast<std::size_t>(sectionCount_)] = static_cast<int>(end);
    for (int i = 1; i < sectionCount_; ++i) {
        if (sectionStarts_[static_cast<std::size_t>(i)] ==
            sectionStarts_[static_cast<std::size_t>(i - 1)]) {
            ShowErrorMessage(kMarkersAtSamePointError);
            break;
        }
    }
    return 1;
}

int EditedTune::AppendSection(std::string_view text, std::string_view code, int end) {
    if (sectionCount_ >= kMaxSections) return 0;
    const int i = sectionCount_;
    SetSectionText(i, text);
    SetSectionCode(i, code);
    sectionStarts_[static_cast<std::size_t>(i + 1)] = end;
    ++sectionCount_;
    return 1;
}

int EditedTune::ChannelOfTrack(int track) const {
    const MidiF1TrackData* t = Track(track);
    if (!t) return -1;
    int channel = -1;
    for (const MidiEvent* e : t->Events()) {
        if (IsNote(e) || (e->kind == event_kind::kControlChange && e->subtype == 7))
            channel = e->channel;
    }
    return channel;
}

int EditedTune::FindTrackByChannel(int channel) const {
    for (int t = 1; t < TrackCount(); ++t) {
        if (ChannelOfTrack(t) == channel) return t;
    }
    return -1;
}

int EditedTune::FindDelayTrack(int channel) const {
    for (int t = 1; t < TrackCount(); ++t) {
        if (ChannelOfTrack(t) == channel && IsDelayTrack(*Track(t), channel)) return t;
    }
    return -1;
}

bool EditedTune::HasDelayTrack(int channel) const {
    const int track = FindDelayTrack(channel);
    if (track < 0) return false;
    for (const MidiEvent* e : Track(track)->Events())
        if (e->IsNoteWithLength() && e->channel == channel) return true;
    return false;
}

short EditedTune::GetChannelProgram(int channel) const {
    static constexpr std::uint8_t kPartSysEx[6] = {0xF0, 0x08, 0x43, 0x10, 0x4C, 0x08};
    short program = 256;
    for (int t = 0; t < TrackCount(); ++t) {
        for (const MidiEvent* e : Track(t)->Events()) {
            if (e->kind == event_kind::kProgramChange && e->channel == channel) {
                program = static_cast<short>(e->value);
                break;
            }
            if (e->kind == event_kind::kControlChange && e->channel == channel &&
                e->subtype == 0 && e->value != 0)
                return -1;
            if (e->IsSysEx() && e->DataLength() >= 7 &&
                std::memcmp(e->GetData(), kPartSysEx, 6) == 0 && e->GetData()[6] == channel)
                return -1;
        }
    }
    return program;
}

void EditedTune::SetChannelVolume(int channel, int value) {
    for (int t = 0; t < TrackCount(); ++t) {
        for (MidiEvent* e : Track(t)->Events()) {
            if (e->kind != event_kind::kControlChange || e->channel != channel || e->subtype != 7)
                continue;
            e->value = value;
            if (e->DataLength() >= 3) e->SetDataByte(2, static_cast<std::uint8_t>(value));
        }
    }
}

void EditedTune::SetChannelProgram(int channel, int program) {
    for (int t = 0; t < TrackCount(); ++t) {
        for (MidiEvent* e : Track(t)->Events()) {
            if (e->kind != event_kind::kProgramChange || e->channel != channel) continue;
            e->value = program;
            if (e->DataLength() >= 2) e->SetDataByte(1, static_cast<std::uint8_t>(program));
        }
    }
}

int EditedTune::AddTrack() {
    if (TrackCount() >= kMaxTracks) return -1;
    MidiF1TrackData* t = AddEmptyTrack(static_cast<int>(WorkBufferSize));
    if (!t) return -1;
    t->SetNoteMode(note_mode::kLength);
    t->AppendEndOfTrack();
    return TrackCount() - 1;
}

int EditedTune::SetMarkerText(std::string_view text, int n) {
    if (TrackCount() == 0) return 0;
    int seen = 0;
    for (MidiEvent* e : Track(0)->Events()) {
        if (!e->IsMeta(meta_type::kMarker)) continue;
        if (seen++ != n) continue;
        e->SetData(reinterpret_cast<const std::uint8_t*>(text.data()), static_cast<int>(text.size()));
        return 1;
    }
    return 0;
}

int EditedTune::CheckNoteKeys() const {
    int faults = 0;
    for (int t = 0; t < TrackCount(); ++t) {
        for (const MidiEvent* e : Track(t)->Events()) {
            if (IsNote(e) && (e->note < 0 || e->note > 127)) {
                ShowErrorMessage(kTuneCheckError);
                ++faults;
            }
        }
    }
    return faults;
}

int EditedTune::CheckTracks() const {
    int faults = 0;
    for (int t = 0; t < TrackCount(); ++t) {
        int ends = 0;
        for (const MidiEvent* e : Track(t)->Events()) {
            if (IsNote(e) && e->length < 1) {
                ShowErrorMessage(kTuneCheckError);
                ++faults;
            }
            if (e->IsEndOfTrack()) ++ends;
        }
        if (ends != 1) {
            ShowErrorMessage(kTuneCheckError);
            ++faults;
        }
    }
    return faults;
}

int EditedTune::SaveAndReload(const std::string& path) {
    // The file form writes and reads back in one step; a failed write has
    // shown its box and leaves the old file as it was.
    return SaveFile(path) ? 1 : 0;
}
