#include "platform/ui/fltk/fltk_backend.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Hold_Browser.H>
#include <FL/Fl_Image_Surface.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_Multiline_Output.H>
#include <FL/Fl_Native_File_Chooser.H>
#include <FL/Fl_RGB_Image.H>
#include <FL/Fl_Repeat_Button.H>
#include <FL/Fl_Scrollbar.H>
#include <FL/Fl_Slider.H>
#include <FL/Fl_Text_Display.H>
#include <FL/Fl_Tooltip.H>
#include <FL/fl_ask.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "platform/quit_signals.h"
#include "platform/ui/fltk/fltk_boxes.h"
#include "platform/ui/fltk/fltk_long_choice.h"
#include "platform/ui/fltk/fltk_options.h"
#include "platform/ui/fltk/fltk_quit_watch.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/ui.h"

namespace platform::ui {

namespace {

using fltk_boxes::kGothic;
constexpr int kControlFontSize = fltk_boxes::kTextSize;
constexpr int kSmallestFittedSize = 8;

Fl_Color ToFl(Rgb c) {
    return fl_rgb_color(c.r, c.g, c.b);
}

class FltkCanvas : public Canvas {
public:
    explicit FltkCanvas(Size extent) : extent_(extent) {}

    Size Extent() const override { return extent_; }

    void Blit(const Image& image, const Rect& dest) override {
        if (image.Empty() || dest.Empty()) return;
        fl_push_clip(dest.left, dest.top, dest.Width(), dest.Height());
        fl_draw_image(image.Bytes().data(), dest.left, dest.top, image.Width(), image.Height(), 4);
        fl_pop_clip();
    }
    void FillRect(const Rect& a, Rgb c) override {
        if (a.Empty()) return;
        fl_rectf(a.left, a.top, a.Width(), a.Height(), c.r, c.g, c.b);
    }
    void FrameRect(const Rect& a, Rgb c) override {
        if (a.Empty()) return;
        fl_color(ToFl(c));
        fl_rect(a.left, a.top, a.Width(), a.Height());
    }
    void InvertRect(const Rect& area) override {
        Rect a = area.Intersect(Rect{0, 0, extent_.width, extent_.height});
        if (a.Empty()) return;
        uchar* pixels = fl_read_image(nullptr, a.left, a.top, a.Width(), a.Height());
        if (!pixels) return;
        std::size_t count = static_cast<std::size_t>(a.Width()) * a.Height() * 3;
        for (std::size_t i = 0; i < count; ++i)
            pixels[i] = 255 - pixels[i];
        fl_draw_image(pixels, a.left, a.top, a.Width(), a.Height(), 3);
        delete[] pixels;
    }
    void Ellipse(const Rect& b, Rgb c, bool filled) override {
        if (b.Empty()) return;
        fl_color(ToFl(c));
        if (filled) {
            fl_pie(b.left, b.top, b.Width(), b.Height(), 0, 360);
        } else {
            fl_arc(b.left, b.top, b.Width(), b.Height(), 0, 360);
        }
    }
    void SetFont(const Font& font) override { font_ = font; }
    void SetTextColour(Rgb c) override { colour_ = c; }
    void SetTextBackground(bool opaque, Rgb c) override {
        opaque_ = opaque;
        background_ = c;
    }
    void DrawText(const std::string& utf8, const Rect& area, TextLayout layout) override {
        int w = 0;
        int h = 0;
        if (layout == TextLayout::WrappedLines) {
            FitWrapped(utf8, area.Width(), w, h);
        } else {
            fl_font(kGothic, font_.height);
            fl_measure(utf8.c_str(), w, h, 0);
        }
        Rect box = area;
        Fl_Align align = FL_ALIGN_INSIDE;
        switch (layout) {
            case TextLayout::CentredLine:
                align |= FL_ALIGN_CENTER;
                break;
            case TextLayout::WrappedLines:
                align |= FL_ALIGN_CENTER | FL_ALIGN_WRAP;
                break;
            case TextLayout::LeftCentred:
                align |= FL_ALIGN_LEFT;
                break;
            case TextLayout::CentredLines:
                align |= FL_ALIGN_TOP;
                break;
            case TextLayout::TopCentred:
                box = Rect::FromSize(area.left - w / 2, area.top, w, h);
                align |= FL_ALIGN_TOP;
                break;
        }
        if (opaque_) {
            // The box behind the text, placed as the alignment places it.
            int x = box.left + (box.Width() - w) / 2;
            if (layout == TextLayout::LeftCentred) x = box.left;
            int y = box.top + (box.Height() - h) / 2;
            if (layout == TextLayout::CentredLines || layout == TextLayout::TopCentred) {
                y = box.top;
            }
            fl_rectf(x, y, w, h, background_.r, background_.g, background_.b);
        }
        fl_color(ToFl(colour_));
        fl_draw(utf8.c_str(), box.left, box.top, box.Width(), box.Height(), align, nullptr, 0);
    }

private:
    // Sets the font for a text wrapped to the width and measures it: a word
    // wider than the width (it cannot wrap) gets a smaller size until the
    // text fits, down to kSmallestFittedSize.
    void FitWrapped(const std::string& utf8, int width, int& w, int& h) const {
        for (int size = font_.height;; --size) {
            fl_font(kGothic, size);
            w = width;
            h = 0;
            fl_measure(utf8.c_str(), w, h, 0);
            if (w <= width || size <= kSmallestFittedSize) return;
        }
    }

