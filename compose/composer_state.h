// The composer's run-long state: what the melody rhythm, the table-driven
// note choice and the part effects carry from one note, chord or tune to the
// next. Nothing of it is saved; ResetComposerState gives the state of a fresh
// run, so that a reset right after SeedRandomWith makes what follows
// reproducible.
#pragma once

#include <array>

// A rhythm template: note lengths read one per note from a read index that
// wraps at 128 slots. A generator writes the first slots and leaves the rest.
struct RhythmTemplateSlots {
    static constexpr int kSlots = 128;
    // Slots a template generator writes at most.
    static constexpr int kWrittenSlots = 32;
    // Every slot holds a playable length from the start.
    static constexpr int kDefaultLength = 96;

    std::array<int, kSlots> slot{};
    int readIndex = 0;

    void Fill(int length) { slot.fill(length); }
    // The slot at the read index, which then moves on.
    int Next() {
        int length = slot[static_cast<unsigned>(readIndex) % kSlots];
        readIndex = (readIndex + 1) % kSlots;
        return length;
    }
};

struct ComposerState {
    // ---- Melody rhythm ----
    RhythmTemplateSlots RhythmTemplate;          // note-length style 9
    RhythmTemplateSlots BufferedRhythmTemplate;  // note-length style 8
    // The chord length and "Basic Beat" the buffered template was made for
    // (0 and -1: not made yet).
    int bufferedChordLength = 0;
    int bufferedBasicBeat = -1;
    int RhythmFigure = 0;           // figure kind of style 7 for the phrase
    int TripletRun = 0;             // notes of a 64-tick run so far, 0 = none
    bool SixteenthPending = false;  // a second 16-tick note is due

    // ---- Table-driven note choice ----
    int NoteChoiceCount = 0;         // notes since the last forced rest
    bool NoteChoicePending = false;  // the last pitch weighed below 8
    bool NoteChoiceRun = false;      // a rising figure is under way

    // ---- Melody pitch generation ----
    int MelodyDirection = 1;  // algorithm 6, +1 or -1
    int WalkDirection = 1;    // the free walk of algorithm 2
    int FirstNoteDraw = 5;    // the last first-note draw of algorithm 6
    int ChoosePosition = -1;  // position of the last algorithm-6 call
    bool PreviousWasChordTone = false;
    bool NegativeWeightReported = false;
    std::array<int, 500> StepSequence{};
    int StepPosition = 0;
    int SecondVoicePitch = 0;  // remembered pitch of voicing 2, 0 = none
    int SecondVoiceUses = 0;
    bool VariedToZero = false;  // the last varied pitch was 0
    bool BluesRunning = false;  // ornament 3's figure is under way

    // ---- Melody special effect ----
    bool specialEffectAsked = false;    // the question was put this run
    bool specialEffectRefused = false;  // and answered with Cancel

    // ---- The run's output ----
    // The output type chosen as the run started, handed in by whoever starts
    // it: the sound module of the tune (0 XG, 1 GS, anything else GM), the
    // conversion a composed tune is delivered through, and whether a style
    // conversion writes for a handset synthesiser.
    int outputType = 0;
};

extern ComposerState TheComposerState;

// Back to the state of a fresh run: both templates 96 in every slot, read
// indexes 0, counters and flags clear; the chord generator back on the
// tonic "CMPS" with no key-change points and no measured length. The output
// type stays as it was handed in.
void ResetComposerState();
