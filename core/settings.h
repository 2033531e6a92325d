// The user's settings: the one AppSettings record, the two style-selection
// tables, and the settings file "zaw.ini" that holds all three. The file is
// the raw image of the record followed by the tables (little-endian, no
// header), so the record's layout is fixed byte for byte.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/output_formats.h"

// ---- The settings record ----

// Every field sits at its file offset; the static_asserts below pin them.
// Text fields are NUL-terminated inside their arrays (the loader enforces it).
struct AppSettingsRecord {
    // Sound-module type of composed tunes: 0 XG, 1 GS, 2 GM Standard MIDI
    // File. Read by the presets and the drum-kit choice; 0 makes
    // AdjustWorkingStyleMix adapt the working style before each tune.
    std::int32_t ComposeOutputType;  // 0, default 2
    // One bar of lead-in before the parts, and every mix controller is sent
    // even at its default 64.
    std::int32_t StartAt2ndBar;        // 4, default 1
    std::int32_t WriteChords;          // 8, default 1: chord markers in the header track
    std::int32_t SaveGeneratedStyles;  // 12, default 1: random styles saved as style files
    std::int32_t UseOriginalMelody;    // 16, default 1: style conversion keeps the melody
    char StyleFolder[256];             // 20, default program folder + "/"
    char OutputFolder[256];            // 276, default program folder + "/"
    char WorkFolder[256];              // 532, default the system's temporary folder + "/"
    std::int32_t SettingsDialogValue;  // 788, default 24 (kept for the settings dialogs)
    std::int32_t DontPlay;             // 792, default 0: 1 = composed tunes are not played
    std::int32_t AdjustVoice;          // 796, default 0
    std::int32_t PopupGuide;           // 800, default 1
    std::int32_t TuneNumber;           // 804, default 0, 0..99
    std::int32_t SoundGenerator;       // 808, default 1: chord names as XG/GS display texts
    std::int32_t UseLoopMarker;        // 812, default 0
    std::int32_t ShowCopyright;        // 816, default 0
    char UserName[256];                // 820, default "ZAW User" (author name)
    std::int32_t RingtoneSizeLimit;    // 1076, default 18000 bytes
    std::int32_t FormatFilterIndex;    // 1080, default 1 (save-dialog filter, 1..13)
    std::int32_t StyleFilterIndex;     // 1084, default 2 (save-dialog filter, 1..13)
    std::int32_t SaveToOutputFolder;   // 1088, default 0
    std::int32_t TimerStartHour;       // 1092, default 0
    std::int32_t TimerStartMinute;     // 1096, default 0
    std::int32_t TimerStopHour;        // 1100, default 0
    std::int32_t TimerStopMinute;      // 1104, default 0
    std::int32_t TimerEnabled;         // 1108, default 0
    std::int32_t ConvertPitchbend;     // 1112, default 0: pitch-bend pre-pass before conversion
    // "Use Group Inst.": 1 = the built-in presets use instrument-group codes
    // for some voices.
    std::int32_t UseGroupInstruments;  // 1116, default 1
    std::int32_t WatermarkEnabled;     // 1120, default 0
    char WatermarkText[256];           // 1124, default empty
    std::int32_t PackDrum;             // 1380, default 1
    std::int32_t OmitSameTone;         // 1384, default 1
    std::int32_t EnhanceRhythm;        // 1388, default 1
    std::int32_t Fit16Channels;        // 1392, default 1: 16-channel pre-pass
    std::int32_t LargeFont;            // 1396, default 0
    std::int32_t TerminalIndex;        // 1400, default 0, a row of the 52-entry terminal table
};