    Size extent_;
    Font font_;
    Rgb colour_;
    bool opaque_ = false;
    Rgb background_{255, 255, 255};
};

// Drawing into an image surface; reading it back ends the drawing and makes
// the screen the current surface again.
class FltkOffscreen : public OffscreenCanvas {
public:
    explicit FltkOffscreen(Size size)
        : size_(size),
          canvas_(size),
          surface_(std::make_unique<Fl_Image_Surface>(size.width, size.height)) {}
    ~FltkOffscreen() override {
        if (drawing_) delete surface_->image();
    }
    Canvas& Draw() override {
        if (!drawing_) {
            surface_->set_current();
            drawing_ = true;
        }
        return canvas_;
    }
    Image Read() override {
        Draw();
        drawing_ = false;
        Fl_RGB_Image* rgb = surface_->image();
        Image image(size_.width, size_.height);
        if (rgb && rgb->d() >= 3) {
            const uchar* pixels = reinterpret_cast<const uchar*>(rgb->data()[0]);
            for (int y = 0; y < std::min(size_.height, rgb->h()); ++y) {
                for (int x = 0; x < std::min(size_.width, rgb->w()); ++x) {
                    const uchar* p =
                        pixels + (static_cast<std::size_t>(y) * rgb->w() + x) * rgb->d();
                    image.SetPixel(x, y, Rgb{p[0], p[1], p[2]});
                }
            }
        }
        delete rgb;
        return image;
    }

private:
    Size size_;
    FltkCanvas canvas_;
    std::unique_ptr<Fl_Image_Surface> surface_;
    bool drawing_ = false;
};

// Breaks a tooltip into lines no wider than the tooltip width in the
// tooltip's face.
std::string WrapTooltip(const std::string& text) {
    fl_font(kGothic, kControlFontSize);
    return fltk_boxes::WrapToWidth(text, kTooltipWidth);
}

// ---- Windows ----

class ZawWindow : public Fl_Double_Window {
public:
    ZawWindow(Window& window, int w, int h) : Fl_Double_Window(w, h), window_(window) {
        end();
        callback(&ZawWindow::OnCallback, this);
    }

    void draw() override {
        fl_rectf(0, 0, w(), h(), kWindowFaceColour.r, kWindowFaceColour.g, kWindowFaceColour.b);
        FltkCanvas canvas(Size{w(), h()});
        window_.DispatchPaint(canvas);
        // The face (the skin) has just been painted over the whole damaged
        // area, widgets included, so every widget there is drawn whole. A
        // widget that asked to redraw only a part of itself (an edit field's
        // cursor on a click, a key or a change of focus) would otherwise
        // paint that part alone and be left hidden under the face.
        for (int i = 0; i < children(); ++i) {
            draw_child(*child(i));
            draw_outside_label(*child(i));
        }
    }

    int handle(int event) override {
        Point p{Fl::event_x(), Fl::event_y()};
        switch (event) {
            case FL_PUSH:
                if (Fl_Double_Window::handle(event)) return 1;  // a widget took it
                if (Fl::event_button() == FL_LEFT_MOUSE) window_.DispatchLeftDown(p);
                if (Fl::event_button() == FL_RIGHT_MOUSE) window_.DispatchRightDown(p);
                return 1;
            case FL_RELEASE:
                if (Fl::event_button() == FL_LEFT_MOUSE) window_.DispatchLeftUp(p);
                return 1;
            case FL_DRAG:
                window_.DispatchMouseMove(p);
                return 1;
            case FL_MOVE:
                Fl_Double_Window::handle(event);
                window_.DispatchMouseMove(p);
                return 1;
            case FL_ENTER:
                Fl_Double_Window::handle(event);
                return 1;
            case FL_KEYBOARD:
            case FL_SHORTCUT: {
                if (Fl_Double_Window::handle(event)) return 1;
                int key = Fl::event_key();
                if (key == FL_Enter || key == FL_KP_Enter) {
                    window_.DispatchKey(Key::Enter);
                    return 1;
                }
                if (key == FL_Escape) {
                    window_.DispatchKey(Key::Esc);
                    return 1;
                }
                return 0;
            }
            case FL_DND_ENTER:
            case FL_DND_DRAG:
            case FL_DND_LEAVE:
            case FL_DND_RELEASE:
                return 1;
            case FL_PASTE: {
                // A drop: the text/uri-list, every path whole.
                std::string text(Fl::event_text(), Fl::event_length());
                window_.DispatchDrop(ParseDroppedUris(text));
                return 1;
            }
            default:
                return Fl_Double_Window::handle(event);
        }
    }

private:
    static void OnCallback(Fl_Widget*, void* data) {
        ZawWindow* self = static_cast<ZawWindow*>(data);
        // FLTK calls the window's callback for the close box and for an Esc
        // nobody took.
        if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) {
            self->window_.DispatchKey(Key::Esc);
        } else {
            self->window_.DispatchClose();
        }
    }

