// Entry point of the program: the quit signals, the desktop's UI layer, then
// the application object's start-up, panel and shut-down.
#include <cstdio>
#include <cstdlib>

#include "app/application.h"
#include "app/shell_seams.h"
#include "app/timer_thread.h"
#include "platform/file_chooser.h"
#include "platform/message_sink.h"
#include "platform/quit_signals.h"
#include "platform/ui/fltk/fltk_backend.h"
#include "platform/ui/ui.h"

int main(int argc, char** argv) {
    // From the start: a signal that comes before the panel runs is answered
    // as soon as it does.
    platform::InstallQuitSignalHandlers();
    std::shared_ptr<platform::ui::Backend> backend = platform::ui::MakeFltkBackend();
    if (!backend) {
        const char* display = std::getenv("DISPLAY");
        std::fprintf(stderr, "zaw: no display: cannot open the X display \"%s\".\n",
                     display ? display : "");
        return 1;
    }
    platform::ui::InstallBackend(backend);
    platform::SetMessageSink(std::make_shared<platform::ui::UiMessageSink>());
    platform::SetFileChooser(std::make_shared<platform::ui::UiFileChooser>());
    SetTimerThreadHooks(StartTimerThread, StopTimerThread);
    int status = 0;
    {
        ZawApplication app(ArgumentWords(argc, argv));
        status = app.InitInstance() ? 0 : 1;
        app.ExitInstance();
    }
    platform::ui::BeginShutdown();
    platform::SetFileChooser(nullptr);
    platform::SetMessageSink(nullptr);
    platform::ui::InstallBackend(nullptr);
    return status;
}
