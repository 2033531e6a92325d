#include "core/shell_services.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "core/reporters.h"
#include "core/service_slot.h"
#include "platform/clock.h"
#include "platform/paths.h"

namespace {

constexpr ErrorCode kCantOpenFileForPlay = 0xFF010126u;
// Collected progress dots are emptied once they pass this length.
constexpr std::size_t kProgressDotLimit = 20;

ServiceSlot<ShellServices, HeadlessShellServices> g_services;
std::shared_ptr<ShellServices> Services() {
    return g_services.Get();
}

std::atomic<unsigned> g_slowDotCalls{0};

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec) && !ec;
}

void ClearProgressDotsPastLimit() {
    if (ComposeProgressText.Length() > kProgressDotLimit) ComposeProgressText.Clear();
}

}  // namespace

void ShellServices::Pause(int milliseconds) {
    platform::GetClock()->SleepMilliseconds(milliseconds);
}

// ---- Recording services ----

void RecordingShellServices::Record(Kind kind, const std::string& title, int milliseconds) {
    Request r{
        kind, title, milliseconds, StatusText.Get(), ResultText.Get(), ProgressDotsText.Get()};
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(std::move(r));
}

void RecordingShellServices::SetMainWindowTitle(const std::string& title) {
    Record(Kind::Title, title);
}
void RecordingShellServices::RedrawPanel() {
    Record(Kind::RedrawPanel);
}
void RecordingShellServices::DrawStatus() {
    Record(Kind::DrawStatus);
}
void RecordingShellServices::BroadcastPaint() {
    Record(Kind::BroadcastPaint);
}
void RecordingShellServices::DisablePowerSaving() {
    Record(Kind::DisablePowerSaving);
}
void RecordingShellServices::SetWaitCursor(bool waiting) {
    Record(waiting ? Kind::WaitCursorOn : Kind::WaitCursorOff);
}
void RecordingShellServices::Pause(int milliseconds) {
    Record(Kind::Pause, std::string(), milliseconds);
    ShellServices::Pause(milliseconds);
}

std::vector<RecordingShellServices::Request> RecordingShellServices::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

int RecordingShellServices::Count(Kind kind) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(std::count_if(requests_.begin(), requests_.end(),
                                          [kind](const Request& r) { return r.kind == kind; }));
}

std::string RecordingShellServices::LastTitle() const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = requests_.rbegin(); it != requests_.rend(); ++it)
        if (it->kind == Kind::Title) return it->title;
    return std::string();
}

void RecordingShellServices::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.clear();
}

std::shared_ptr<ShellServices> SetShellServices(std::shared_ptr<ShellServices> services) {
    return g_services.Set(std::move(services));
}

std::shared_ptr<ShellServices> GetShellServices() {
    return Services();
}

// ---- Shared texts ----

std::string SharedText::Get() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return text_;
}

void SharedText::Set(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    text_ = text;
}

void SharedText::Append(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    text_ += text;
}

std::size_t SharedText::Length() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return text_.size();
}

SharedText StatusText;
SharedText ResultText;
SharedText ModeCaptionText;
SharedText ProgressDotsText;
SharedText ComposeProgressText;

SharedText OutputFileName(kDefaultOutputFileName);
std::atomic<int> ChosenStyleSlot{0};
std::atomic<int> SavedStyleTuneNumber{-1};
SharedText ConversionOutputPath;

ConversionInputSlot ConversionInputSlots[kConversionInputSlotCount]{};

namespace {
constexpr CreatedDrumTable AllDrumRests() {
    CreatedDrumTable rows{};
    for (auto& row : rows)
        row.fill(kDrumRestKind);
    return rows;
}
}  // namespace

CreatedDrumTable CreatedDrumPatterns = AllDrumRests();

std::mutex& CreatedDrumPatternsMutex() {
    static std::mutex mutex;
    return mutex;
}

CreatedDrumTable CreatedDrumPatternsSnapshot() {
    std::lock_guard<std::mutex> lock(CreatedDrumPatternsMutex());
    return CreatedDrumPatterns;
}

void SetOutputFileNumber(int tuneNumber) {
    std::string name = OutputFileName.Get();
    if (name.size() < 8) name = kDefaultOutputFileName;
    int n = ((tuneNumber % 100) + 100) % 100;
    name[6] = static_cast<char>('0' + n / 10);
    name[7] = static_cast<char>('0' + n % 10);
    OutputFileName.Set(name);
}

void InitSharedShellValues() {
    OutputFileName.Set(kDefaultOutputFileName);
    std::lock_guard<std::mutex> lock(CreatedDrumPatternsMutex());
    CreatedDrumPatterns = AllDrumRests();
}

// ---- Status operations ----

void ShowSavedTuneStatus() {
    std::string name = OutputFileName.Get();
    std::string digits = name.size() >= 8 ? name.substr(6, 2) : std::string("00");
    ResultText.Set("The file is saved as mymidi" + digits + ".mid");
    Services()->BroadcastPaint();
}

void AddProgressDot() {
    ComposeProgressText.Append("*");
    ProgressDotsText.Set(ComposeProgressText.Get());
    Services()->DrawStatus();
    ClearProgressDotsPastLimit();
}

void AddProgressDotSlow() {
    unsigned call = g_slowDotCalls.fetch_add(1);
    if (call % 3 == 0) ComposeProgressText.Append("*");
    ProgressDotsText.Set(ComposeProgressText.Get());
    ClearProgressDotsPastLimit();
    Services()->DrawStatus();
    ClearProgressDotsPastLimit();
}

int AdvanceProgressText() {
    ProgressDotsText.Append("*");
    Services()->RedrawPanel();
    if (ProgressDotsText.Length() > kProgressDotLimit) ProgressDotsText.Clear();
    return 0;
}

int ResetProgressText() {
    ProgressDotsText.Set("*");
    Services()->RedrawPanel();
    return 0;
}

// ---- Shell helpers ----

int CopyFileBytes(const std::string& source, const std::string& target) {
    // The second box names the file that failed and why: the source that
    // could not be read, or the target that could not be written.
    auto fail = [](const std::string& path, int error) {
        ShowErrorMessage(kCantOpenFileForPlay);
        ShowInfoBox(platform::FileErrorText(path, error));
        return 0;
    };
    FilePtr in(std::fopen(source.c_str(), "rb"));
    if (!in) return fail(source, errno);
    // Writing the target would replace the source itself.
    if (SameFile(source, target)) return 1;
    // The copy appears under the target's name only once it is complete.
    platform::AtomicFileWriter out(target);
    if (!out.Opened()) return fail(target, out.Error());

    char buffer[16384];
    for (;;) {
        std::size_t n = std::fread(buffer, 1, sizeof buffer, in.get());
        if (n > 0 && !out.Write(buffer, n)) return fail(target, out.Error());
        if (n < sizeof buffer) break;
    }
    if (std::ferror(in.get()) != 0) return fail(source, EIO);
    return out.Commit() ? 1 : fail(target, out.Error());
}

void DisablePowerSaving() {
    Services()->DisablePowerSaving();
}

void ReportCommonDialogError(std::uint32_t code) {
    const ClassReporter reporter("ZAGN", CommonDialogErrorTable(), "Undefined error occured!");
    ShowInfoBox(reporter.Format(code));
}
