#include "core/settings.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <type_traits>

#include "core/reporters.h"
#include "platform/clock.h"
#include "platform/paths.h"

static_assert(std::is_trivially_copyable_v<AppSettingsRecord>);
static_assert(sizeof(ConvertStyleSelection) == 864);
static_assert(sizeof(ComposeStyleSelection) == 864);
// The file is the in-memory image; it is defined little-endian.
static_assert(std::endian::native == std::endian::little);

AppSettingsRecord AppSettings{};
std::int32_t ConvertStyleSelection[kStyleSelectionCount]{};
std::int32_t ComposeStyleSelection[kStyleSelectionCount]{};

std::atomic<int> ComposeStopRequest{0};
std::atomic<int> StopPending{0};
std::atomic<int> PanelMode{kPanelModeCompose};

namespace {

constexpr ErrorCode kProfileError = 0xFF010013u;
constexpr ErrorCode kCantStopWhileConverting = 0xFF01013Du;

std::atomic<SettingsSavedHook> g_savedHook{nullptr};

// Copies text into a fixed field, zero-filling the rest; a longer text is cut
// so the field always ends with a terminator.
template <std::size_t N>
void SetText(char (&field)[N], const std::string& text) {
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(text.size(), N - 1));
}

template <std::size_t N>
bool Terminate(char (&field)[N]) {
    if (std::memchr(field, '\0', N) != nullptr) return false;
    field[N - 1] = '\0';
    return true;
}

bool ClampToDefault(std::int32_t& value, int lo, int hi, int fallback) {
    if (value >= lo && value <= hi) return false;
    value = fallback;
    return true;
}

