#include "style/style_file.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

#include "core/reporters.h"
#include "core/settings.h"
#include "core/utilities.h"
#include "style/style_check.h"
#include "style/style_table.h"
#include "style/style_text.h"

namespace {

constexpr ErrorCode kCantSaveParameters = 0xFF010044;
constexpr ErrorCode kChangeFolderSetting = 0xFF010153;
constexpr ErrorCode kAlgorithmCorrected = 0xFF010164;
constexpr ErrorCode kLoadingFailed = 0xFF0101A3;
constexpr ErrorCode kCantLoadOldStyle = 0xFF0101A6;

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Settings named in one correction message at most; the rest are counted.
constexpr std::size_t kNamedCorrections = 6;

// The file as messages name it: its name in quotes, or "The style file".
std::string FileLabel(std::string_view name) {
    if (name.empty()) return "The style file";
    std::string label = "\"";
    return label.append(name).append("\"");
}

void ReportNotAStyle(std::string_view name, const std::string& why) {
    ShowErrorBox(FileLabel(name) + " can not be loaded: " + why + ".");
}

// One message for every setting a loaded record had out of its range.
void ReportCorrections(std::string_view name, const std::vector<std::string>& changed) {
    if (changed.empty()) return;
    std::string list;
    for (std::size_t i = 0; i < changed.size() && i < kNamedCorrections; ++i)
        list += (i ? ", " : "") + changed[i];
    if (changed.size() > kNamedCorrections)
        list += " and " + std::to_string(changed.size() - kNamedCorrections) + " more";
    ShowInfoBox(FileLabel(name) +
                " was loaded, but these settings held values they do not allow "
                "and were reset: " +
                list + ".");
}

// The format version an image holds before any reader stamps it: the older
// 13104- and 21488-byte layouts keep it at 96, the others where it is now.
std::int32_t StoredVersion(const std::uint8_t* bytes, std::size_t used) {
    const bool shortHeader = used <= kOldStyleSize13104 || used == kOldStyleSize21488;
    const std::size_t at = shortHeader ? 96 : offsetof(MusicStyle, version);
    return static_cast<std::int32_t>(ReadLittleEndian32(bytes + at));
}

std::string FileName(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

bool IsTextPath(const std::string& path) {
    std::string extension;
    GetLowerExtension(path, extension);
    return extension == "txt";
}

std::uint8_t* BytesOf(MusicStyle& style) {
    return reinterpret_cast<std::uint8_t*>(&style);
}

// Hands the finished record to the target in one copy.
void StoreLoaded(MusicStyle& target, const MusicStyle& loaded) {
    std::lock_guard<std::recursive_mutex> lock(StyleRecordMutex());
    target = loaded;
}

// ---- Finishing a loaded record ----

// Rest level of the older records to the density that replaced it.
int RestLevelDensity(int level) {
    switch (level) {
        case 1:
            return 160;
        case 2:
            return 140;
        case 3:
            return 120;
        case 5:
            return 80;
        case 6:
            return 60;
        case 7:
            return 40;
        case 8:
            return 20;
        default:
            return 100;
    }
}

// The parts whose voices the version upgrade of voice codes touches.
constexpr int kUpgradedVoices[] = {kPartMelody, kPartObbligato, kPartHarmony,    kPartSubHarmony,
                                   kPartBass,   kPartDrum,      kPartEnvironment};
// The eight parts of a style in the order the older records list them.
constexpr int kOldPartOrder[] = {kPartMelody, kPartObbligato, kPartHarmony, kPartSubHarmony,
                                 kPartBass,   kPartDrum,      kPartSubDrum, kPartEnvironment};

// Titles, the upgrades of older format versions and the repairs every
// loaded record gets, by the version stored in it.
void FinishLoadedStyle(MusicStyle& style) {
    const int version = style.version;
    std::memcpy(style.displayTitle, style.title, kDisplayTitleSize);

    MelodySettings& melody = style.melody[kPartMelody];
    if (version < 640) {
        switch (melody.noteLength) {
            case 1:
            case 4:
            case 5:
            case 6:
            case 9:
                melody.syncopation = 1;
                break;
            case 2:
            case 3:
            case 7:
            case 8:
                melody.syncopation = 0;
                break;
            default:
                break;
        }
    }
    if (style.subMelodyMethod < 6 || version < 642) style.subMelodyMethod = 6;
    if (style.harmonyPattern == 28) style.harmonyPattern = 1;
    if (style.subHarmonyPattern == 28) style.subHarmonyPattern = 1;
    if (melody.ornament == 7) {
        melody.algorithm = 7;
        melody.effect = 17;
    }
    if (version < 670) {
        for (int part : kUpgradedVoices) {
            int& voice = style.voice[part];
            if (voice == 138) {
                voice = kVoiceNotUsed;
            } else if (voice >= 134 && voice != kVoiceNotUsed) {
                voice = 2;
            }
        }
    }
    if (version <= 757) {
        for (int part : kOldPartOrder)
            style.density[part] = 100;
    }
    // Whatever the file held, the chord list ends inside its area.
    constexpr std::size_t kEndMark = kMaxHarmonyStructureEntries * sizeof(HarmonyStructureEntry);
    style.harmonyStructure[kEndMark] = 0;
    style.harmonyStructure[kEndMark + 1] = 0;
}

// ---- Older binary layouts ----

// The bytes of an older record in a zero-filled buffer of its full size, so
// a short file reads as zeros beyond its end.
class OldImage {
public:
    OldImage(const std::uint8_t* bytes, std::size_t size, std::size_t layoutSize)
        : bytes_(layoutSize, 0) {
        std::memcpy(bytes_.data(), bytes, std::min(size, layoutSize));
    }

    std::int32_t Int(std::size_t offset) const {
        const std::uint8_t* b = bytes_.data() + offset;
        return static_cast<std::int32_t>(std::uint32_t{b[0]} | (std::uint32_t{b[1]} << 8) |
                                         (std::uint32_t{b[2]} << 16) | (std::uint32_t{b[3]} << 24));
    }
    std::uint8_t Byte(std::size_t offset) const { return bytes_[offset]; }
    void Copy(void* field, std::size_t offset, std::size_t count) const {
        std::memcpy(field, bytes_.data() + offset, count);
    }

private:
    std::vector<std::uint8_t> bytes_;
};

// An old pitch limit is stored 12 lower.
std::int32_t RaisedLimit(std::int32_t stored) {
    return std::min(stored, INT_MAX - 12) + 12;
}

// Current layout up to byte 21723, with the Melody part's melody settings in
// the header area.
void LoadOldStyle21724(MusicStyle& style, const std::uint8_t* bytes, std::size_t size) {
    OldImage old(bytes, size, kOldStyleSize21724);
    InitMusicStyle(style);
    std::uint8_t* record = BytesOf(style);
    // Everything up to the header area and from 772 on sits where it sits now;
    // inside the area only the fields that kept their place are taken.
    old.Copy(record, 0, 712);
    for (std::size_t offset : {724u, 732u, 756u, 760u, 764u})
        old.Copy(record + offset, offset, 4);
    old.Copy(record + 772, 772, kOldStyleSize21724 - 772);

    MelodySettings& melody = style.melody[kPartMelody];
    melody.dissonance = old.Int(712);
    melody.noteLength = old.Int(716);
    melody.syncopation = old.Int(720);
    melody.ornament = old.Int(728);
    melody.voicing = old.Int(736);
    style.density[kPartMelody] = RestLevelDensity(old.Int(740));
    melody.upperLimit = old.Int(744);
    melody.lowerLimit = old.Int(748);
    melody.algorithm = old.Int(752);
    if (melody.algorithm == 0) {
        melody.algorithm = 1;
        ShowErrorMessage(kAlgorithmCorrected);
    }
    melody.tension = old.Int(768);

    for (int part : kOldPartOrder) {
        if (style.voice[part] == 138) style.voice[part] = kVoiceNotUsed;
    }
    style.version = StyleFormatVersion;
}

// One run of old mix bytes: byte `mixByte` of the listed parts.
struct OldMixRun {
    std::size_t offset;
    int mixByte;
    int count;
    int parts[8];
};
constexpr OldMixRun kOldMixRuns[] = {
    {32, 0, 8, {1, 6, 4, 3, 7, 2, 5, 9}},  // volume
    {40, 1, 8, {3, 1, 6, 7, 2, 4, 5, 9}},  // chorus
    {48, 2, 8, {3, 6, 7, 1, 2, 4, 5, 9}},  // reverb
    {56, 3, 6, {4, 1, 2, 3, 9, 5}},        // brightness
    {62, 4, 6, {3, 2, 1, 4, 5, 9}},        // attack
    {68, 5, 6, {3, 2, 1, 4, 5, 9}},        // decay
    {74, 6, 6, {3, 2, 1, 4, 5, 9}},        // release
    {80, 7, 6, {3, 2, 1, 4, 5, 9}},        // resonance
    {86, 9, 6, {1, 3, 2, 4, 5, 9}},        // delay
};

std::uint8_t& MixByte(MusicStyle& style, int part, int byte) {
    return reinterpret_cast<std::uint8_t*>(&style.mix[part])[byte];
}

// The first 972 bytes, which the 13104- and 21488-byte layouts share.
void ReadOldHeader(MusicStyle& style, const OldImage& old, bool hasSubHarmonyDelay) {
    for (int i = 0; i < 8; ++i)
        style.voice[kOldPartOrder[i]] = old.Int(4 * i);

    for (const OldMixRun& run : kOldMixRuns) {
        for (int i = 0; i < run.count; ++i)
            MixByte(style, run.parts[i], run.mixByte) = old.Byte(run.offset + i);
    }
    if (hasSubHarmonyDelay) MixByte(style, kPartSubHarmony, 9) = old.Byte(92);
    MixByte(style, kPartEnvironment, 9) = old.Byte(93);
    MixByte(style, kPartMelody, 8) = old.Byte(94);

    // Version, flag, display title, tune length and stored title (368..439).
    old.Copy(BytesOf(style) + offsetof(MusicStyle, version), 96, 72);
    old.Copy(style.description, 168, kDescriptionSize);
    style.timeSignature = old.Int(424);
    style.tempo = old.Int(428);
    style.key = old.Int(432);
    style.scale = old.Int(436);

    MelodySettings& melody = style.melody[kPartMelody];
    melody.dissonance = old.Int(440);
    melody.noteLength = old.Int(444);
    melody.syncopation = old.Int(448);
    style.basicBeat = old.Int(452);
    melody.ornament = old.Int(456);
    melody.voicing = old.Int(460);
    style.density[kPartMelody] = RestLevelDensity(old.Int(464));
    melody.upperLimit = RaisedLimit(old.Int(468));
    melody.lowerLimit = RaisedLimit(old.Int(472));
    melody.algorithm = old.Int(476);
    style.adjustToChordTone = old.Int(480);
    style.chordGenerationMethod = old.Int(484);
    style.transpose = old.Int(488);
    melody.tension = old.Int(492);
    style.octave[kPartMelody] = old.Int(496);
    style.octave[kPartHarmony] = old.Int(500);
    style.octave[kPartSubHarmony] = old.Int(504);
    style.octave[kPartBass] = old.Int(508);
    style.fixedBass = old.Int(512);
    old.Copy(style.riff, 516, kRiffBytes);
    style.onChord = old.Int(612);
    old.Copy(style.scaleNotes, 616, sizeof style.scaleNotes);
    style.mtAdjustF = old.Int(636);
    style.mtAdjustL = old.Int(640);
    style.mtAdjustE = old.Int(644);
    style.mtNoCnt = old.Int(648);
    for (int i = 0; i < 8; ++i) {
        style.melodyTableInterval[i] = old.Int(652 + 4 * i);
        style.melodyTableDirection[i] = old.Int(684 + 4 * i);
    }
    old.Copy(style.knowledgeBase, 716, kKnowledgeBaseNameSize);
    old.Copy(style.resolutionKnowledgeBase, 844, kKnowledgeBaseNameSize);
}

// Block settings, the 11-int table, the ten pattern ints from imitation of
// phrase on, six Sub Harmony mix bytes and the harmony structure, which both
// layouts keep in this order after their grids.
void ReadOldTail(MusicStyle& style, const OldImage& old, std::size_t start) {
    style.chordsInBlock = old.Int(start);
    style.blockLength = old.Int(start + 4);
    old.Copy(style.table17544, start + 8, sizeof style.table17544);
    old.Copy(BytesOf(style) + offsetof(MusicStyle, imitationOfPhrase), start + 52, 40);
    static constexpr int kSubHarmonyBytes[6] = {3, 4, 5, 6, 7, 9};
    for (int i = 0; i < 6; ++i)
        MixByte(style, kPartSubHarmony, kSubHarmonyBytes[i]) = old.Byte(start + 92 + i);
    old.Copy(style.harmonyStructure, start + 98, kHarmonyStructureBytes);
}

void LoadOldStyle21488(MusicStyle& style, const std::uint8_t* bytes, std::size_t size) {
    OldImage old(bytes, size, kOldStyleSize21488);
    InitMusicStyle(style);
    ReadOldHeader(style, old, false);
    old.Copy(&style.customHarmony, 972, sizeof style.customHarmony);
    ReadOldTail(style, old, 17276);
    style.version = StyleFormatVersion;
}

// The step grids of this layout are kept in an older arrangement that is not
// converted: the style keeps the default grids of a fresh record.
void LoadOldStyle13104(MusicStyle& style, const std::uint8_t* bytes, std::size_t size) {
    OldImage old(bytes, size, kOldStyleSize13104);
    InitMusicStyle(style);
    ReadOldHeader(style, old, true);
    ReadOldTail(style, old, 8908);
    style.version = StyleFormatVersion;
}

// ---- Saving ----

void ReportSaveFailure() {
    ShowErrorMessage(kCantSaveParameters);
    ShowErrorMessage(kChangeFolderSetting);
}

// Writes the record in the form the name asks for; false when the file
// cannot be created or written.
bool WriteStyle(MusicStyle& style, const std::string& path) {
    FilePtr file(std::fopen(path.c_str(), "wb"));
    if (!file) return false;
    std::memcpy(style.title, style.displayTitle, kDisplayTitleSize);
    style.version = StyleFormatVersion;
    std::string text;
    const void* data = &style;
    std::size_t length = sizeof style;
    if (IsTextPath(path)) {
        length = WriteStyleText(style, text);
        data = text.data();
    }
    bool written = std::fwrite(data, 1, length, file.get()) == length;
    return std::fclose(file.release()) == 0 && written;
}

std::atomic<bool> g_folderSaveReported{false};

}  // namespace

int LoadStyleImage(MusicStyle& target, const std::uint8_t* bytes, std::size_t size,
                   std::string_view name) {
    std::size_t used = std::min(size, kMusicStyleSize);
    // Fewer bytes than the oldest layout's record are no style of any age.
    if (used < kOldStyleSize8964) {
        std::string why = "a style file holds at least ";
        why += std::to_string(kOldStyleSize8964);
        why += " bytes, this one ";
        why += std::to_string(used);
        ReportNotAStyle(name, why);
        return kStyleRefused;
    }
    bool refused =
        used <= kOldStyleSize8964 || (used > kOldStyleSize21724 && used < kMusicStyleSize);
    if (refused) {
        ShowErrorMessage(kCantLoadOldStyle);
        return kStyleRefused;
    }
    // Every style this program or its forerunners wrote carries a format
    // version up to the current one; other bytes are no style.
    const std::int32_t version = StoredVersion(bytes, used);
    if (!kStyleVersionRange.Allows(version)) {
        ReportNotAStyle(name,
                        "it is not a style file (format version " + std::to_string(version) + ")");
        return kStyleRefused;
    }
    auto loaded = std::make_unique<MusicStyle>();
    if (used == kMusicStyleSize) {
        std::memcpy(loaded.get(), bytes, kMusicStyleSize);
    } else if (used <= kOldStyleSize13104) {
        LoadOldStyle13104(*loaded, bytes, used);
    } else if (used == kOldStyleSize21488) {
        LoadOldStyle21488(*loaded, bytes, used);
    } else {
        LoadOldStyle21724(*loaded, bytes, used);
    }
    FinishLoadedStyle(*loaded);
    ReportCorrections(name, CorrectStyleFields(*loaded));
    StoreLoaded(target, *loaded);
    return kStyleLoaded;
}

int LoadStyleFile(MusicStyle& target, const std::string& path) {
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) return kStyleCantOpen;

