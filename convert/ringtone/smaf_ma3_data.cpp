// SmafMa3Data: the 32-voice SMAF form, one sixteen-channel score track.
#include <algorithm>
#include <cstring>

#include "convert/ringtone/smaf_chunk.h"
#include "convert/ringtone/smaf_data.h"
#include "core/byte_cursor.h"

namespace {

constexpr int kGroup = 4;
constexpr int kChannels = 16;
constexpr int kDrumChannel = 9;
constexpr std::size_t kScoreHeadA = 20;
constexpr int kContentsType = 0x32;
// The score track's format type of a compressed sequence.
constexpr std::uint8_t kCompressedFormat = 0x01;
constexpr int kTempo500 = 500000;
constexpr std::uint8_t kSetupA[8] = {0xF0, 0x06, 0x43, 0x79, 0x06, 0x7F, 0x7F, 0xF7};

void Append(std::vector<std::uint8_t>& out, std::string_view s) {
    for (char c : s)
        out.push_back(static_cast<std::uint8_t>(c));
}

// A tag record: the 2-character tag, a 2-byte length and the text.
void AppendTag(std::vector<std::uint8_t>& out, std::string_view tag, std::string_view text) {
    Append(out, tag);
    const std::size_t n = std::min<std::size_t>(text.size(), 0xFFFF);
    out.push_back(static_cast<std::uint8_t>(n >> 8));
    out.push_back(static_cast<std::uint8_t>(n & 0xFF));
    Append(out, text.substr(0, n));
}

std::string_view Id(const char (&id)[5]) {
    return std::string_view(id, 4);
}

}  // namespace

SmafMa3Data::SmafMa3Data(const MobileData& model, int variant, int capacity) : SmafData(Empty{}, capacity) {
    variant_ = variant == kVariant33 ? kVariant33 : kVariant32;
    formatKind_ = 3;
    Build(model);
}

SmafMa3Data::~SmafMa3Data() = default;

void SmafMa3Data::Build(const MobileData& model) {
    ResetSmafScoreTrackWarnings();
    title_ = model.title;
    std::vector<const MobileChanelData*> slots;
    for (int i = 0; i < model.Count(); ++i)
        if (model.Slot(i) && model.Slot(i)->enabled) slots.push_back(model.Slot(i));
    MobileTrackData track(slots.data(), static_cast<int>(slots.size()), model.Capacity(), true);
    // The drum channel is channel 9 by its place.
    track.RemoveControls(mobile_code::kKind);
    const SmafClock clock(SmafTempoMap(track), model.division > 0 ? model.division : kModelDivision);
    auto events = ToSmafEvents(track, clock);
    PrepareSmafEventsA(events);
    auto bytes = WriteSmafSequenceA(std::move(events), kSmafTimeBase5ms);
    score_ = std::make_unique<SmafScoreTrack>();
    score_->number = kTrackNumber;
    score_->header.assign(kScoreHeadA, 0);
    score_->header[0] = 0x02;
    score_->header[2] = kSmafTimeBase5ms;
    score_->header[3] = kSmafTimeBase5ms;
    score_->setup.assign(std::begin(kSetupA), std::end(kSetupA));
    score_->sequence = std::move(bytes.bytes);
    score_->start = bytes.start;
    score_->stop = bytes.stop;
    // The written stream read back; what it finds shows at once.
    ReadLog decoded;
    score_->events = DecodeSmafSequenceA(score_->sequence, model.Capacity(), decoded);
    decoded.ShowAll();
}

