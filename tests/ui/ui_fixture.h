// Installs a fresh headless backend for each test of the UI layer, with the
// test's recording sink and scripted chooser answering its boxes and
// choosers, and uninstalls it afterwards.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "platform/ui/headless_backend.h"
#include "platform/ui/ui.h"

class UiTest : public ::testing::Test {
protected:
    void SetUp() override {
        backend_ = std::make_shared<platform::ui::HeadlessBackend>();
        platform::ui::InstallBackend(backend_);
    }
    void TearDown() override {
        platform::SetMessageSink(previousSink_);
        platform::ui::InstallBackend(nullptr);
    }
    // Routes platform::ShowBox through the UI layer's boxes.
    void UseUiBoxes() {
        previousSink_ = platform::SetMessageSink(std::make_shared<platform::ui::UiMessageSink>());
    }
    platform::ui::HeadlessBackend& Driver() { return *backend_; }

    std::shared_ptr<platform::ui::HeadlessBackend> backend_;
    std::shared_ptr<platform::MessageSink> previousSink_ = platform::GetMessageSink();
};