static_assert(sizeof(AppSettingsRecord) == 1404);
static_assert(offsetof(AppSettingsRecord, ComposeOutputType) == 0);
static_assert(offsetof(AppSettingsRecord, StartAt2ndBar) == 4);
static_assert(offsetof(AppSettingsRecord, WriteChords) == 8);
static_assert(offsetof(AppSettingsRecord, SaveGeneratedStyles) == 12);
static_assert(offsetof(AppSettingsRecord, UseOriginalMelody) == 16);
static_assert(offsetof(AppSettingsRecord, StyleFolder) == 20);
static_assert(offsetof(AppSettingsRecord, OutputFolder) == 276);
static_assert(offsetof(AppSettingsRecord, WorkFolder) == 532);
static_assert(offsetof(AppSettingsRecord, SettingsDialogValue) == 788);
static_assert(offsetof(AppSettingsRecord, DontPlay) == 792);
static_assert(offsetof(AppSettingsRecord, AdjustVoice) == 796);
static_assert(offsetof(AppSettingsRecord, PopupGuide) == 800);
static_assert(offsetof(AppSettingsRecord, TuneNumber) == 804);
static_assert(offsetof(AppSettingsRecord, SoundGenerator) == 808);
static_assert(offsetof(AppSettingsRecord, UseLoopMarker) == 812);
static_assert(offsetof(AppSettingsRecord, ShowCopyright) == 816);
static_assert(offsetof(AppSettingsRecord, UserName) == 820);
static_assert(offsetof(AppSettingsRecord, RingtoneSizeLimit) == 1076);
static_assert(offsetof(AppSettingsRecord, FormatFilterIndex) == 1080);
static_assert(offsetof(AppSettingsRecord, StyleFilterIndex) == 1084);
static_assert(offsetof(AppSettingsRecord, SaveToOutputFolder) == 1088);
static_assert(offsetof(AppSettingsRecord, TimerStartHour) == 1092);
static_assert(offsetof(AppSettingsRecord, TimerStartMinute) == 1096);
static_assert(offsetof(AppSettingsRecord, TimerStopHour) == 1100);
static_assert(offsetof(AppSettingsRecord, TimerStopMinute) == 1104);
static_assert(offsetof(AppSettingsRecord, TimerEnabled) == 1108);
static_assert(offsetof(AppSettingsRecord, ConvertPitchbend) == 1112);
static_assert(offsetof(AppSettingsRecord, UseGroupInstruments) == 1116);
static_assert(offsetof(AppSettingsRecord, WatermarkEnabled) == 1120);
static_assert(offsetof(AppSettingsRecord, WatermarkText) == 1124);
static_assert(offsetof(AppSettingsRecord, PackDrum) == 1380);
static_assert(offsetof(AppSettingsRecord, OmitSameTone) == 1384);
static_assert(offsetof(AppSettingsRecord, EnhanceRhythm) == 1388);
static_assert(offsetof(AppSettingsRecord, Fit16Channels) == 1392);
static_assert(offsetof(AppSettingsRecord, LargeFont) == 1396);
static_assert(offsetof(AppSettingsRecord, TerminalIndex) == 1400);

// The program's one settings record.
extern AppSettingsRecord AppSettings;

// ---- Style selections ----

constexpr int kStyleCategories = 9;
constexpr int kStyleSlots = 24;
constexpr int kStyleSelectionCount = kStyleCategories * kStyleSlots;  // 216

// Index category * 24 + slot; 1 = selected. The first entry of the convert
// table set selects file-format conversion rather than style conversion.
extern std::int32_t ConvertStyleSelection[kStyleSelectionCount];
// 1 = the style is in the compose rotation.
extern std::int32_t ComposeStyleSelection[kStyleSelectionCount];

// Entries equal to 1 in the compose selection (compose mode) or the convert
// selection (convert mode); 0 in any other mode.
int CountSelectedStyles();

// Both tables to 0.
void ClearStyleSelections();
// The convert table to 0; the compose table is left as it is.
void ClearConvertStyleSelection();
// Clears both tables, then selects category 0 slot 0 for conversion and
// category 0 slots 1, 8, 20 and category 5 slot 8 for composing.
void ResetStyleSelections();

// ---- Defaults and the settings file ----

constexpr const char* kSettingsFileName = "zaw.ini";
constexpr std::size_t kSettingsFileSize =
    sizeof(AppSettingsRecord) + 2 * sizeof(ConvertStyleSelection);  // 3132
static_assert(kSettingsFileSize == 3132);