bool ClampInto(std::int32_t& value, int lo, int hi) {
    if (value >= lo && value <= hi) return false;
    value = value < lo ? lo : hi;
    return true;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

void ClearStyleSelections() {
    std::fill(std::begin(ConvertStyleSelection), std::end(ConvertStyleSelection), 0);
    std::fill(std::begin(ComposeStyleSelection), std::end(ComposeStyleSelection), 0);
}

void ClearConvertStyleSelection() {
    std::fill(std::begin(ConvertStyleSelection), std::end(ConvertStyleSelection), 0);
}

void ResetStyleSelections() {
    ClearStyleSelections();
    ConvertStyleSelection[0 * kStyleSlots + 0] = 1;
    ComposeStyleSelection[0 * kStyleSlots + 1] = 1;
    ComposeStyleSelection[0 * kStyleSlots + 8] = 1;
    ComposeStyleSelection[0 * kStyleSlots + 20] = 1;
    ComposeStyleSelection[5 * kStyleSlots + 8] = 1;
}

void InitDefaultSettings() {
    AppSettingsRecord& s = AppSettings;
    std::string programFolder = platform::ProgramDirectory();
    if (programFolder.empty() || programFolder.back() != platform::kPathSeparator)
        programFolder += platform::kPathSeparator;

    s.ComposeOutputType = kDefaultComposeOutputType;
    s.StartAt2ndBar = 1;
    s.WriteChords = 1;
    s.SaveGeneratedStyles = 1;
    s.UseOriginalMelody = 1;
    SetText(s.StyleFolder, programFolder);
    SetText(s.OutputFolder, programFolder);
    SetText(s.WorkFolder, platform::TemporaryDirectory());
    s.SettingsDialogValue = 24;
    s.DontPlay = 0;
    s.AdjustVoice = 0;
    s.PopupGuide = 1;
    s.TuneNumber = 0;
    s.SoundGenerator = 1;
    s.UseLoopMarker = 0;
    s.ShowCopyright = 0;
    SetText(s.UserName, "ZAW User");
    s.RingtoneSizeLimit = 18000;
    s.FormatFilterIndex = kDefaultFormatFilterIndex;
    s.StyleFilterIndex = kDefaultStyleFilterIndex;
    s.SaveToOutputFolder = 0;
    s.TimerStartHour = 0;
    s.TimerStartMinute = 0;
    s.TimerStopHour = 0;
    s.TimerStopMinute = 0;
    s.TimerEnabled = 0;
    s.ConvertPitchbend = 0;
    s.UseGroupInstruments = 1;
    s.WatermarkEnabled = 0;
    SetText(s.WatermarkText, "");
    s.PackDrum = 1;
    s.OmitSameTone = 1;
    s.EnhanceRhythm = 1;
    s.Fit16Channels = 1;
    s.LargeFont = 0;
    s.TerminalIndex = 0;
}

std::string SettingsFilePath() {
    return platform::JoinPath(platform::ProgramDirectory(), kSettingsFileName);
}

void SetSettingsSavedHook(SettingsSavedHook hook) {
    g_savedHook.store(hook);
}

int SaveSettingsFile() {
    std::uint8_t image[kSettingsFileSize];
    std::uint8_t* p = image;
    std::memcpy(p, &AppSettings, sizeof AppSettings);
    p += sizeof AppSettings;
    std::memcpy(p, ConvertStyleSelection, sizeof ConvertStyleSelection);
    p += sizeof ConvertStyleSelection;
    std::memcpy(p, ComposeStyleSelection, sizeof ComposeStyleSelection);

    int written = 1;
    if (!platform::ReplaceFileContents(SettingsFilePath(), image, sizeof image)) {
        ShowErrorMessage(kProfileError);
        written = 0;
    }
    if (SettingsSavedHook hook = g_savedHook.load()) hook();
    return written;
}

int SanitizeSettings(AppSettingsRecord& s) {
    int changed = 0;
    changed += Terminate(s.StyleFolder);
    changed += Terminate(s.OutputFolder);
    changed += Terminate(s.WorkFolder);
    changed += Terminate(s.UserName);
    changed += Terminate(s.WatermarkText);
    changed += ClampToDefault(s.ComposeOutputType, 0, kLastOutputType, kDefaultComposeOutputType);
    changed += ClampToDefault(s.TuneNumber, 0, 99, 0);
    changed += ClampToDefault(s.TerminalIndex, 0, kTerminalCount - 1, 0);
    changed += ClampToDefault(s.FormatFilterIndex, 1, kSaveFilterCount, kDefaultFormatFilterIndex);
    changed += ClampToDefault(s.StyleFilterIndex, 1, kSaveFilterCount, kDefaultStyleFilterIndex);
    changed += ClampInto(s.TimerStartHour, 0, 23);
    changed += ClampInto(s.TimerStartMinute, 0, 59);
    changed += ClampInto(s.TimerStopHour, 0, 23);
    changed += ClampInto(s.TimerStopMinute, 0, 59);
    return changed;
}

SettingsLoadResult LoadSettingsFileFrom(const std::string& path) {
    // A folder of that name opens on this system but is no settings file.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return SettingsLoadResult::Missing;
    std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "rb"));
    if (!f) return SettingsLoadResult::Missing;

    // Each block is read into a local copy first, so a short block never
    // leaves half-overwritten settings behind.
    AppSettingsRecord record;
    if (std::fread(&record, 1, sizeof record, f.get()) != sizeof record) {
        InitDefaultSettings();
        ResetStyleSelections();
        return SettingsLoadResult::TooShort;
    }
    SanitizeSettings(record);
    AppSettings = record;

    std::int32_t convert[kStyleSelectionCount];
    std::int32_t compose[kStyleSelectionCount];
    if (std::fread(convert, 1, sizeof convert, f.get()) != sizeof convert ||
        std::fread(compose, 1, sizeof compose, f.get()) != sizeof compose) {
        ResetStyleSelections();
        return SettingsLoadResult::SettingsOnly;
    }
    std::memcpy(ConvertStyleSelection, convert, sizeof convert);
    std::memcpy(ComposeStyleSelection, compose, sizeof compose);
    return SettingsLoadResult::Complete;
}

SettingsLoadResult LoadSettingsFile() {
    return LoadSettingsFileFrom(SettingsFilePath());
}

void RequestStop() {
    int mode = PanelMode.load();
    if (mode == kPanelModeEdit || mode == kPanelModeConvert) {
        ShowErrorMessage(kCantStopWhileConverting);
        return;
    }
    ComposeStopRequest.store(1);
    StopPending.store(1);
    platform::GetClock()->SleepMilliseconds(100);
}

