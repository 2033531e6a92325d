// Runs the real program on the X display the test gives it (a private Xvfb)
// from a fresh program folder, reads the panel back from the screen into
// panel_compose_xvfb.png, clicks Mode, reads panel_edit_xvfb.png, checks the
// status display's pixels in both, clicks on to convert mode
// (panel_convert_xvfb.png) and back, checks that the captions under the
// bottom buttons are whole in all three, opens "Timer Set" from compose mode
// and reads it back
// (timer_set_xvfb.png, and the screen with both windows in
// timer_over_panel_xvfb.png), presses Play until the first tune is composed
// (panel_playing_xvfb.png) and again to stop, then clicks Power and checks
// that the program ended and saved its settings; then starts it again and
// sends SIGTERM in the middle of a run, which must end it the same way with
// every tune file whole; then behind quick Return presses in edit mode, which
// must end it within a second; then sends it while a box is open, with no
// input (quit_with_box_xvfb.png); last on a display of its own whose server
// ends in a run. Also starts it without a display.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <string>
#include <thread>

#include "platform/ui/image.h"
#include "platform/ui/skin.h"
#include "tests/support/whole_smf.h"

// After the program's headers: X11 defines None, Bool and the like as macros.
#include "tests/app/x11_grab.h"

namespace fs = std::filesystem;
using platform::ui::Image;
using platform::ui::Rgb;

namespace {

int g_failures = 0;

void Check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok  " : "FAIL", what.c_str());
    if (!ok) ++g_failures;
}