    Window& window_;
};

// A horizontal trackbar with tick marks under its track.
class TickSlider : public Fl_Slider {
public:
    TickSlider(int x, int y, int w, int h) : Fl_Slider(x, y, w, h) { type(FL_HOR_NICE_SLIDER); }
    int ticks = 0;

    void draw() override {
        Fl_Slider::draw();
        if (ticks <= 0 || maximum() <= minimum()) return;
        fl_color(FL_DARK3);
        const double span = maximum() - minimum();
        for (double v = minimum(); v <= maximum(); v += ticks) {
            int tx = x() + 6 + static_cast<int>((w() - 12) * (v - minimum()) / span);
            fl_line(tx, y() + h() - 4, tx, y() + h() - 1);
        }
    }
};

// A scroll bar that tells which of its parts moved it, and tells the end of
// a thumb drag apart from the moves during it.
class PartScrollbar : public Fl_Scrollbar {
public:
    PartScrollbar(int x, int y, int w, int h, Control& control)
        : Fl_Scrollbar(x, y, w, h), control_(control) {}
    ScrollCause cause = ScrollCause::Direct;

    int handle(int event) override {
        switch (event) {
            case FL_PUSH:
                cause = PartAt(Fl::event_x(), Fl::event_y());
                break;
            case FL_MOUSEWHEEL:
                cause = ScrollCause::Arrow;
                break;
            case FL_KEYBOARD:
            case FL_SHORTCUT: {
                const int key = Fl::event_key();
                cause = key == FL_Up || key == FL_Down || key == FL_Left || key == FL_Right
                            ? ScrollCause::Arrow
                            : ScrollCause::Page;
                break;
            }
            default:
                break;
        }
        const bool dragging = event == FL_RELEASE && cause == ScrollCause::Thumb;
        const int used = Fl_Scrollbar::handle(event);
        if (event == FL_RELEASE) cause = ScrollCause::Direct;
        if (dragging) control_.UserReleaseThumb(value());
        return used;
    }

private:
    // The part under a press, laid out as Fl_Scrollbar lays it out: square
    // arrows at the ends when the bar is at least three widths long, the
    // thumb sized by the page and placed by the value along the track.
    ScrollCause PartAt(int px, int py) const {
        const bool across = horizontal();
        int start = across ? x() : y();
        int length = across ? w() : h();
        const int thickness = across ? h() : w();
        if (length >= 3 * thickness) {
            start += thickness;
            length -= 2 * thickness;
        }
        const int at = (across ? px : py) - start;
        if (at < 0 || at >= length) return ScrollCause::Arrow;
        if (Fl::event_button() == FL_MIDDLE_MOUSE) return ScrollCause::Thumb;
        const int size = std::max(static_cast<int>(slider_size() * length + .5), thickness / 2 + 1);
        const double span = maximum() - minimum();
        const double fraction = span != 0 ? (value() - minimum()) / span : 0.5;
        int thumb = static_cast<int>(fraction * (length - size) + .5);
        if (fraction >= 1.0) thumb = length - size;
        if (fraction <= 0.0) thumb = 0;
        if (at < thumb || at >= thumb + size) return ScrollCause::Page;
        return ScrollCause::Thumb;
    }

