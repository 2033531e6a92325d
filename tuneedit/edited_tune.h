// EditedTune: the tune being edited, a format-1 song in notes-with-length
// form with a table of chord sections read from the markers of its first
// track. A section runs from one marker to the next; the marker text names
// the chord and its parsed four-letter code is kept beside it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/reporters.h"
#include "midi/f1_data.h"

constexpr ErrorCode kTooManyChordsError = 0xFF010168;     // "Number of chords are too many!"
constexpr ErrorCode kMarkersAtSamePointError = 0xFF0101D8;  // "There are some markers at the same point!"
// A code with no text of its own: the catch-all text of ShowErrorMessage.
constexpr ErrorCode kTuneCheckError = 0xFF010000;

// Ticks per quarter note of every edited tune.
constexpr int kEditDivision = 96;
// The tune's end is rounded up to this many ticks.
constexpr int kEditEndRounding = 48;

// The flat root letter of a text starting with a sharp name ("A#" -> 'b',
// "C#" -> 'd', "D#" -> 'e', "E#" -> 'F', "F#" -> 'g', "G#" -> 'a'); 'C' for
// anything else.
char SharpRootToFlatLetter(std::string_view text);
// Reads a chord name into a four-letter chord code. Names of the program's
// own forms ("C7", "CM7", "Caug 7", "C onE", "CmonG") give the code they
// spell; false when the text holds an extension that is not a seventh.
bool ParseChordNameText(std::string_view text, char code[4]);

class EditedTune : public MidiF1Data {
public:
    static constexpr int kMaxSections = 511;
    static constexpr int kSectionSlots = 512;
    static constexpr int kTextSize = 16;
    using SectionText = std::array<char, kTextSize>;

    // Reads a format-1 image; a tune with tracks is rescaled to 96 ticks per
    // quarter and gets its section table. Notes whose note-off falls on the
    // tick of their note-on are kept, with length 1.
    EditedTune(int length, const std::uint8_t* image);

    // ---- Section table ----
    int SectionCount() const { return sectionCount_; }
    // Start tick of section i; SectionStart(SectionCount()) is the tune's end.
    int SectionStart(int i) const;
    int SectionEnd(int i) const { return SectionStart(i + 1); }
    std::string_view MarkerText(int i) const;
    // The four letters of section i's code (empty when out of range).
    std::string_view SectionCode(int i) const;
    // Rebuilds the table from the markers of track 0; 0 when a marker did not
    // parse (the markers are then deleted and no section is left).
    int BuildSectionTable();
    // Parses marker text i into section code i; 0 when refused.
    int ParseChordName(int i);
    // Appends a section of the given marker text and code after the last
    // one (its end is the new end of the tune). 0 when the table is full.
    int AppendSection(std::string_view text, std::string_view code, int end);
    // The code of section i replaced (the marker is left alone).
    void SetSectionCode(int i, std::string_view code);

    // ---- Channel queries (track 0 is the conductor track) ----
    int ChannelOfTrack(int track) const;
    int FindTrackByChannel(int channel) const;
    // The first track on the channel that is a delay track the program
    // wrote (marked by its fine tuning, IsDelayTrack); -1 when none. A part
    // of the tune on the channel is never one.
    int FindDelayTrack(int channel) const;
    // True when the channel's delay track holds notes.
    bool HasDelayTrack(int channel) const;
    // The program of a channel: 256 when none, -1 when bank select or a part
    // system exclusive message drives it.
    short GetChannelProgram(int channel) const;

    // ---- Edits ----
    void SetChannelVolume(int channel, int value);
    void SetChannelProgram(int channel, int program);
    // Index of a new empty track (notes with length, end of track).
    int AddTrack();
    // The n-th marker of track 0 gets the text; 0 when there is none.
    int SetMarkerText(std::string_view text, int n);

    // ---- Notes of one track (tune_edits.cpp) ----
    // Index of the last note starting before the tick; 0 when none.
    int LastNoteBefore(int track, long long tick) const;
    // Walking the track, the index of the last note met up to and including
    // the first event whose predecessor's time has reached the tick; 0 when
    // none.
    int NoteIndexAtOrBefore(int track, long long tick) const;
    // Of the notes starting together, the first stays and the others go.
    void KeepFirstNoteOfChords(int track);
    // Every note of the track starting in [start, end) raised onto a tone of
    // the code's chord.
    void SnapSectionNotes(long long start, long long end, std::string_view code, int track);
    // The same over section's ticks for every track on the channel.
    void SnapChannelToChord(int section, int channel);
    // The sections (this one included) of the same code and length whose
    // notes on the track equal this section's (controls aside); their
    // number.
    int FindSameSections(int track, int section, std::vector<int>& out) const;
    // TuneScaleMask from the tune's notes (drums left out): the seven most
    // used pitch classes get '9', the other five '3'.
    void BuildScaleMaskFromTune() const;

    // ---- Checks: each fault is reported; their number ----
    int CheckNoteKeys() const;
    int CheckTracks() const;

    // Writes the tune to path and reads it back (notes with length again).
    // 0 when the file could not be written, after a box.
    int SaveAndReload(const std::string& path);

private:
    void SetSectionText(int i, std::string_view text);

    int sectionCount_ = 0;
    std::array<SectionText, kSectionSlots> markerTexts_{};
    std::array<SectionText, kSectionSlots> sectionCodes_{};
    std::array<int, kSectionSlots + 1> sectionStarts_{};
};
