#include "convert/terminal_table.h"

#include <cstddef>

#include "core/app_utilities.h"

// The rows exactly as the handsets were listed, oddities included (row 3's
// models hold a tab, row 16 is named for 32 voices but has 64).
const TerminalRow kTerminalRows[kTerminalCount] = {
    // output type, terminal id, name, group, carrier, generator, LSI, voices,
    // flag, byte limit, models
    {14, 1, "Foma N Fm 50", 0, 0, 1, 4, 50, 1, 19997,
     "N901iC N901iS"},  // 0
    {18, 1, "Foma N Fm 67", 0, 0, 1, 5, 67, 1, 19997,
     "N902i N903i N904i"},  // 1
    {18, 1, "Foma N Fm 128", 0, 0, 1, 5, 128, 1, 19997,
     "N905i"},  // 2
    {14, 2, "Mova N Fm 50", 0, 0, 1, 4, 50, 1, 19997,
     "N505i N505iS N506i N506iS N252i\tN253i"},  // 3
    {14, 2, "Foma N Fm 50", 0, 0, 1, 4, 50, 1, 99999,
     "N900i N900iG N900iL N900iS N700i"},  // 4
    {14, 3, "FOMA N Fm 32", 0, 0, 1, 3, 32, 0, 9999,
     "N2102V N2051 N2701"},  // 5
    {14, 3, "FOMA P Fm 32", 0, 0, 1, 3, 32, 0, 9999,
     "P2102V"},  // 6
    {14, 4, "Mova N Fm 40", 0, 0, 1, 3, 40, 0, 9999,
     "N251i N251iS N504i N504iS"},  // 7
    {3, 5, "Mova N Fm 16", 0, 0, 1, 2, 16, 0, 9999,
     "N210i N211i N211iS N503i N503iS"},  // 8
    {3, 5, "FOMA N Fm 16", 0, 0, 1, 2, 16, 0, 99999,
     "N2001 N2002"},  // 9
    {3, 5, "FOMA P Fm 16", 0, 0, 1, 2, 16, 0, 99999,
     "P2002"},  // 10
    {14, 6, "Mova SO Fm 32", 0, 0, 1, 3, 32, 0, 19997,
     "SO505i"},  // 11
    {14, 7, "Mova SO Fm 32", 0, 0, 1, 3, 32, 0, 9999,
     "SO212i SO213i SO504i"},  // 12
    {14, 7, "Mova SO Fm 32", 0, 0, 1, 3, 32, 0, 19997,
     "SO505i"},  // 13
    {14, 8, "Mova SO Pcm 32", 0, 0, 2, 6, 32, 0, 19997,
     "SO505iS SO506iC SO506i(premini-Ⅱ)"},  // 14
    {24, 9, "Mova SO Pcm 16", 3, 0, 2, 6, 16, 0, 9999,
     "SO503iS"},  // 15
    {14, 10, "Foma P Pcm 32", 0, 0, 2, 6, 64, 1, 19997,
     "P900i P900iV P700i P901i P901iS"},  // 16
    {14, 11, "Mova P Pcm 48", 0, 0, 2, 6, 48, 0, 19997,
     "P505i P505iS P506iC P252i P252iS P253i P253iS(Lechiffon) P213i"},  // 17
    {14, 12, "Mova P Pcm 32", 0, 0, 2, 6, 32, 0, 9999,
     "P251iS P504i P504iS"},  // 18
    {14, 12, "Mova P Pcm 48", 0, 0, 2, 6, 48, 0, 9999,
     "P252i P252iS P253i P213i"},  // 19
    {24, 13, "Mova P Pcm 16", 3, 0, 2, 6, 16, 0, 9999,
     "P503iS"},  // 20
    {14, 14, "Foma SH Pcm 32", 0, 0, 2, 6, 32, 0, 19997,
     "SH901iC SH901iS"},  // 21
    {14, 15, "Mova SH Pcm 32", 0, 0, 2, 6, 32, 0, 19997,
     "SH505iS SH252i SH506iC"},  // 22
    {14, 15, "Foma SH Pcm 32", 0, 0, 2, 6, 32, 0, 19997,
     "SH900i SH700i"},  // 23
    {14, 16, "Mova SH Pcm 32", 0, 0, 2, 6, 32, 0, 19997,
     "SH505i SH505i2"},  // 24
    {14, 17, "Mova SH Pcm 32", 0, 0, 2, 6, 32, 0, 9999,
     "SH251i SH251iS"},  // 25
    {18, 17, "Mova SH Pcm 64", 0, 0, 2, 6, 64, 0, 9999,
     "SH252i"},  // 26
    {14, 18, "Foma D Pcm 32", 0, 0, 2, 6, 32, 0, 19997,
     "D901i D901iS"},  // 27
    {18, 18, "Foma D Pcm 128", 0, 0, 2, 6, 128, 1, 19997,
     "D903i D903iTV"},  // 28
    {15, 19, "Foma F Pcm 32", 1, 0, 2, 6, 32, 0, 99999,
     "F2051 F2102V"},  // 29
    {18, 19, "Mova F Pcm 64", 1, 0, 2, 6, 64, 0, 19997,
     "F505i F505iGPS F506i"},  // 30
    {18, 19, "Foma F Pcm 64", 1, 0, 2, 6, 64, 1, 99999,
     "F880iES F900i F900iC F900iT F901iC F901iS F700i"},  // 31
    {18, 19, "Foma F Pcm 128", 1, 0, 2, 6, 128, 1, 99999,
     "F904i"},  // 32
    {15, 20, "Foma F Pcm 32", 1, 0, 2, 6, 32, 0, 9999,
     "F2102V"},  // 33
    {15, 21, "Mova F Pcm 32", 1, 0, 2, 6, 32, 0, 9999,
     "F212i F251i F504i F504iS F661i F671iS F672i D251i D251iS D504i"},  // 34
    {15, 21, "Foma F Pcm 32", 1, 0, 2, 6, 32, 0, 9999,
     "F2051"},  // 35
    {14, 22, "Mova D Pcm 48", 0, 0, 2, 6, 48, 0, 19997,
     "D505i D505iS D506i"},  // 36
    {14, 22, "Foma D Pcm 48", 0, 0, 2, 6, 48, 0, 99999,
     "D900i"},  // 37
    {14, 23, "Mova D Pcm 32", 0, 0, 2, 6, 32, 0, 9999,
     "D251i D251iS D252i D253i D253iWM"},  // 38
    {24, 24, "Mova D Pcm 16", 3, 0, 2, 6, 16, 0, 9999,
     "D503iS"},  // 39
    {13, 25, "Mova F Fm 16", 1, 0, 1, 2, 16, 0, 9999,
     "F210i F211i F503i F503iS F671i"},  // 40
    {14, 26, "Foma SA Pcm 32", 0, 0, 2, 6, 32, 0, 19997,
     "SA700i SA700iS"},  // 41
    {16, 13, "Mova P Pcm 32", 2, 0, 2, 6, 32, 2, 9999,
     "P211i"},  // 42
    {9, 27, "Mova D,P,F,SO Pcm 4", 2, 0, 2, 6, 4, 2, 9999,
     "D502i P502i F502i SO502i"},  // 43
    {11, 28, "Mova N Fm 4", 0, 0, 1, 1, 4, 2, 9999,
     "N502i"},  // 44
    {7, 101, "Softbank 4", 4, 2, 1, 1, 4, 2, 9999,
     "J-K03 J-SH03"},  // 45
    {4, 102, "Softbank 16", 4, 2, 1, 2, 16, 2, 9999,
     "J-SA04 J-SA03 J-PE03 J-PE03II J-DN03 J-NM02 J-NM01"},  // 46
    {17, 103, "Softbank 32", 4, 2, 1, 3, 32, 0, 9999,
     "J-SH53 J-K51 J-N51 J-P51 J-SA51 J-SH51 J-SH52 J-T51 V601N V601SH V801SA V801SH V703SH"},  // 47
    {17, 104, "Softbank 32", 4, 2, 1, 4, 32, 0, 19997,
     "V602SH V501SH V501T V502T V601T V602T V603SH V603T V604SH V802SH V802N V803T V902T V902SH V903T V903SH"},  // 48
    {6, 201, "au 16", 5, 1, 1, 2, 16, 0, 9999,
     "C1002S A1011ST C3001H C3003P C404S C404S C406S C407H C413S C413S-2 C414K/C414KII C451H C452CA TD11 TK12 TK23 TP11 TS11 TT03 TT11"},  // 49
    {19, 202, "au 32", 5, 1, 1, 3, 32, 0, 19997,
     "A5503SA A3012CA TK21 TK22 TK31 TK41 TS31 TS41 TT21 TT22 TT31 TT32 A1012K A1013K A1014ST A1101S A1301S A1302SA A1303SA A1304T A1305SA A1401K A3014S A3015SA A5011HMC A5301T A5302CA A5303H A5303HⅡ A5304T A5305K A5306ST A5401CA A5402S A5405SA A5501T A5504T INFOBAR TK40 W11H W11K W21H"},  // 50
    {19, 203, "au 32", 5, 1, 1, 4, 32, 0, 19997,
     "A1402S II A1402S A1403K A5403CA A5404S A5407CA A5502K A5506T W21K W21SA talby A1404S A5507SA A5509T Sweets A5511T W32K A5512CA G'zOneTYPE-R（CA28） A5406CA A5505SA W21CA/W21CAII W21S W21T W22H W22SA W31H(ＰＥИＣＫ) W31K W31S W31SA W31T W31CA W32SA"},  // 51
};

