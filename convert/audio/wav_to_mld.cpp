#include "convert/audio/wav_to_mld.h"

#include <algorithm>
#include <cmath>

#include "convert/audio/adpcm.h"
#include "convert/audio/g711.h"
#include "convert/audio/mld_layouts.h"
#include "convert/audio/mld_voice.h"
#include "convert/audio/ring_voice_table.h"
#include "convert/audio/wave_file.h"
#include "core/reporters.h"
#include "core/utilities.h"
#include "platform/paths.h"

namespace {

constexpr const char* kNotPcm = "This is not pcm data.";

}  // namespace

WavToMldConverter::WavToMldConverter(const std::string& path) : path_(path) {
    WaveFile wave(path, wavefile::ChunkWalk::kAny);
    loaded_ = TakeRecording(wave);
}

WavToMldConverter::WavToMldConverter(std::span<const std::uint8_t> bytes, const std::string& path)
    : path_(path) {
    WaveFile wave(bytes, wavefile::ChunkWalk::kAny);
    loaded_ = TakeRecording(wave);
}

WavToMldConverter::WavToMldConverter(FromSource, const WavToMldConverter& source)
    : path_(source.path_), source_(&source) {}

// The format and samples of a recording read by the WAV reader, which walks
// its chunks by their sizes and passes over any it does not need; what it
// refused is shown here. A-law and u-law samples are expanded to 16 bits.
bool WavToMldConverter::TakeRecording(WaveFile& wave) {
    wave.Log().ShowAll();
    if (!wave.HasData()) return false;
    format_ = wave.Format();
    format_.formatTag = wave.Coding();
    // Whole frames of the channels and sample width, whatever the block
    // align says.
    samples_ = wave.ReleaseData();
    const std::size_t frame = std::size_t(format_.channels) * ((format_.bitsPerSample + 7u) / 8u);
    if (frame > 0) samples_.resize(samples_.size() - samples_.size() % frame);
    if (format_.formatTag == 1) return true;
    if (format_.formatTag == g711::kALawTag || format_.formatTag == g711::kMuLawTag) {
        CAuLawToLinearPCM expander(format_, samples_);
        samples_ = expander.Expand(16);
        return true;
    }
    ShowInfoBox(kNotPcm);
    samples_.clear();
    return false;
}

// ---- Conversion ----

struct WavToMldConverter::Job {
    const RingVoiceFormat* record = nullptr;
    int channels = 1;        // channels of the written voice
    int rate = 0;            // rate the voice is encoded at
    int declaredRate = 0;    // rate the file names
    int codec = 0;
    int level = 100;
    WaveFormatRecord wave;
    std::vector<std::int16_t> pcm;
    std::vector<std::uint8_t> encoded;  // the voice, or left then right
    std::size_t leftBytes = 0;
    std::size_t rightBytes = 0;
    std::uint32_t duration = 0;
    std::uint64_t ticks = 0;
    std::uint32_t adpcmByteRate = 0;
    bool sizeWarned = false;
};