    Control& control_;
};

class FltkControlPeer : public ControlPeer {
public:
    FltkControlPeer(Control& control, ZawWindow& window) : control_(control), window_(window) {
        const Rect& b = control.Bounds();
        window.begin();
        switch (control.Kind()) {
            case ControlKind::ImageHolder:
                break;  // drawn by the window as its face
            case ControlKind::PushButton:
                widget_ = new Fl_Button(b.left, b.top, b.Width(), b.Height());
                widget_->callback(&FltkControlPeer::OnClick, this);
                break;
            case ControlKind::CheckBox:
                widget_ = new Fl_Check_Button(b.left, b.top, b.Width(), b.Height());
                widget_->callback(&FltkControlPeer::OnClick, this);
                break;
            case ControlKind::ComboBox: {
                Fl_Choice* choice =
                    fltk_long_choice::NewLongChoice(b.left, b.top, b.Width(), b.Height());
                // Items may be Japanese: the Gothic face has the glyphs.
                choice->textfont(kGothic);
                choice->textsize(kControlFontSize);
                widget_ = choice;
                widget_->callback(&FltkControlPeer::OnChoice, this);
                break;
            }
            case ControlKind::Edit: {
                auto* input = new Fl_Input(b.left, b.top, b.Width(), b.Height());
                input->when(FL_WHEN_CHANGED);
                input->textfont(kGothic);
                input->textsize(kControlFontSize);
                widget_ = input;
                widget_->callback(&FltkControlPeer::OnText, this);
                break;
            }
            case ControlKind::UpDown: {
                auto* group = new Fl_Group(b.left, b.top, b.Width(), b.Height());
                int half = b.Height() / 2;
                auto* up = new Fl_Repeat_Button(b.left, b.top, b.Width(), half, "@-18>");
                auto* down = new Fl_Repeat_Button(b.left, b.top + half, b.Width(),
                                                  b.Height() - half, "@-12>");
                up->callback(&FltkControlPeer::OnUp, this);
                down->callback(&FltkControlPeer::OnDown, this);
                group->end();
                widget_ = group;
                break;
            }
            case ControlKind::HScrollBar:
            case ControlKind::VScrollBar: {
                auto* bar = new PartScrollbar(b.left, b.top, b.Width(), b.Height(), control);
                bar->type(control.Kind() == ControlKind::HScrollBar ? FL_HORIZONTAL : FL_VERTICAL);
                widget_ = bar;
                widget_->callback(&FltkControlPeer::OnScroll, this);
                break;
            }
            case ControlKind::ListBox: {
                auto* list = new Fl_Hold_Browser(b.left, b.top, b.Width(), b.Height());
                list->textfont(kGothic);
                list->textsize(kControlFontSize);
                widget_ = list;
                widget_->callback(&FltkControlPeer::OnList, this);
                break;
            }
            case ControlKind::Trackbar:
                widget_ = new TickSlider(b.left, b.top, b.Width(), b.Height());
                widget_->callback(&FltkControlPeer::OnValue, this);
                break;
            case ControlKind::TextView: {
                auto* view = new Fl_Multiline_Output(b.left, b.top, b.Width(), b.Height());
                view->textfont(kGothic);
                view->textsize(kControlFontSize);
                widget_ = view;
                break;
            }
            case ControlKind::TextPane: {
                // Long lines wrap at the pane's width; a scroll bar appears
                // when the lines run past its height.
                auto* pane = new Fl_Text_Display(b.left, b.top, b.Width(), b.Height());
                paneText_ = std::make_unique<Fl_Text_Buffer>();
                pane->buffer(paneText_.get());
                pane->textfont(kGothic);
                pane->textsize(kControlFontSize);
                pane->wrap_mode(Fl_Text_Display::WRAP_AT_BOUNDS, 0);
                widget_ = pane;
                break;
            }
        }
        window.end();
        if (widget_) {
            widget_->labelfont(kGothic);
            widget_->labelsize(kControlFontSize);
        }
    }

    ~FltkControlPeer() override {
        if (!widget_) return;
        window_.remove(widget_);
        delete widget_;
    }

    void Sync() override {
        if (!widget_) AddTooltipArea();
        if (!widget_) return;
        const Control& c = control_;
        const Rect& b = c.Bounds();
        if (widget_->x() != b.left || widget_->y() != b.top || widget_->w() != b.Width() ||
            widget_->h() != b.Height()) {
            widget_->resize(b.left, b.top, b.Width(), b.Height());
        }
        c.IsVisible() ? widget_->show() : widget_->hide();
        c.IsEnabled() ? widget_->activate() : widget_->deactivate();
        if (c.Tooltip() != tooltipShown_) {
            tooltipShown_ = c.Tooltip();
            std::string wrapped = WrapTooltip(tooltipShown_);
            widget_->copy_tooltip(tooltipShown_.empty() ? nullptr : wrapped.c_str());
        }
        switch (c.Kind()) {
            case ControlKind::PushButton:
                widget_->copy_label(c.Text().c_str());
                break;
            case ControlKind::CheckBox:
                widget_->copy_label(c.Text().c_str());
                static_cast<Fl_Check_Button*>(widget_)->value(c.Value());
                break;
            case ControlKind::ComboBox: {
                auto* choice = static_cast<Fl_Choice*>(widget_);
                if (itemsShown_ != c.Items()) {
                    choice->clear();
                    for (const ListItem& item : c.Items()) {
                        // Item texts are plain: no menu shortcuts or sub-menus.
                        choice->add("x");
                        choice->replace(choice->size() - 2, item.text.c_str());
                    }
                    itemsShown_ = c.Items();
                }
                choice->value(c.Selection());
                break;
            }
            case ControlKind::Edit: {
                auto* input = static_cast<Fl_Input*>(widget_);
                input->type(c.IsNumeric() ? FL_INT_INPUT : FL_NORMAL_INPUT);
                input->maximum_size(c.MaxLength() > 0 ? c.MaxLength() : 32767);
                if (c.Text() != input->value()) input->value(c.Text().c_str());
                break;
            }
            case ControlKind::HScrollBar:
            case ControlKind::VScrollBar: {
                auto* bar = static_cast<Fl_Scrollbar*>(widget_);
                bar->value(c.Value(), c.Page(), c.RangeLow(),
                           c.RangeHigh() - c.RangeLow() + c.Page());
                break;
            }
            case ControlKind::ListBox: {
                auto* list = static_cast<Fl_Hold_Browser*>(widget_);
                if (itemsShown_ != c.Items()) {
                    list->clear();
                    for (const ListItem& item : c.Items()) {
                        std::string line =
                            "@C" + std::to_string(ToFl(item.colour)) + "@." + item.text;
                        list->add(line.c_str());
                    }
                    itemsShown_ = c.Items();
                }
                if (c.FillColour()) list->color(ToFl(*c.FillColour()));
                list->value(c.Selection() + 1);
                break;
            }
            case ControlKind::Trackbar: {
                auto* slider = static_cast<TickSlider*>(widget_);
                slider->bounds(c.RangeLow(), c.RangeHigh());
                slider->step(1);
                slider->value(c.Value());
                slider->ticks = c.TickFrequency();
                break;
            }
            case ControlKind::TextView:
                static_cast<Fl_Multiline_Output*>(widget_)->value(c.Text().c_str());
                break;
            case ControlKind::TextPane:
                if (paneShown_ != c.Text()) {
                    paneText_->text(c.Text().c_str());
                    paneShown_ = c.Text();
                }
                break;
            case ControlKind::UpDown:
            case ControlKind::ImageHolder:
                break;
        }
        widget_->redraw();
    }

private:
    // An image holder is drawn by the window and has no widget, so it shows
    // no tooltip. Once it gets one, a boxless area takes the mouse's enter
    // and leave for it; clicks pass through to the window. It goes under
    // every widget, so it never hides their tooltips.
    void AddTooltipArea() {
        if (control_.Kind() != ControlKind::ImageHolder || control_.Tooltip().empty()) return;
        const Rect& b = control_.Bounds();
        window_.begin();
        auto* area = new Fl_Box(FL_NO_BOX, b.left, b.top, b.Width(), b.Height(), nullptr);
        window_.end();
        window_.remove(area);
        window_.insert(*area, 0);
        widget_ = area;
    }