namespace {

// The texts of the codes, as the terminal choice shows them.
constexpr const char* kCarrierNames[] = {"NTT DoCoMo", "au by KDDI", "Softbank Moblie"};
constexpr const char* kGeneratorNames[] = {"", "Fm", "Pcm"};  // from 1
constexpr const char* kLsiNames[] = {"不明", "Ma1", "Ma2", "Ma3", "Ma5", "Ma7", "Pcm"};

template <std::size_t N>
void CopyName(const char* const (&names)[N], int code, int first, std::string& out) {
    if (code < first || code >= static_cast<int>(N)) return;
    out = names[code];
}

int TerminalIdOfRow(int row) {
    return TerminalTable().GetTerminalId(row);
}

}  // namespace

const TerminalRow& TerminalTable::Row(int row) const {
    return row >= 0 && row < rowCount_ ? kTerminalRows[row] : kTerminalRows[0];
}

void TerminalTable::GetCarrierName(int row, std::string& out) const {
    CopyName(kCarrierNames, Row(row).carrier, 0, out);
}

void TerminalTable::GetGeneratorName(int row, std::string& out) const {
    CopyName(kGeneratorNames, Row(row).generator, 1, out);
}

void TerminalTable::GetLsiName(int row, std::string& out) const {
    CopyName(kLsiNames, Row(row).lsi, 0, out);
}

std::string TerminalTable::FormatTerminalInfo(int row) const {
    const TerminalRow& r = Row(row);
    std::string carrier, generator, lsi;
    GetCarrierName(row, carrier);
    GetGeneratorName(row, generator);
    GetLsiName(row, lsi);
    return std::string("Name\t[") + r.name + "]\r\nCompany\t[" + carrier + "]\r\nGenerator\t[" +
           generator + "]\r\nLSI\t[" + lsi + "]\r\nVoice\t[" + std::to_string(r.voices) +
           "]\r\nLimit\t[" + std::to_string(r.byteLimit) + "]byte\r\nTerminal\t[" + r.models +
           "]";
}

void InstallTerminalTable() {
    SetTerminalIdLookup(TerminalIdOfRow);
}
