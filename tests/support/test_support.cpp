#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>

namespace testing_support {

namespace {

std::shared_ptr<platform::RecordingMessageSink> g_sink;
std::shared_ptr<platform::FakeClock> g_clock;
std::shared_ptr<platform::ScriptedFileChooser> g_chooser;
std::shared_ptr<platform::RecordingMidiOut> g_midi;
std::string g_scratch;

class InstallFakes : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo& info) override {
        g_sink = std::make_shared<platform::RecordingMessageSink>();
        g_clock = std::make_shared<platform::FakeClock>();
        g_chooser = std::make_shared<platform::ScriptedFileChooser>();
        g_midi = std::make_shared<platform::RecordingMidiOut>();
        platform::SetMessageSink(g_sink);
        platform::SetClock(g_clock);
        platform::SetFileChooser(g_chooser);
        platform::SetMidiOutSystem(g_midi);
        g_scratch.clear();
        (void)info;
    }
    void OnTestEnd(const ::testing::TestInfo&) override {
        if (!g_scratch.empty()) {
            std::error_code ec;
            std::filesystem::remove_all(g_scratch, ec);
            g_scratch.clear();
        }
    }
};

}  // namespace

platform::RecordingMessageSink& Sink() {
    return *g_sink;
}
platform::FakeClock& Clock() {
    return *g_clock;
}
platform::ScriptedFileChooser& Chooser() {
    return *g_chooser;
}
platform::RecordingMidiOut& Midi() {
    return *g_midi;
}

std::string ScratchDir() {
    if (g_scratch.empty()) {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "." + info->name();
        for (char& c : name) {
            if (c == '/') c = '_';
        }
        std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                    ("zaw-test-" + std::to_string(::getpid()) + "-" + name);
        std::filesystem::create_directories(dir);
        g_scratch = dir.string();
    }
    return g_scratch;
}

FileSizeLimit::FileSizeLimit(unsigned long bytes) {
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    savedCurrent_ = saved.rlim_cur;
    savedMaximum_ = saved.rlim_max;
    savedAction_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved;
    limit.rlim_cur = bytes;
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
}

FileSizeLimit::~FileSizeLimit() {
    rlimit saved{};
    saved.rlim_cur = savedCurrent_;
    saved.rlim_max = savedMaximum_;
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, savedAction_);
}

std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string ReadFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteFileText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

void Install() {
    ::testing::UnitTest::GetInstance()->listeners().Append(new InstallFakes);
}

}  // namespace testing_support
