#include "play/midi_player.h"

#include <algorithm>

#include "core/utilities.h"
#include "midi/f0_data.h"
#include "midi/midi_status.h"

std::atomic<int> PlayerPlaying{0};
std::atomic<int> PlayerStopRequest{0};
std::atomic<int> CallBackPlayerDevice{platform::kMidiMapper};
std::atomic<int> SendGmSystemOnBeforePlay{1};

namespace {

const CodeText kPlayerTable[] = {
    {mdpl::kDivisionTooLarge, "Division is too large!"},
    {mdpl::kCantUseTimer, "Can not use timer!"},
    {mdpl::kTempoTooSlow, "Tempo is too slow!"},
    {mdpl::kInternal, "Internal error occured in MidiPlayer!"},
    {mdpl::kPlayPointWrong, "Play point is wrong!"},
    {mdpl::kTempoWrong, "Tempo is wrong!"},
    {mdpl::kDataInvalid, "Musical data is invalid!"},
};

constexpr ClassReporter kPlayerReporter("MDPL", kPlayerTable, "Error occured in MidiPlayer!");

void ShowPlayerError(std::uint32_t code) {
    kPlayerReporter.Show(code);
}

constexpr long long kNsPerMs = 1000000;
// Tempo of a tempo event too short to be played (60 bpm).
constexpr int kTempoOfWrongTempo = 1000000;
// Slowest tempo played: 10 bpm.
constexpr int kSlowestTempo = 6000000;
// Latest due instant, about 31 years after the clock's origin: a
// nonsensical delta cannot carry the instant past what the clock holds.
constexpr long long kLatestDue = 1000000000000000000LL;
// Whole milliseconds a timer waits for an instant remainingNs ahead: the
// millisecond before it, within the delays a timer takes (a wait cut short
// is set again when the timer fires).
unsigned TimerDelay(long long remainingNs) {
    platform::TimerCaps caps = platform::TimeGetDevCaps();
    return static_cast<unsigned>(std::clamp(remainingNs / kNsPerMs,
                                            static_cast<long long>(caps.periodMin),
                                            static_cast<long long>(caps.periodMax)));
}

// Class of the system-exclusive event that is a GM System On.
constexpr int kGmSystemOnClass = 9;

// Wakes the waiters for the end of play.
std::mutex g_endMutex;
std::condition_variable g_endChanged;

std::mutex g_controlerMutex;
std::shared_ptr<MidiControler> g_controler;

std::atomic<bool> g_callBackErrorShown{false};

}  // namespace

bool WaitForPlayEnd(platform::Nanoseconds deadline) {
    std::shared_ptr<platform::Clock> clock = platform::GetClock();
    std::unique_lock<std::mutex> lock(g_endMutex);
    while (PlayerPlaying.load() != 0) {
        if (clock->WaitUntil(lock, g_endChanged, deadline)) break;
    }
    return PlayerPlaying.load() == 0;
}

void WakePlayWaiters() {
    { std::lock_guard<std::mutex> lock(g_endMutex); }
    g_endChanged.notify_all();
}

std::shared_ptr<MidiControler> SharedMidiControler() {
    std::lock_guard<std::mutex> lock(g_controlerMutex);
    return g_controler;
}

// ---- MidiPlayer ----

MidiPlayer::MidiPlayer() = default;

MidiPlayer::MidiPlayer(MidiF0Data* song, int deviceId) {
    long long offset = 0;
    resolution_ = static_cast<unsigned>(Prepare(song, deviceId, 0, &offset, nullptr));
    if (resolution_ != 0) StartChain(TimerProc);
}

MidiPlayer::~MidiPlayer() {
    Kill();
    platform::TimeEndPeriod(static_cast<unsigned>(period_));
    if (keepDevice || !controler_) return;
    controler_->Close();
    std::lock_guard<std::mutex> lock(g_controlerMutex);
    if (g_controler == controler_) g_controler.reset();
    controler_.reset();
}

const MidiEvent* MidiPlayer::EventAt(int index) const {
    return song_ && song_->Track() ? song_->Track()->Event(index) : nullptr;
}

int MidiPlayer::EventCount() const {
    return song_ && song_->Track() ? song_->Track()->EventCount() : 0;
}