    if (!IsTextPath(path)) {
        std::vector<std::uint8_t> bytes(kMusicStyleSize, 0);
        std::size_t size = std::fread(bytes.data(), 1, bytes.size(), file.get());
        if (std::ferror(file.get())) return kStyleCantOpen;  // a folder, say
        return LoadStyleImage(target, bytes.data(), size, FileName(path));
    }

    std::vector<std::uint8_t> text(kStyleTextFileCapacity, 0);
    std::size_t length = std::fread(text.data(), 1, text.size(), file.get());
    if (std::ferror(file.get())) return kStyleCantOpen;
    // A text that does not fit is refused rather than applied in part.
    if (length == text.size() && std::fgetc(file.get()) != EOF) {
        ShowGeneralError(gene::kDataTooLarge);
        return kStyleRefused;
    }
    file.reset();
    // A text whose first entry names no setting is not a style text; it is
    // refused before any of its entries is reported.
    if (!StyleTextHasSettings(text.data(), length)) {
        ReportNotAStyle(FileName(path), "it holds no style settings");
        return kStyleRefused;
    }
    auto loaded = std::make_unique<MusicStyle>();
    {
        std::lock_guard<std::recursive_mutex> lock(StyleRecordMutex());
        *loaded = target;
    }
    ReadStyleText(text.data(), length, *loaded);
    FinishLoadedStyle(*loaded);
    ReportCorrections(FileName(path), CorrectStyleFields(*loaded));
    StoreLoaded(target, *loaded);
    return kStyleLoaded;
}

int SaveStyleFile(MusicStyle style, const std::string& path) {
    if (WriteStyle(style, path)) return 0;
    ReportSaveFailure();
    return 1;
}

int SaveStyleToFolder(const MusicStyle& style, const std::string& fileName) {
    auto copy = std::make_unique<MusicStyle>(style);
    std::string path = FolderSetting(FolderKind::Style) + fileName;
    if (WriteStyle(*copy, path)) return 0;
    if (!g_folderSaveReported.exchange(true)) ReportSaveFailure();
    return 1;
}

void ResetStyleFolderSaveReport() {
    g_folderSaveReported = false;
}

bool OpenStyleFileDialog(MusicStyle& target) {
    std::string path;
    int filterIndex = 1;
    if (!ChooseFile("dat", "Style files|*.dat|Text files|*.txt|", path, "", &filterIndex,
                    FolderSetting(FolderKind::Style))) {
        return false;
    }
    // A refused file was reported by the loader; only one that could not be
    // read gets the general message.
    const int result = LoadStyleFile(target, path);
    if (result == kStyleCantOpen) ShowErrorMessage(kLoadingFailed);
    return result == kStyleLoaded;
}
