#include "convert/ringtone/smaf_data.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <utility>

#include "convert/ringtone/smaf_chunk.h"
#include "core/byte_cursor.h"
#include "core/reporters.h"

namespace {

const CodeText kDataTable[] = {
    {smdt::kNotSmaf, "This is not a SMAF file!"},
    {smdt::kNoTempo, "There are no tempo in SMAF file!"},
    {smdt::kTrackCount, "The number of track is invalid!"},
};
constexpr ClassReporter kDataReporter("SMDT", kDataTable, "Error occured in SmafData!");

const CodeText kLoaderTable[] = {
    {smld::kInternal, "Internal error occured in SmafFileLoader!"},
    {smld::kFileType, "File Type is invalid!"},
};
constexpr ClassReporter kLoaderReporter("SMLD", kLoaderTable, "Error occured in SmafFileLoader!");

constexpr int kGroup = 4;
constexpr int kMaxTrackTones = 32;
constexpr int kSixteenTones = 16;
constexpr int kDrumBank = 128;
constexpr int kLoaderHead = 20;
constexpr int kDefaultTempo500 = 500000;
constexpr int kLowestTempo = 250000;
constexpr int kHighestTempo = 1500000;
constexpr int kLongestCounted = 16384;
constexpr std::size_t kScoreHeadB = 6;
constexpr std::uint8_t kDrumStatus = 0x3;
constexpr std::uint8_t kMelodicStatus = 0xA;

std::span<const std::uint8_t> Bytes(std::string_view s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

void Append(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> bytes) {
    for (std::uint8_t b : bytes)
        out.push_back(b);
}

void AppendBig32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

// "st:", start, ",", "sp:", stop, ",".
std::vector<std::uint8_t> SeekPhrase(std::uint32_t start, std::uint32_t stop) {
    std::vector<std::uint8_t> out;
    Append(out, Bytes("st:"));
    AppendBig32(out, start);
    Append(out, Bytes(",sp:"));
    AppendBig32(out, stop);
    out.push_back(',');
    return out;
}

// Channel kinds become banks (128 on a drum channel); each program names a
// tone, a (bank, program) pair, listed once in the order met.
std::vector<std::pair<int, int>> BanksAndTones(std::vector<SmafEvent>& events, const std::array<bool, kGroup>& drum) {
    std::array<int, kGroup> bank{};
    std::vector<std::pair<int, int>> tones;
    for (SmafEvent& e : events) {
        if (e.kind != mobile_kind::kControl || e.channel < 0 || e.channel >= kGroup) continue;
        const auto c = static_cast<std::size_t>(e.channel);
        if (e.subtype == mobile_code::kKind) {
            e.subtype = smaf_code::kBank;
            e.value = drum[c] ? kDrumBank : 0;
        }
        if (e.subtype == smaf_code::kBank) bank[c] = e.value;
        if (e.subtype == mobile_code::kProgram) {
            const std::pair<int, int> tone{drum[c] ? kDrumBank : bank[c], e.value & 0x7F};
            if (std::find(tones.begin(), tones.end(), tone) == tones.end()) tones.push_back(tone);
        }
    }
    return tones;
}

// Tone records of the setup chunk read: FF F0 messages of length 5 are the
// head, of 18 or 19 tone records; F0 messages are stepped over.
int ReadSetupB(std::span<const std::uint8_t> setup, ReadLog& log) {
    ByteCursor in(setup);
    int records = 0;
    // Every turn takes at least one byte or ends the walk.
    while (!in.AtEnd()) {
        const std::size_t at = in.Offset();
        const bool ff = in.Peek() == std::optional<std::uint8_t>(0xFF);
        if (ff) in.Skip(1);
        auto f0 = in.ReadByte();
        auto length = in.ReadByte();
        auto body = length ? in.Take(*length) : std::span<const std::uint8_t>();
        if (!f0 || *f0 != 0xF0 || !length || body.size() != *length) {
            log.Add(kSmafChunkFindings, smcd::kSetup, at);
            break;
        }
        if (!ff) continue;
        if (*length == 18 || *length == 19) {
            ++records;
        } else if (*length != 5) {
            log.Add(kSmafChunkFindings, smcd::kSetup, at);
            break;
        }
    }
    return records;
}

}  // namespace

void ReadSmafSeekPhrase(std::span<const std::uint8_t> c, SmafScoreTrack& track) {
    track.hasSeekPhrase = true;
    if (c.size() < 16 || std::memcmp(c.data(), "st:", 3) != 0 || std::memcmp(c.data() + 8, "sp:", 3) != 0) return;
    track.start = ReadBigEndian32(c.data() + 3);
    track.stop = ReadBigEndian32(c.data() + 11);
}

std::vector<std::uint8_t> SmafScoreTrackContents(const SmafScoreTrack& t, bool seekFirst, bool withSeek,
                                                 bool* ok) {
    std::vector<std::uint8_t> out = t.header;
    const auto seek = SeekPhrase(t.start, t.stop);
    bool fits = true;
    if (withSeek && seekFirst) fits &= AppendSmafChunk(out, "MspI", seek);
    if (!t.setup.empty()) fits &= AppendSmafChunk(out, "Mtsu", t.setup);
    if (withSeek && !seekFirst) fits &= AppendSmafChunk(out, "MspI", seek);
    fits &= AppendSmafChunk(out, "Mtsq", t.sequence);
    *ok = fits;
    return out;
}

void ShowSmafDataError(std::uint32_t code) {
    kDataReporter.Show(code);
}

void ShowSmafLoaderError(std::uint32_t code) {
    kLoaderReporter.Show(code);
}

const ReporterWords kSmafDataFindings{
    FindingKind::Error,
    [](std::uint32_t code, std::uint32_t) { return kDataReporter.Format(code); }, nullptr};
const ReporterWords kSmafLoaderFindings{
    FindingKind::Error,
    [](std::uint32_t code, std::uint32_t) { return kLoaderReporter.Format(code); }, nullptr};

int SmafMillisecondsPerUnit(int code) {
    static constexpr int kShort[4] = {1, 2, 4, 5};
    static constexpr int kLong[4] = {10, 20, 40, 50};
    if (code >= 0 && code <= 3) return kShort[code];
    if (code >= 16 && code <= 19) return kLong[code - 16];
    return std::max(code, 1);
}

int EstimateSmafTempo(const std::vector<const MobileTrackData*>& tracks, int millisecondsPerUnit) {
    std::map<int, long long> histogram;
    for (const MobileTrackData* t : tracks)
        for (int i = 0; t && i < t->Count(); ++i) {
            const int d = t->Event(i)->delta;
            if (d > 0 && d < kLongestCounted) ++histogram[d];
        }
    if (histogram.empty()) return 0;
    // The likeliest beat: the duration that, with its neighbours one unit
    // away (the carried fractions), is met most often.
    auto count = [&](int d) {
        auto it = histogram.find(d);
        return it == histogram.end() ? 0LL : it->second;
    };
    int best = 0;
    long long bestCount = -1;
    for (const auto& [d, n] : histogram) {
        const long long around = count(d - 1) + n + count(d + 1);
        if (around > bestCount) {
            best = d;
            bestCount = around;
        }
    }
    const double mean = static_cast<double>((best - 1) * count(best - 1) + best * count(best) +
                                            (best + 1) * count(best + 1)) /
                        static_cast<double>(bestCount);
    double tempo = mean * millisecondsPerUnit * 1000.0;
    // A beat outside the range counts as its double or half.
    for (int i = 0; i < 32 && tempo < kLowestTempo; ++i)
        tempo *= 2;
    for (int i = 0; i < 32 && tempo > kHighestTempo; ++i)
        tempo /= 2;
    if (tempo < kLowestTempo || tempo > kHighestTempo) return 0;
    return static_cast<int>(std::lround(tempo));
}

bool IsSmafMa3Image(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 8) return false;
    for (std::size_t i = 0; i + 7 < bytes.size(); ++i)
        if (bytes[i] == 'M' && bytes[i + 1] == 'T' && bytes[i + 2] == 'R' && (bytes[i + 3] == 5 || bytes[i + 3] == 6))
            return true;
    return false;
}

