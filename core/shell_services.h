// What the engine needs of the application shell: the main panel's title,
// repaints and status lines, the power-save switch, the values the shell
// shares with the composer, and a few small helpers of the shell. The shell
// installs its own ShellServices; without one a silent headless instance
// serves, and tests install a RecordingShellServices.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// ---- The panel, as the engine sees it ----

class ShellServices {
public:
    virtual ~ShellServices() = default;
    // Sets the main window's title; called from the compose worker's thread.
    virtual void SetMainWindowTitle(const std::string& title) = 0;
    // Repaints the whole panel at once.
    virtual void RedrawPanel() = 0;
    // Redraws the status lines from the shared texts.
    virtual void DrawStatus() = 0;
    // Asks every top-level window to repaint (posted, not waited for).
    virtual void BroadcastPaint() = 0;
    // Keeps the monitor from powering off or going to low power.
    virtual void DisablePowerSaving() = 0;
    // Shows the wait cursor (true) or the normal one (false) over the panel.
    virtual void SetWaitCursor(bool) {}
    // Waits the given milliseconds on the installed clock. On the UI thread
    // the shell keeps serving its events and posted work meanwhile, so a
    // worker that waits for a posted box cannot hold the wait up.
    virtual void Pause(int milliseconds);
};

// Does nothing: the instance in use until the shell installs its own.
class HeadlessShellServices : public ShellServices {
public:
    void SetMainWindowTitle(const std::string&) override {}
    void RedrawPanel() override {}
    void DrawStatus() override {}
    void BroadcastPaint() override {}
    void DisablePowerSaving() override {}
    void SetWaitCursor(bool) override {}
};

// Keeps every request with the status lines as they were at that moment.
class RecordingShellServices : public ShellServices {
public:
    enum class Kind {
        Title,
        RedrawPanel,
        DrawStatus,
        BroadcastPaint,
        DisablePowerSaving,
        WaitCursorOn,
        WaitCursorOff,
        Pause,
    };
    struct Request {
        Kind kind;
        std::string title;         // the title, for Kind::Title
        int milliseconds = 0;      // the length, for Kind::Pause
        std::string statusText;    // StatusText at the time of the request
        std::string resultText;    // ResultText at the time of the request
        std::string progressDots;  // ProgressDotsText at the time of the request
    };

    void SetMainWindowTitle(const std::string& title) override;
    void RedrawPanel() override;
    void DrawStatus() override;
    void BroadcastPaint() override;
    void DisablePowerSaving() override;
    void SetWaitCursor(bool waiting) override;
    // Recorded, then slept on the installed clock.
    void Pause(int milliseconds) override;

    std::vector<Request> Requests() const;
    int Count(Kind kind) const;
    // The last title set, empty when none.
    std::string LastTitle() const;
    void Clear();

private:
    void Record(Kind kind, const std::string& title = std::string(), int milliseconds = 0);

    mutable std::mutex mutex_;
    std::vector<Request> requests_;
};

// Installs the shell's services; nullptr restores the headless one. Returns
// the one replaced.
std::shared_ptr<ShellServices> SetShellServices(std::shared_ptr<ShellServices> services);
std::shared_ptr<ShellServices> GetShellServices();

// Shows the wait cursor through the installed services for its lifetime.
class ShellWaitCursor {
public:
    ShellWaitCursor() : services_(GetShellServices()) { services_->SetWaitCursor(true); }
    ~ShellWaitCursor() { services_->SetWaitCursor(false); }
    ShellWaitCursor(const ShellWaitCursor&) = delete;
    ShellWaitCursor& operator=(const ShellWaitCursor&) = delete;

private:
    std::shared_ptr<ShellServices> services_;
};

// ---- Shared texts ----

// A text that one thread writes while another draws it.
class SharedText {
public:
    explicit SharedText(const char* initial = "") : text_(initial) {}
    std::string Get() const;
    void Set(const std::string& text);
    void Append(const std::string& text);
    void Clear() { Set(std::string()); }
    std::size_t Length() const;

private:
    mutable std::mutex mutex_;
    std::string text_;
};

// The lines of the panel's status display.
extern SharedText StatusText;
extern SharedText ResultText;
extern SharedText ModeCaptionText;
extern SharedText ProgressDotsText;
// The dots the composer collects before they are shown.
extern SharedText ComposeProgressText;

// ---- Values the shell shares with the composer ----

constexpr const char* kDefaultOutputFileName = "MYMIDI00.MID";
// Name of the numbered output tune; its two digits (positions 6 and 7) are
// the tune number.
extern SharedText OutputFileName;
// Writes the tune number (0..99) as two digits into OutputFileName.
void SetOutputFileNumber(int tuneNumber);

