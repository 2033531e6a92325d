#include "app/styleedit/knowledge_dialog.h"

#include <cstring>
#include <mutex>

#include "app/number_box.h"
#include "app/styleedit/knowledge_entry_dialogs.h"
#include "core/reporters.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "platform/file_chooser.h"
#include "platform/ui/ui.h"
#include "style/style_table.h"

using namespace platform::ui;

namespace {

constexpr char kKnowledgeFilter[] = "knowledge files|*.db*|";

// Places of one side's controls; the pattern side lies 150 px lower. The
// button row ends where the list below it ends, inside the skin's frame.
constexpr int kSideOffset = 150;
Rect FileButtonPlace(int offset) {
    return Rect::FromSize(10, 70 + offset, 440, 30);
}
Rect AddPlace(int offset) {
    return Rect::FromSize(460, 70 + offset, 80, 30);
}
Rect DeletePlace(int offset) {
    return Rect::FromSize(550, 70 + offset, 80, 30);
}
Rect ListPlace(int offset) {
    return Rect::FromSize(10, 110 + offset, 620, 100);
}

// The file-open dialog of both buttons; a failure of the dialog itself is
// reported with its extended code. Empty when nothing was chosen.
std::string AskKnowledgeFile() {
    platform::FileChooserRequest request;
    request.defaultExtension = "db";
    request.filter = kKnowledgeFilter;
    const platform::FileChooserAnswer answer = platform::GetFileChooser()->ChooseFile(request);
    if (!answer.chosen) {
        if (answer.errorCode != 0) ReportCommonDialogError(static_cast<std::uint32_t>(answer.errorCode));
        return {};
    }
    return answer.path;
}

void FillList(Control& list, const std::vector<std::string>& lines) {
    list.ClearItems();
    int value = 0;
    for (const std::string& line : lines) list.AddItem(line, value++, kKnowledgeListText);
    list.SetSelection(-1);
}

}  // namespace

std::string KnowledgeLeaveQuestion(const std::string& path, const KnowledgeFault& fault) {
    return path + "\n" + DescribeKnowledgeFault(fault) +
           "\nThe chord generator may stall on this file. Leave without saving it?";
}

ZaKnowledge::ZaKnowledge(Window* parent) : parent_(parent) {}

int ZaKnowledge::DoModal() {
    OnInitDialog();
    CentreOverOwner(GetWindow(), parent_);
    return RunModal(parent_);
}

void ZaKnowledge::OnInitDialog() {
    if (built_) return;
    built_ = true;
    InitSkin(kKnowledgeRegionCount);
    Window& window = GetWindow();
    window.SetTitle("Knowledge Base");
    SetBackground(SkinImage(SkinId::LargeBackground), kLargeDialogWidth, kLargeDialogHeight);
    SetOkSkinButton(Button(kKnowledgeOk), "OK", AddButtonHolder());
    const int captions[kKnowledgeRegionCount] = {kKnowledgeOk};
    SetCaptionButtons(kKnowledgeRegionCount, captions);
    SetCaptionStyle(CaptionStyle::Shadow2);
    largeFont_ = AppSettings.LargeFont == 1;
    PlaceSkinButtons(kKnowledgeRegionCount, &Button(0));
    Control** files[2] = {&transitionFile_, &patternFile_};
    Control** lists[2] = {&transitionList_, &patternList_};
    const int firstIds[2] = {kKnowledgeTransitionFile, kKnowledgePatternFile};
    for (int side = 0; side < 2; ++side) {
        const int offset = side * kSideOffset;
        const int id = firstIds[side];
        *files[side] = &window.AddControl(ControlKind::PushButton, FileButtonPlace(offset), id);
        window.AddControl(ControlKind::PushButton, AddPlace(offset), id + 1).SetText("Add");
        window.AddControl(ControlKind::PushButton, DeletePlace(offset), id + 2).SetText("Delete");
        *lists[side] = &window.AddControl(ControlKind::ListBox, ListPlace(offset), id + 3);
        (*lists[side])->SetFillColour(kKnowledgeListFace);
    }
    MusicStyle style;
    GetWorkingStyle(style);
    for (ErrorCode code : OpenKnowledgeFiles(editor_, style)) ShowErrorMessage(code);
    FillLists();
    PaintSkin();
}

