// Every message box of the program goes through one replaceable sink, so the
// GUI can draw real boxes while tests and headless runs record or print them.
#pragma once

#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace platform {

// Answers of a box, with the values callers compare against.
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

enum class BoxKind {
    Error,     // system-modal error box, OK only
    Info,      // plain information box, OK only
    OkCancel,  // system-modal question with OK and Cancel
};

class MessageSink {
public:
    virtual ~MessageSink() = default;
    // Shows one box and returns kIdOk or kIdCancel. May be called from any thread.
    virtual int Show(BoxKind kind, const std::string& text) = 0;
    // Shows an information that nobody has to answer: the caller goes on at
    // once, whatever thread it is on. Sinks that never wait show it as an
    // information box.
    virtual void Notice(const std::string& text) { Show(BoxKind::Info, text); }
};

// Writes one line per box to stderr and answers OK.
class StderrMessageSink : public MessageSink {
public:
    int Show(BoxKind kind, const std::string& text) override;

private:
    std::mutex mutex_;
};

// Keeps every box it was shown; answers questions from a script (OK when the
// script is empty).
class RecordingMessageSink : public MessageSink {
public:
    struct Box {
        BoxKind kind;
        std::string text;
    };

    int Show(BoxKind kind, const std::string& text) override;

    void QueueAnswer(int answer);
    std::vector<Box> Boxes() const;
    std::vector<std::string> Texts() const;
    size_t Count() const;
    void Clear();

private:
    mutable std::mutex mutex_;
    std::vector<Box> boxes_;
    std::deque<int> answers_;
};

// Installs a sink; nullptr restores the stderr sink. Returns the one replaced.
std::shared_ptr<MessageSink> SetMessageSink(std::shared_ptr<MessageSink> sink);
std::shared_ptr<MessageSink> GetMessageSink();

// Shows a box through the installed sink.
int ShowBox(BoxKind kind, const std::string& text);
// Shows a notice through the installed sink without waiting for it.
void ShowNotice(const std::string& text);

}  // namespace platform