// slot + 1 of the catalogue entry the compose worker picked last (0 before
// any pick).
extern std::atomic<int> ChosenStyleSlot;
// Tune number whose generated style was saved as "styleNN.dat" for the tune
// in hand; -1 when none was (the worker resets it before each tune).
extern std::atomic<int> SavedStyleTuneNumber;

// The path the convert panel prepares and the composer copies its tune to
// in convert mode.
extern SharedText ConversionOutputPath;

// One input file of a style conversion with its analysis.
struct ConversionInputSlot {
    char Path[256];                 // empty = the slot is not used
    std::int32_t ChannelRoles[18];  // analysis ints: roles per channel
    std::int32_t ChannelUsed[18];   // analysis ints: used flags per channel
    std::int32_t Extra[2];          // two further analysis values
};
constexpr int kConversionInputSlotCount = 10;
extern ConversionInputSlot ConversionInputSlots[kConversionInputSlotCount];

// Drum hit kinds made in the drum-pattern creator: three rows of 32.
constexpr int kCreatedDrumRows = 3;
constexpr int kCreatedDrumSteps = 32;
constexpr int kDrumRestKind = 6;
using CreatedDrumTable = std::array<std::array<int, kCreatedDrumSteps>, kCreatedDrumRows>;
// All rests from the start. The creator writes it on the UI thread while
// the drum generator may read it: both hold CreatedDrumPatternsMutex().
extern CreatedDrumTable CreatedDrumPatterns;
std::mutex& CreatedDrumPatternsMutex();
// A copy taken under the lock.
CreatedDrumTable CreatedDrumPatternsSnapshot();

// The working values set at start-up before the composer or the style editor
// reads them: the output name "MYMIDI00.MID" and every created drum step a
// rest.
void InitSharedShellValues();

// ---- Status operations ----

// ResultText = "The file is saved as mymidi" + the two digits of the tune
// just saved (those of OutputFileName) + ".mid"; then a repaint of all windows.
void ShowSavedTuneStatus();
// Appends '*' to ComposeProgressText, shows it in ProgressDotsText, redraws
// the status, and empties the collected dots once longer than 20 characters.
void AddProgressDot();
// As AddProgressDot, but the '*' is added only on every third call (the
// first, fourth, ...).
void AddProgressDotSlow();
// Progress and phase callbacks of the chord analysis: appends '*' to
// ProgressDotsText (emptied once longer than 20 characters), or sets it to
// "*", and repaints the panel. Both return 0.
int AdvanceProgressText();
int ResetProgressText();

// These read the working style and are defined with it:
// the title "[nn] " + style title and "Now composing " + title;
void ShowComposingStatus();
// "Converted to " / "Now playing " + title, progress dots emptied;
void ShowResultStatus();
// "The style is saved as style" + nn + ".dat" after a saved random style.
void ShowSavedStyleStatus();

// ---- Shell helpers ----

// Copies a file, creating or replacing the target. The copy is written under
// a temporary name beside the target and renamed only when complete, so a
// failed copy leaves the old target (or none) and no partial file. A source
// that cannot be read shows "Can not open file for play." (0xFF010126) and a
// box with the source path and the system's reason; a target that cannot be
// written, the same with the target path. A copy of a file onto itself leaves it untouched. Returns
// 1 when the target holds the copy.
int CopyFileBytes(const std::string& source, const std::string& target);

// Switches power saving off through the installed shell services.
void DisablePowerSaving();

// A box "ZAGN%08X text" for a common file-dialog error code.
void ReportCommonDialogError(std::uint32_t code);

// Defined with the working style: adapts its mix when the sound module is XG,
// and its beats per bar (4 for 4/4, else 3).
void AdjustWorkingStyleMix();
int BeatsPerBar();

// Defined with the tune model: rewrites an SMF image in a buffer of capacity
// bytes as format 0 and updates the length; 1 when the buffer holds format 0
// afterwards, 0 when the image is no SMF or its result would not fit.
int ConvertSmfBufferToFormat0(std::uint8_t* buffer, std::size_t capacity, std::size_t* length);
// Reads a Standard MIDI File into a buffer of capacity bytes, asking for the
// file when path is empty (the choice is stored in path); 1 on success.
// The buffer is cleared first. "File Open Error!" (0xFF010101) when the file
// cannot be opened, "File Size Error!" (0xFF010102) when it is empty or does
// not stay below the capacity and WorkBufferSize; a cancelled chooser returns
// 0 without a box, a failed one reports its error code.
int ReadMidiFile(std::string& path, std::uint8_t* buffer, std::size_t capacity, std::size_t* size);
// Defined with the composer's chord lists:
// the working style's harmony structure into the chord-edit buffer and the
// per-block chord lists.
void LoadChordBufferFromStyle();