// ---- SmafData: building ----

SmafData::SmafData(Empty, int capacity) : MusicData(capacity, DeferBlock{}) {}

SmafData::SmafData(const MobileData& model, int voiceKind, int capacity) : SmafData(Empty{}, capacity) {
    Build(model, voiceKind == kVoices4 ? kVoices4 : kVoices16);
}

SmafData::~SmafData() = default;

void SmafData::Build(const MobileData& model, int voiceKind) {
    auto groups = model.EnabledSlotGroups(kGroup);
    // The 4-voice form holds one score track: its tracks are all numbered 0
    // and only the first carries a setup chunk.
    const std::size_t most = voiceKind == kVoices4 ? 1 : kMaxTracks;
    if (groups.size() > most) {
        ShowSmafDataError(smdt::kTrackCount);
        groups.resize(most);
    }
    if (groups.empty()) groups.emplace_back();
    title_ = model.title;
    contentsInfo_ = {0x00, 0x00, 0x00, 0x00, 0x00};
    Append(contentsInfo_, Bytes("ST:" + title_ + ","));

    std::vector<std::unique_ptr<MobileTrackData>> flat;
    std::vector<std::pair<long long, int>> tempos;
    long long start = -1, stop = -1, end = 0;
    for (auto& g : groups) {
        flat.push_back(std::make_unique<MobileTrackData>(g.data(), static_cast<int>(g.size()), model.Capacity(), false));
        auto map = SmafTempoMap(*flat.back());
        tempos.insert(tempos.end(), map.begin(), map.end());
        long long t = 0;
        for (int i = 0; i < flat.back()->Count(); ++i) {
            const MidiEvent& e = *flat.back()->Event(i);
            t += std::max(e.delta, 0);
            if (IsMobileControl(e, mobile_code::kEndOfTrack)) end = std::max(end, t);
            if (IsMobileControl(e, mobile_code::kLoop) && e.value == 0 && start < 0) start = t;
            if (IsMobileControl(e, mobile_code::kLoop) && e.value == 1 && stop < 0) stop = t;
        }
    }
    const SmafClock clock(tempos, model.division > 0 ? model.division : kModelDivision);
    std::vector<std::pair<int, int>> tones;
    for (std::size_t t = 0; t < flat.size(); ++t) {
        auto events = ToSmafEvents(*flat[t], clock);
        std::array<bool, kGroup> drum{};
        for (std::size_t c = 0; c < groups[t].size(); ++c)
            drum[c] = groups[t][c]->kind == MobileChanelData::kKindDrum;
        auto own = BanksAndTones(events, drum);
        if (own.size() > kMaxTrackTones) ShowSmafChunkError(smcd::kTooManyTones);
        for (const auto& tone : own)
            if (std::find(tones.begin(), tones.end(), tone) == tones.end()) tones.push_back(tone);
        auto track = std::make_unique<SmafScoreTrack>();
        track->number = voiceKind == kVoices4 ? 0 : static_cast<int>(t) + 1;
        track->header = {0x00, 0x00, kSmafTimeBase5ms, kSmafTimeBase5ms,
                         static_cast<std::uint8_t>((drum[0] ? kDrumStatus : kMelodicStatus) << 4 |
                                                   (drum[1] ? kDrumStatus : kMelodicStatus)),
                         static_cast<std::uint8_t>((drum[2] ? kDrumStatus : kMelodicStatus) << 4 |
                                                   (drum[3] ? kDrumStatus : kMelodicStatus))};
        track->hasSeekPhrase = voiceKind == kVoices16;
        auto bytes = EncodeSmafSequenceB(std::move(events), drum, start < 0 ? -1 : clock.Units(start),
                                         stop < 0 ? -1 : clock.Units(stop), clock.Units(end));
        track->sequence = std::move(bytes.bytes);
        track->start = bytes.start;
        track->stop = bytes.stop;
        // The written stream read back; what it finds shows at once.
        ReadLog decoded;
        track->events = DecodeSmafSequenceB(track->sequence, model.Capacity(), decoded);
        decoded.ShowAll();
        tracks_.push_back(std::move(track));
    }
    if (tones.size() > kSixteenTones) ShowSmafChunkError(smcd::kOverSixteenTones);
    BuildSetup(voiceKind, tones);
}

