// "Chord Edit" driven as a user would: it opens on the code handed in, the
// two lists are chosen and OK gives the code and the marker text.
#include "app/chord_edit_dialog.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/ui/headless_backend.h"
#include "platform/ui/image.h"
#include "platform/ui/ui.h"
#include "tests/support/test_support.h"
#include "tuneedit/edited_tune.h"

using namespace platform::ui;

namespace {

class ChordEditDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        backend_ = std::make_shared<HeadlessBackend>();
        InstallBackend(backend_);
        ResetSkinBlitFailure();
    }
    void TearDown() override { InstallBackend(nullptr); }
    std::shared_ptr<HeadlessBackend> backend_;
};

TEST_F(ChordEditDialogTest, OpensOnTheCodeAndGivesTheChoice) {
    EdChordEdit dialog(nullptr, "bmPS");
    std::pair<int, int> opened{-1, -1};
    backend_->Then([&](HeadlessBackend& d) {
        Window* top = d.TopWindow();
        opened = {top->FindControl(kChordEditRootCombo)->Selection(),
                  top->FindControl(kChordEditKindCombo)->Selection()};
        // A picture of the dialog as it opened, when a folder is named.
        if (const char* dir = std::getenv("ZAW_SNAPSHOT_DIR"))
            WritePng(d.Snapshot(*top), std::string(dir) + "/chord_edit.png");
        d.Key(Key::Esc);  // only beeps
        d.Select(kChordEditRootCombo, 6);
        d.Select(kChordEditKindCombo, 4);
        d.Click(322, 117);
    });
    EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
    EXPECT_EQ(opened, (std::pair<int, int>{10, 3}));
    EXPECT_EQ(dialog.OldCode(), "bmPS");
    EXPECT_EQ(dialog.NewCode(), "gmds");
    EXPECT_EQ(dialog.NewText(), "Gbdim 7");
    char code[4];
    ASSERT_TRUE(ParseChordNameText(dialog.NewText(), code));
    EXPECT_EQ(std::string(code, 4), dialog.NewCode());
    EXPECT_GE(backend_->Beeps(), 1);
}

}  // namespace
