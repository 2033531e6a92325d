// The terminal choice: a list of the handsets with the chosen one's details,
// and a byte limit on up-down arrows. A new handset puts 90 % of its largest
// file into the limit. An index outside the table starts on the first one.
#pragma once

#include <memory>
#include <string>

#include "app/value_dialog.h"
#include "convert/terminal_table.h"

constexpr int kTerminalLimitEdit = 1274;
constexpr int kTerminalLimitSpin = 2169;
constexpr int kTerminalCombo = 2064;
constexpr int kTerminalInfo = 1172;

// 90 % of a byte limit, truncated.
int SuggestedByteLimit(int byteLimit);

// The row's details with plain line ends, as the text view shows them.
std::string TerminalInfoLines(const TerminalTable& table, int row);

class CTerminalSelectionDlg : public ValueDialog {
public:
    explicit CTerminalSelectionDlg(platform::ui::Window* parent = nullptr);

    std::string title;
    int numberMinimum = 0;
    int numberMaximum = 0;
    int numberValue = 0;
    int terminalIndex = 0;

    // Runs the dialog; the handset table is read for it and let go after.
    int DoModal();
    void OnControl(platform::ui::Window& window, platform::ui::Control& control,
                   platform::ui::ControlEvent event) override;

protected:
    std::string Title() const override { return title; }
    void BuildControls(platform::ui::Window& window) override;
    bool Accept() override;

private:
    void ShowTerminal(int row, bool suggestLimit);

    std::unique_ptr<TerminalTable> table_;
    platform::ui::Control* spin_ = nullptr;
    platform::ui::Control* combo_ = nullptr;
    platform::ui::Control* info_ = nullptr;
};