    static FltkControlPeer* Self(void* data) { return static_cast<FltkControlPeer*>(data); }
    static void OnClick(Fl_Widget*, void* d) { Self(d)->control_.UserClick(); }
    static void OnChoice(Fl_Widget* w, void* d) {
        Self(d)->control_.UserSelect(static_cast<Fl_Choice*>(w)->value());
    }
    static void OnText(Fl_Widget* w, void* d) {
        Self(d)->control_.UserSetText(static_cast<Fl_Input*>(w)->value());
    }
    static void OnUp(Fl_Widget*, void* d) { Self(d)->control_.UserStep(1); }
    static void OnDown(Fl_Widget*, void* d) { Self(d)->control_.UserStep(-1); }
    static void OnValue(Fl_Widget* w, void* d) {
        Self(d)->control_.UserSetValue(static_cast<int>(static_cast<Fl_Valuator*>(w)->value()));
    }
    static void OnScroll(Fl_Widget* w, void* d) {
        auto* bar = static_cast<PartScrollbar*>(w);
        Self(d)->control_.UserScroll(bar->cause, bar->value());
    }
    static void OnList(Fl_Widget* w, void* d) {
        Self(d)->control_.UserSelect(static_cast<Fl_Hold_Browser*>(w)->value() - 1);
    }

    Control& control_;
    ZawWindow& window_;
    Fl_Widget* widget_ = nullptr;
    std::vector<ListItem> itemsShown_;
    std::string tooltipShown_;
    // A text pane's text; it outlives the pane, which the destructor deletes.
    std::unique_ptr<Fl_Text_Buffer> paneText_;
    std::string paneShown_;
};

class FltkWindowPeer : public WindowPeer {
public:
    explicit FltkWindowPeer(Window& window)
        : window_(std::make_unique<ZawWindow>(window, window.ClientSize().width,
                                              window.ClientSize().height)) {}
    ~FltkWindowPeer() override { window_->hide(); }

    void SetTitle(const std::string& utf8) override { window_->copy_label(utf8.c_str()); }
    void SetIcon(const Image& icon) override {
        if (icon.Empty()) return;
        Fl_RGB_Image rgb(icon.Bytes().data(), icon.Width(), icon.Height(), 4);
        window_->icon(&rgb);  // copied by FLTK
    }
    void SetClientSize(Size size) override {
        window_->size(size.width, size.height);
        window_->size_range(size.width, size.height, size.width, size.height);
    }
    void Move(Point p) override { window_->position(p.x, p.y); }
    void Show() override { window_->show(); }
    void Hide() override { window_->hide(); }
    void Iconify() override { window_->iconize(); }
    void Raise() override { window_->show(); }
    void Invalidate(const Rect& area, bool) override {
        // Double-buffered: the whole face is redrawn behind the screen, so an
        // erase never flickers and costs nothing extra.
        if (area.Empty()) return;
        window_->damage(FL_DAMAGE_ALL);
    }
    void SetModal(bool modal) override {
        if (modal) {
            window_->set_modal();
        } else {
            window_->clear_modal_states();
        }
    }
    void SetCapture(bool) override {
        // FLTK sends every drag to the window pressed, inside or outside.
    }
    Point ClientToScreen(Point p) override { return Point{window_->x() + p.x, window_->y() + p.y}; }
    std::unique_ptr<ControlPeer> CreateControlPeer(Control& control) override {
        return std::make_unique<FltkControlPeer>(control, *window_);
    }