void SmafData::BuildSetup(int voiceKind, const std::vector<std::pair<int, int>>& tones) {
    std::vector<std::uint8_t>& out = tracks_.front()->setup;
    std::vector<std::pair<int, int>> list = tones;
    if (voiceKind == kVoices16) {
        if (list.empty()) {
            ShowSmafChunkError(smcd::kNoTone);
            list.emplace_back(0, 0);
        }
        int record = 0;
        for (const auto& [bank, program] : list) {
            const bool drum = bank == kDrumBank;
            for (int b : {0xFF, 0xF0, 0x12, 0x43, 0x03, record++, drum ? 0x80 : 0x00, program})
                out.push_back(static_cast<std::uint8_t>(b));
            Append(out, SmafVoiceBytes(program, drum, 12));
            out.push_back(0xF7);
        }
        return;
    }
    for (int b : {0xFF, 0xF0, 0x05, 0x43, 0x02, 0x80, 0x11, 0xF7})
        out.push_back(static_cast<std::uint8_t>(b));
    if (list.empty() || list.size() > kGroup) ShowSmafChunkError(smcd::kNoTone);
    if (list.empty()) list.emplace_back(0, 0);
    if (list.size() > kGroup) list.resize(kGroup);
    int record = 0;
    for (const auto& [bank, program] : list) {
        if (bank == kDrumBank) {
            // The 4-voice handsets hold no drum tones: the record is left out.
            ShowSmafChunkError(smcd::kSetup);
            continue;
        }
        for (int b : {0xFF, 0xF0, 0x13, 0x43, 0x02, record++, 0x00, program})
            out.push_back(static_cast<std::uint8_t>(b));
        Append(out, SmafVoiceBytes(program, false, 13));
        out.push_back(0xF7);
    }
}