std::vector<std::uint8_t> SmafMa3Data::MakeOptionalData(int variant) const {
    std::vector<std::uint8_t> out;
    std::vector<std::uint8_t> records;
    if (variant == kVariant33) {
        AppendTag(records, "ST", title_);
        for (const char* tag : {"CR", "AN", "WW", "SW", "AW"})
            AppendTag(records, tag, "");
        AppendTag(records, "VN", "ZAW");
        AppendSmafChunk(out, std::string_view("Dch\x00", 4), records);
        return out;
    }
    AppendTag(records, "ST", title_);
    AppendSmafChunk(out, Id("Dch\x80"), records);
    records.clear();
    AppendTag(records, "ES", "\xF8");
    AppendSmafChunk(out, Id("Dch\xFF"), records);
    return out;
}

void SmafMa3Data::Write(int variant) {
    variant = variant == kVariant33 ? kVariant33 : kVariant32;
    variant_ = variant;
    contentsInfo_ = {0x00, kContentsType, static_cast<std::uint8_t>(variant == kVariant32 ? 0x01 : 0x00), 0x00, 0x00};
    optionalData_ = MakeOptionalData(variant);
    std::vector<std::uint8_t> contents;
    bool fits = AppendSmafChunk(contents, "CNTI", contentsInfo_) && AppendSmafChunk(contents, "OPDA", optionalData_);
    if (score_) {
        bool ok = true;
        auto body = SmafScoreTrackContents(*score_, false, variant == kVariant32, &ok);
        fits = fits && ok && AppendSmafChunk(contents, Id("MTR\x05"), body);
    }
    if (!fits || !HoldContents(contents)) {
        ShowSmafChunkError(smcd::kChunkSize);
        SetLength(0);
    }
}

// ---- Reading ----

SmafMa3Data::SmafMa3Data(const std::uint8_t* bytes, int length) : SmafData(Empty{}, kMusicDataCapacity) {
    formatKind_ = 3;
    const int n = bytes ? std::clamp(length, 0, capacity_) : 0;
    if (n > 0) HoldCopy(bytes, n);
    Parse();
}

void SmafMa3Data::Parse() {
    ReadChunks();
    TidySmafFindings(readLog_, !score_);
}

void SmafMa3Data::ReadChunks() {
    // A chunk that runs past the file refuses it.
    bool whole = false;
    auto chunks = OpenChunks(&whole);
    if (!whole) return;
    if (chunks.empty() || chunks.front().id != "CNTI") {
        readLog_.Add(kSmafChunkFindings, smcd::kNoContents);
        return;
    }
    TakeContentsInfo(chunks.front().contents);
    variant_ = contentsInfo_.size() > 2 && contentsInfo_[2] == 0x00 ? kVariant33 : kVariant32;
    // Other tools put graphics, audio and chunks of their own beside the
    // optional data and the score track: the walk has passed each by its
    // length.
    bool optional = false;
    const SmafChunk* score = nullptr;
    for (std::size_t i = 1; i < chunks.size() && !score; ++i) {
        if (chunks[i].id == "OPDA" && !optional) {
            ReadOptionalData(chunks[i].contents);
            optional = true;
        }
        if (chunks[i].Id3() == "MTR") score = &chunks[i];
    }
    if (!score) {
        readLog_.Add(kSmafChunkFindings, SmafMissingScoreCode(chunks));
        return;
    }
    ReadScore(*score);
}

