#include "style/style_table.h"

MusicStyle StyleTable[kStyleEntries];
MusicStyle WorkingStyle;
MusicStyle StyleClipboard;

std::recursive_mutex& StyleRecordMutex() {
    static std::recursive_mutex mutex;
    return mutex;
}

const char* StyleCategoryName(int) {
    return "";
}
void RandomStyleEntry(int, MusicStyle& entry) {
    InitMusicStyle(entry);
}
void BuildStyleTable() {}
bool GetStyleEntry(int, int, MusicStyle&) {
    return false;
}
bool SetStyleEntry(int, int, const MusicStyle&) {
    return false;
}
void SetWorkingStyle(MusicStyle style) {
    WorkingStyle = style;
}
void GetWorkingStyle(MusicStyle& out) {
    out = WorkingStyle;
}