void ZaKnowledge::FillLists() {
    std::vector<std::string> lines;
    for (const Transition& entry : editor_.transitions) lines.push_back(TransitionListLine(entry));
    FillList(*transitionList_, lines);
    lines.clear();
    for (const ChordPattern& pattern : editor_.patterns) lines.push_back(PatternListLine(pattern));
    FillList(*patternList_, lines);
    transitionFile_->SetText(editor_.transitionSide.path);
    patternFile_->SetText(editor_.patternSide.path);
}

void ZaKnowledge::OnControl(Window&, Control& control, ControlEvent event) {
    if (event != ControlEvent::Clicked) return;
    switch (control.Id()) {
        case kKnowledgeTransitionFile: ChooseFile(false); break;
        case kKnowledgeTransitionAdd: AddEntry(false); break;
        case kKnowledgeTransitionDelete: DeleteEntry(false); break;
        case kKnowledgePatternFile: ChooseFile(true); break;
        case kKnowledgePatternAdd: AddEntry(true); break;
        case kKnowledgePatternDelete: DeleteEntry(true); break;
        default: break;
    }
}

void ZaKnowledge::ChooseFile(bool patterns) {
    const std::string path = AskKnowledgeFile();
    if (path.empty()) return;
    MusicStyle style;
    GetWorkingStyle(style);
    const ErrorCode code = patterns ? ChoosePatternFile(editor_, path, style)
                                    : ChooseTransitionFile(editor_, path, style);
    if (code) {
        ShowErrorMessage(code);
        return;
    }
    {
        std::lock_guard lock(StyleRecordMutex());
        char* to = patterns ? WorkingStyle.resolutionKnowledgeBase : WorkingStyle.knowledgeBase;
        const char* from = patterns ? style.resolutionKnowledgeBase : style.knowledgeBase;
        std::memcpy(to, from, kKnowledgeBaseNameSize);
    }
    FillLists();
}

void ZaKnowledge::AddEntry(bool patterns) {
    if (patterns) {
        if (!AddPattern(editor_, RunResolutionPattern(&GetWindow()))) return;
        patternList_->AddItem(PatternListLine(editor_.patterns.back()),
                              static_cast<int>(editor_.patterns.size()) - 1, kKnowledgeListText);
        return;
    }
    std::string pair;
    if (!RunChordAddition(&GetWindow(), pair) || !AddTransition(editor_, pair)) return;
    transitionList_->AddItem(TransitionListLine(editor_.transitions.back()),
                             static_cast<int>(editor_.transitions.size()) - 1, kKnowledgeListText);
}

void ZaKnowledge::DeleteEntry(bool patterns) {
    Control& list = patterns ? *patternList_ : *transitionList_;
    const int index = list.Selection();
    if (index < 0) return;
    if (patterns) DeletePattern(editor_, index);
    else DeleteTransition(editor_, index);
    FillLists();
}

bool ZaKnowledge::SaveFiles() {
    MusicStyle style;
    GetWorkingStyle(style);
    const KnowledgeCheckContext context = KnowledgeContextFor(style);
    struct Pending {
        const KnowledgeSide& side;
        KnowledgeSave save;
        ErrorCode failure;
        bool write;
    };
    Pending pending[2] = {
        {editor_.transitionSide, PrepareTransitionSave(editor_, context), kKnowledgeTransitionSave,
         ShouldWrite(editor_.transitionSide)},
        {editor_.patternSide, PreparePatternSave(editor_, context), kKnowledgePatternSave,
         ShouldWrite(editor_.patternSide)},
    };
    for (Pending& p : pending) {
        if (!p.write || p.save.faults.empty()) continue;
        if (ShowOkCancelBox(KnowledgeLeaveQuestion(p.side.path, p.save.faults.front())) != IDOK)
            return false;
        p.write = false;
    }
    for (const Pending& p : pending)
        if (p.write)
            if (ErrorCode code = WriteKnowledgeBytes(p.side.path, p.save.bytes, p.failure))
                ShowErrorMessage(code);
    return true;
}

void ZaKnowledge::OnOk(Window& window) {
    if (SaveFiles()) window.EndModal(platform::kIdOk);
}

void ZaKnowledge::OnLeftUp(Window& window, Point) {
    const int pressed = PressedControl() ? PressedIndex() : -1;
    OnSkinButtonUp();
    if (pressed == kKnowledgeOk) OnOk(window);
}

void ZaKnowledge::OnPaint(Window&, Canvas& canvas) {
    if (!PressedControl()) PaintSkin();
    DrawCaptions(canvas);
}

void RunKnowledgeEditor(Window* parent) {
    ZaKnowledge dialog(parent);
    dialog.DoModal();
}