bool SmafData::HoldContents(const std::vector<std::uint8_t>& contents) {
    SetLength(0);
    std::vector<std::uint8_t> image;
    Append(image, Bytes("MMMD"));
    AppendBig32(image, static_cast<std::uint32_t>(contents.size() + 2));
    Append(image, contents);
    const std::uint16_t crc = SmafCrc16(image);
    image.push_back(static_cast<std::uint8_t>(crc >> 8));
    image.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    if (image.size() > static_cast<std::size_t>(capacity_)) return false;
    crc_ = crc;
    return HoldCopy(image.data(), static_cast<int>(image.size())) != 0;
}

void SmafData::Write(int voiceKind) {
    std::vector<std::uint8_t> contents;
    bool fits = AppendSmafChunk(contents, "CNTI", contentsInfo_);
    for (const auto& t : tracks_) {
        bool ok = true;
        auto body = SmafScoreTrackContents(*t, true, voiceKind != kVoices4 && t->hasSeekPhrase, &ok);
        const char id[4] = {'M', 'T', 'R', static_cast<char>(t->number)};
        fits = fits && ok && AppendSmafChunk(contents, std::string_view(id, 4), body);
    }
    if (!fits || !HoldContents(contents)) {
        // A chunk past its 0x10000 bytes would make a file no handset reads.
        ShowSmafChunkError(smcd::kChunkSize);
        SetLength(0);
    }
}

// ---- SmafData: reading ----

SmafData::SmafData(const std::uint8_t* bytes, int length) : SmafData(Empty{}, kMusicDataCapacity) {
    const int n = bytes ? std::clamp(length, 0, capacity_) : 0;
    if (n > 0) HoldCopy(bytes, n);
    Parse();
}

std::vector<SmafChunk> SmafData::OpenChunks(bool* whole) {
    *whole = false;
    std::span<const std::uint8_t> image;
    if (Data() && length_ > 0) image = std::span(Data(), static_cast<std::size_t>(length_));
    if (image.size() < 8 || std::memcmp(image.data(), "MMMD", 4) != 0) {
        readLog_.Add(kSmafDataFindings, smdt::kNotSmaf, 0);
        return {};
    }
    const std::size_t size = ReadBigEndian32(image.data() + 4);
    if (size < 2 || size > image.size() - 8) {
        // A file shorter than it says is cut or damaged: refused whole,
        // rather than read as far as it goes.
        readLog_.Add(kSmafChunkFindings, smcd::kChunkSize, 4);
        return {};
    }
    const auto body = image.subspan(8, size);
    ReadLog withCrc;
    auto chunks = WalkSmafChunks(body.first(size - 2), withCrc);
    *whole = SmafWalkIsWhole(chunks, body.first(size - 2));
    if (*whole) {
        crc_ = static_cast<std::uint16_t>(body[size - 2] << 8 | body[size - 1]);
    } else {
        ReadLog withoutCrc;
        auto all = WalkSmafChunks(body, withoutCrc);
        *whole = SmafWalkIsWhole(all, body);
        if (*whole) return all;
    }
    for (const ReadFinding& f : withCrc.Findings())
        readLog_.Add(f);
    return chunks;
}

void SmafData::TakeContentsInfo(std::span<const std::uint8_t> info) {
    contentsInfo_.assign(info.begin(), info.end());
    if (info.size() < 8 || std::memcmp(info.data() + 5, "ST:", 3) != 0) return;
    auto text = info.subspan(8);
    auto comma = std::find(text.begin(), text.end(), ',');
    title_.assign(text.begin(), comma);
}

void SmafData::Parse() {
    ReadChunks();
    TidySmafFindings(readLog_, tracks_.empty());
}

