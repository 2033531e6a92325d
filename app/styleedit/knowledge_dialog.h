// "Knowledge Base": the editor of WorkingStyle's two knowledge-base files,
// the chord transitions and the resolution patterns. Both are read when it
// opens, shown as two lists, changed by Add and Delete or replaced through
// the "File Name" buttons, checked and written back on OK.
#pragma once

#include <string>

#include "app/zaw_dialog.h"
#include "styleedit/knowledge_editor.h"

constexpr int kKnowledgeOk = 0;  // the one skin region
constexpr int kKnowledgeRegionCount = 1;
constexpr int kKnowledgeTransitionFile = 1301;
constexpr int kKnowledgeTransitionAdd = 1302;
constexpr int kKnowledgeTransitionDelete = 1303;
constexpr int kKnowledgeTransitionList = 1304;
constexpr int kKnowledgePatternFile = 1311;
constexpr int kKnowledgePatternAdd = 1312;
constexpr int kKnowledgePatternDelete = 1313;
constexpr int kKnowledgePatternList = 1314;

constexpr platform::ui::Rgb kKnowledgeListText{127, 255, 127};
constexpr platform::ui::Rgb kKnowledgeListFace{0, 0, 0};

class ZaKnowledge : public ZAWDialog {
public:
    explicit ZaKnowledge(platform::ui::Window* parent = nullptr);

    int DoModal();
    void OnInitDialog();

    void OnPaint(platform::ui::Window& window, platform::ui::Canvas& canvas) override;
    void OnLeftUp(platform::ui::Window& window, platform::ui::Point p) override;
    void OnControl(platform::ui::Window& window, platform::ui::Control& control,
                   platform::ui::ControlEvent event) override;
    // Enter does what the OK region does.
    void OnOk(platform::ui::Window& window) override;

    const KnowledgeEditor& Editor() const { return editor_; }

private:
    void ChooseFile(bool patterns);
    void AddEntry(bool patterns);
    void DeleteEntry(bool patterns);
    void FillLists();
    // Checks and writes what may be written; false when the user went back.
    bool SaveFiles();

    platform::ui::Window* parent_;
    bool built_ = false;
    KnowledgeEditor editor_;
    platform::ui::Control* transitionFile_ = nullptr;
    platform::ui::Control* transitionList_ = nullptr;
    platform::ui::Control* patternFile_ = nullptr;
    platform::ui::Control* patternList_ = nullptr;
};

// The question OK asks about a file the checker refuses: its path, the rule
// and entry at fault, and whether to leave without saving it.
std::string KnowledgeLeaveQuestion(const std::string& path, const KnowledgeFault& fault);

void RunKnowledgeEditor(platform::ui::Window* parent);
