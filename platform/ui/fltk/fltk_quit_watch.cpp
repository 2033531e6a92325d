#include "platform/ui/fltk/fltk_quit_watch.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>
#include <dlfcn.h>
#include <unistd.h>

#include <atomic>

#include <vector>

#include "platform/quit_signals.h"
#include "platform/ui/ui.h"

namespace platform::ui::fltk_quit {

namespace {

// The few GLib and GTK 2 calls used, found in the libraries FLTK loaded for
// its GTK chooser (never loaded here): plain C declarations.
struct GList {
    void* data;
    GList* next;
    GList* prev;
};
using UnixFdFunc = int (*)(int fd, unsigned condition, void* data);
using UnixFdAdd = unsigned (*)(int fd, unsigned condition, UnixFdFunc func, void* data);
using SourceRemove = int (*)(unsigned id);
using ListToplevels = GList* (*)();
using ListFree = void (*)(GList* list);
using DialogType = unsigned long (*)();
using InstanceIsA = int (*)(void* instance, unsigned long type);
using DialogResponse = void (*)(void* dialog, int response);

constexpr unsigned kGlibIoIn = 1;
constexpr int kGtkResponseCancel = -6;

// A symbol of an already loaded library, or null.
template <typename F>
F LoadedSymbol(const char* library, const char* name) {
    void* handle = dlopen(library, RTLD_LAZY | RTLD_NOLOAD);
    if (!handle) return nullptr;
    void* symbol = dlsym(handle, name);
    dlclose(handle);
    return reinterpret_cast<F>(symbol);
}

constexpr const char* kGlib = "libglib-2.0.so.0";
constexpr const char* kGobject = "libgobject-2.0.so.0";
constexpr const char* kGtk = "libgtk-x11-2.0.so.0";

void AnswerRequest() {
    DrainQuitRequestFd();
    if (IsUiThread()) ServeQuitRequest();
}

void OnFltkFd(FL_SOCKET, void*) {
    AnswerRequest();
}

int OnGlibFd(int, unsigned, void*) {
    AnswerRequest();
    return 1;  // the watch stays until the chooser closes
}

void AnswerGtkDialogsCancel() {
    auto toplevels = LoadedSymbol<ListToplevels>(kGtk, "gtk_window_list_toplevels");
    auto dialogType = LoadedSymbol<DialogType>(kGtk, "gtk_dialog_get_type");
    auto respond = LoadedSymbol<DialogResponse>(kGtk, "gtk_dialog_response");
    auto isA = LoadedSymbol<InstanceIsA>(kGobject, "g_type_check_instance_is_a");
    auto listFree = LoadedSymbol<ListFree>(kGlib, "g_list_free");
    if (!toplevels || !dialogType || !respond || !isA || !listFree) return;
    GList* list = toplevels();
    const unsigned long type = dialogType();
    int bound = 0;
    for (GList* item = list; item && bound < 1000; item = item->next, ++bound)
        if (item->data && isA(item->data, type)) respond(item->data, kGtkResponseCancel);
    listFree(list);
}

std::atomic<bool> g_displayLost{false};

int OnDisplayIoError(Display*) {
    if (!g_displayLost.exchange(true)) {
        static constexpr char kMessage[] =
            "zaw: the connection to the X display was lost: quitting.\n";
        [[maybe_unused]] const ssize_t written = write(2, kMessage, sizeof kMessage - 1);
    }
    RequestQuit();
    return 0;
}

// Returning from here, Xlib returns from the call that met the error, and
// every later call on the display fails at once instead of ending the
// process.
void OnDisplayIoErrorExit(Display*, void*) {}

}  // namespace

void WatchDisplay() {
    if (!fl_display) return;
    XSetIOErrorHandler(OnDisplayIoError);
    XSetIOErrorExitHandler(fl_display, OnDisplayIoErrorExit, nullptr);
}

bool DisplayLost() {
    return g_displayLost.load();
}

void WatchInFltk() {
    const int fd = QuitRequestFd();
    if (fd >= 0) Fl::add_fd(fd, FL_READ, OnFltkFd);
}

GtkChooserWatch::GtkChooserWatch() {
    const int fd = QuitRequestFd();
    auto add = LoadedSymbol<UnixFdAdd>(kGlib, "g_unix_fd_add");
    if (fd >= 0 && add) source_ = add(fd, kGlibIoIn, OnGlibFd, nullptr);
}

GtkChooserWatch::~GtkChooserWatch() {
    auto remove = LoadedSymbol<SourceRemove>(kGlib, "g_source_remove");
    if (source_ != 0 && remove) remove(source_);
}

void CloseForeignDialogs(bool (*isOurs)(Fl_Window* window)) {
    std::vector<Fl_Window*> foreign;
    for (Fl_Window* w = Fl::first_window(); w && foreign.size() < 1000; w = Fl::next_window(w))
        if (!isOurs(w)) foreign.push_back(w);
    for (Fl_Window* w : foreign)
        w->hide();
    AnswerGtkDialogsCancel();
}

}  // namespace platform::ui::fltk_quit
