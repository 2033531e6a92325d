#include "convert/terminal_table.h"

#include <gtest/gtest.h>

#include <string>

#include "core/app_utilities.h"
#include "core/settings.h"

namespace {

TEST(TerminalTable, EveryRowHoldsWhatTheConvertersRelyOn) {
    const TerminalTable table;
    ASSERT_EQ(table.Count(), 52);
    for (int row = 0; row < table.Count(); ++row) {
        const TerminalRow& r = table.Row(row);
        SCOPED_TRACE(row);
        EXPECT_GE(r.outputType, 0);
        EXPECT_LE(r.outputType, 25);
        // The id's range names the carrier.
        const int id = r.terminalId;
        EXPECT_TRUE((id >= 1 && id <= 28) || (id >= 101 && id <= 104) || (id >= 201 && id <= 203));
        EXPECT_EQ(r.carrier, id <= 28 ? 0 : id <= 104 ? 2 : 1);
        EXPECT_TRUE(r.byteLimit == 9999 || r.byteLimit == 19997 || r.byteLimit == 99999);
        EXPECT_GT(r.voices, 0);
        // Every code has its text: the info text has no empty field.
        const std::string info = table.FormatTerminalInfo(row);
        EXPECT_EQ(info.find("[]"), std::string::npos) << info;
        EXPECT_EQ(info.rfind(std::string("Name\t[") + r.name + "]\r\nCompany\t[", 0), 0u);
    }
}

TEST(TerminalTable, InfoTextAndRowsThatOnlyTheIdTellsApart) {
    const TerminalTable table;
    EXPECT_EQ(table.FormatTerminalInfo(43),
              "Name\t[Mova D,P,F,SO Pcm 4]\r\nCompany\t[NTT DoCoMo]\r\nGenerator\t[Pcm]\r\n"
              "LSI\t[Pcm]\r\nVoice\t[4]\r\nLimit\t[9999]byte\r\nTerminal\t[D502i P502i F502i "
              "SO502i]");
    const TerminalRow& a = table.Row(11);
    const TerminalRow& b = table.Row(13);
    EXPECT_EQ(table.FormatTerminalInfo(11), table.FormatTerminalInfo(13));
    EXPECT_EQ(a.outputType, b.outputType);
    EXPECT_EQ(a.terminalId, 6);
    EXPECT_EQ(b.terminalId, 7);
    // A code's text replaces what out held.
    std::string text = "kept";
    table.GetLsiName(0, text);
    EXPECT_EQ(text, "Ma5");
    EXPECT_NE(table.FormatTerminalInfo(44).find("LSI\t[Ma1]"), std::string::npos);
    EXPECT_NE(table.FormatTerminalInfo(45).find("Company\t[Softbank Moblie]"), std::string::npos);
    EXPECT_NE(table.FormatTerminalInfo(3).find("N252i\tN253i"), std::string::npos);
}

TEST(TerminalTable, RowsOutsideTheTableReadAsRowZero) {
    const TerminalTable table;
    for (int row : {-1, 52, 1000, -2147483647 - 1}) {
        EXPECT_EQ(table.GetOutputType(row), 14) << row;
        EXPECT_EQ(table.GetTerminalId(row), 1) << row;
        EXPECT_EQ(table.GetByteLimit(row), 19997) << row;
        EXPECT_EQ(table.FormatTerminalInfo(row), table.FormatTerminalInfo(0)) << row;
    }
}

TEST(TerminalTable, InstalledLookupGivesTheSelectedRowsId) {
    const std::int32_t saved = AppSettings.TerminalIndex;
    SetTerminalIdLookup(nullptr);
    AppSettings.TerminalIndex = 45;
    EXPECT_EQ(GetSelectedTerminalId(), 0);
    InstallTerminalTable();
    EXPECT_EQ(GetSelectedTerminalId(), 101);
    AppSettings.TerminalIndex = 51;
    EXPECT_EQ(GetSelectedTerminalId(), 203);
    SetTerminalIdLookup(nullptr);
    AppSettings.TerminalIndex = saved;
}

}  // namespace
