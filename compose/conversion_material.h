// A user's MIDI file as the material of a style conversion: choosing and
// loading it into a material slot (its channel roles confirmed and a bar
// range chosen in the channel-role dialog), and, for each tune of a
// conversion run, turning the slot's file into the melody and obbligato note
// lists and the harmony structure the composer reads.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "compose/chord_analyzer.h"
#include "compose/note_list.h"
#include "compose/tune_structure.h"
#include "core/reporters.h"

class MidiF0Data;
class MidiTrackData;
namespace platform::ui {
class Window;
}

constexpr ErrorCode kNoMelodySelected = 0xFF01004Cu;       // "No melody track is selected!"
constexpr ErrorCode kNoHarmonySelected = 0xFF01004Du;      // "No harmony track is selected!"
constexpr ErrorCode kMelodyOnlyOne = 0xFF01004Eu;          // "Melody track is only one!"
constexpr ErrorCode kNoNotesToConvert = 0xFF010129u;       // "There are no notes for style convert."
constexpr ErrorCode kMidiFormatError = 0xFF01016Cu;        // "Error in MIDI format!"
constexpr ErrorCode kTuneStructureHeld = 0xFF0101A7u;      // "Error occuerd in tune structure!"
constexpr ErrorCode kConversionMemoryError = 0xFF0101B6u;  // "Can not allocate memory for conversion!"
constexpr ErrorCode kConversionNoteLength = 0xFF0101B7u;   // "The length of note is invalid..."
constexpr ErrorCode kConversionNoteOctave = 0xFF0101B8u;   // "The octave of note in invalid..."
constexpr ErrorCode kMaterialOpenError = 0xFF010101u;      // "File Open Error!"

// Ticks of one 4/4 bar at 96 ticks per quarter note: the longest entry a
// converted note list holds.
constexpr int kConvertedBarTicks = 384;

// The bar range chosen for a material: the first bar (from 0) and the bar
// count.
struct MaterialRange {
    int startBar = 0;
    int barCount = 0;
};

// The analysis of the material being loaded or converted; none when idle.
extern std::unique_ptr<TuneStructure> CurrentTuneStructure;

// The state of the conversion in hand, with one reset.
struct ConversionMaterialState {
    int anySlot = 0;    // 1 when some material slot holds a path
    int lastSlot = -1;  // the slot of the previous tune
    MaterialRange range;
    TuneKeyInfo key;
    std::string inputPath;  // the material file of the tune in hand
    void Reset() { *this = ConversionMaterialState{}; }
};
extern ConversionMaterialState ConversionMaterial;

// 1 while a conversion loads or composes its material; set for its run by
// ComposeInMidiStyle (and while the channel-role dialog runs).
extern std::atomic<int> ConversionRunning;
// A conversion run for a sequenced handset format: the melody ornaments with
// lead-in notes write plain notes then.
bool RingtoneConversionRunning();

// ---- The channel-role dialog, as a service the application installs ----

class ChannelRoleDialogService {
public:
    virtual ~ChannelRoleDialogService() = default;
    // Shows the dialog modally on the song for the structure; 1 on OK with
    // the roles in the structure and the range filled, else 0.
    virtual int Run(MidiF0Data& song, TuneStructure& structure, MaterialRange& range) = 0;
    // The same over the window that asked for the load (none: the desktop).
    virtual int RunOver(platform::ui::Window* owner, MidiF0Data& song, TuneStructure& structure,
                        MaterialRange& range) {
        (void)owner;
        return Run(song, structure, range);
    }
};
// Without an installed dialog every material is refused (cancelled).
class NoChannelRoleDialog : public ChannelRoleDialogService {
public:
    int Run(MidiF0Data&, TuneStructure&, MaterialRange&) override { return 0; }
};
std::shared_ptr<ChannelRoleDialogService> SetChannelRoleDialog(
    std::shared_ptr<ChannelRoleDialogService> dialog);
std::shared_ptr<ChannelRoleDialogService> GetChannelRoleDialog();

// ---- What the dialog decides, apart from its controls ----

constexpr int kRoleComboEntries = 7;
// "Not used", "Undefined", "Melody", "Harmony", "Bass", "Drums", "Obbligato".
extern const char* const kRoleComboTexts[kRoleComboEntries];
// A structure role as its combo entry (an unknown role shows "Undefined").
int RoleToComboEntry(int role);
// A combo entry as a structure role ("Not used", "Undefined" and anything
// else 0).
int ComboEntryToRole(int entry);
// OK's checks over the 16 chosen roles: 0 when they can be converted, else
// the code to show. usedChannels counts the channels with notes.
ErrorCode CheckChannelRoleChoice(std::span<const int, 16> roles, int usedChannels);
// The start and end bars (from 1) the dialog opens with: for a handset
// format the 16-bar window after the bar of the first note, else the whole
// tune; both within 1..barCount.
std::array<int, 2> InitialBarWindow(bool ringtone, long long ticksBeforeFirstNote, int division,
                                    int barCount);
// The range of OK from the two fields, each kept to 1..barCount and the end
// not before the start.
MaterialRange RangeFromFields(int start, int end, int barCount);

// ---- Loading a material ----

// Asks for a ".mid" file into the slot's path; 0 when cancelled.
int SelectMidiMaterialFile(int slot, std::string& path);
// Reads, parses, analyses the file and runs the dialog (over owner, when
// given); on success the slot takes path, roles, used flags and range (and
// only then). 1 on success.
int LoadMidiMaterial(const std::string& path, int slot, platform::ui::Window* owner = nullptr);
// Slot 0 from the path, or from the chooser when the path is empty.
int LoadConversionMaterial(const std::string& path);
// LoadConversionMaterial, then the any-slot flag; 1 when a material is there.
int SelectConversionMaterial(const std::string& path);
// An SMF image of format 0 or 1 as one format-0 song (notes with length),
// its tempo and key into the conversion's key. 0 after "Error in MIDI
// format!" for any other image.
int ParseMidiMaterial(std::unique_ptr<MidiF0Data>& song, std::span<const std::uint8_t> image);
// Analyses the song into CurrentTuneStructure, checks it and runs the dialog.
// 1 when the dialog ended with OK; range receives its choice.
int RunChannelRoleDialog(MidiF0Data& song, MaterialRange& range,
                         platform::ui::Window* owner = nullptr);
// 1 when a used channel has a role other than Drums, else the box and 0.
int CheckMaterialChannels(const TuneStructure& structure);

// ---- Building a tune from it ----

// The notes of a monophonic track (notes with length at division ticks a
// quarter) as note-list entries at 96 ticks a quarter: rests of pitch 0
// between notes, nothing longer than a 4/4 bar. Times are scaled as absolute
// times so the notes never drift from the chords.
void TrackToNoteList(const MidiTrackData& track, int division, NoteList& out);
// The melody and obbligato lists and the harmony structure of the working
// style from the song (merged, notes with length) and its cell names; the
// melody and obbligato end where the packed chords end.
void BuildConversionMaterial(const MidiF0Data& song, std::span<const ChordNameEntry> names,
                             int nameCount, int cellLength);
// Reads the current material file, analyses its chords and builds the
// material. 1 when a tune can be built from it.
int PrepareConversionTune();
// The convert-mode step before each tune: picks a slot (never the previous
// one, but for the tenth counted draw), takes its analysis and prepares its
// tune. False when no tune can be built: no slot, no structure, or a file
// that fails.
bool PickConversionInput();
// A conversion of the file to outputType: makes it the material and runs the
// compose worker once on this thread, composing for that type. Refused (0)
// while a worker runs.
int ComposeInMidiStyle(const std::string& path, int outputType);