int MidiPlayer::Prepare(MidiF0Data* song, int deviceId, long long startTick, long long* startOffset,
                        PlayEventCallback callback) {
    *startOffset = 0;
    if (!song || song->noteMode != note_mode::kNoteOnOff || !song->Track()) {
        ShowPlayerError(mdpl::kInternal);
        return 0;
    }
    song_ = song;
    eventCallback_ = callback;
    controler_ = std::make_shared<MidiControler>(deviceId);
    if (!controler_->IsOpen()) {
        controler_.reset();
        PlayerPlaying = 0;
        return 0;
    }
    {
        std::lock_guard<std::mutex> lock(g_controlerMutex);
        g_controler = controler_;
    }
    if (SendGmSystemOnBeforePlay.load()) {
        song->Track()->DeleteSysExOfClass(kGmSystemOnClass);
        controler_->SendGmSystemOn();
        if (callback) {
            MidiEvent copy;
            copy.kind = event_kind::kSysEx;
            const std::uint8_t block[] = {0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
            copy.SetData(block, sizeof block);
            callback(0, 0, &copy);
        }
    }
    PlayerPlaying = 1;
    PlayerStopRequest = 0;
    killRequested_ = false;
    bpm_ = kDefaultPlayBpm;
    tempo_ = kDefaultPlayTempo;
    speed_ = 100;

    playIndex_ = 0;
    if (startTick > 0) {
        MidiStatus status;
        playIndex_ = status.ApplyUntil(*song, startTick, startOffset);
        for (const auto& event : status.MakeEvents())
            SendEvent(*event);
    }
    SendLeadingEvents(callback);

    // One tick in whole milliseconds at the tempo reached.
    const long long divisor = 1000LL * song->division * speed_;
    long long period = divisor > 0 ? static_cast<long long>(tempo_) * 100 / divisor : 0;
    platform::TimerCaps caps = platform::TimeGetDevCaps();
    period_ = static_cast<int>(std::max<long long>(period, caps.periodMin));
    platform::TimeBeginPeriod(static_cast<unsigned>(period_));
    return static_cast<int>(caps.periodMin);
}

void MidiPlayer::ApplyTempo(const MidiEvent& event) {
    if (event.value < 1000) {
        ShowPlayerError(mdpl::kTempoWrong);
        bpm_ = 60;
        tempo_ = kTempoOfWrongTempo;
        return;
    }
    bpm_ = TempoToBpm(event.value);
    tempo_ = event.value;
    if (bpm_ < 10) {
        ShowPlayerError(mdpl::kTempoTooSlow);
        bpm_ = 10;
        tempo_ = kSlowestTempo;
    }
}

void MidiPlayer::SendMessageOf(const MidiEvent& e) {
    if (!controler_) return;
    switch (e.kind) {
        case event_kind::kNoteOff:
            controler_->NoteOff(e.note, e.channel);
            break;
        case event_kind::kNoteOn:
            controler_->NoteOn(e.note, e.velocity, e.channel);
            break;
        case event_kind::kControlChange:
            controler_->ControlChange(e.value, e.subtype, e.channel);
            break;
        case event_kind::kProgramChange:
            controler_->ProgramChange(e.value, e.channel);
            break;
        case event_kind::kPitchBend:
            if (e.channel >= 0 && e.channel < 16)
                controler_->SendShortMessage(e.value, e.note, event_kind::kPitchBend | e.channel);
            break;
        case event_kind::kSysEx:
        case event_kind::kEscapedSysEx:
            controler_->SendSysEx(e.DataLength(), e.GetData());
            break;
        default:
            break;
    }
}

void MidiPlayer::SendEvent(const MidiEvent& event) {
    if (event.IsMeta(meta_type::kTempo)) {
        ApplyTempo(event);
        return;
    }
    SendMessageOf(event);
}

int MidiPlayer::StepEvent(const MidiEvent& event, int send, int advance) {
    if (send) SendEvent(event);
    int next = playIndex_ + 1;
    if (advance) playIndex_ = next;
    const MidiEvent* e = EventAt(next);
    if (!e) return -1;
    if (e->delta < 0) ShowPlayerError(mdpl::kDataInvalid);
    return e->delta;
}

int MidiPlayer::SendLeadingEvents(PlayEventCallback callback) {
    std::shared_ptr<platform::Clock> clock = platform::GetClock();
    for (const MidiEvent* e = EventAt(playIndex_); e && !e->IsNoteOn(); e = EventAt(playIndex_)) {
        int index = playIndex_;
        StepEvent(*e, 1, 1);
        if (callback) {
            MidiEvent copy(*e);
            callback(index, 0, &copy);
        }
        if (leadingPause != 0) clock->SleepMilliseconds(leadingPause);
    }
    return 1;
}

void MidiPlayer::AllNotesOff() {
    if (controler_) controler_->AllNotesOff();
}

bool MidiPlayer::AdvanceDue(long long delta) {
    // delta ticks last delta x tempo x 1000 ns / division at speed 100, so in
    // units of 1 / (division x speed) ns they are delta x tempo x 100000.
    const long long units = static_cast<long long>(song_->division) * speed_;
    if (units <= 0) {
        ShowPlayerError(mdpl::kTempoWrong);
        return false;
    }
    const __int128 total = static_cast<__int128>(delta) * tempo_ * 100000 + dueRest_;
    const __int128 due = dueNs_ + total / units;
    dueRest_ = static_cast<long long>(total % units);
    dueNs_ = due > kLatestDue ? kLatestDue : static_cast<long long>(due);
    return true;
}

bool MidiPlayer::StartChain(platform::TimerProc proc) {
    std::shared_ptr<platform::Clock> clock = platform::GetClock();
    const long long now = clock->Now().count();
    dueNs_ = now + period_ * kNsPerMs;
    dueRest_ = 0;
    if (const MidiEvent* e = EventAt(playIndex_)) {
        if (e->delta > 0) AdvanceDue(e->delta);
    }
    unsigned delay = TimerDelay(dueNs_ - now);
    platform::TimerId id =
        platform::TimeSetEvent(delay, resolution_, proc, this, platform::TimerKind::OneShot);
    if (id == 0) {
        ShowPlayerError(mdpl::kCantUseTimer);
        EndPlay();
        return false;
    }
    // The first callback may already have set the next timer.
    platform::TimerId expected = 0;
    timerId_.compare_exchange_strong(expected, id);
    return true;
}

bool MidiPlayer::ScheduleOrSleep(platform::TimerProc proc, bool* failed) {
    *failed = false;
    std::shared_ptr<platform::Clock> clock = platform::GetClock();
    const long long remaining = dueNs_ - clock->Now().count();
    if (remaining < kNsPerMs) {
        if (remaining > 0) clock->SleepUntil(platform::Nanoseconds(dueNs_));
        return false;
    }
    platform::TimerId id = platform::TimeSetEvent(TimerDelay(remaining), resolution_, proc, this,
                                                  platform::TimerKind::OneShot);
    if (id == 0) {
        ShowPlayerError(mdpl::kCantUseTimer);
        *failed = true;
        return false;
    }
    timerId_.store(id);
    return true;
}

void MidiPlayer::EndPlay() {
    {
        std::lock_guard<std::mutex> lock(g_endMutex);
        PlayerPlaying = 0;
    }
    g_endChanged.notify_all();
}

void MidiPlayer::Kill() {
    killRequested_ = true;
    // A callback in flight may set the next timer of the chain before it
    // returns, so the id is read again until no new one appeared.
    bool killed = false;
    for (;;) {
        platform::TimerId id = timerId_.load();
        if (id != 0 && platform::TimeKillEvent(id)) killed = true;
        if (timerId_.load() == id) break;
    }
    if (killed) EndPlay();
}

bool MidiPlayer::BeginCallback(platform::TimerProc proc) {
    if (StopWanted()) {
        AllNotesOff();
        EndPlay();
        return false;
    }
    bool failed = false;
    if (ScheduleOrSleep(proc, &failed)) return false;  // woken before the event was due
    if (failed) {
        EndPlay();
        return false;
    }
    return true;
}

void MidiPlayer::TimerProc(platform::TimerId, void* user) {
    static_cast<MidiPlayer*>(user)->OnTimer();
}

void MidiPlayer::OnTimer() {
    if (!BeginCallback(TimerProc)) return;
    bool failed = false;
    for (;;) {
        const MidiEvent* e = EventAt(playIndex_);
        if (!e) break;  // the last event was played
        int d = StepEvent(*e, 1, 1);
        if (d < 0) {
            if (d != -1 || !loop.load() || EventCount() == 0) break;
            // From the first event again, a period later at the least.
            playIndex_ = 0;
            const MidiEvent* first = EventAt(0);
            if (first->delta < 0 || !AdvanceDue(first->delta)) break;
            dueNs_ += period_ * kNsPerMs;
        } else if (!AdvanceDue(d)) {
            break;
        }
        if (ScheduleOrSleep(TimerProc, &failed)) return;
        if (failed) break;
    }
    AllNotesOff();
    EndPlay();
}

// ---- CallBackPlayer ----

CallBackPlayer::CallBackPlayer(MidiF0Data* song, int deviceId, PlayEventCallback callback,
                               long long startTime, long long startTick, long long endPosition) {
    batch_.reserve(256);
    Start(song, deviceId, callback, startTime, startTick, endPosition, false);
}

CallBackPlayer::CallBackPlayer(MidiF0Data* song, int deviceId, PlayEventCallback callback,
                               long long startTime, long long startTick, long long endPosition,
                               PlayEndCallback endCallback)
    : endCallback_(endCallback) {
    batch_.reserve(256);
    Start(song, deviceId, callback, startTime, startTick, endPosition, true);
}

CallBackPlayer::~CallBackPlayer() {
    // The batch is this class's: no callback may run once it is gone.
    Kill();
}

void CallBackPlayer::Start(MidiF0Data* song, int deviceId, PlayEventCallback callback,
                           long long startTime, long long startTick, long long endPosition,
                           bool quietWhenEmpty) {
    currentTime_ = startTime;
    endPosition_ = endPosition;
    long long offset = 0;
    resolution_ = static_cast<unsigned>(Prepare(song, deviceId, startTick, &offset, callback));
    if (resolution_ == 0) return;
    currentTime_ += offset;
    if (quietWhenEmpty && playIndex_ >= EventCount()) {
        EndPlay();
        return;
    }
    if (const MidiEvent* e = EventAt(playIndex_)) currentTime_ += e->delta;
    StartChain(TimerProc);
}

void CallBackPlayer::TimerProc(platform::TimerId, void* user) {
    static_cast<CallBackPlayer*>(user)->OnTimer();
}

void CallBackPlayer::OnTimer() {
    if (!BeginCallback(TimerProc)) return;
    bool failed = false;
    std::shared_ptr<platform::Clock> clock = platform::GetClock();
    const long long now = clock->Now().count();
    bool atEnd = false;
    bool atEndPosition = false;
    batch_.clear();
    for (;;) {
        if (playIndex_ >= EventCount()) {
            if (!loop.load() || EventCount() == 0) {
                atEnd = true;
                break;
            }
            // From the first event again, a period later at the least.
            playIndex_ = 0;
            if (EventAt(0)->delta < 0 || !AdvanceDue(EventAt(0)->delta)) {
                atEnd = true;
                break;
            }
            currentTime_ += EventAt(0)->delta;
            dueNs_ += period_ * kNsPerMs;
            break;
        }
        if (endPosition_ != -1 && currentTime_ >= endPosition_) {
            atEndPosition = true;
            break;
        }
        const MidiEvent* e = EventAt(playIndex_);
        if (e->IsMeta(meta_type::kTempo)) ApplyTempo(*e);
        batch_.push_back({playIndex_, currentTime_, dueNs_});
        ++playIndex_;
        const MidiEvent* next = EventAt(playIndex_);
        if (!next) continue;
        if (next->delta < 0) {
            ShowPlayerError(mdpl::kDataInvalid);
            atEnd = true;
            break;
        }
        if (!AdvanceDue(next->delta)) {
            atEnd = true;
            break;
        }
        currentTime_ += next->delta;
        if (dueNs_ - now >= kNsPerMs) break;
    }
    const bool last = atEnd || atEndPosition;
    if (!last) {
        const long long remaining = dueNs_ - clock->Now().count();
        unsigned delay = TimerDelay(remaining);
        platform::TimerId id = platform::TimeSetEvent(delay, resolution_, TimerProc, this,
                                                      platform::TimerKind::OneShot);
        if (id == 0) {
            ShowPlayerError(mdpl::kCantUseTimer);
            failed = true;
        } else {
            timerId_.store(id);
        }
    }
    SendBatch();
    if (!last && !failed) return;
    AllNotesOff();
    if (atEndPosition && !endCallback_ && !g_callBackErrorShown.exchange(true))
        ShowErrorBox("CallBackPlayer Error!");
    EndPlay();
}

void CallBackPlayer::SendBatch() {
    std::shared_ptr<platform::Clock> clock = platform::GetClock();
    for (const BatchEntry& entry : batch_) {
        platform::Nanoseconds due(entry.due);
        if (due > clock->Now()) clock->SleepUntil(due);
        const MidiEvent* e = EventAt(entry.index);
        if (eventCallback_) {
            MidiEvent copy(*e);
            eventCallback_(entry.index, entry.time, &copy);
        }
        SendMessageOf(*e);
    }
}
