#include "styleedit/style_selection.h"

#include <iconv.h>

#include <cstring>
#include <vector>

#include "core/reporters.h"
#include "style/style_table.h"

int StyleSelectionPage = 0;
int SelectedStyleCount = 0;

namespace {

constexpr ErrorCode kCantEditStyle = 0xFF01011D;  // "Can't edit this style!"

bool ValidButton(int page, int k) {
    return page >= 0 && page < kStylePageCount && k >= 1 && k <= kStyleButtonsPerPage;
}

}  // namespace

std::int32_t* StyleSelectionEntry(int mode, int page, int k) {
    if (!ValidButton(page, k)) return nullptr;
    if (mode == kPanelModeCompose) return &ComposeStyleSelection[page * kStyleSlots + k - 1];
    if (mode == kPanelModeConvert)
        return k == 1 ? &ConvertStyleSelection[0] : &ConvertStyleSelection[page * kStyleSlots + k - 1];
    return nullptr;
}

void SetStyleSelected(int page, int k, int value) {
    if (std::int32_t* entry = StyleSelectionEntry(PanelMode.load(), page, k)) *entry = value;
}

void LoadStyleButtonStates(int page, StyleButtonStates& states) {
    states.fill(0);
    for (int k = 1; k <= kStyleButtonsPerPage; ++k) {
        if (const std::int32_t* entry = StyleSelectionEntry(PanelMode.load(), page, k))
            states[k - 1] = *entry;
    }
}

int UpdateSelectedStyleCount() {
    SelectedStyleCount = CountSelectedStyles();
    return SelectedStyleCount;
}

int TurnStylePage(int page, int step) {
    const int next = page + step;
    if (next < 0) return kStylePageCount - 1;
    if (next >= kStylePageCount) return 0;
    return next;
}

void ClickStyleButton(int page, int k, StyleButtonStates& states, bool select) {
    if (!ValidButton(page, k)) return;
    if (PanelMode.load() == kPanelModeConvert) {
        states.fill(0);
        ClearConvertStyleSelection();
        states[k - 1] = 1;
    } else {
        states[k - 1] = select ? 1 : (states[k - 1] == 1 ? 0 : 1);
    }
    SetStyleSelected(page, k, states[k - 1]);
}

SquareOutcome ClickStyleSquare(int page, int j, StyleButtonStates& states,
                               const std::function<void()>& hub) {
    if (!ValidButton(page, j)) return SquareOutcome::Ignored;
    ClickStyleButton(page, j, states, true);
    states[j - 1] = 1;
    if (j == 1) {
        ShowErrorMessage(kCantEditStyle);
        SetStyleSelected(page, 1, 1);
        return SquareOutcome::Refused;
    }
    MusicStyle entry;
    GetStyleEntry(page, j - 1, entry);
    const bool blank = IsBlankStyle(entry);
    SetWorkingStyle(entry);
    MusicStyle before;
    GetWorkingStyle(before);
    if (hub) hub();
    GetWorkingStyle(entry);
    // A style defined in an empty slot is named when it is first kept, if
    // it was left without a title, so it is composed and shown by a name.
    if (blank && std::memcmp(&before, &entry, sizeof entry) != 0)
        NameUntitledStyle(entry, page, j - 1);
    SetStyleEntry(page, j - 1, entry);
    SetStyleSelected(page, j, 1);
    return SquareOutcome::Edited;
}

std::string StyleButtonCaption(int page, int k) {
    if (!ValidButton(page, k)) return std::string();
    if (k == 1 && PanelMode.load() == kPanelModeConvert) return "Format Change";
    MusicStyle entry;
    GetStyleEntry(page, k - 1, entry);
    if (!IsBlankStyle(entry)) NameUntitledStyle(entry, page, k - 1);
    return StyleTextToUtf8(DisplayTitle(entry));
}

std::string StyleButtonTooltip(int page, int k) {
    if (!ValidButton(page, k)) return std::string();
    MusicStyle entry;
    GetStyleEntry(page, k - 1, entry);
    return StyleTextToUtf8(FieldText(entry.description));
}

std::string StyleTextToUtf8(const std::string& cp932) {
    bool plain = true;
    for (unsigned char c : cp932) plain = plain && c < 0x80;
    if (plain) return cp932;
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return cp932;
    std::vector<char> in(cp932.begin(), cp932.end());
    std::vector<char> out(cp932.size() * 4 + 4);
    char* src = in.data();
    char* dst = out.data();
    std::size_t left = in.size();
    std::size_t room = out.size();
    const std::size_t done = iconv(cd, &src, &left, &dst, &room);
    iconv_close(cd);
    // Anything that would not convert keeps the bytes as they came.
    if (done == static_cast<std::size_t>(-1) || left != 0) return cp932;
    return std::string(out.data(), static_cast<std::size_t>(dst - out.data()));
}
