// Posts, repaints, pumping, boxes and choosers across threads, and the
// window calls that belong to the UI thread.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "tests/support/test_support.h"
#include "tests/ui/ui_fixture.h"

using namespace platform::ui;

namespace {

// Threaded tests wait for real: the fake clock would let a pump limit run out
// before the workers got going.
class UiThreadsTest : public UiTest {
protected:
    void SetUp() override {
        platform::SetClock(nullptr);
        UiTest::SetUp();
    }
};

TEST_F(UiThreadsTest, PostsFromEightThreadsArriveInPerThreadOrder) {
    constexpr int kThreads = 8;
    constexpr int kPosts = 250;
    std::vector<std::pair<int, int>> arrived;  // touched on the UI thread only
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([t, &arrived] {
            for (int i = 0; i < kPosts; ++i) {
                PostToUi([t, i, &arrived] {
                    EXPECT_TRUE(IsUiThread());
                    arrived.emplace_back(t, i);
                });
            }
        });
    }
    EXPECT_TRUE(
        PumpWhile([&] { return arrived.size() < kThreads * kPosts; }, std::chrono::seconds(60)));
    for (auto& w : workers)
        w.join();
    ASSERT_EQ(arrived.size(), static_cast<size_t>(kThreads * kPosts));
    std::vector<int> next(kThreads, 0);
    for (auto [t, i] : arrived) {
        EXPECT_EQ(i, next[t]) << "thread " << t;
        next[t] = i + 1;
    }
}

TEST_F(UiThreadsTest, RepaintRequestsFromAWorkerMakeOneRepaint) {
    Window window;
    window.Show();
    Driver().Pump();
    size_t before = Driver().Invalidations(window).size();
    std::thread worker([] {
        for (int i = 0; i < 5000; ++i)
            RequestRepaintAll();
    });
    worker.join();
    EXPECT_EQ(PendingPostCount(), 1);
    Driver().Pump();
    std::vector<Invalidation> after = Driver().Invalidations(window);
    ASSERT_EQ(after.size(), before + 1);
    EXPECT_FALSE(after.back().erase);
    // A request after the repaint posts again.
    RequestRepaintAll();
    EXPECT_EQ(PendingPostCount(), 1);
}

TEST_F(UiThreadsTest, WorkerBoxIsAnsweredWhileTheUiPumpsAndAtOnceAfterShutdown) {
    UseUiBoxes();
    testing_support::Sink().QueueAnswer(platform::kIdCancel);
    ::testing::internal::CaptureStderr();
    std::atomic<int> answer{0};
    std::thread worker([&] {
        EXPECT_FALSE(IsUiThread());
        answer = platform::ShowBox(platform::BoxKind::OkCancel, "Quit program?");
    });
    EXPECT_TRUE(PumpWhile([&] { return answer.load() == 0; }, std::chrono::seconds(60)));
    worker.join();
    EXPECT_EQ(answer.load(), platform::kIdCancel);
    EXPECT_EQ(Driver().BoxesShown(), 1);
    ASSERT_EQ(testing_support::Sink().Texts(), std::vector<std::string>{"Quit program?"});

    // A worker already waiting when shut-down begins is released with OK,
    // and one asking afterwards gets OK without the UI ever running.
    std::atomic<int> waiting{0};
    std::thread early([&] { waiting = platform::ShowBox(platform::BoxKind::OkCancel, "Early"); });
    for (int i = 0; i < 10000 && PendingPostCount() == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(PendingPostCount(), 1);
    BeginShutdown();
    early.join();
    EXPECT_EQ(waiting.load(), platform::kIdOk);
    std::thread late([&] { waiting = platform::ShowBox(platform::BoxKind::Error, "Late"); });
    late.join();
    EXPECT_EQ(waiting.load(), platform::kIdOk);
    RunPosted();  // the abandoned post shows nothing
    EXPECT_EQ(Driver().BoxesShown(), 1);
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("zaw question: Quit program?"), std::string::npos);
    EXPECT_NE(err.find("zaw question: Early"), std::string::npos);
    EXPECT_NE(err.find("zaw error: Late"), std::string::npos);
}

TEST_F(UiThreadsTest, WorkerNoticeReturnsWithoutTheUiAndShowsOnceItPumps) {
    UseUiBoxes();
    ::testing::internal::CaptureStderr();
    // Nobody serves the UI while the worker gives its notice: it must still
    // go on at once.
    std::thread worker([] { platform::ShowNotice("Plays silently."); });
    worker.join();
    EXPECT_EQ(Driver().NoticesShown(), 0);
    RunPosted();
    EXPECT_EQ(Driver().NoticesShown(), 1);
    EXPECT_EQ(Driver().BoxesShown(), 0);  // no modal box was run for it
    EXPECT_EQ(testing_support::Sink().Texts(), std::vector<std::string>{"Plays silently."});
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("zaw info: Plays silently."),
              std::string::npos);
}

TEST_F(UiThreadsTest, ChooserFromAWorkerRoundTripsTheFilterIndex) {
    testing_support::Chooser().QueueFile("/music/tune.wav", 2);
    UiFileChooser chooser;
    platform::FileChooserAnswer answer;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        platform::FileChooserRequest request;
        request.filter = "midi files|*.mid|wave files|*.wav|";
        request.filterIndex = 2;
        request.defaultExtension = "wav";
        answer = chooser.ChooseFile(request);
        done = true;
    });
    EXPECT_TRUE(PumpWhile([&] { return !done.load(); }, std::chrono::seconds(60)));
    worker.join();
    EXPECT_TRUE(answer.chosen);
    EXPECT_EQ(answer.path, "/music/tune.wav");
    EXPECT_EQ(answer.filterIndex, 2);
    auto requests = testing_support::Chooser().FileRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].filterIndex, 2);
    // Cancel is told apart from an error.
    testing_support::Chooser().QueueCancel();
    platform::FileChooserAnswer cancelled = chooser.ChooseFile({});
    EXPECT_FALSE(cancelled.chosen);
    EXPECT_EQ(cancelled.errorCode, 0);
}

TEST_F(UiThreadsTest, PumpWhileGivesUpAtItsLimit) {
    platform::SetClock(std::make_shared<platform::FakeClock>());
    EXPECT_FALSE(PumpWhile([] { return true; }, std::chrono::milliseconds(200)));
}

TEST_F(UiThreadsTest, WindowTouchedFromAnotherThreadStopsTheProgram) {
#ifdef NDEBUG
    GTEST_SKIP() << "the check is compiled into builds with assertions only";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Window window;
    EXPECT_DEATH(std::thread([&] { window.SetTitle("from a worker"); }).join(),
                 "Window::SetTitle called off the UI thread");
}

}  // namespace
