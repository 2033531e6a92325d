// The melody-mail text box and the ring-voice format choice, driven as a
// user would through the headless backend.
#include "app/text_input_dialog.h"

#include <gtest/gtest.h>

#include "app/ring_voice_selection_dialog.h"
#include "convert/audio/ring_voice_table.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/ui.h"
#include "tests/support/test_support.h"

using namespace platform::ui;
using testing_support::Sink;

namespace {

constexpr Point kOk{322, 117};
constexpr Point kPlate{170, 64};

class TextDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        backend_ = std::make_shared<HeadlessBackend>();
        InstallBackend(backend_);
        ResetSkinBlitFailure();
        Sink().Clear();
    }
    void TearDown() override { InstallBackend(nullptr); }
    void Then(std::function<void(HeadlessBackend&)> step) { backend_->Then(std::move(step)); }

    std::shared_ptr<HeadlessBackend> backend_;
};

}  // namespace

TEST_F(TextDialogs, OkCopiesTheWholeMailTextAndCloses) {
    const std::string text = "--B:M\r\n" + std::string(400, 'Q') + "w==";
    const std::string path = testing_support::ScratchDir() + "/mail.txt";
    testing_support::WriteFileText(path, text);
    Then([&](HeadlessBackend& d) {
        Window* w = d.TopWindow();
        EXPECT_EQ(w->Title(), kMelodyMailCaption);
        Control* view = w->FindControl(kTextInputEdit);
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->Text(), "--B:M\n" + text.substr(7));
        EXPECT_FALSE(view->IsEnabled());
        EXPECT_EQ(view->Bounds(), Rect::FromSize(40, 90, 250, 50));
        // Esc only beeps; the caption plate does nothing.
        d.Key(Key::Esc);
        d.Click(kPlate.x, kPlate.y);
        EXPECT_EQ(d.TopWindow(), w);
        EXPECT_TRUE(d.Clipboard().empty());
        d.Click(kOk.x, kOk.y);
    });
    const int beeps = backend_->Beeps();
    ShowMelodyMailText(path);
    EXPECT_EQ(backend_->Beeps(), beeps + 1);
    EXPECT_EQ(backend_->Clipboard(), text);
    EXPECT_EQ(Sink().Texts(), std::vector<std::string>{"ZAWCFF010154 Text is copied to clip board."});
    EXPECT_EQ(backend_->PendingSteps(), 0u);
    // A file that cannot be read opens nothing.
    Sink().Clear();
    ShowMelodyMailText(testing_support::ScratchDir() + "/none.txt");
    EXPECT_EQ(backend_->Clipboard(), text);
}

TEST_F(TextDialogs, RingVoiceFormatListsEveryHandsetFamily) {
    Then([](HeadlessBackend& d) {
        Window* w = d.TopWindow();
        EXPECT_EQ(w->Title(), kRingVoiceDialogTitle);
        const Control* list = w->FindControl(kRingVoiceCombo);
        ASSERT_EQ(list->Items().size(), static_cast<std::size_t>(RingVoiceFormatCount));
        for (int i = 0; i < RingVoiceFormatCount; ++i)
            EXPECT_EQ(list->Items()[static_cast<std::size_t>(i)].text, RingVoiceFormatTable[i].handsetList);
        EXPECT_EQ(list->Selection(), 0);
        d.Select(kRingVoiceCombo, 12);
        w->FindControl(kRingVoiceOk)->UserClick();
    });
    CRingVoiceSelectionDlg chosen;
    EXPECT_EQ(chosen.DoModal(), platform::kIdOk);
    EXPECT_EQ(chosen.formatIndex, 12);
    // Closed without OK: format 0, whatever was picked.
    Then([](HeadlessBackend& d) {
        d.Select(kRingVoiceCombo, 5);
        d.Key(Key::Esc);
    });
    CRingVoiceSelectionDlg closed;
    EXPECT_EQ(closed.DoModal(), platform::kIdCancel);
    EXPECT_EQ(closed.formatIndex, 0);
    EXPECT_EQ(backend_->PendingSteps(), 0u);
}
