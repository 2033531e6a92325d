#include "platform/message_sink.h"

#include <cstdio>

namespace platform {

namespace {

std::mutex g_sinkMutex;

std::shared_ptr<MessageSink>& InstalledSink() {
    static std::shared_ptr<MessageSink> sink = std::make_shared<StderrMessageSink>();
    return sink;
}

const char* KindName(BoxKind kind) {
    switch (kind) {
        case BoxKind::Error:
            return "error";
        case BoxKind::Info:
            return "info";
        case BoxKind::OkCancel:
            return "question";
    }
    return "box";
}

}  // namespace

int StderrMessageSink::Show(BoxKind kind, const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string line = text;
    for (char& c : line) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    std::fprintf(stderr, "zaw %s: %s\n", KindName(kind), line.c_str());
    std::fflush(stderr);
    return kIdOk;
}

int RecordingMessageSink::Show(BoxKind kind, const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    boxes_.push_back({kind, text});
    if (kind != BoxKind::OkCancel || answers_.empty()) return kIdOk;
    int answer = answers_.front();
    answers_.pop_front();
    return answer;
}

void RecordingMessageSink::QueueAnswer(int answer) {
    std::lock_guard<std::mutex> lock(mutex_);
    answers_.push_back(answer);
}

std::vector<RecordingMessageSink::Box> RecordingMessageSink::Boxes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return boxes_;
}

std::vector<std::string> RecordingMessageSink::Texts() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> texts;
    texts.reserve(boxes_.size());
    for (const Box& b : boxes_)
        texts.push_back(b.text);
    return texts;
}

size_t RecordingMessageSink::Count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return boxes_.size();
}

void RecordingMessageSink::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    boxes_.clear();
    answers_.clear();
}

std::shared_ptr<MessageSink> SetMessageSink(std::shared_ptr<MessageSink> sink) {
    if (!sink) sink = std::make_shared<StderrMessageSink>();
    std::lock_guard<std::mutex> lock(g_sinkMutex);
    std::shared_ptr<MessageSink> old = InstalledSink();
    InstalledSink() = std::move(sink);
    return old;
}

std::shared_ptr<MessageSink> GetMessageSink() {
    std::lock_guard<std::mutex> lock(g_sinkMutex);
    return InstalledSink();
}

int ShowBox(BoxKind kind, const std::string& text) {
    // The sink is called outside the lock: a GUI sink blocks until the user
    // answers, and other threads must still be able to report meanwhile.
    std::shared_ptr<MessageSink> sink = GetMessageSink();
    return sink->Show(kind, text);
}

void ShowNotice(const std::string& text) {
    GetMessageSink()->Notice(text);
}

}  // namespace platform