bool Near(Rgb a, Rgb b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

int CountNear(const Image& image, int left, int top, int right, int bottom, Rgb colour,
              int tolerance) {
    int n = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            n += Near(image.Pixel(x, y), colour, tolerance);
    return n;
}

// The captions under the bottom buttons lie in the rows between the buttons'
// lower edges (row 201 on) and the panel's lower edge, where the panel shows
// only its background: a pixel there far from the background is a glyph's.
// They are whole when glyphs are found and a row of background at least
// parts the lowest from the background's two-row frame, which a caption cut
// by the edge would touch. Returns the lowest glyph row, or -1 when no glyph
// was found.
int LowestCaptionRow(const Image& shot, const Image& background) {
    int lowest = -1;
    for (int y = 201; y < shot.Height(); ++y)
        for (int x = 83; x < 387; ++x)
            if (!Near(shot.Pixel(x, y), background.Pixel(x, y), 24)) lowest = y;
    return lowest;
}

void CheckCaptionsWhole(const Image& shot, const Image& background, const std::string& mode) {
    const int lowest = LowestCaptionRow(shot, background);
    Check(lowest >= 0 && lowest <= shot.Height() - 5,
          mode + " captions under the buttons end above the panel's frame: lowest glyph row " +
              std::to_string(lowest) + " of " + std::to_string(shot.Height()));
}

// A bottom button's face where the mode lays it: shown untouched, so no
// caption's glyphs lie over its dark lower edge.
struct BottomFace {
    platform::ui::SkinId id;
    int left, top;
};
void CheckFacesUntouched(const Image& shot, const platform::ui::SkinStore& skin,
                         std::initializer_list<BottomFace> faces, const std::string& mode) {
    for (const BottomFace& f : faces) {
        const Image& image = skin.Get(f.id);
        int touched = 0;
        for (int y = 0; y < image.Height(); ++y)
            for (int x = 0; x < image.Width(); ++x)
                touched += !Near(shot.Pixel(f.left + x, f.top + y), image.Pixel(x, y), 2);
        Check(touched == 0, mode + ": a bottom face clear of the captions, " +
                                std::to_string(touched) + " pixels differ");
    }
}

bool WaitFor(const std::function<bool()>& done, int seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return done();
}

// The first window whose title starts with the prefix.
::Window FindTitled(Display* display, ::Window under, const std::string& prefix) {
    return x11_grab::FindTitled(display, under, prefix, true);
}

// The panel window once the program has shown it, or 0 after 30 s.
::Window WaitForPanel(Display* display) {
    ::Window panel = 0;
    WaitFor(
        [&] {
            panel = FindTitled(display, DefaultRootWindow(display), "ZAW [");
            return panel != 0;
        },
        30);
    return panel;
}

// The program's message box, titled "ZAW" alone (the panel's title goes on).
::Window FindMessageBox(Display* display) {
    ::Window found = FindTitled(display, DefaultRootWindow(display), "ZAW");
    char* name = nullptr;
    if (found && XFetchName(display, found, &name) && name) {
        const bool box = std::string(name) == "ZAW";
        XFree(name);
        if (box) return found;
    }
    return 0;
}

Image Grab(Display* display, ::Window window, int width, int height) {
    XSync(display, False);
    return x11_grab::GrabArea(display, window, 0, 0, width, height);
}

void Click(Display* display, ::Window window, int x, int y, int pauseMs = 100) {
    for (int type : {ButtonPress, ButtonRelease}) {
        XEvent event{};
        event.xbutton.type = type;
        event.xbutton.display = display;
        event.xbutton.window = window;
        event.xbutton.root = DefaultRootWindow(display);
        event.xbutton.x = x;
        event.xbutton.y = y;
        event.xbutton.button = Button1;
        event.xbutton.state = type == ButtonRelease ? Button1Mask : 0;
        event.xbutton.same_screen = True;
        XSendEvent(display, window, True, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask,
                   &event);
        XFlush(display);
        std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    }
}

void PressReturn(Display* display, ::Window window) {
    for (int type : {KeyPress, KeyRelease}) {
        XEvent event{};
        event.xkey.type = type;
        event.xkey.display = display;
        event.xkey.window = window;
        event.xkey.root = DefaultRootWindow(display);
        event.xkey.keycode = XKeysymToKeycode(display, XK_Return);
        event.xkey.same_screen = True;
        XSendEvent(display, window, True, type == KeyPress ? KeyPressMask : KeyReleaseMask, &event);
    }
    XFlush(display);
}

// Starts the program, on another display and with its stderr in a file
// when they are named.
pid_t Start(const std::string& program, const std::string& folder, bool withDisplay,
            const std::string& display = "", const std::string& errors = "") {
    pid_t pid = fork();
    if (pid == 0) {
        setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
        if (!withDisplay) unsetenv("DISPLAY");
        if (!display.empty()) setenv("DISPLAY", display.c_str(), 1);
        if (!errors.empty() && !std::freopen(errors.c_str(), "w", stderr)) _exit(126);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

// The exit status, or -1 when the program did not end in time (then killed).
int WaitExit(pid_t pid, int seconds) {
    int status = 0;
    bool ended = WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, seconds);
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The file is a whole Standard MIDI File.
bool WholeSmfFile(const fs::path& file) {
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) return false;
    std::string bytes;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
        bytes.append(buffer, n);
    std::fclose(f);
    return testing_support::WholeSmf(bytes);
}

// Starts the program again, lets it compose, and sends SIGTERM in the middle
// of the run (the next tune composing, or the last playing): it must end as Power ends it, with every tune file whole.
void CheckQuitSignalDuringARun(Display* display, const std::string& program,
                               const fs::path& folder) {
    pid_t pid = Start(program, folder.string(), true);
    const ::Window panel = WaitForPanel(display);
    Check(panel != 0, "the panel appeared again");
    if (!panel) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        return;
    }
    auto tunes = [&] {
        int n = 0;
        for (const auto& entry : fs::directory_iterator(folder))
            n += entry.path().filename().string().rfind("MYMIDI", 0) == 0;
        return n;
    };
    const int before = tunes();
    Click(display, panel, 200, 180);  // Play
    // The synthesizer's one box about silent play is closed first: a box
    // holds the quit until it is answered.
    if (WaitFor([&] { return FindMessageBox(display) != 0; }, 20))
        Click(display, FindMessageBox(display), 478, 63);
    Check(WaitFor([&] { return tunes() > before; }, 30), "the run composed a tune");
    kill(pid, SIGTERM);
    Check(WaitExit(pid, 30) == 0, "SIGTERM during the run ended the program with status 0");
    std::error_code error;
    Check(fs::file_size(folder / "zaw.ini", error) == 3132, "zaw.ini was saved again");
    bool whole = true;
    bool leftovers = false;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("MYMIDI", 0) == 0 && !WholeSmfFile(entry.path())) {
            std::printf("  not a whole file: %s\n", name.c_str());
            whole = false;
        }
        leftovers |= name.find(".tmp") != std::string::npos;
    }
    Check(whole, "every MYMIDInn.MID is a whole Standard MIDI File");
    Check(!leftovers, "no temporary file was left");
}

