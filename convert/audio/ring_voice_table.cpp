#include "convert/audio/ring_voice_table.h"

namespace {

constexpr const char* kNList = "N251i, N505i(iS), N900i, N901iC";
constexpr const char* kFList =
    "F211i, F503i, F504i, F251i, F505i, F506i, F900i, F901iC, F700i, D901i";
constexpr const char* kShList =
    "SH252i, SH505iS, SH506iC, SH900i,SH901iC,SH506ic,SH901ic,SO903i,,SO902i,SH704i,SH904i,"
    "SH905i,N905i,N905iμ,SO905i";
#define ZAW_LIST_93                                                                    \
    "SA702i,P903i, P904i, P905i, P705i,D903i, D904i, D905i, D705iμ,F903i, F904i, F905i " \
    ",F704i,SO703i SO704i F705i"

}  // namespace

constexpr RingVoiceFormat RingVoiceFormatTable[RingVoiceFormatCount] = {
    // code   #  codec 4k 8k 16k 32k mld handsets
    {"none", 0, 0, 0, 0, 0, 0, 0, ""},
    {"n1", 1, 1, 1, 1, 0, 0, 0, "N210i, N211i, N503i"},
    {"n2", 2, 1, 1, 1, 1, 1, 0, kNList},
    {"d1", 3, 3, 1, 1, 1, 0, 0, "D211i, D503i D504i, D251i, D505i(iS), D252i, D506i, D900i"},
    {"f1", 4, 2, 1, 1, 1, 0, 0, kFList},
    {"p1", 5, 2, 1, 1, 1, 0, 0, "P211i, P503i, P504i, P251i, P900i, P901i"},
    {"p2", 6, 3, 1, 1, 1, 0, 0, "P505i(iS), P252i(iS), P506iC"},
    {"so1", 7, 1, 1, 1, 0, 0, 0, "SO504i, SO505i"},
    {"so2", 8, 3, 1, 1, 1, 0, 0, "SO505iS, SO506iC"},
    {"sh1", 9, 2, 1, 1, 0, 0, 0, "SH251i, SH505i"},
    {"sh2", 10, 3, 1, 1, 1, 1, 0, kShList},
    {"san", 11, 2, 1, 1, 0, 0, 0, "SA700i(iS)"},
    {"93", 12, 3, 1, 1, 1, 1, 1, ZAW_LIST_93},
    {"p1s", 13, 2, 0, 1, 1, 0, 0, "P900i Stereo"},
    {"93s", 14, 3, 0, 1, 1, 0, 1, ZAW_LIST_93 " Stereo"},
    {"n2s", 15, 1, 0, 1, 1, 0, 0, "N251i, N505i(iS), N900i, N901iC Stereo"},
    {"s2s", 16, 3, 0, 1, 1, 0, 0, kShList},
    {"f1s", 17, 2, 0, 1, 1, 0, 0, kFList},
    {"lg", 18, 6, 0, 1, 1, 0, 0, "LG電子携帯"},
};

#undef ZAW_LIST_93

int RingVoiceRateFlag(const RingVoiceFormat& record, int rate) {
    switch (rate) {
    case 4000: return record.rate4000;
    case 8000: return record.rate8000;
    case 16000: return record.rate16000;
    case 32000: return record.rate32000;
    default: return 0;
    }
}
