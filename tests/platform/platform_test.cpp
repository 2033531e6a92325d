#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/file_chooser.h"
#include "platform/message_sink.h"
#include "platform/paths.h"
#include "tests/support/test_support.h"

using testing_support::Sink;

TEST(MessageSink, RecordsBoxesAndAnswersQuestionsFromScript) {
    Sink().QueueAnswer(platform::kIdCancel);
    EXPECT_EQ(platform::ShowBox(platform::BoxKind::Error, "e"), platform::kIdOk);
    EXPECT_EQ(platform::ShowBox(platform::BoxKind::OkCancel, "q1"), platform::kIdCancel);
    // With the script used up, questions are answered OK.
    EXPECT_EQ(platform::ShowBox(platform::BoxKind::OkCancel, "q2"), platform::kIdOk);
    auto boxes = Sink().Boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].kind, platform::BoxKind::Error);
    EXPECT_EQ(boxes[1].text, "q1");
}

TEST(MessageSink, SafeFromManyThreads) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([] {
            for (int i = 0; i < 200; ++i)
                platform::ShowBox(platform::BoxKind::Info, "x");
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(Sink().Count(), 1600u);
}

TEST(MessageSink, NullRestoresDefaultSink) {
    auto previous = platform::SetMessageSink(nullptr);
    EXPECT_NE(platform::GetMessageSink(), previous);
    EXPECT_NE(dynamic_cast<platform::StderrMessageSink*>(platform::GetMessageSink().get()),
              nullptr);
    platform::SetMessageSink(previous);
}

TEST(FakeClock, SleepsJumpToTheDeadlineAndWallTimeFollows) {
    platform::FakeClock clock;
    clock.SetWallSeconds(1000);
    auto start = clock.Now();
    clock.SleepMilliseconds(500);
    EXPECT_EQ(clock.Now() - start, std::chrono::milliseconds(500));
    // A deadline in the past does not move time backwards.
    clock.SleepUntil(start);
    EXPECT_EQ(clock.Now() - start, std::chrono::milliseconds(500));
    clock.Advance(std::chrono::seconds(2));
    EXPECT_EQ(clock.WallSeconds(), 1002);
    EXPECT_EQ(clock.Slept(), std::chrono::milliseconds(500));
}

TEST(RealClock, SleepsToAbsoluteDeadline) {
    platform::RealClock clock;
    auto start = clock.Now();
    clock.SleepUntil(start + std::chrono::milliseconds(5));
    EXPECT_GE(clock.Now() - start, std::chrono::milliseconds(5));
}

TEST(Paths, FullPathsAndJoins) {
    EXPECT_TRUE(platform::IsFullPath("/tmp/a"));
    EXPECT_FALSE(platform::IsFullPath("a/b"));
    EXPECT_FALSE(platform::IsFullPath(""));
    EXPECT_EQ(platform::JoinPath("/a", "b"), "/a/b");
    EXPECT_EQ(platform::JoinPath("/a/", "b"), "/a/b");
    EXPECT_EQ(platform::JoinPath("", "b"), "b");
}

TEST(Paths, ProgramDirectoryIsTheExecutablesFolderUnlessReplaced) {
    std::string dir = platform::ProgramDirectory();
    ASSERT_TRUE(platform::IsFullPath(dir));
    EXPECT_NE(dir.back(), '/');
    platform::SetProgramDirectory("/somewhere");
    EXPECT_EQ(platform::ProgramDirectory(), "/somewhere");
    platform::SetProgramDirectory("");
    EXPECT_EQ(platform::ProgramDirectory(), dir);
}

TEST(ScriptedFileChooser, HandsOutQueuedAnswersThenCancels) {
    platform::ScriptedFileChooser chooser;
    chooser.QueueFile("/x/a.mid", 2);
    auto first = chooser.ChooseFile({"mid", "midi files|*.mid|", "", "/x", 1});
    EXPECT_TRUE(first.chosen);
    EXPECT_EQ(first.path, "/x/a.mid");
    EXPECT_EQ(first.filterIndex, 2);
    EXPECT_FALSE(chooser.ChooseFile({}).chosen);
    EXPECT_FALSE(chooser.ChooseFolder({"/x", "t"}).chosen);
    ASSERT_EQ(chooser.FileRequests().size(), 2u);
    EXPECT_EQ(chooser.FileRequests()[0].initialFolder, "/x");
}

TEST(Clock, WaitUntilEndsAtTheDeadlineOrWhenNotified) {
    std::mutex mutex;
    std::condition_variable cv;
    platform::RealClock real;
    {
        std::unique_lock<std::mutex> lock(mutex);
        auto start = real.Now();
        bool reached = false;
        while (!reached)
            reached = real.WaitUntil(lock, cv, start + std::chrono::milliseconds(5));
        EXPECT_GE(real.Now() - start, std::chrono::milliseconds(5));
    }
    {
        // A notification ends the wait long before its deadline.
        bool flag = false;
        std::thread notifier([&] {
            std::lock_guard<std::mutex> lock(mutex);
            flag = true;
            cv.notify_all();
        });
        std::unique_lock<std::mutex> lock(mutex);
        auto start = real.Now();
        while (!flag)
            EXPECT_FALSE(real.WaitUntil(lock, cv, start + std::chrono::seconds(30)));
        EXPECT_LT(real.Now() - start, std::chrono::seconds(30));
        lock.unlock();
        notifier.join();
    }
    // The fake clock jumps to the deadline at once, still holding the lock.
    platform::FakeClock fake;
    std::unique_lock<std::mutex> lock(mutex);
    EXPECT_TRUE(fake.WaitUntil(lock, cv, std::chrono::seconds(3)));
    EXPECT_TRUE(lock.owns_lock());
    EXPECT_EQ(fake.Now(), std::chrono::seconds(3));
    EXPECT_TRUE(fake.WaitUntil(lock, cv, std::chrono::seconds(1)));
    EXPECT_EQ(fake.Now(), std::chrono::seconds(3));
}