// Return on the panel is its Play, whose waits (a second for a second press)
// serve the panel: a press meanwhile is acted on inside the wait of the one
// before. Edit mode composes nothing, so only what the presses left on the UI
// thread holds up the end. SIGTERM after ten quick presses, with a Power
// click queued right behind it, must end the program within a second.
void CheckQuitSignalBehindKeyPresses(Display* display, const std::string& program,
                                     const fs::path& folder) {
    pid_t pid = Start(program, folder.string(), true);
    const ::Window panel = WaitForPanel(display);
    if (panel) Click(display, panel, 40, 100);  // Mode
    auto editText = [&] {
        return CountNear(Grab(display, panel, 400, 210), 100, 74, 370, 145, Rgb{200, 255, 200},
                         30) > 20;
    };
    const bool edit = panel && WaitFor(editText, 20);
    Check(edit, "the panel went to edit mode");
    for (int i = 0; edit && i < 10; ++i) {
        PressReturn(display, panel);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    kill(pid, SIGTERM);
    if (panel) Click(display, panel, 40, 175, 0);  // Power
    Check(WaitExit(pid, 1) == 0, "SIGTERM behind queued key presses ended the program within 1 s");
}

// With the pattern files away, Play brings up the composer's box at once.
// SIGTERM while it is open, and nothing more (no click, no key), must end the
// program within ten seconds: the box's own loop wakes up for the request.
void CheckQuitSignalWithABoxOpen(Display* display, const std::string& program,
                                 const fs::path& folder, const std::string& out) {
    const fs::path held = folder / "held";
    fs::create_directories(held);
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().rfind("PATTERN.", 0) == 0)
            fs::rename(entry.path(), held / entry.path().filename());
    pid_t pid = Start(program, folder.string(), true);
    const ::Window panel = WaitForPanel(display);
    if (panel) Click(display, panel, 200, 180);  // Play
    const bool box = WaitFor([&] { return FindMessageBox(display) != 0; }, 20);
    Check(box, "Play without a pattern file opened a box");
    if (box)
        WritePng(Grab(display, DefaultRootWindow(display), DisplayWidth(display, 0),
                      DisplayHeight(display, 0)),
                 out + "/quit_with_box_xvfb.png");
    kill(pid, SIGTERM);
    Check(WaitExit(pid, 10) == 0, "SIGTERM with the box open ended the program within 10 s");
    for (const auto& entry : fs::directory_iterator(held))
        fs::rename(entry.path(), folder / entry.path().filename());
}

// A private X server of its own, which names its display through
// -displayfd; the pid, or -1 when it did not start.
pid_t StartServer(const std::string& xvfb, std::string& display, const fs::path& log) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        if (!std::freopen(log.c_str(), "a", stderr)) _exit(126);
        const std::string fd = std::to_string(fds[1]);
        execl(xvfb.c_str(), xvfb.c_str(), "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24",
              "-nolisten", "tcp", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    char number[32] = {};
    const ssize_t n = read(fds[0], number, sizeof number - 1);
    close(fds[0]);
    if (n <= 0) return -1;
    display = ":" + std::string(number, std::strcspn(number, "\n"));
    return pid;
}