    ZawWindow& Native() { return *window_; }

private:
    std::unique_ptr<ZawWindow> window_;
};

// ---- The backend ----

std::atomic<bool> g_awakePending{false};

// The modal window on top, or null.
Fl_Window* TopModal() {
    for (Fl_Window* w = Fl::first_window(); w; w = Fl::next_window(w))
        if (w->modal() && w->shown()) return w;
    return nullptr;
}

// What the user does with the keys, the mouse and the window manager: each
// may start an action of its own, with waits that serve the UI meanwhile.
bool IsUserInput(int event) {
    switch (event) {
        case FL_PUSH:
        case FL_RELEASE:
        case FL_DRAG:
        case FL_MOUSEWHEEL:
        case FL_KEYBOARD:
        case FL_KEYUP:
        case FL_SHORTCUT:
        case FL_DND_ENTER:
        case FL_DND_DRAG:
        case FL_DND_LEAVE:
        case FL_DND_RELEASE:
        case FL_PASTE:
        case FL_CLOSE:
            return true;
        default:
            return false;
    }
}

int DispatchToWindow(int event, Fl_Window* window) {
    if (!fltk_boxes::IsNotice(window)) return Fl::handle_(event, window);
    // FLTK hands a key to the widget with the focus, which may lie in a
    // window under the notice: a notice's keys stay its own.
    if (event == FL_KEYBOARD || event == FL_SHORTCUT || event == FL_KEYUP)
        return fltk_boxes::NoticeKey(window, event);
    // Notices take clicks while a modal dialog (the panel) runs: FLTK would
    // send every click to the modal window alone.
    if (!Fl::modal() || Fl::modal() == window) return Fl::handle_(event, window);
    Fl_Window* modal = Fl::modal_;
    Fl::modal_ = window;
    const int handled = Fl::handle_(event, window);
    // The modal window may have gone meanwhile.
    Fl::modal_ = modal->shown() ? modal : TopModal();
    return handled;
}

int DispatchEvent(int event, Fl_Window* window) {
    if (!IsUserInput(event)) return DispatchToWindow(event, window);
    // In each wait FLTK hands over the X events it has read before it looks
    // at the quit request's pipe, so the request is served here, ahead of
    // the input that came after it, and that input is dropped: nobody acts
    // on it any more. Drawing, focus and the rest go on as before.
    if (QuitRequested()) {
        if (IsUiThread()) ServeQuitRequest();
        return 1;
    }
    const int handled = DispatchToWindow(event, window);
    // The wait that read this event took its list of ready pipes before the
    // action ran, and the action's own loops (waits, boxes, menus) may have
    // emptied FLTK's wake-up pipe since. FLTK reads that pipe blocking, so
    // its read would sleep until some other thread wakes the loop, for ever
    // once none is left to: one more wake-up keeps it from blocking (it
    // costs an idle turn of the loop when the pipe was not on the list).
    Fl::awake(static_cast<void*>(nullptr));
    return handled;
}

void OnAwake(void*) {
    g_awakePending.store(false);
    // Posts also run while FLTK's own loops (boxes, choosers, menus) wait.
    if (IsUiThread()) RunPosted();
}

class FltkBackend : public Backend {
public:
    FltkBackend() {
        fltk_options::Load();
        Fl::lock();
        Fl::visual(FL_RGB);
        // FLTK reads the first character as the style: a blank is regular.
        Fl::set_font(kGothic, " IPAGothic");
        Fl_Tooltip::font(kGothic);
        Fl_Tooltip::size(kControlFontSize);
        Fl::event_dispatch(DispatchEvent);
        fltk_quit::WatchInFltk();
        fltk_quit::WatchDisplay();
    }

    std::unique_ptr<WindowPeer> CreateWindowPeer(Window& window) override {
        return std::make_unique<FltkWindowPeer>(window);
    }
    std::unique_ptr<OffscreenCanvas> CreateOffscreen(Size size) override {
        return std::make_unique<FltkOffscreen>(size);
    }
    bool WaitEvents(int milliseconds) override { return Fl::wait(milliseconds / 1000.0) > 0; }
    void Wake() override {
        if (!g_awakePending.exchange(true)) {
            if (Fl::awake(&OnAwake, nullptr) != 0) {
                // The ring is full: the next wait still runs the posts.
                g_awakePending.store(false);
                Fl::awake(static_cast<void*>(nullptr));
            }
        }
    }

    // The notice opens at the top left of the work area, away from the
    // panel's buttons.
    void ShowNotice(const std::string& utf8) override { fltk_boxes::ShowNotice(utf8); }

    int ShowBox(BoxKind kind, const std::string& utf8) override {
        return fltk_boxes::RunBox(kind, utf8);
    }

    // A save dialog whose completed name the user would not replace is shown
    // again on that name; after this many showings it counts as cancelled.
    static constexpr int kSaveDialogShowings = 64;

    void CloseOwnDialogs() override {
        fltk_quit::CloseForeignDialogs(
            [](Fl_Window* w) { return dynamic_cast<ZawWindow*>(w) != nullptr; });
    }

    FileChooserAnswer ChooseFile(const FileChooserRequest& request) override {
        FileChooserRequest shown = request;
        for (int showing = 0; showing < kSaveDialogShowings; ++showing) {
            FileChooserAnswer answer = ShowFileChooser(shown);
            if (FinishSaveAnswer(request, answer)) return answer;
            shown.proposedName = answer.path;
            shown.initialFolder = std::filesystem::path(answer.path).parent_path().string();
            shown.filterIndex = answer.filterIndex;
        }
        return FileChooserAnswer{};
    }

