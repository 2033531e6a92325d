// The melody structure editor without its window: the ten setting rows of
// one melodic part (1 Melody or 4 Obbligato) of a style, what each row
// shows, what its minus and plus step and what its caption chooses. The
// choosers run through a host; every change is written into the style at
// once.
#pragma once

#include <array>
#include <span>
#include <string>
#include <vector>

#include "core/reporters.h"
#include "style/music_style.h"
#include "styleedit/choice_row.h"
#include "styleedit/instrument_choice.h"

constexpr ErrorCode kInvalidChannelError = 0xFF0101A8;  // "Invalid Channel!"
constexpr ErrorCode kHeavyEffectNotice = 0xFF010200;    // needs a fast CPU and sound generator
constexpr ErrorCode kTuneCutError = 0xFF010150;         // "Tune length is too long, ..."
constexpr ErrorCode kTuneCutNotice = 0xFF010202;        // the same text as information

// Regions: 0 OK, 1..10 the rows' captions, 11..20 their minus, 21..30 their
// plus.
constexpr int kMelodyRegionCount = 31;
constexpr int kMelodyRowCount = 10;
constexpr int kMelodyOk = 0;
constexpr int kMelodyFirstMinus = 11;
constexpr int kMelodyFirstPlus = 21;
enum MelodyRow : int {
    kRowInstrument = 1,
    kRowVoicing,
    kRowAlgorithm,
    kRowEffect,
    kRowLowest,
    kRowHighest,
    kRowRhythm,
    kRowDisonant,
    kRowTension,
    kRowRestRate,
};

// Voices the instrument stepper moves through (the melodic codes the
// instrument chooser offers).
constexpr int kLastSteppedVoice = 151;
// The heavy effects cut longer tunes to this many bars.
constexpr int kHeavyEffectBars = 30;
constexpr int kLowestNoteFloor = 25;
constexpr int kLowestNoteCeiling = 100;
constexpr int kHighestNoteCeiling = 127;
constexpr int kAlgorithmMelodyTable = 6;
constexpr int kAlgorithmDirectional = 2;

// The rows' choices, in their choosers' order.
namespace melody_rows {
extern const ChoiceRow kVoicing;
extern const ChoiceRow kAlgorithm;
extern const ChoiceRow kMelodyRepeat;
extern const ChoiceRow kEffect;
extern const ChoiceRow kOrnament;
extern const ChoiceRow kNoteLength;
extern const ChoiceRow kSyncopation;
extern const ChoiceRow kRhythmRepeat;
extern const ChoiceRow kDissonance;
extern const ChoiceRow kTension;
// Densities of the rest classes 1..8, named by the rest levels.
extern const ChoiceRow kRestRate;
}  // namespace melody_rows

// One list of a chooser: its caption, its texts and the position selected
// (in: the current one, out: the chosen one; a position outside the list
// opens on the first entry).
struct ListChoice {
    std::string caption;
    std::vector<std::string> texts;
    int selection = 0;
};

// The dialogs the rows open. Each answers in place; a chooser left as it
// opened answers what it was given.
class MelodyStructureHost {
public:
    virtual ~MelodyStructureHost() = default;
    // The melodic instrument chooser over the voice: the voice it gives.
    virtual int ChooseInstrument(int voice) = 0;
    // The voicing list with the "Octave" check box.
    virtual void ChooseVoicing(ListChoice& voicing, int& octave) = 0;
    // A picker of one or two lists under the caption.
    virtual void ChooseFromPicker(const std::string& caption, std::span<ListChoice> lists) = 0;
    // Two or three captioned lists under the title.
    virtual void ChooseFromListBoxes(const std::string& title, std::span<ListChoice> lists) = 0;
    // The part's highest and lowest note.
    virtual void ChooseNoteRange(int part, int& highest, int& lowest) = 0;
    // The algorithm strength.
    virtual int ChooseStrength(int strength) = 0;
    // The melody table of the style.
    virtual void EditMelodyTable() = 0;
};

// The algorithm and melody repeat of the part from a two-list picker; then
// the melody table for "Melody Table", the strength for "Directional".
void ChooseMelodyAlgorithm(MusicStyle& style, int part, MelodyStructureHost& host);

class MelodyStructure {
public:
    // part: 1 or 4; any other part edits nothing and its instrument text
    // reports "Invalid Channel!".
    MelodyStructure(MusicStyle& style, int part, MelodyStructureHost& host);

    bool ValidPart() const;
    // Every row's text refreshed with a step of 0, which brings a stored
    // value its row does not hold to the row's rule.
    void RefreshAll();
    // The action of region 1..30; OK and anything else do nothing.
    void Press(int region);

    static const char* Caption(int row);
    // The blanks between a row's caption and its value text.
    static int Spacer(int row);
    const std::string& ValueText(int row) const;

private:
    MelodySettings& Settings();
    void Step(int row, int step);
    void StepVoice(int step);
    void Choose(int row);
    void ChooseEffect();
    void ChooseRhythm();
    void ChooseOneList(int row);
    void CutForHeavyEffect();
    void Refresh(int row);
    std::string Text(int row);

    MusicStyle& style_;
    int part_;
    MelodyStructureHost& host_;
    std::array<std::string, kMelodyRowCount + 1> texts_;
};

// The regions drawn pressed along with a pressed region: a press on
// "Lowest", "Highest", "Disonant" or "Tension" shows the row's minus and
// plus pressed too.
std::vector<int> RegionsPressedWith(int region);