namespace {

constexpr const char* kRateList = "samplerate:4000,8000,16000,32000";
constexpr const char* kNoSamplesText = "This file has no sound data.";
// The rates a recording can have; a header outside them is damaged, and
// resampling from it would make nothing or a voice of minutes.
constexpr std::uint32_t kLowestSourceRate = 4000;
constexpr std::uint32_t kHighestSourceRate = 192000;
constexpr const char* kSizeLimitText = "指定されたファイルサイズの制限を越えています。";
constexpr const char* kBuildFailedText = "makemldを保存できませんでした。";

// "<name>" can not be converted: <why>.
void ShowRecordingRefusal(const std::string& path, const std::string& why) {
    std::string name;
    ExtractFileName(name, path);
    std::string text = "\"";
    text += name;
    text += "\" can not be converted: ";
    text += why;
    text += '.';
    ShowInfoBox(text);
}

const char* RateFlagText(int rate) {
    switch (rate) {
    case 4000: return "samplerate_f04:";
    case 8000: return "samplerate_f08:";
    case 16000: return "samplerate_f16:";
    case 32000: return "samplerate_f32:";
    default: return nullptr;
    }
}

// The 16-bit little-endian samples of a byte block; an odd last byte is left.
std::vector<std::int16_t> DecodeSamples(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::int16_t> pcm(bytes.size() / 2);
    for (std::size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = static_cast<std::int16_t>(ReadLittleEndian16(&bytes[2 * i]));
    return pcm;
}

}  // namespace

int WavToMldConverter::Convert(int format, int rate, int level, const char* outputPath) {
    if (!ConvertToMemory(format, rate, level, outputPath)) return 0;
    if (!platform::ReplaceFileContents(outputPath_, image_.data(), image_.size())) {
        ShowInfoBox("ファイルが書き込めませんでした。");
        return 0;
    }
    return 1;
}

int WavToMldConverter::ConvertToMemory(int format, int rate, int level, const char* outputPath) {
    image_.clear();
    if (format < 0 || format >= RingVoiceFormatCount) {
        ShowInfoBox("fmt_num");
        return 0;
    }
    Job job;
    job.record = &RingVoiceFormatTable[format];
    if (outputPath != nullptr) {
        outputPath_ = outputPath;
    } else {
        outputPath_ = path_;
        StripExtension(outputPath_);
        outputPath_ += std::string("_") + job.record->codeName + ".mld";
    }
    const WavToMldConverter& source = source_ != nullptr ? *source_ : *this;
    if (!source.loaded_) return 0;  // the reading has said why
    format_ = source.format_;
    job.wave = source.format_;
    if (!CheckRequest(job, format, rate, level)) return 0;
    job.pcm = DecodeSamples(source.samples_);
    if (!PrepareSamples(job) || !EncodeVoice(job)) return 0;
    if (job.encoded.empty()) {
        // No voice to write: a header without samples, one cut short, or
        // too few samples for one byte of voice.
        ShowInfoBox(kNoSamplesText);
        return 0;
    }
    return BuildImage(job) ? 1 : 0;
}

// The request against the record and the source: format, level, bits and
// rate, and the codec that serves it.
bool WavToMldConverter::CheckRequest(Job& job, int format, int rate, int level) {
    const RingVoiceFormat& record = *job.record;
    job.channels = IsStereoFormat(format) ? 2 : 1;
    if (level < 0 || level > 500) ShowInfoBox("normalize");
    job.level = level;
    if (rate == 0) rate = static_cast<int>(std::min<std::uint32_t>(job.wave.sampleRate, 1 << 30));
    if (job.wave.bitsPerSample != 16) {
        ShowInfoBox("対応していないビット数です。");
        return false;
    }
    if (job.wave.sampleRate < kLowestSourceRate || job.wave.sampleRate > kHighestSourceRate) {
        std::string why = "its sample rate is ";
        why += std::to_string(job.wave.sampleRate);
        why += " Hz; recordings of ";
        why += std::to_string(kLowestSourceRate);
        why += " to ";
        why += std::to_string(kHighestSourceRate);
        why += " Hz are taken";
        ShowRecordingRefusal(path_, why);
        return false;
    }
    const char* flagText = RateFlagText(rate);
    if (flagText == nullptr) {
        ShowInfoBox(kRateList);
        return false;
    }
    if (!RingVoiceRateFlag(record, rate)) {
        ShowInfoBox(std::string(flagText) + record.codeName);
        return false;
    }
    if (rate == 32000 && job.channels == 2) {
        ShowInfoBox("samplerate 32kはモノラルのみ");
        return false;
    }
    job.codec = record.codec;
    job.rate = job.declaredRate = rate;
    if (job.codec == 3 && rate == 4000) {
        // G.726 at 16 kbit/s on 8000 Hz samples, named 4000 Hz in the file.
        job.codec = 4;
        job.rate = 8000;
    }
    return true;
}

// Channels, rate and level of the samples to encode.
bool WavToMldConverter::PrepareSamples(Job& job) {
    WaveFormatRecord& w = job.wave;
    if (w.channels == 0) {
        ShowInfoBox(kNotPcm);
        return false;
    }
    if (w.channels > 2) {
        std::string why = "it has ";
        why += std::to_string(w.channels);
        why += " channels; mono or stereo recordings are taken";
        ShowRecordingRefusal(path_, why);
        return false;
    }
    if (w.channels == 1 && job.channels == 2) {
        if (std::uint64_t(job.pcm.size()) * 4 > kMaxWorkingPcmBytes) {
            ShowInfoBox("no memory");
            return false;
        }
        job.pcm = ring_voice::DuplicateToStereo(job.pcm);
    } else if (w.channels == 2 && job.channels == 1) {
        ring_voice::MixToMono(job.pcm);
    }
    w.channels = static_cast<std::uint16_t>(job.channels);
    job.pcm.resize(job.pcm.size() - job.pcm.size() % job.channels);
    if (w.sampleRate != static_cast<std::uint32_t>(job.rate)) {
        std::uint64_t frames = ring_voice::ResampledFrames(job.pcm.size() / job.channels,
                                                           w.sampleRate, job.rate);
        if (frames * job.channels * 2 > kMaxWorkingPcmBytes) {
            ShowInfoBox("no memory");
            return false;
        }
        job.pcm = ring_voice::Resample(job.pcm, job.channels, w.sampleRate, job.rate);
    }
    // The rate words follow the samples, whatever the file said of them.
    w.sampleRate = static_cast<std::uint32_t>(job.rate);
    w.blockAlign = static_cast<std::uint16_t>(2 * job.channels);
    w.byteRate = w.sampleRate * w.blockAlign;
    ring_voice::Normalize(job.pcm, job.level);
    return true;
}

namespace {

// Encodes one channel into out (resized to what the codec writes).
bool EncodeChannel(int codec, std::span<const std::int16_t> pcm, std::vector<std::uint8_t>& out) {
    // Every codec writes at most 4 + count / 2 bytes.
    out.assign(pcm.size() / 2 + 8, 0);
    int n = adpcm::Encode(codec, pcm.data(), static_cast<int>(pcm.size()), out.data());
    if (n < 0) return false;
    out.resize(static_cast<std::size_t>(n));
    return true;
}

}  // namespace

// Encodes the samples with the record's codec, one buffer per channel, and
// takes the voice's length first.
bool WavToMldConverter::EncodeVoice(Job& job) {
    WaveFormatRecord& w = job.wave;
    const std::uint64_t dataSize = std::uint64_t(job.pcm.size()) * 2;
    job.duration = static_cast<std::uint32_t>(dataSize * 200 / w.byteRate);
    job.ticks = dataSize * 128 / w.byteRate;
    if (job.channels == 1) {
        if (!EncodeChannel(job.codec, job.pcm, job.encoded)) {
            ShowInfoBox(kBuildFailedText);
            return false;
        }
        // The handset maker's scheme counts data size / 4 from its 4 zero bytes.
        const std::size_t size = job.codec == 4 ? dataSize / 8 : dataSize / 4;
        job.encoded.resize(std::min(job.encoded.size(), size));
        job.leftBytes = job.encoded.size();
        if (job.codec == 4) {
            w.sampleRate = 4000;
            w.byteRate = 8000;
        }
    } else {
        const std::size_t frames = job.pcm.size() / 2;
        std::vector<std::int16_t> channel(frames);
        std::vector<std::uint8_t> right;
        for (std::size_t i = 0; i < frames; ++i) channel[i] = job.pcm[2 * i + 1];
        leftSize_ = rightSize_ = frames * 2;
        bool ok = EncodeChannel(job.codec, channel, right);
        for (std::size_t i = 0; i < frames; ++i) channel[i] = job.pcm[2 * i];
        std::vector<std::int16_t>().swap(job.pcm);
        ok = ok && EncodeChannel(job.codec, channel, job.encoded);
        if (!ok) {
            ShowInfoBox(kBuildFailedText);
            return false;
        }
        job.leftBytes = job.encoded.size();
        job.rightBytes = right.size();
        for (std::uint8_t b : right) job.encoded.push_back(b);
    }
    w.byteRate /= 4;
    job.adpcmByteRate = w.byteRate;
    if (job.encoded.size() > sizeLimit_) {
        ShowInfoBox(kSizeLimitText);
        job.sizeWarned = true;
    }
    return true;
}

// The image in the record's layout.
bool WavToMldConverter::BuildImage(Job& job) {
    std::string title = title_;
    if (title.empty()) ExtractFileName(title, outputPath_);
    VoiceImageInput in;
    in.format = job.record->index;
    in.rate = static_cast<int>(job.wave.sampleRate);
    in.title = title;
    std::span<const std::uint8_t> all = job.encoded;
    in.left = all.first(job.leftBytes);
    in.right = all.subspan(job.leftBytes);
    in.duration = job.duration;
    in.ticks = job.ticks;
    in.adpcmByteRate = job.adpcmByteRate;
    if (job.record->mldVoiceLayout) {
        in.left = all;  // a two-channel voice: left then right, as one block
        CMldVoice voice;
        if (!voice.Build(in)) {
            ShowInfoBox(kBuildFailedText);
            return false;
        }
        image_ = voice.TakeImage();
        return true;
    }
    LayoutStatus status = job.channels == 2 ? BuildTwoChannelImage(in, image_)
                                            : BuildOneChannelImage(in, image_);
    switch (status) {
    case LayoutStatus::kOk: return true;
    case LayoutStatus::kCut:
        if (!job.sizeWarned) ShowInfoBox(kSizeLimitText);
        return true;
    case LayoutStatus::kStereo4000: ShowInfoBox("4000Hz Stereoの変換は出来ません。"); break;
    case LayoutStatus::kUnsupportedRate: ShowInfoBox("未対応レート"); break;
    }
    image_.clear();
    ShowInfoBox(kBuildFailedText);
    return false;
}

// ---- Sample steps ----

namespace ring_voice {

std::vector<std::int16_t> DuplicateToStereo(std::span<const std::int16_t> mono) {
    std::vector<std::int16_t> out(mono.size() * 2);
    for (std::size_t i = 0; i < mono.size(); ++i) out[2 * i] = out[2 * i + 1] = mono[i];
    return out;
}

void MixToMono(std::vector<std::int16_t>& stereo) {
    const std::size_t frames = stereo.size() / 2;
    for (std::size_t i = 0; i < frames; ++i)
        stereo[i] = static_cast<std::int16_t>((stereo[2 * i] + stereo[2 * i + 1]) / 2);
    stereo.resize(frames);
    stereo.shrink_to_fit();
}

std::uint64_t ResampledFrames(std::uint64_t frames, std::uint32_t fromRate, std::uint32_t toRate) {
    if (fromRate == 0) return 0;
    return std::uint64_t(toRate) * 1000 / fromRate * frames / 1000;
}

std::vector<std::int16_t> Resample(std::span<const std::int16_t> samples, int channels,
                                   std::uint32_t fromRate, std::uint32_t toRate) {
    if (channels <= 0 || fromRate == 0 || toRate == 0) return {};
    const std::size_t ch = static_cast<std::size_t>(channels);
    const std::uint64_t frames = samples.size() / ch;
    const std::uint64_t outFrames = ResampledFrames(frames, fromRate, toRate);
    const std::uint64_t step = std::uint64_t(fromRate) * 1000 / toRate;
    std::vector<std::int16_t> out(outFrames * ch);
    for (std::uint64_t i = 0; i < outFrames; ++i) {
        const std::uint64_t p = i * step;
        const std::uint64_t k = std::min<std::uint64_t>(p / 1000, frames - 1);
        const std::int64_t f = static_cast<std::int64_t>(p % 1000);
        for (std::size_t c = 0; c < ch; ++c) {
            const std::int64_t a = samples[k * ch + c];
            const std::int64_t b = k + 1 < frames ? samples[(k + 1) * ch + c] : a;
            out[i * ch + c] = static_cast<std::int16_t>(a + (b - a) * f / 1000);
        }
    }
    return out;
}

void Normalize(std::span<std::int16_t> samples, int level) {
    if (level == 0) return;
    int peak = 0;
    for (std::int16_t s : samples)
        if (s != -32768) peak = std::max(peak, s < 0 ? -s : int(s));
    if (peak == 0) return;
    const double gain = (3276700.0 / level) / peak;
    for (std::int16_t& s : samples) {
        double v = std::trunc(s * gain);
        s = static_cast<std::int16_t>(std::clamp(v, -32768.0, 32767.0));
    }
}

}  // namespace ring_voice
