// "Note Range": a part's highest (32..127) and lowest (25..100) note, which
// must lie at least 7 semitones apart; or "Value Setting": one value 0..127.
#pragma once

#include "app/value_dialog.h"

constexpr int kNoteLowEdit = 2112;
constexpr int kNoteHighEdit = 2113;
constexpr int kNoteLowSpin = 2114;
constexpr int kNoteHighSpin = 2115;
constexpr int kNoteLowCaption = 2110;
constexpr int kNoteHighCaption = 2111;
constexpr int kSmallestNoteRange = 7;

class NoteRangeSelection : public ValueDialog {
public:
    explicit NoteRangeSelection(platform::ui::Window* parent = nullptr);

    int partIndex = 1;
    int singleValue = 0;  // 1: one value
    int value = 0;
    int highestNote = 0;  // in and out in note-range mode
    int lowestNote = 0;

protected:
    std::string Title() const override;
    void BuildControls(platform::ui::Window& window) override;
    bool Accept() override;

private:
    platform::ui::Control* low_ = nullptr;
    platform::ui::Control* high_ = nullptr;
};
