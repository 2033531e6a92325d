// The two small dialogs that build one new knowledge-base entry each.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "app/zaw_dialog.h"
#include "core/reporters.h"
#include "styleedit/knowledge_entry.h"

namespace platform::ui {
class Window;
}

constexpr ErrorCode kSameChordError = 0xFF010054;  // "Can't set the same chord!"
constexpr int kEntryOk = 0;
constexpr int kAdditionFirstRoot = 1401;
constexpr int kAdditionFirstType = 1402;
constexpr int kAdditionSecondRoot = 1403;
constexpr int kAdditionSecondType = 1404;
constexpr int kAdditionRateEdit = 1405;
constexpr int kAdditionRateSpin = 1406;
constexpr int kPatternRoot = 1421;
constexpr int kPatternType = 1422;
constexpr int kPatternAdd = 1423;
constexpr int kPatternFirstField = 1431;  // + 0..7, the chords chosen

// The form both share: the large skin with OK at its place; lists filled
// with the root and chord-type texts at their presets ("C", "---").
class KnowledgeEntryDialog : public ZAWDialog {
public:
    explicit KnowledgeEntryDialog(platform::ui::Window* parent);

    int DoModal();
    void OnInitDialog();

    void OnPaint(platform::ui::Window& window, platform::ui::Canvas& canvas) override;
    void OnLeftUp(platform::ui::Window& window, platform::ui::Point p) override;
    // Enter acts as the OK button.
    void OnOk(platform::ui::Window& window) override;

protected:
    virtual std::string Title() const = 0;
    virtual void BuildControls(platform::ui::Window& window) = 0;
    // Takes the values; false keeps the dialog open.
    virtual bool Accept() = 0;

    platform::ui::Control* AddRootList(int id, int left, int top);
    platform::ui::Control* AddTypeList(int id, int left, int top);
    void AddLabel(const char* text, int left, int top, int width = 120);

private:
    platform::ui::Window* parent_;
    bool built_ = false;
    std::vector<int> captions_{kEntryOk};  // OK, then the labels
};

// "Chord Addition": a transition from one chord to another with a rate
// ("Rate" 1..999, 500 at first). OK refuses the same chord twice.
class ZaKnoledgeChord : public KnowledgeEntryDialog {
public:
    explicit ZaKnoledgeChord(platform::ui::Window* parent = nullptr);

    // The pending chord pair, set by an accepted OK.
    const std::string& Pair() const { return pair_; }

protected:
    std::string Title() const override { return "Chord Addition"; }
    void BuildControls(platform::ui::Window& window) override;
    bool Accept() override;

private:
    std::array<platform::ui::Control*, 2> roots_{};
    std::array<platform::ui::Control*, 2> types_{};
    platform::ui::Control* rate_ = nullptr;
    std::string pair_;
};

// "Resolution Pattern": "Add ->" appends the chord of the two lists, eight
// at most, each shown by name in the next field.
class ZaResolutionPattern : public KnowledgeEntryDialog {
public:
    explicit ZaResolutionPattern(platform::ui::Window* parent = nullptr);

    const std::vector<std::string>& Chords() const { return draft_.Chords(); }

    void OnControl(platform::ui::Window& window, platform::ui::Control& control,
                   platform::ui::ControlEvent event) override;

protected:
    std::string Title() const override { return "Resolution Pattern"; }
    void BuildControls(platform::ui::Window& window) override;
    bool Accept() override { return true; }

private:
    void AddChord();

    platform::ui::Control* root_ = nullptr;
    platform::ui::Control* type_ = nullptr;
    std::array<platform::ui::Control*, kPatternChordsMax> fields_{};
    PatternDraft draft_;
};

// "Chord Addition": a transition from one chord to another with a rate.
// Returns true with pair set to its 11 characters (root A, quality A, root B,
// quality B, the rate as three digits); false when nothing was set.
bool RunChordAddition(platform::ui::Window* parent, std::string& pair);

// "Resolution Pattern": up to eight chords, each a 4-character chord code
// (root letter and quality), in the order chosen; empty when none was added.
std::vector<std::string> RunResolutionPattern(platform::ui::Window* parent);