// The setup and seek-and-phrase chunks are optional: without them the
// sequence plays from its beginning with its own program changes on the
// General MIDI tones. A compressed sequence is not read.
void SmafMa3Data::ReadScore(const SmafChunk& chunk) {
    auto body = chunk.contents;
    if (body.size() < kScoreHeadA) {
        readLog_.Add(kSmafChunkFindings, smcd::kChunkSize);
        return;
    }
    if (body[0] == kCompressedFormat) {
        readLog_.Add(kSmafChunkFindings, smcd::kFileFormat);
        return;
    }
    auto track = std::make_unique<SmafScoreTrack>();
    track->number = static_cast<std::uint8_t>(chunk.id[3]);
    track->header.assign(body.begin(), body.begin() + kScoreHeadA);
    const SmafChunk* setup = nullptr;
    const SmafChunk* sequence = nullptr;
    auto subs = WalkSmafChunks(body.subspan(kScoreHeadA), readLog_);
    if (!SmafWalkIsWhole(subs, body.subspan(kScoreHeadA))) return;
    for (const SmafChunk& s : subs) {
        if (s.id == "Mtsu" && !setup) setup = &s;
        if (s.id == "MspI") ReadSmafSeekPhrase(s.contents, *track);
        if (s.id == "Mtsq" && !sequence) sequence = &s;
    }
    if (!sequence) {
        readLog_.Add(kSmafChunkFindings, smcd::kNoSequence);
        return;
    }
    if (setup) track->setup.assign(setup->contents.begin(), setup->contents.end());
    track->sequence.assign(sequence->contents.begin(), sequence->contents.end());
    track->events = DecodeSmafSequenceA(track->sequence, kMusicDataCapacity, readLog_);
    score_ = std::move(track);
}

void SmafMa3Data::ReadOptionalData(std::span<const std::uint8_t> contents) {
    optionalData_.assign(contents.begin(), contents.end());
    for (const SmafChunk& dch : WalkSmafChunks(contents, readLog_)) {
        if (dch.Id3() != "Dch") continue;
        ByteCursor in(dch.contents);
        // Every record takes at least its four head bytes.
        while (in.Has(4)) {
            auto tag = in.Take(2);
            std::uint16_t length = 0;
            in.ReadBe16(length);
            auto text = in.Take(length);
            if (text.size() != length) break;
            if (std::memcmp(tag.data(), "ST", 2) == 0) title_.assign(text.begin(), text.end());
        }
    }
}

// ---- Other forms ----

std::unique_ptr<SmafData> SmafMa3Data::ToSmafData() const {
    auto out = std::unique_ptr<SmafData>(new SmafData(Empty{}, capacity_));
    out->fixedTempo_ = kTempo500;
    out->variant_ = kVariant32;
    out->title_ = title_;
    out->contentsInfo_ = contentsInfo_;
    if (!score_ || !score_->events) return out;
    const MobileTrackData& all = *score_->events;
    for (int t = 0; t < SmafData::kMaxTracks; ++t) {
        auto track = std::make_unique<SmafScoreTrack>();
        track->number = t + 1;
        const bool drumHere = kDrumChannel / kGroup == t;
        const auto status = [&](int c) { return drumHere && c == kDrumChannel % kGroup ? 0x3 : 0xA; };
        track->header = {0x00, 0x00, score_->header[2], score_->header[3],
                         static_cast<std::uint8_t>(status(0) << 4 | status(1)),
                         static_cast<std::uint8_t>(status(2) << 4 | status(3))};
        track->hasSeekPhrase = true;
        track->events = std::make_unique<MobileTrackData>(capacity_);
        if (drumHere) track->events->AppendMetaEvent(0, kDrumChannel % kGroup, mobile_code::kKind, kDrumKindValue);
        long long time = 0;
        long long last = 0;
        for (int i = 0; i < all.Count(); ++i) {
            const MidiEvent& e = *all.Event(i);
            time += std::max(e.delta, 0);
            const bool mine = e.channel == kNoChannel ? t == 0 : e.channel >= 0 && e.channel < kChannels &&
                                                                     e.channel / kGroup == t;
            if (!mine) continue;
            auto copy = std::make_unique<MidiEvent>(e);
            copy->delta = static_cast<int>(std::min<long long>(time - last, 0x7FFFFFFF));
            if (e.channel != kNoChannel) copy->channel = e.channel % kGroup;
            last = time;
            track->events->Append(std::move(copy));
        }
        out->tracks_.push_back(std::move(track));
    }
    return out;
}

std::unique_ptr<MultiMobileTrackData> SmafMa3Data::ToMultiMobileTrackData() const {
    auto model = std::make_unique<MultiMobileTrackData>();
    ToSmafData()->FillModel(*model);
    return model;
}
