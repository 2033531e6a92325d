#include "style/key_setup.h"

#include <cstring>

#include "style/style_table.h"

ChordCode TonicChordCode = {{'C', 'M', 'P', 'S'}};
char TimeChartFileName[kTimeChartNameSize] = "TIMECHT.DB";
char CadenceTimeChartFileName[kTimeChartNameSize] = "RESTIME.DB";

namespace {

constexpr int kBluesProgression = 6;

}  // namespace

int KeyAfterSetup(const MusicStyle& style, bool minor) {
    return minor && style.chordProgression != kBluesProgression ? 2 : 1;
}

// Writes the key and the set-up values. The blues progression is always set
// up in C; 3/4 and 7/8 use their own time charts in either key, and the blues
// pattern file always ends on C7.
void SetupKeyOf(MusicStyle& style, bool minor) {
    std::lock_guard lock(StyleRecordMutex());
    style.key = KeyAfterSetup(style, minor);
    const char* timeChart = "TIMECHT.DB";
    const char* cadenceChart = "RESTIME.DB";
    if (style.key == 2) {
        TonicChordCode.Set("AmPs");
        timeChart = "TIMECHT.DB2";
        cadenceChart = "RESTIME.DB2";
    } else {
        TonicChordCode.Set(style.chordProgression == kBluesProgression ? "CMPs" : "CMPS");
    }
    if (style.timeSignature == kMetre34) {
        timeChart = "TIMECHT3.DB";
        cadenceChart = "RESTIME3.DB";
    } else if (style.timeSignature == kMetre78) {
        timeChart = "TIMECHT7.DB";
        cadenceChart = "RESTIME7.DB";
    }
    SetFieldText(TimeChartFileName, timeChart);
    SetFieldText(CadenceTimeChartFileName, cadenceChart);
    if (FieldText(style.knowledgeBase) == "PATTERN.DBB") TonicChordCode.Set("CMPs");
}

void SetupMajorKey() {
    SetupKeyOf(WorkingStyle, false);
}

void SetupMinorKey() {
    SetupKeyOf(WorkingStyle, true);
}
