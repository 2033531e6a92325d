#include "convert/audio/tune_export.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <vector>

#include "convert/audio/aiff.h"
#include "core/reporters.h"
#include "midi/f0_data.h"
#include "midi/file_loader.h"
#include "midi/midi_event.h"
#include "midi/track_data.h"
#include "platform/aiff_writer.h"
#include "platform/quit_signals.h"
#include "platform/software_synth.h"
#include "platform/temp_files.h"

namespace {

constexpr CodeText kRaraTable[] = {
    {static_cast<std::uint32_t>(rara::kNotAMovie), "There are no move files!"},
};
constexpr ClassReporter kRaraReporter("RARA", kRaraTable, "");

bool StartsLikeSmf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char head[4] = {};
    return in.read(head, 4) && std::equal(head, head + 4, "MThd");
}

// The synth and the file it renders into, block by block.
class Renderer {
public:
    Renderer(platform::SoftwareSynth& synth, platform::AiffWriter& out) : synth_(synth), out_(out) {}
    bool RenderTo(std::int64_t frame) {
        while (ok_ && rendered_ < frame)
            Block(static_cast<int>(std::min<std::int64_t>(frame - rendered_, rara::kExportBlockFrames)));
        return ok_;
    }
    bool RenderTail() {
        const std::int64_t limit = rendered_ + std::int64_t{rara::kMaxTailMs} * rara::kExportRate / 1000;
        while (ok_ && rendered_ < limit && synth_.ActiveVoices() > 0)
            Block(static_cast<int>(std::min<std::int64_t>(limit - rendered_, rara::kExportBlockFrames)));
        return ok_;
    }
    std::int64_t Rendered() const { return rendered_; }

private:
    void Block(int frames) {
        left_.assign(static_cast<std::size_t>(frames), 0.0f);
        right_.assign(static_cast<std::size_t>(frames), 0.0f);
        pcm_.resize(static_cast<std::size_t>(frames) * 2);
        ok_ = synth_.Render(left_.data(), right_.data(), frames);
        for (int i = 0; i < frames; ++i) {
            pcm_[2 * i] = ToSample(left_[i]);
            pcm_[2 * i + 1] = ToSample(right_[i]);
        }
        ok_ = ok_ && out_.Write(pcm_);
        rendered_ += frames;
    }
    static std::int16_t ToSample(float x) {
        return static_cast<std::int16_t>(std::lround(std::clamp(x, -1.0f, 1.0f) * 32767.0f));
    }

    platform::SoftwareSynth& synth_;
    platform::AiffWriter& out_;
    std::vector<float> left_, right_;
    std::vector<std::int16_t> pcm_;
    std::int64_t rendered_ = 0;
    bool ok_ = true;
};

void Send(platform::SoftwareSynth& synth, const MidiEvent& e) {
    const int ch = e.channel & 0x0F;
    std::uint8_t bytes[3] = {static_cast<std::uint8_t>(e.kind | ch), 0, 0};
    switch (e.kind) {
        case event_kind::kNoteOn:
        case event_kind::kNoteOff:
            bytes[1] = static_cast<std::uint8_t>(e.note & 0x7F);
            bytes[2] = static_cast<std::uint8_t>(e.velocity & 0x7F);
            break;
        case event_kind::kControlChange:
            bytes[1] = static_cast<std::uint8_t>(e.subtype & 0x7F);
            bytes[2] = static_cast<std::uint8_t>(e.value & 0x7F);
            break;
        case event_kind::kProgramChange:
        case event_kind::kChannelPressure:
            bytes[1] = static_cast<std::uint8_t>(e.value & 0x7F);
            synth.SendShort(bytes, 2);
            return;
        case event_kind::kPitchBend:
            bytes[1] = static_cast<std::uint8_t>(e.note & 0x7F);
            bytes[2] = static_cast<std::uint8_t>(e.value & 0x7F);
            break;
        case event_kind::kSysEx:
        case event_kind::kEscapedSysEx:
            if (e.DataLength() > 0) synth.SendLong(e.GetData(), static_cast<std::size_t>(e.DataLength()));
            return;
        default:
            return;
    }
    if (e.channel < 0 || e.channel > 15) return;
    synth.SendShort(bytes, 3);
}