// The program on a display whose server then ends in the middle of a run
// (the timer thread and the composer at work) quits as Power does: status
// 0, zaw.ini saved, the reason on stderr.
void CheckLostDisplay(const std::string& xvfb, const std::string& program,
                      const fs::path& folder) {
    std::string name;
    pid_t server = -1;
    Display* display = nullptr;
    // Servers started at the same moment by other tests may race for one
    // display number and lose it: a new try takes the next free one.
    for (int tries = 0; tries < 5 && !display; ++tries) {
        if (server > 0) {
            kill(server, SIGTERM);
            waitpid(server, nullptr, 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(200 * (tries + 1)));
        }
        server = StartServer(xvfb, name, folder / "second_server_stderr.txt");
        display = server > 0 ? XOpenDisplay(name.c_str()) : nullptr;
    }
    if (!display) {
        // Not the program's fault: the check is left out, with the server's words.
        std::ifstream log(folder / "second_server_stderr.txt");
        std::fprintf(stderr, "skipped: no second X server started: %s\n",
                     std::string(std::istreambuf_iterator<char>(log), {}).c_str());
        return;
    }
    std::error_code error;
    fs::remove(folder / "zaw.ini", error);
    const fs::path errors = folder / "lost_display_stderr.txt";
    pid_t pid = Start(program, folder.string(), true, name, errors.string());
    const ::Window panel = WaitForPanel(display);
    if (panel) Click(display, panel, 200, 180);  // Play
    std::this_thread::sleep_for(std::chrono::seconds(2));
    XCloseDisplay(display);
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
    Check(WaitExit(pid, 30) == 0, "the program ended with status 0 when its display went away");
    Check(fs::file_size(folder / "zaw.ini", error) == 3132, "zaw.ini was saved");
    std::ifstream in(errors);
    const std::string said((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Check(said.find("X display was lost") != std::string::npos, "stderr says the display was lost");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: panel_xvfb <zaw program> <output folder> <Xvfb>\n");
        return 2;
    }
    const fs::path built = argv[1];
    const std::string out = argv[2];
    fs::create_directories(out);
    // A fresh program folder: the program, its skin art and help pages.
    const fs::path folder = fs::temp_directory_path() / ("zaw-xvfb-" + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::copy_file(built, folder / "zaw");
    for (const char* sub : {"skin", "help"}) {
        std::error_code ignored;
        fs::copy(built.parent_path() / sub, folder / sub, fs::copy_options::recursive, ignored);
    }
    // The knowledge base the composer reads beside the program.
    for (const auto& entry : fs::directory_iterator(built.parent_path()))
        if (entry.path().filename().string().find(".DB") != std::string::npos)
            fs::copy_file(entry.path(), folder / entry.path().filename());
    const std::string program = (folder / "zaw").string();

    Check(WaitExit(Start(program, folder.string(), false), 30) == 1,
          "without a display the program ends with status 1");

    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "panel_xvfb: no X display\n");
        return 1;
    }
    pid_t pid = Start(program, folder.string(), true);
    ::Window panel = WaitForPanel(display);
    Check(panel != 0, "the panel window titled \"ZAW [00]\" appeared");
    if (!panel) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        return 1;
    }
    const Rgb black{0, 0, 0};
    const Rgb composeText{255, 255, 200};
    const Rgb otherText{200, 255, 200};
    // The skin the program paints: the drawn images under our own art.
    platform::ui::SkinStore skin;
    skin.LoadArt((folder / "skin").string());
    using platform::ui::SkinId;
    auto faceShown = [&](const Image& shot, SkinId id, int x, int y, int left, int top) {
        return Near(shot.Pixel(x, y), skin.Get(id).Pixel(x - left, y - top), 2);
    };
    Image compose;
    WaitFor(
        [&] {
            compose = Grab(display, panel, 400, 210);
            return compose.Pixel(102, 76) == black &&
                   CountNear(compose, 100, 74, 370, 145, composeText, 30) > 20 &&
                   faceShown(compose, SkinId::PanelNext, 310, 172, 301, 166);
        },
        20);
    Check(WritePng(compose, out + "/panel_compose_xvfb.png"), "compose screenshot written");
    Check(compose.Pixel(100, 74) == black && compose.Pixel(369, 144) == black &&
              compose.Pixel(369, 74) == black && compose.Pixel(100, 144) == black,
          "the status box is black to its corners");
    Check(compose.Pixel(99, 74) != black || compose.Pixel(370, 144) != black,
          "the box ends at its edges");
    const int composePixels = CountNear(compose, 100, 74, 370, 145, composeText, 30);
    Check(composePixels > 20,
          "compose mode text in (255,255,200): " + std::to_string(composePixels) + " pixels");
    Check(CountNear(compose, 100, 74, 370, 145, otherText, 20) == 0,
          "no (200,255,200) text in compose mode");
    Check(faceShown(compose, SkinId::PanelBackground, 5, 5, 0, 0) &&
              faceShown(compose, SkinId::PanelNext, 310, 172, 301, 166) &&
              faceShown(compose, SkinId::PanelComposeIdle, 175, 175, 168, 166) &&
              faceShown(compose, SkinId::PanelPower, 20, 150, 14, 147),
          "the background and the compose faces are shown");
    Check(CountNear(compose, 100, 130, 370, 145, Rgb{0, 127, 0}, 0) == 0,
          "no progress dots while nothing is composed");
    CheckCaptionsWhole(compose, skin.Get(SkinId::PanelBackground), "compose mode");
    CheckFacesUntouched(compose, skin,
                        {{SkinId::PanelPrevious, 83, 162},
                         {SkinId::PanelComposeIdle, 168, 166},
                         {SkinId::PanelNext, 301, 166}},
                        "compose mode");

    Click(display, panel, 40, 100);  // Mode
    Image edit;
    WaitFor(
        [&] {
            edit = Grab(display, panel, 400, 210);
            return CountNear(edit, 100, 74, 370, 145, otherText, 30) > 20 &&
                   faceShown(edit, SkinId::PanelEdit, 250, 175, 241, 166);
        },
        20);
    Check(WritePng(edit, out + "/panel_edit_xvfb.png"), "edit screenshot written");
    const int editPixels = CountNear(edit, 100, 74, 370, 145, otherText, 30);
    Check(editPixels > 20,
          "edit mode text in (200,255,200): " + std::to_string(editPixels) + " pixels");
    Check(CountNear(edit, 100, 74, 370, 145, composeText, 20) == 0,
          "no (255,255,200) text in edit mode");
    Check(faceShown(edit, SkinId::PanelEdit, 250, 175, 241, 166) &&
              faceShown(edit, SkinId::PanelPlay, 105, 170, 99, 163),
          "the Edit and Play faces are shown");
    Check(edit.Pixel(100, 74) == black && edit.Pixel(369, 144) == black,
          "the status box is black in edit mode");
    CheckCaptionsWhole(edit, skin.Get(SkinId::PanelBackground), "edit mode");
    CheckFacesUntouched(edit, skin, {{SkinId::PanelPlay, 99, 163}, {SkinId::PanelEdit, 241, 166}},
                        "edit mode");

    // Back to compose mode through convert mode, whose captions are checked
    // too, then Timer opens "Timer Set" over the panel: the whole screen is
    // read back with both windows.
    Click(display, panel, 40, 100);
    Image convert;
    WaitFor(
        [&] {
            convert = Grab(display, panel, 400, 210);
            return faceShown(convert, SkinId::PanelConvert, 250, 175, 241, 166);
        },
        20);
    Check(WritePng(convert, out + "/panel_convert_xvfb.png"), "convert screenshot written");
    CheckCaptionsWhole(convert, skin.Get(SkinId::PanelBackground), "convert mode");
    CheckFacesUntouched(convert, skin,
                        {{SkinId::PanelPlay, 99, 163}, {SkinId::PanelConvert, 241, 166}},
                        "convert mode");
    Click(display, panel, 40, 100);
    Click(display, panel, 280, 50);
    ::Window timer = 0;
    Check(WaitFor(
              [&] {
                  timer = FindTitled(display, DefaultRootWindow(display), "Timer Set");
                  return timer != 0;
              },
              20),
          "the \"Timer Set\" dialog appeared over the panel");
    if (timer) {
        const Rgb currentText{40, 80, 20};
        Image dialog;
        WaitFor(
            [&] {
                dialog = Grab(display, timer, 346, 144);
                return CountNear(dialog, 20, 100, 170, 120, currentText, 10) > 10 &&
                       faceShown(dialog, SkinId::Toggle4, 162, 89, 160, 87);
            },
            20);
        Check(WritePng(dialog, out + "/timer_set_xvfb.png"), "timer dialog screenshot written");
        const int screenWidth = DisplayWidth(display, DefaultScreen(display));
        const int screenHeight = DisplayHeight(display, DefaultScreen(display));
        Check(WritePng(Grab(display, DefaultRootWindow(display), screenWidth, screenHeight),
                       out + "/timer_over_panel_xvfb.png"),
              "screen with the panel and the timer dialog written");
        const int currentPixels = CountNear(dialog, 20, 100, 170, 120, currentText, 10);
        Check(currentPixels > 10,
              "\"Current\" text in (40,80,20): " + std::to_string(currentPixels) + " pixels");
        // A corner of each face, clear of its caption.
        Check(faceShown(dialog, SkinId::Toggle1, 14, 37, 12, 35), "the start time's face");
        Check(faceShown(dialog, SkinId::Toggle2, 304, 38, 161, 36), "the stop time's face");
        Check(faceShown(dialog, SkinId::Toggle4, 162, 89, 160, 87), "the on/off face");
        Check(faceShown(dialog, SkinId::Column, 308, 102, 302, 96), "the OK face");
        Click(display, timer, 322, 117);  // OK
        Check(WaitFor(
                  [&] { return FindTitled(display, DefaultRootWindow(display), "Timer Set") == 0; },
                  20),
              "OK closed the timer dialog");
    }

    // Play composes the first tune into the program folder and plays it;
    // Play again stops the run.
    Click(display, panel, 200, 180);
    Check(WaitFor([&] { return fs::exists(folder / "MYMIDI00.MID"); }, 60),
          "Play composed MYMIDI00.MID");
    Image playing;
    WaitFor(
        [&] {
            playing = Grab(display, panel, 400, 210);
            return CountNear(playing, 100, 74, 370, 145, composeText, 30) > 20;
        },
        20);
    Check(WritePng(playing, out + "/panel_playing_xvfb.png"), "playing screenshot written");
    // Without a sound card the synthesizer says once that it plays
    // silently, in a window nobody has to answer: the panel still takes
    // Play, which stops the run, while the notice stays open; then the
    // notice is closed with its button.
    const bool notice = WaitFor([&] { return FindMessageBox(display) != 0; }, 10);
    if (notice) {
        WritePng(Grab(display, DefaultRootWindow(display), DisplayWidth(display, 0),
                      DisplayHeight(display, 0)),
                 out + "/screen_playing_xvfb.png");
    }
    Click(display, panel, 200, 180);
    std::this_thread::sleep_for(std::chrono::seconds(3));
    if (notice) {
        Check(FindMessageBox(display) != 0, "the notice stayed open while the panel stopped");
        XWindowAttributes box{};
        XGetWindowAttributes(display, FindMessageBox(display), &box);
        Click(display, FindMessageBox(display), box.width / 2, box.height - 27);  // OK
        Check(WaitFor([&] { return FindMessageBox(display) == 0; }, 10), "the notice closed");
    }

    Click(display, panel, 40, 175);  // Power
    Check(WaitExit(pid, 30) == 0, "Power ended the program with status 0");
    std::error_code error;
    Check(fs::file_size(folder / "zaw.ini", error) == 3132, "zaw.ini of 3132 bytes was saved");
    CheckQuitSignalDuringARun(display, program, folder);
    CheckQuitSignalBehindKeyPresses(display, program, folder);
    CheckQuitSignalWithABoxOpen(display, program, folder, out);
    CheckLostDisplay(argv[3], program, folder);
    XCloseDisplay(display);
    fs::remove_all(folder, error);
    std::printf("%s\n", g_failures ? "FAILED" : "all checks passed");
    return g_failures ? 1 : 0;
}