void SmafData::ReadChunks() {
    // A chunk that runs past the file, or past the size the file gives,
    // refuses the file: the tracks before it would be a part of the tune.
    bool whole = false;
    auto chunks = OpenChunks(&whole);
    if (!whole) return;
    if (chunks.empty() || chunks.front().id != "CNTI") {
        readLog_.Add(kSmafChunkFindings, smcd::kNoContents);
        return;
    }
    TakeContentsInfo(chunks.front().contents);
    // A file of audio alone is told so, whatever else it holds.
    const bool scored = std::any_of(chunks.begin(), chunks.end(),
                                    [](const SmafChunk& c) { return c.Id3() == "MTR"; });
    if (!scored) {
        readLog_.Add(kSmafChunkFindings, SmafMissingScoreCode(chunks));
        return;
    }
    for (std::size_t i = 1; i < chunks.size(); ++i) {
        const SmafChunk& c = chunks[i];
        if (c.id == "OPDA") {
            readLog_.Add(kSmafChunkFindings, smcd::kFileFormat);
            return;
        }
        // Other tools put graphics, audio and chunks of their own beside the
        // score tracks: the walk has passed each by its length.
        if (c.Id3() != "MTR") continue;
        if (TrackCount() == kMaxTracks) {
            readLog_.Add(kSmafDataFindings, smdt::kTrackCount);
            return;
        }
        if (!ReadScoreTrack(c.id, c.contents)) {
            // A damaged track refuses the file, whole tracks and all.
            tracks_.clear();
            return;
        }
    }
}

// The seek-and-phrase and setup chunks are optional: without the first the
// sequence plays from its beginning, without the second with its own
// program changes on the handset's default tones.
bool SmafData::ReadScoreTrack(std::string_view id, std::span<const std::uint8_t> contents) {
    if (contents.size() < kScoreHeadB) {
        readLog_.Add(kSmafChunkFindings, smcd::kChunkSize);
        return false;
    }
    auto track = std::make_unique<SmafScoreTrack>();
    track->number = static_cast<std::uint8_t>(id[3]);
    track->header.assign(contents.begin(), contents.begin() + kScoreHeadB);
    const SmafChunk* seek = nullptr;
    const SmafChunk* setup = nullptr;
    const SmafChunk* sequence = nullptr;
    auto subs = WalkSmafChunks(contents.subspan(kScoreHeadB), readLog_);
    if (!SmafWalkIsWhole(subs, contents.subspan(kScoreHeadB))) return false;
    for (const SmafChunk& s : subs) {
        if (s.id == "MspI" && !seek) seek = &s;
        if (s.id == "Mtsu" && !setup) setup = &s;
        if (s.id == "Mtsq" && !sequence) sequence = &s;
    }
    if (!sequence) {
        readLog_.Add(kSmafChunkFindings, smcd::kNoSequence);
        return false;
    }
    if (seek) ReadSmafSeekPhrase(seek->contents, *track);
    if (setup) {
        track->setup.assign(setup->contents.begin(), setup->contents.end());
        track->toneRecords = ReadSetupB(setup->contents, readLog_);
    }
    track->sequence.assign(sequence->contents.begin(), sequence->contents.end());
    track->events = DecodeSmafSequenceB(track->sequence, kMusicDataCapacity, readLog_);
    tracks_.push_back(std::move(track));
    return true;
}

// ---- SmafData: other forms ----

int SmafData::ModelTempo() const {
    if (fixedTempo_ > 0) return fixedTempo_;
    std::vector<const MobileTrackData*> events;
    for (const auto& t : tracks_)
        events.push_back(t->events.get());
    const int ms = tracks_.empty() ? 5 : SmafMillisecondsPerUnit(tracks_.front()->TimeBase());
    return EstimateSmafTempo(events, ms);
}

std::unique_ptr<MobileData> SmafData::ToMobileData() const {
    auto model = std::make_unique<MobileData>(kMusicDataCapacity);
    FillModel(*model);
    return model;
}

std::unique_ptr<MobileData> SmafData::ToMobileData(ReadLog& log) const {
    auto model = std::make_unique<MobileData>(kMusicDataCapacity);
    FillModel(*model, TempoOrDefault(log));
    return model;
}

int SmafData::TempoOrDefault(ReadLog& log) const {
    const int tempo = ModelTempo();
    if (tempo > 0) return tempo;
    // The model keeps a playable tempo: 0 would reach the MIDI file.
    log.Add(kSmafDataFindings, smdt::kNoTempo);
    return kDefaultTempo500;
}