    static FileChooserAnswer ShowFileChooser(const FileChooserRequest& request) {
        Fl_Native_File_Chooser chooser;
        const fltk_quit::GtkChooserWatch watch;
        chooser.type(request.save ? Fl_Native_File_Chooser::BROWSE_SAVE_FILE
                                  : Fl_Native_File_Chooser::BROWSE_FILE);
        std::vector<FileFilterEntry> entries = ParseFileFilter(request.filter);
        std::string filter;
        for (const FileFilterEntry& e : entries)
            filter += e.description + "\t" + e.pattern + "\n";
        if (!filter.empty()) chooser.filter(filter.c_str());
        if (!entries.empty()) {
            int index = request.filterIndex;
            if (index < 1 || index > static_cast<int>(entries.size())) index = 1;
            chooser.filter_value(index - 1);
        }
        if (!request.initialFolder.empty()) chooser.directory(request.initialFolder.c_str());
        if (!request.proposedName.empty()) {
            chooser.preset_file(
                std::filesystem::path(request.proposedName).filename().string().c_str());
        }
        if (request.save) chooser.options(Fl_Native_File_Chooser::SAVEAS_CONFIRM);
        FileChooserAnswer answer;
        answer.filterIndex = request.filterIndex;
        int result = chooser.show();
        // A chooser closed by a quit may still hold a name: it is dropped.
        if (result == 1 || ShuttingDown()) return answer;  // cancelled
        if (result < 0 || !chooser.filename()) {
            answer.errorCode = 0xFFFF;  // the dialog could not be made
            return answer;
        }
        std::string path = chooser.filename();
        // A save dialog's name is completed by FinishSaveAnswer.
        std::error_code ec;
        if (!request.save && !std::filesystem::exists(path, ec)) {
            path = WithDefaultExtension(path, request.defaultExtension);
        }
        answer.chosen = true;
        answer.path = path;
        if (!entries.empty()) answer.filterIndex = chooser.filter_value() + 1;
        return answer;
    }

    FileChooserAnswer ChooseFolder(const FolderChooserRequest& request) override {
        Fl_Native_File_Chooser chooser;
        const fltk_quit::GtkChooserWatch watch;
        chooser.type(Fl_Native_File_Chooser::BROWSE_DIRECTORY);
        if (!request.title.empty()) chooser.title(request.title.c_str());
        if (!request.initialFolder.empty()) chooser.directory(request.initialFolder.c_str());
        FileChooserAnswer answer;
        int result = chooser.show();
        if (result == 1 || ShuttingDown()) return answer;
        if (result < 0 || !chooser.filename()) {
            answer.errorCode = 0xFFFF;
            return answer;
        }
        answer.chosen = true;
        answer.path = chooser.filename();
        return answer;
    }

    int PopupMenu(Window*, Point screen, const std::vector<MenuItem>& items) override {
        std::vector<std::string> texts;
        texts.reserve(items.size());
        std::vector<Fl_Menu_Item> menu;
        for (const MenuItem& item : items) {
            if (item.id == 0) {
                if (!menu.empty()) menu.back().flags |= FL_MENU_DIVIDER;
                continue;
            }
            texts.push_back(item.text);
            Fl_Menu_Item entry{};
            entry.text = texts.back().c_str();
            entry.user_data_ = reinterpret_cast<void*>(static_cast<std::intptr_t>(item.id));
            entry.labelfont_ = kGothic;
            entry.labelsize_ = kControlFontSize;
            menu.push_back(entry);
        }
        if (menu.empty()) return 0;
        menu.push_back(Fl_Menu_Item{});
        // FLTK places popups relative to the window of the last event.
        int x = screen.x - (Fl::event_x_root() - Fl::event_x());
        int y = screen.y - (Fl::event_y_root() - Fl::event_y());
        const Fl_Menu_Item* chosen = menu[0].popup(x, y);
        if (!chosen) return 0;
        return static_cast<int>(reinterpret_cast<std::intptr_t>(chosen->user_data()));
    }

    void SetWaitCursor(bool waiting) override {
        for (Fl_Window* w = Fl::first_window(); w; w = Fl::next_window(w)) {
            w->cursor(waiting ? FL_CURSOR_WAIT : FL_CURSOR_DEFAULT);
        }
        // Sent to the server now: the cursor stays while this thread sleeps.
        Fl::flush();
        if (fl_display) XFlush(fl_display);
    }
    void Beep() override { fl_beep(FL_BEEP_DEFAULT); }
    void SetClipboardText(const std::string& utf8) override {
        Fl::copy(utf8.c_str(), static_cast<int>(utf8.size()), 1);
        Fl::copy(utf8.c_str(), static_cast<int>(utf8.size()), 0);
    }
    std::unique_ptr<TrayPeer> CreateTray(const Image& icon, const std::string& tip,
                                         std::function<void(bool right)> onClick) override {
        return MakeFltkTray(icon, tip, std::move(onClick));
    }
};

FltkWindowPeer& PeerOf(Window& window) {
    return static_cast<FltkWindowPeer&>(window.Peer());
}

}  // namespace

