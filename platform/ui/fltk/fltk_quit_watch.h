// A quit request answered inside FLTK's own loops too: the boxes, the FLTK
// file chooser and the GTK one that FLTK runs when GTK is there. Their loops
// never pump ours, so the request's wake-up pipe is watched by FLTK (and by
// GLib while a GTK chooser is open), and the boxes and choosers are closed
// as cancelled when the program quits.
#pragma once

class Fl_Window;

namespace platform::ui::fltk_quit {

// Watches the pipe from every FLTK wait (done once the display is open).
void WatchInFltk();

// A display that goes away (the X server ended, the connection broken) asks
// for the quit, says so on stderr, and hands control back to the loop, which
// then quits as Power does: threads joined, settings saved. Xlib would end
// the process at once.
void WatchDisplay();
// True once the display was lost.
bool DisplayLost();

// While alive, a GTK chooser's loop wakes up for a quit request too.
class GtkChooserWatch {
public:
    GtkChooserWatch();
    ~GtkChooserWatch();
    GtkChooserWatch(const GtkChooserWatch&) = delete;
    GtkChooserWatch& operator=(const GtkChooserWatch&) = delete;

private:
    unsigned source_ = 0;
};

// Hides every FLTK window that is not one of ours (the boxes, the FLTK file
// chooser, the notices), so the loop waiting on it ends, and answers a GTK
// chooser with Cancel.
void CloseForeignDialogs(bool (*isOurs)(Fl_Window* window));

}  // namespace platform::ui::fltk_quit