void SmafData::FillModel(MobileData& model) const {
    ReadLog found;
    const int tempo = TempoOrDefault(found);
    found.ShowAll();
    FillModel(model, tempo);
}

void SmafData::FillModel(MobileData& model, int tempo) const {
    for (std::size_t t = 0; t < tracks_.size(); ++t) {
        const SmafScoreTrack& score = *tracks_[t];
        if (!score.events) continue;
        MobileTrackData track(*score.events, model.Capacity());
        for (int i = 0; i < track.Count(); ++i) {
            MidiEvent& e = *track.Event(i);
            if (IsMobileControl(e, smaf_code::kEnd)) e.subtype = mobile_code::kEndOfTrack;
            if (IsMobileControl(e, smaf_code::kBendSwitch)) e.kind = mobile_kind::kCleared;
        }
        // Units become ticks at the tempo, the fraction carried.
        const int ms = SmafMillisecondsPerUnit(score.TimeBase());
        track.RescaleTimes(tempo, ms * 1000 * kModelDivision);
        for (int i = 0; i < track.Count(); ++i) {
            MidiEvent& e = *track.Event(i);
            if (e.kind == mobile_kind::kNote) e.length = std::max(e.length, 1);
        }
        track.RemoveClearedEvents();
        if (t == 0) {
            auto e = std::make_unique<MidiEvent>(0);
            e->kind = mobile_kind::kControl;
            e->subtype = mobile_code::kTempo;
            e->value = tempo;
            e->channel = kNoChannel;
            track.InsertEvent(0, 2, std::move(e));
        }
        model.AddFourChannelTrack(track);
    }
    model.division = kModelDivision;
    model.tempo = tempo;
    if (!title_.empty()) model.title = title_;
}

void SmafData::SetTimeBase(int code) {
    const int to = SmafMillisecondsPerUnit(code);
    for (auto& t : tracks_) {
        if (!t->events || t->header.size() < 4) continue;
        const int from = SmafMillisecondsPerUnit(t->TimeBase());
        if (from != to) {
            t->events->RescaleTimes(to, from);
            for (int i = 0; i < t->events->Count(); ++i) {
                MidiEvent& e = *t->events->Event(i);
                if (e.kind == mobile_kind::kNote) e.length = std::max(e.length, 1);
            }
        }
        t->header[2] = static_cast<std::uint8_t>(code);
        t->header[3] = static_cast<std::uint8_t>(code);
    }
}

// ---- SmafFileLoader ----

SmafFileLoader::SmafFileLoader(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        log_.Add(kSmafLoaderFindings, smld::kInternal);
        return;
    }
    std::vector<std::uint8_t> bytes(kMusicDataCapacity);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    Load(bytes);
}

SmafFileLoader::SmafFileLoader(std::span<const std::uint8_t> bytes) {
    Load(bytes.first(std::min<std::size_t>(bytes.size(), kMusicDataCapacity)));
}

void SmafFileLoader::Load(std::span<const std::uint8_t> bytes) {
    // Byte 17 is the contents type, byte 19 the copy status.
    if (bytes.size() < kLoaderHead) {
        log_.Add(kSmafLoaderFindings, smld::kFileType);
        return;
    }
    const int n = static_cast<int>(bytes.size());
    if (bytes[17] <= 0x0F) {
        data_ = std::make_unique<SmafData>(bytes.data(), n);
        log_ = std::exchange(data_->Log(), ReadLog{});
    } else if (bytes[17] >= 0x30 && bytes[19] <= 0x33) {
        ma3_ = std::make_unique<SmafMa3Data>(bytes.data(), n);
        log_ = std::exchange(ma3_->Log(), ReadLog{});
    } else {
        log_.Add(kSmafLoaderFindings, smld::kFileType, 17);
    }
}

std::unique_ptr<SmafData> ReadSmafScoreTracks(std::span<const std::uint8_t> bytes, ReadLog& log) {
    const int n = static_cast<int>(std::min<std::size_t>(bytes.size(), kMusicDataCapacity));
    if (IsSmafMa3Image(bytes)) {
        SmafMa3Data ma3(bytes.data(), n);
        log = std::exchange(ma3.Log(), ReadLog{});
        return ma3.Score() ? ma3.ToSmafData() : nullptr;
    }
    auto compact = std::make_unique<SmafData>(bytes.data(), n);
    log = std::exchange(compact->Log(), ReadLog{});
    if (compact->TrackCount() == 0) compact.reset();
    return compact;
}