// Default values of the fields that index tables or form names.
constexpr int kDefaultComposeOutputType = kGmSmfType;
constexpr int kDefaultFormatFilterIndex = 1;
constexpr int kDefaultStyleFilterIndex = 2;
constexpr int kTerminalCount = 52;
// The save dialog's filter list has 13 entries, numbered from 1.
constexpr int kSaveFilterCount = 13;

// Fills AppSettings with the defaults: folders from the program folder and
// the system's temporary folder, the author name "ZAW User".
void InitDefaultSettings();

// ---- The three folders ----

enum class FolderKind { Style, Output, Work };

// A folder longer than its field (255 bytes and the terminator) is kept in
// full for the run while its field stays empty; the file then holds the empty
// field, which the next start reads as the folder's default.
// The folder in use: the field's text, else the folder kept for the run.
std::string FolderSetting(FolderKind kind);
// Sets a folder, "/" added when missing. False when it is too long for the
// settings file: it is then kept for this run only.
bool SetFolderSetting(FolderKind kind, const std::string& folder);
// The program folder, or the system's temporary folder for the work folder;
// ends in "/".
std::string DefaultFolder(FolderKind kind);

// Full path of "zaw.ini" in the program folder.
std::string SettingsFilePath();

// Writes the record and both tables (convert, then compose) to "zaw.ini" in
// the program folder. The image goes to a temporary file beside it that then
// replaces the old one, so an interrupted write never leaves a cut file.
// A file that cannot be written shows "pro file error!" (0xFF010013) with
// its path and the system's reason; the
// settings in memory stay as they are. Returns 1 when written, else 0.
// Afterwards the settings-saved hook runs (whether or not the write worked).
int SaveSettingsFile();

// Called at the end of every SaveSettingsFile: the composer installs the
// clearing of its chord records here. Null = nothing to do.
using SettingsSavedHook = void (*)();
void SetSettingsSavedHook(SettingsSavedHook hook);

// How much of the settings file LoadSettingsFile could use.
enum class SettingsLoadResult {
    Missing,       // no file: the settings in memory are untouched
    TooShort,      // under 1404 bytes: defaults (InitDefaultSettings) again
    SettingsOnly,  // the record was read; a selection table was short, both reset
    Complete,      // the record and both tables were read
};

// Reads "zaw.ini" from the program folder over the settings in memory (the
// caller sets the defaults first). A short record restores the defaults, a
// short selection table resets both tables. The record is taken field by
// field: an unterminated text or a number outside its range gets its
// default, an empty folder the folder's default; selection tables holding
// anything but 0 and 1 are reset. resetFields (if given) gets the number of
// fields and tables put back; the caller tells the user.
SettingsLoadResult LoadSettingsFile(int* resetFields = nullptr);
// The same from a given file.
SettingsLoadResult LoadSettingsFileFrom(const std::string& path, int* resetFields = nullptr);

// Puts each unterminated text and each number outside its range back to its
// default; an unterminated folder is emptied (the loader gives it its
// default). Returns the number of fields it changed.
int SanitizeSettings(AppSettingsRecord& settings);

// Range of the tune length kept in SettingsDialogValue.
constexpr int kTuneLengthMinimum = 16;
constexpr int kTuneLengthMaximum = 96;

// ---- Stop request of the panel ----

// Shared flags of the panel and the compose worker.
extern std::atomic<int> ComposeStopRequest;
extern std::atomic<int> StopPending;
// 1 edit, 2 compose, 3 convert; 2 at start.
extern std::atomic<int> PanelMode;

constexpr int kPanelModeEdit = 1;
constexpr int kPanelModeCompose = 2;
constexpr int kPanelModeConvert = 3;

// In edit or convert mode shows "You can not stop while the conversion is in
// progress!" (0xFF01013D); otherwise sets ComposeStopRequest and StopPending
// and sleeps 100 ms.
void RequestStop();

// ---- Instrument names ----

constexpr int kInstrumentNameCount = 152;
// Names of instrument codes 0..151: the GM programs, the special sounds and
// the instrument groups (136..144).
extern std::array<const char*, kInstrumentNameCount> InstrumentNameTable;
// Fills InstrumentNameTable (done at start-up).
void FillInstrumentNames();