namespace {
constexpr std::array<const char*, kInstrumentNameCount> kInstrumentNames = {
    "Acoustic Grand Piano",
    "Bright Grand Piano",
    "Electric Grand Piano",
    "Honky-Tonk Piano",
    "Electric Piano 1",
    "Electric Piano 2",
    "Harpsichord",
    "Clav",
    "Celeste",
    "Glockenspiel",
    "Music Box",
    "Vibraphone",
    "Marimba",
    "Xylophone",
    "Tubular Bells",
    "Santur",
    "Full Organ",
    "Percussive Organ",
    "Rock Organ",
    "Church Organ",
    "Reed Organ",
    "Accordion",
    "Harmonica",
    "Bandoneon",
    "Nylon String Guitar",
    "Steel String Guitar",
    "Jazz Guitar",
    "Clean Guitar",
    "Muted Guitar",
    "Overdrive Guitar",
    "Distortion Guitar",
    "Guitar Harmonics",
    "Acoustic Bass",
    "Fingerd Electric Bass",
    "Picked Electric Bass",
    "Fretless Bass",
    "Slap Bass 1",
    "Slap Bass 2",
    "Synth Bass 1",
    "Synth Bass 2",
    "Violin",
    "Viola",
    "Cello",
    "Contrabass",
    "Tremolo Strings",
    "Pizzicato Strings",
    "Harp",
    "Timpani",
    "Ensamble Strings",
    "Slow Attack Strings",
    "Synth Strings 1",
    "Synth Strings 2",
    "Choir Aahs",
    "Choir Oohs",
    "Synth Vox",
    "Orchestra Hit",
    "Trumpet",
    "Trombone",
    "Tuba",
    "Muted Trumpet",
    "French Horn",
    "Brass",
    "Synth Brass 1",
    "Synth Brass 2",
    "Soprano Sax",
    "Alto Sax",
    "Tenor Sax",
    "Baritone Sax",
    "Oboe",
    "English Horn",
    "Bassoon",
    "Clarinet",
    "Piccolo",
    "Flute",
    "Recorder",
    "Pan Flute",
    "Bottle Blow",
    "Shakuhachi",
    "Whistle",
    "Ocarina",
    "Square Wave",
    "Saw Wave",
    "Synth Calliop",
    "Chiffer lead",
    "Charang",
    "Solo Vox",
    "Fifth Saw Wav",
    "Bass and Lea",
    "Fantasia",
    "Warm Pad",
    "Polysynth",
    "Space Voice",
    "Bowed Glass",
    "Metal Pad",
    "Halo Pad",
    "Sweep Pad",
    "Ice Rain",
    "Soundtrack",
    "Crystal",
    "Atmosphere",
    "Brightness",
    "Goblin",
    "Echo Drops",
    "Star Theme",
    "Sitar",
    "Banjo",
    "Shamisen",
    "Koto",
    "Kalimba",
    "Bagpipes",
    "Fiddle",
    "Shanai",
    "Tinkle Bell",
    "Agogo",
    "Steel Drums",
    "Woodblock",
    "Taiko",
    "Melodic Tom Tom",
    "Synth Drum",
    "Reverse Cymbal",
    "Gt.FretNoise",
    "Breath Noise",
    "Seashore",
    "Bird",
    "Telephone1",
    "Helicopter",
    "Applause",
    "Gun Shot",
    "Dog",
    "Rap Sound",
    "Stereo Gamelan",
    "Gamelan Gong",
    "Er Fu",
    "Digiridoo",
    "Undef 1",
    "Undef 2",
    "Piano Group",
    "Guitar Group",
    "Piano or Guitar",
    "Wind Group",
    "Melody Variation",
    "Hard Sound Variation",
    "Soft Sound Variation",
    "Electric Variation",
    "Acoustic Variation",
    "Undef Variation1",
    "Undef Variation2",
    "Undef Variation3",
    "Undef Variation4",
    "Undef Variation5",
    "Undef Variation6",
    "Undef Variation7",
};
}  // namespace

// Usable before start-up fills it, so no reader ever sees an empty entry.
std::array<const char*, kInstrumentNameCount> InstrumentNameTable = kInstrumentNames;

void FillInstrumentNames() {
    InstrumentNameTable = kInstrumentNames;
}

int CountSelectedStyles() {
    const std::int32_t* selection;
    switch (PanelMode.load()) {
        case kPanelModeCompose:
            selection = ComposeStyleSelection;
            break;
        case kPanelModeConvert:
            selection = ConvertStyleSelection;
            break;
        default:
            return 0;
    }
    return static_cast<int>(std::count(selection, selection + kStyleSelectionCount, 1));
}
