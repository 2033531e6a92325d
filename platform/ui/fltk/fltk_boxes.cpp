#include "platform/ui/fltk/fltk_boxes.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Return_Button.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace platform::ui::fltk_boxes {

static_assert(kGothic == FL_FREE_FONT);

namespace {

// A box: the icon at the top left, the text right of it, the buttons along
// the bottom at the right. The text is at least this wide and tall.
constexpr int kIconSide = 50;
constexpr int kMargin = 10;
constexpr int kTextLeft = kMargin + kIconSide + kMargin;
constexpr int kMinTextWidth = 340;
constexpr int kButtonHeight = 25;
// What the window manager's frame takes beside a window.
constexpr int kFrameAllowance = 20;
// A notice's text lines are at most this wide.
constexpr int kNoticeTextWidth = 360;

// The end of the UTF-8 character at `at`: its lead byte and as many of the
// continuation bytes it announces as follow. A byte that is no lead (a raw
// title's bytes) is a character of its own, as FLTK draws it.
std::size_t NextCharacter(const std::string& text, std::size_t at) {
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    std::size_t end = at + 1;
    while (end < at + length && end < text.size() &&
           (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        ++end;
    return end;
}

// Cuts the longest first piece that fits (one character at the least) off a
// word wider than the line.
std::string CutFittingPiece(std::string& word, int width) {
    std::size_t end = NextCharacter(word, 0);
    for (std::size_t next = end; next < word.size(); next = NextCharacter(word, next)) {
        const std::size_t after = NextCharacter(word, next);
        if (fl_width(word.c_str(), static_cast<int>(after)) > width) break;
        end = after;
    }
    std::string piece = word.substr(0, end);
    word.erase(0, end);
    return piece;
}

class BoxWindow : public Fl_Double_Window {
public:
    BoxWindow(int w, int h) : Fl_Double_Window(w, h, "ZAW") {}
    int answer = kIdCancel;

    static void OnButton(Fl_Widget* button, void* answer) {
        auto* box = static_cast<BoxWindow*>(button->window());
        box->answer = static_cast<int>(reinterpret_cast<std::intptr_t>(answer));
        box->hide();
    }
};

Fl_Button* AddButton(bool isDefault, int right, int y, const char* label, int answer) {
    fl_font(kGothic, kTextSize);
    const int w = static_cast<int>(fl_width(label)) + (isDefault ? 50 : 30);
    Fl_Button* button = isDefault ? new Fl_Return_Button(right - w, y, w, kButtonHeight)
                                  : new Fl_Button(right - w, y, w, kButtonHeight);
    button->copy_label(label);
    button->labelfont(kGothic);
    button->labelsize(kTextSize);
    button->callback(BoxWindow::OnButton,
                     reinterpret_cast<void*>(static_cast<std::intptr_t>(answer)));
    return button;
}

// Notice windows open now. They take clicks while a modal dialog (the
// panel) runs, and keys of their own.
std::vector<Fl_Window*> g_notices;

void CloseNotice(Fl_Widget* widget, void*) {
    Fl_Window* top = widget->window() ? widget->window() : widget->as_window();
    if (!top) return;
    g_notices.erase(std::remove(g_notices.begin(), g_notices.end(), top), g_notices.end());
    Fl::delete_widget(top);
}

}  // namespace

std::string WrapToWidth(const std::string& utf8, int width) {
    std::string out;
    std::string line;
    std::string word;
    auto flushWord = [&] {
        if (word.empty()) return;
        const std::string candidate = line.empty() ? word : line + " " + word;
        if (fl_width(candidate.c_str()) <= width) {
            line = candidate;
            word.clear();
            return;
        }
        if (!line.empty()) out += line + "\n";
        // Bounded: every cut takes at least one character off the word.
        while (fl_width(word.c_str()) > width) out += CutFittingPiece(word, width) + "\n";
        line = word;
        word.clear();
    };
    for (char c : utf8) {
        if (c == ' ' || c == '\n') {
            flushWord();
            if (c == '\n') {
                out += line + "\n";
                line.clear();
            }
        } else {
            word.push_back(c);
        }
    }
    flushWord();
    return out + line;
}

int RunBox(BoxKind kind, const std::string& utf8) {
    int areaX = 0, areaY = 0, areaW = 0, areaH = 0;
    Fl::screen_work_area(areaX, areaY, areaW, areaH);
    fl_font(kGothic, kTextSize);
    const int wrapWidth =
        std::max(kMinTextWidth, areaW - kFrameAllowance - kTextLeft - 2 * kMargin);
    const std::string text = WrapToWidth(utf8, wrapWidth);
    int textW = 0, textH = 0;
    fl_measure(text.c_str(), textW, textH, 0);
    textW = std::max(textW + kMargin, kMinTextWidth);
    textH = std::max(textH + kMargin, kIconSide);
    const int w = kTextLeft + textW + kMargin;
    const int h = kMargin + textH + kMargin + kButtonHeight + kMargin;

    auto box = std::make_unique<BoxWindow>(w, h);
    auto* icon = new Fl_Box(FL_THIN_UP_BOX, kMargin, kMargin, kIconSide, kIconSide,
                            kind == BoxKind::Error ? "!" : kind == BoxKind::Info ? "i" : "?");
    icon->labelfont(FL_TIMES_BOLD);
    icon->labelsize(kIconSide - 10);
    icon->color(FL_WHITE);
    icon->labelcolor(FL_BLUE);
    // The window owns its copy of the text for as long as it lives.
    auto* message = new Fl_Box(kTextLeft, kMargin, textW, textH);
    message->copy_label(text.c_str());
    message->labelfont(kGothic);
    message->labelsize(kTextSize);
    message->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_TOP);
    const int buttonY = h - kMargin - kButtonHeight;
    Fl_Button* answerButton = nullptr;
    if (kind == BoxKind::OkCancel) {
        Fl_Button* cancel = AddButton(false, w - kMargin, buttonY, "Cancel", kIdCancel);
        cancel->shortcut(FL_Escape);
        answerButton = AddButton(true, cancel->x() - kMargin, buttonY, "OK", kIdOk);
    } else {
        answerButton = AddButton(true, w - kMargin, buttonY, "Close", kIdOk);
    }
    box->end();
    box->set_modal();
    box->callback([](Fl_Widget* window, void*) { window->hide(); });
    box->hotspot(answerButton);
    // A popup menu's grab would take the box's events: it is lifted meanwhile.
    Fl_Window* grab = Fl::grab();
    if (grab) Fl::grab(nullptr);
    Fl::pushed(nullptr);
    box->show();
    answerButton->take_focus();
    while (box->shown()) Fl::wait();
    if (grab) Fl::grab(grab);
    return kind == BoxKind::OkCancel ? box->answer : kIdOk;
}

void ShowNotice(const std::string& utf8) {
    int areaX = 0, areaY = 0, areaW = 0, areaH = 0;
    Fl::screen_work_area(areaX, areaY, areaW, areaH);
    fl_font(kGothic, kTextSize);
    const std::string text =
        WrapToWidth(utf8, std::min(kNoticeTextWidth, areaW - kFrameAllowance - 40));
    int textW = 0, textH = 0;
    fl_measure(text.c_str(), textW, textH, 0);
    const int w = textW + 40, h = textH + 70;
    auto* win = new Fl_Double_Window(areaX + 24, areaY + 24, w, h, "ZAW");
    auto* label = new Fl_Box(20, 15, textW, textH);
    label->copy_label(text.c_str());
    label->labelfont(kGothic);
    label->labelsize(kTextSize);
    label->align(FL_ALIGN_INSIDE | FL_ALIGN_LEFT);
    auto* ok = new Fl_Button(w / 2 - 40, h - 40, 80, 26, "OK");
    ok->labelfont(kGothic);
    ok->labelsize(kTextSize);
    win->end();
    ok->callback(CloseNotice);
    win->callback(CloseNotice);
    g_notices.push_back(win);
    win->show();
}

bool IsNotice(const Fl_Window* window) {
    return window && std::find(g_notices.begin(), g_notices.end(), window) != g_notices.end();
}

Fl_Window* NewestNotice() {
    return g_notices.empty() ? nullptr : g_notices.back();
}

int NoticeKey(Fl_Window* notice, int event) {
    const int key = Fl::event_key();
    if (event == FL_KEYBOARD &&
        (key == FL_Enter || key == FL_KP_Enter || key == FL_Escape || key == ' '))
        CloseNotice(notice, nullptr);
    return 1;
}

}  // namespace platform::ui::fltk_boxes
