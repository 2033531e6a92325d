// The UI layer on FLTK 1.3 over X11. Only the .cpp files of this folder see
// FLTK's headers.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/backend.h"
#include "platform/ui/image.h"
#include "platform/ui/window.h"

namespace platform::ui {

// Opens the X display and sets FLTK up for threads (posts wake it through
// Fl::awake) and the Gothic face; null when no display can be opened.
std::shared_ptr<Backend> MakeFltkBackend();

// True once a shown window has been drawn with nothing left to redraw.
bool FltkWindowDrawn(Window& window);
// Reads the client area of a shown window back from the screen.
Image ReadWindowPixels(Window& window);

// For tests on a display without input devices: events fed to a window as
// FLTK would deliver them (a button press and release at a client point, a
// key, a dropped text/uri-list).
void SimulateClick(Window& window, Point client, bool right = false);
// A left press at one point, dragged over the middle to another and released there.
void SimulateDrag(Window& window, Point from, Point to);
void SimulateKey(Window& window, Key key);
void SimulateDrop(Window& window, const std::string& uriList);
// A key pressed in the notice opened last; false when no notice is open.
enum class NoticePress { Enter, Esc, Space };
bool SimulateNoticeKey(NoticePress key);
bool SimulateNoticeKey(Key key);

// For tests: the windows FLTK shows for us that are not ZAW windows (boxes,
// notices), each with its frame on the screen and its widgets' texts, one
// a line.
struct ForeignWindowView {
    Rect frame;
    std::string texts;
};
std::vector<ForeignWindowView> ForeignWindows();
// True when the file chooser is GTK's dialog, false for FLTK's own.
bool FltkChooserUsesGtk();

// The tray icon (XEmbed system-tray dock); not docked when no tray manager
// owns the screen's tray selection.
std::unique_ptr<TrayPeer> MakeFltkTray(const Image& icon, const std::string& tip,
                                       std::function<void(bool right)> onClick);

}  // namespace platform::ui
