#include "core/settings.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <mutex>
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

namespace {

// Every field but the folders, at its default.
void FillDefaultValues(AppSettingsRecord& s) {
    s.ComposeOutputType = kDefaultComposeOutputType;
    s.StartAt2ndBar = 1;
    s.WriteChords = 1;
    s.SaveGeneratedStyles = 1;
    s.UseOriginalMelody = 1;
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

// The folders of the run that their fields cannot hold, by FolderKind.
struct KeptFolders {
    std::mutex mutex;
    std::string path[3];
};

KeptFolders& Kept() {
    static KeptFolders kept;
    return kept;
}

char* FolderField(AppSettingsRecord& s, FolderKind kind) {
    switch (kind) {
        case FolderKind::Style: return s.StyleFolder;
        case FolderKind::Output: return s.OutputFolder;
        case FolderKind::Work: break;
    }
    return s.WorkFolder;
}

constexpr FolderKind kFolderKinds[] = {FolderKind::Style, FolderKind::Output, FolderKind::Work};
constexpr std::size_t kFolderFieldSize = sizeof AppSettingsRecord::StyleFolder;

}  // namespace

std::string DefaultFolder(FolderKind kind) {
    std::string folder =
        kind == FolderKind::Work ? platform::TemporaryDirectory() : platform::ProgramDirectory();
    if (folder.empty() || folder.back() != platform::kPathSeparator)
        folder += platform::kPathSeparator;
    return folder;
}

std::string FolderSetting(FolderKind kind) {
    const char* field = FolderField(AppSettings, kind);
    const std::size_t length = strnlen(field, kFolderFieldSize);
    if (length > 0) return std::string(field, length);
    KeptFolders& kept = Kept();
    std::lock_guard<std::mutex> lock(kept.mutex);
    return kept.path[static_cast<int>(kind)];
}

bool SetFolderSetting(FolderKind kind, const std::string& folder) {
    std::string path = folder;
    if (path.empty() || path.back() != platform::kPathSeparator) path += platform::kPathSeparator;
    const bool fits = path.size() < kFolderFieldSize;
    char* field = FolderField(AppSettings, kind);
    std::memset(field, 0, kFolderFieldSize);
    if (fits) std::memcpy(field, path.data(), path.size());
    KeptFolders& kept = Kept();
    std::lock_guard<std::mutex> lock(kept.mutex);
    kept.path[static_cast<int>(kind)] = fits ? std::string() : path;
    return fits;
}

void InitDefaultSettings() {
    FillDefaultValues(AppSettings);
    for (FolderKind kind : kFolderKinds)
        SetFolderSetting(kind, DefaultFolder(kind));
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
    int error = 0;
    if (!platform::ReplaceFileContents(SettingsFilePath(), image, sizeof image, &error)) {
        ShowErrorMessage(kProfileError, platform::FileErrorText(SettingsFilePath(), error));
        written = 0;
    }
    if (SettingsSavedHook hook = g_savedHook.load()) hook();
    return written;
}

namespace {

// The range of each number of the record; one outside it gets its default.
struct NumberRange {
    std::int32_t AppSettingsRecord::*field;
    int lo;
    int hi;
};

constexpr int kMaxInt = std::numeric_limits<std::int32_t>::max();

constexpr NumberRange kNumberRanges[] = {
    {&AppSettingsRecord::ComposeOutputType, 0, kOutputTypeCount - 1},
    {&AppSettingsRecord::StartAt2ndBar, 0, 1},
    {&AppSettingsRecord::WriteChords, 0, 1},
    {&AppSettingsRecord::SaveGeneratedStyles, 0, 1},
    {&AppSettingsRecord::UseOriginalMelody, 0, 1},
    {&AppSettingsRecord::SettingsDialogValue, kTuneLengthMinimum, kTuneLengthMaximum},
    {&AppSettingsRecord::DontPlay, 0, 1},
    {&AppSettingsRecord::AdjustVoice, 0, 1},
    {&AppSettingsRecord::PopupGuide, 0, 1},
    {&AppSettingsRecord::TuneNumber, 0, 99},
    {&AppSettingsRecord::SoundGenerator, 0, 1},
    {&AppSettingsRecord::UseLoopMarker, 0, 1},
    {&AppSettingsRecord::ShowCopyright, 0, 1},
    {&AppSettingsRecord::RingtoneSizeLimit, 1, kMaxInt},  // bytes; no index
    {&AppSettingsRecord::FormatFilterIndex, 1, kSaveFilterCount},
    {&AppSettingsRecord::StyleFilterIndex, 1, kSaveFilterCount},
    {&AppSettingsRecord::SaveToOutputFolder, 0, 1},
    {&AppSettingsRecord::TimerStartHour, 0, 23},
    {&AppSettingsRecord::TimerStartMinute, 0, 59},
    {&AppSettingsRecord::TimerStopHour, 0, 23},
    {&AppSettingsRecord::TimerStopMinute, 0, 59},
    {&AppSettingsRecord::TimerEnabled, 0, 1},
    {&AppSettingsRecord::ConvertPitchbend, 0, 1},
    {&AppSettingsRecord::UseGroupInstruments, 0, 1},
    {&AppSettingsRecord::WatermarkEnabled, 0, 1},
    {&AppSettingsRecord::PackDrum, 0, 1},
    {&AppSettingsRecord::OmitSameTone, 0, 1},
    {&AppSettingsRecord::EnhanceRhythm, 0, 1},
    {&AppSettingsRecord::Fit16Channels, 0, 1},
    {&AppSettingsRecord::LargeFont, 0, 1},
    {&AppSettingsRecord::TerminalIndex, 0, kTerminalCount - 1},
};

// The numbers and the five texts.
constexpr int kRecordFieldCount = static_cast<int>(std::size(kNumberRanges)) + 5;

// A text without its terminator gets the default's text.
template <std::size_t N>
bool TextOrDefault(char (&field)[N], const char (&fallback)[N]) {
    if (std::memchr(field, '\0', N) != nullptr) return false;
    std::memcpy(field, fallback, N);
    return true;
}

bool SelectionValid(const std::int32_t* table) {
    return std::all_of(table, table + kStyleSelectionCount,
                       [](std::int32_t v) { return v == 0 || v == 1; });
}

}  // namespace

int SanitizeSettings(AppSettingsRecord& s) {
    AppSettingsRecord defaults{};
    FillDefaultValues(defaults);
    int changed = 0;
    for (char* folder : {s.StyleFolder, s.OutputFolder, s.WorkFolder}) {
        if (std::memchr(folder, '\0', kFolderFieldSize) != nullptr) continue;
        std::memset(folder, 0, kFolderFieldSize);
        ++changed;
    }
    changed += TextOrDefault(s.UserName, defaults.UserName);
    changed += TextOrDefault(s.WatermarkText, defaults.WatermarkText);
    for (const NumberRange& range : kNumberRanges) {
        std::int32_t& value = s.*range.field;
        if (value >= range.lo && value <= range.hi) continue;
        value = defaults.*range.field;
        ++changed;
    }
    return changed;
}

SettingsLoadResult LoadSettingsFileFrom(const std::string& path, int* resetFields) {
    int reset = 0;
    if (resetFields) *resetFields = 0;
    // A folder of that name opens on this system but is no settings file;
    // nor is a pipe, which would block the open.
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
        if (resetFields) *resetFields = kRecordFieldCount;
        return SettingsLoadResult::TooShort;
    }
    reset += SanitizeSettings(record);
    AppSettings = record;
    // An empty folder is one the file could not hold: its default again.
    for (FolderKind kind : kFolderKinds) {
        const std::string folder(FolderField(AppSettings, kind));
        SetFolderSetting(kind, folder.empty() ? DefaultFolder(kind) : folder);
    }

    std::int32_t convert[kStyleSelectionCount];
    std::int32_t compose[kStyleSelectionCount];
    SettingsLoadResult result = SettingsLoadResult::Complete;
    if (std::fread(convert, 1, sizeof convert, f.get()) != sizeof convert ||
        std::fread(compose, 1, sizeof compose, f.get()) != sizeof compose) {
        ResetStyleSelections();
        result = SettingsLoadResult::SettingsOnly;
        ++reset;
    } else if (!SelectionValid(convert) || !SelectionValid(compose)) {
        ResetStyleSelections();
        ++reset;
    } else {
        std::memcpy(ConvertStyleSelection, convert, sizeof convert);
        std::memcpy(ComposeStyleSelection, compose, sizeof compose);
    }
    if (resetFields) *resetFields = reset;
    return result;
}

SettingsLoadResult LoadSettingsFile(int* resetFields) {
    return LoadSettingsFileFrom(SettingsFilePath(), resetFields);
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