// Sends the tune's events at their instants (exact microseconds per quarter
// from the tempo map), rendering sample-exact between them, then the tail.
bool RenderTune(const MidiF0Data& tune, platform::SoftwareSynth& synth,
                platform::AiffWriter& out, const ExportProgress& progress) {
    const MidiTrackData& track = *tune.Track();
    const std::int64_t division = std::max(tune.division, 1);
    // Ticks times microseconds per quarter, summed: the time stays exact.
    std::int64_t tickMicros = 0;
    std::int64_t tempo = kDefaultTempo, totalTickMicros = 0;
    for (int i = 0; i < track.EventCount(); ++i) {
        const MidiEvent& e = *track.Event(i);
        totalTickMicros += std::max(e.delta, 0) * tempo;
        if (e.IsMeta(meta_type::kTempo) && e.value >= 1000) tempo = e.value;
    }
    const auto frameAt = [division](std::int64_t tm) {
        return tm * rara::kExportRate / (division * 1'000'000);
    };
    const std::int64_t expected = std::max<std::int64_t>(frameAt(totalTickMicros), 1);
    Renderer renderer(synth, out);
    tempo = kDefaultTempo;
    for (int i = 0; i < track.EventCount(); ++i) {
        const MidiEvent& e = *track.Event(i);
        tickMicros += std::max(e.delta, 0) * tempo;
        // A quit asked for (a signal) ends the export unfinished.
        if (platform::QuitRequested() || !renderer.RenderTo(frameAt(tickMicros))) return false;
        if (e.IsMeta(meta_type::kTempo)) {
            if (e.value >= 1000) tempo = e.value;
        } else if (e.kind != event_kind::kMeta) {
            Send(synth, e);
        }
        if (progress && (i % 64) == 0)
            progress(static_cast<std::int32_t>(std::min<std::int64_t>(
                renderer.Rendered() * 0x10000 / expected, 0x10000)));
    }
    if (!renderer.RenderTail()) return false;
    if (progress) progress(0x10000);
    return true;
}

// What kept a file from being written, for the box: 0 when it was written,
// kNoSynth when the synth could not start, kQuitAsked when a quit asked for
// ended it (no box: the user wanted it to end), else the errno of the failure.
constexpr int kNoSynth = -1;
constexpr int kQuitAsked = -2;

// Renders into path and closes it.
int RenderFile(const MidiF0Data& tune, const std::string& path, const ExportProgress& progress) {
    platform::SynthOptions options;
    options.reverbAndChorus = false;
    auto synth = platform::SoftwareSynth::Create(platform::kDefaultSoundFont, {}, options);
    if (!synth || !synth->HasSoundFont()) return kNoSynth;
    platform::AiffWriter out;
    if (!out.Open(path, rara::kExportRate, 2)) return out.Error() != 0 ? out.Error() : EIO;
    platform::NoteTempFile(path);
    const bool rendered = RenderTune(tune, *synth, out, progress);
    if (out.Close() && rendered) return 0;
    if (platform::QuitRequested()) return kQuitAsked;
    return out.Error() != 0 ? out.Error() : EIO;
}

// The write failure's box, naming the file and why it could not be written.
void ShowWriteFailure(const std::string& path, int error) {
    std::string text = kRaraReporter.Format(static_cast<std::uint32_t>(rara::kWriteFailed));
    if (error != kNoSynth) text += path + ": " + std::strerror(error);
    ShowErrorBox(text);
}

}  // namespace

void ShowQuickTimeError(std::int32_t code) {
    kRaraReporter.Show(static_cast<std::uint32_t>(code));
}

std::string ProgressDots(std::int32_t fraction) {
    return std::string(static_cast<std::size_t>(std::clamp(fraction / 3200, 0, 20)), '*');
}

int ExportMovieToFile(const std::string& source, const std::string& target,
                      const ExportProgress& progress) {
    if (!StartsLikeSmf(source)) {
        ShowQuickTimeError(rara::kNotAMovie);
        return 0;
    }
    MidiFileLoader loader(source);
    if (loader.FileLength() == 0 || !loader.Tune1() || !loader.ToFormat0() || !loader.Tune0() ||
        !loader.Tune0()->ConvertToNoteOnOff()) {
        ShowQuickTimeError(rara::kNotAMovie);
        return 0;
    }
    // An old target stays as it is until the complete new file is renamed
    // over it.
    const std::string partial = target + ".part";
    int error = RenderFile(*loader.Tune0(), partial, progress);
    if (error == 0 && std::rename(partial.c_str(), target.c_str()) != 0) error = errno;
    if (error != 0) std::remove(partial.c_str());
    platform::ForgetTempFile(partial);
    if (error != 0) {
        if (error != kQuitAsked) ShowWriteFailure(target, error);
        return 0;
    }
    return 1;
}

int ExportToOutputFile(const std::string& source, const std::string& target,
                       const ExportProgress& progress) {
    return ExportMovieToFile(source, target, progress);
}

std::string WavRoadAiffPath(const std::string& folder) {
    std::string aiffPath = folder;
    if (!aiffPath.empty() && aiffPath.back() != '/') aiffPath += '/';
    aiffPath += "temp.aiff";
    return aiffPath;
}

int ExportToWavViaAiff(const std::string& source, const std::string& folder,
                       const std::string& wavTarget, const ExportProgress& progress) {
    const std::string aiffPath = WavRoadAiffPath(folder);
    // The WAV replaces an old one only once it is complete; a failed road
    // leaves no intermediate file behind.
    // The intermediate is the program's own: it stays for the run and goes
    // when the run ends, or at the next start after a kill.
    if (ExportMovieToFile(source, aiffPath, progress) != 1) return 0;
    platform::NoteTempFile(aiffPath);
    if (ConvertAiffToWav(aiffPath, wavTarget) == 1) return 1;
    std::remove(aiffPath.c_str());
    platform::ForgetTempFile(aiffPath);
    return 0;
}
