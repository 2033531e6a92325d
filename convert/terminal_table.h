// The handsets the ringtones are made for: one constant row per handset with
// the output type that suits it, the terminal id the multi-track MFi writer
// puts into its files, its carrier, sound generator and chip, voices, file
// size limit and the models it covers.
#pragma once

#include <string>

#include "core/settings.h"

struct TerminalRow {
    int outputType;  // an output type number
    int terminalId;  // 1..28 NTT DoCoMo, 101..104 Softbank, 201..203 au
    const char* name;
    int group;      // kept with the row; nothing reads it
    int carrier;    // 0 NTT DoCoMo, 1 au by KDDI, 2 Softbank
    int generator;  // 1 FM, 2 PCM
    int lsi;        // sound chip: 0 unknown, 1..5 Ma1..Ma7, 6 PCM
    int voices;
    int flag;       // kept with the row; nothing reads it
    int byteLimit;  // largest ringtone file
    const char* models;
};

extern const TerminalRow kTerminalRows[kTerminalCount];

// Accessors over the constant rows. A row outside the table reads as row 0,
// the row the terminal choice falls back to.
class TerminalTable {
public:
    TerminalTable() = default;

    int Count() const { return rowCount_; }
    const TerminalRow& Row(int row) const;
    int GetOutputType(int row) const { return Row(row).outputType; }
    int GetTerminalId(int row) const { return Row(row).terminalId; }
    int GetByteLimit(int row) const { return Row(row).byteLimit; }
    // The text of the row's code; a code outside the lists leaves out as it is.
    void GetCarrierName(int row, std::string& out) const;
    void GetGeneratorName(int row, std::string& out) const;
    void GetLsiName(int row, std::string& out) const;
    // Name, company, generator, chip, voices, limit and models, one
    // tab-separated line each, as the terminal choice shows them.
    std::string FormatTerminalInfo(int row) const;

private:
    int rowCount_ = kTerminalCount;
};

// Installs the table's row-to-terminal-id lookup for GetSelectedTerminalId.
void InstallTerminalTable();