std::shared_ptr<Backend> MakeFltkBackend() {
    // FLTK ends the program when it cannot open the display; asked first,
    // a missing display is an answer instead.
    if (!fl_display) {
        Display* display = XOpenDisplay(nullptr);
        if (!display) return nullptr;
        fl_open_display(display);
    }
    return std::make_shared<FltkBackend>();
}

bool FltkWindowDrawn(Window& window) {
    ZawWindow& native = PeerOf(window).Native();
    return native.shown() && native.visible() && !native.damage();
}

namespace {

void SetPointer(ZawWindow& native, Point client) {
    Fl::e_x = client.x;
    Fl::e_y = client.y;
    Fl::e_x_root = native.x() + client.x;
    Fl::e_y_root = native.y() + client.y;
}

}  // namespace

void SimulateClick(Window& window, Point client, bool right) {
    ZawWindow& native = PeerOf(window).Native();
    SetPointer(native, client);
    Fl::e_keysym = FL_Button + (right ? FL_RIGHT_MOUSE : FL_LEFT_MOUSE);
    Fl::e_state = right ? FL_BUTTON3 : FL_BUTTON1;
    Fl::handle(FL_PUSH, &native);
    Fl::e_state = 0;
    Fl::handle(FL_RELEASE, &native);
}

void SimulateDrag(Window& window, Point from, Point to) {
    ZawWindow& native = PeerOf(window).Native();
    SetPointer(native, from);
    Fl::e_keysym = FL_Button + FL_LEFT_MOUSE;
    Fl::e_state = FL_BUTTON1;
    Fl::handle(FL_PUSH, &native);
    SetPointer(native, Point{(from.x + to.x) / 2, (from.y + to.y) / 2});
    Fl::handle(FL_DRAG, &native);
    SetPointer(native, to);
    Fl::handle(FL_DRAG, &native);
    Fl::e_state = 0;
    Fl::handle(FL_RELEASE, &native);
}

void SimulateKey(Window& window, Key key) {
    ZawWindow& native = PeerOf(window).Native();
    Fl::e_keysym = key == Key::Enter ? FL_Enter : FL_Escape;
    Fl::e_text = const_cast<char*>(key == Key::Enter ? "\r" : "\033");
    Fl::e_length = 1;
    Fl::e_state = 0;
    Fl::handle(FL_KEYBOARD, &native);
}

bool SimulateNoticeKey(NoticePress key) {
    struct Press {
        int keysym;
        const char* text;
    };
    static constexpr Press kPresses[] = {
        {FL_Enter, "\r"},     // NoticePress::Enter
        {FL_Escape, "\033"},  // NoticePress::Esc
        {' ', " "},           // NoticePress::Space
    };
    Fl_Window* notice = fltk_boxes::NewestNotice();
    if (!notice) return false;
    const Press& press = kPresses[static_cast<int>(key)];
    Fl::e_keysym = press.keysym;
    Fl::e_text = const_cast<char*>(press.text);
    Fl::e_length = 1;
    Fl::e_state = 0;
    Fl::handle(FL_KEYBOARD, notice);
    return true;
}

bool SimulateNoticeKey(Key key) {
    return SimulateNoticeKey(key == Key::Enter ? NoticePress::Enter : NoticePress::Esc);
}

std::vector<ForeignWindowView> ForeignWindows() {
    std::vector<ForeignWindowView> views;
    for (Fl_Window* w = Fl::first_window(); w && views.size() < 100; w = Fl::next_window(w)) {
        if (dynamic_cast<ZawWindow*>(w) || !w->shown()) continue;
        ForeignWindowView view{Rect::FromSize(w->x(), w->y(), w->w(), w->h()), {}};
        for (int i = 0; i < w->children(); ++i)
            if (const char* label = w->child(i)->label()) view.texts += std::string(label) + "\n";
        views.push_back(view);
    }
    return views;
}

bool FltkChooserUsesGtk() {
    return fltk_options::ChooserUsesGtk();
}

void SimulateDrop(Window& window, const std::string& uriList) {
    ZawWindow& native = PeerOf(window).Native();
    std::string text = uriList;
    Fl::e_text = text.data();
    Fl::e_length = static_cast<int>(text.size());
    native.handle(FL_DND_RELEASE);
    native.handle(FL_PASTE);
    Fl::e_text = nullptr;
    Fl::e_length = 0;
}

Image ReadWindowPixels(Window& window) {
    ZawWindow& native = PeerOf(window).Native();
    Fl::flush();
    if (fl_display) XSync(fl_display, False);
    native.make_current();
    const int w = native.w();
    const int h = native.h();
    Image image(w, h);
    uchar* pixels = fl_read_image(nullptr, 0, 0, w, h);
    if (!pixels) return Image{};
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const uchar* p = pixels + (static_cast<std::size_t>(y) * w + x) * 3;
            image.SetPixel(x, y, Rgb{p[0], p[1], p[2]});
        }
    }
    delete[] pixels;
    return image;
}

}  // namespace platform::ui
