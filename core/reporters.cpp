#include "core/reporters.h"

#include <cstdio>

#include "platform/clock.h"
#include "platform/quit_signals.h"

namespace {

const CodeText kErrorTable[] = {
    {0xFF010001u, "Drum paggern error!"},
    {0xFF010002u, "Drum sound error!"},
    {0xFF010003u, "Generated score is too long!"},
    {0xFF010004u, "3/4 error!"},
    {0xFF010005u, "7/8 error!"},
    {0xFF010006u, "rhythm error!"},
    {0xFF010007u, "chord length error!"},
    {0xFF010008u, "effect note of blues error!"},
    {0xFF010009u, "error in ending!"},
    {0xFF01000Au, "effect note of classical music error!"},
    {0xFF01000Bu, "DBB file error!"},
    {0xFF01000Cu, "DB file error!"},
    {0xFF01000Du, "scale error!"},
    {0xFF01000Eu, "scale note error!"},
    {0xFF01000Fu, "error in chord editing"},
    {0xFF010010u, "error in initialize editing"},
    {0xFF010011u, "meta vent error"},
    {0xFF010012u, "can not save edited file!"},
    {0xFF010013u, "pro file error!"},
    {0xFF010014u, "insufficient memory for music!"},
    {0xFF010015u, "overflow track length!"},
    {0xFF010016u, "not length become negative number!"},
    {0xFF010017u, "note interval is too low!"},
    {0xFF010018u, "too many notes!"},
    {0xFF010019u, "can't add pitch bend!"},
    {0xFF01001Au, "can't add portament!"},
    {0xFF01001Bu, "can't add downward portament!"},
    {0xFF01001Cu, "can't add program change!"},
    {0xFF01001Du, "can't add control change!"},
    {0xFF01001Eu, "can't add tempo information!"},
    {0xFF01001Fu, "can't add meater information!"},
    {0xFF010020u, "can't add display information of XG!"},
    {0xFF010021u, "can't add display information of GS!"},
    {0xFF010022u, "root note error!"},
    {0xFF010023u, "third note error!"},
    {0xFF010024u, "5th note error!"},
    {0xFF010025u, "7th note error!"},
    {0xFF010026u, "event copy error!"},
    {0xFF010027u, "backing pattern error!"},
    {0xFF010028u, "track information error!"},
    {0xFF010029u, "melody note length error!"},
    {0xFF01002Au, "output file error!"},
    {0xFF01002Bu, "insuficcient memory for chord!"},
    {0xFF01002Cu, "insuficcient memory for drums!"},
    {0xFF01002Du, "insuficcient memory for melody!"},
    {0xFF01002Eu, "insuficcient memory for voicing!"},
    {0xFF01002Fu, "insuficcient memory for chord outline!"},
    {0xFF010030u, "track information has an error!"},
    {0xFF010031u, "insuficcient memory for time chart!"},
    {0xFF010032u, "insuficcient memory for chord pattern!"},
    {0xFF010033u, "insuficcient memory for melody pattern!"},
    {0xFF010034u, "insuficcient memory for voicing pattern!"},
    {0xFF010035u, "error in pattern file!"},
    {0xFF010036u, "error in cadence file!"},
    {0xFF010037u, "error in cadence time chart file!"},
    {0xFF010038u, "error in time chart file!"},
    {0xFF010039u, "error in chord pattern length!"},
    {0xFF01003Au, "can not create time chart!"},
    {0xFF01003Bu, "can not create 3/4!"},
    {0xFF01003Cu, "can not create 7/8!"},
    {0xFF01003Du, "failed to create time chart length!"},
    {0xFF01003Eu, "can't read database file!"},
    {0xFF01003Fu, "error in chord progression!"},
    {0xFF010040u, "can't dispatch chord progression!"},
    {0xFF010041u, "failed to create cadence"},
    {0xFF010042u, "failed in final process!"},
    {0xFF010043u, "failed in final drucm creating process!"},
    {0xFF010044u, "can not save parameters!"},
    {0xFF010045u, "error in the number of tunes!"},
    {0xFF010046u, "no styles are selected!"},
    {0xFF010047u, "file error!"},
    {0xFF010048u, "Lenth error!"},
    {0xFF01004Au, "Select only one style!"},
    {0xFF01004Bu, "Can not edit this file!"},
    {0xFF01004Cu, "No melody track is selected!"},
    {0xFF01004Du, "No harmony track is selected!"},
    {0xFF01004Eu, "Melody track is only one!"},
    {0xFF01004Fu, "Tune is too complecated!"},
    {0xFF010050u, "Error in MIDI Data!"},
    {0xFF010051u, "Found Error Data while Cheking!"},
    {0xFF010052u, "Error occured while chord analyzing!"},
    {0xFF010053u, "Error of length occured while chord analyzing!"},
    {0xFF010054u, "Can't set the same chord!"},
    {0xFF010055u, "Can't open knowledge base!"},
    {0xFF010056u, "Pattern error!"},
    {0xFF010057u, "Can't set pattern!"},
    {0xFF010058u, "Can't set pattern!"},
    {0xFF010059u, "Can't load knowledge base!"},
    {0xFF01005Au, "Can't load knowledge base!"},
    {0xFF01005Bu, "Can't save knowledge base!"},
    {0xFF01005Cu, "Can't save knowledge base!"},
    {0xFF01005Du, "Not enough memory for convert!"},
    {0xFF01005Eu, "Can't load the file to convert!"},
    {0xFF01005Fu, "Format 0 of MIDI file is not supported!"},
    {0xFF010060u, "Not suppoerted division!"},
    {0xFF010061u, "Error occured while converting!"},
    {0xFF010062u, "Unknown event found while converting!"},
    {0xFF010063u, "Unknown event is proccessed!"},
    {0xFF010064u, "MIDI device error!"},
    {0xFF010065u, "Meter error!"},
    {0xFF010068u, "Bass note is not single note!"},
    {0xFF010069u, "Sound file is used or selected!"},
    {0xFF01006Au, "Wave file can not be recorded with this setting!"},
    {0xFF01006Bu, "Diminish chord error!"},
    {0xFF01006Cu, "Select area for edit with mouse drag!"},
    {0xFF01006Du, "There are no data to delete!"},
    {0xFF01006Eu, "There are no data to edit or play."},
    {0xFF01006Fu, "Error occured while points for melody were picked up!"},
    {0xFF010070u, "Select area to be deleted!"},
    {0xFF010071u, "Select area to be edited!"},
    {0xFF010072u, "The number of measure is out of range!"},
    {0xFF010100u, "Memory Error!"},
    {0xFF010101u, "File Open Error!"},
    {0xFF010102u, "File Size Error!"},
    {0xFF010103u, "This Format is not supported!"},
    {0xFF010106u, "CPU is too slow!"},
    {0xFF010107u, "Unknown MIDI Event!"},
    {0xFF010109u, "There is little notes."},
    {0xFF01010Bu, "There is no file to play."},
    {0xFF01010Cu, "Please do not stop when composing. Do it when tune is played."},
    {0xFF01010Du, "Error Occured. Please, back to Main Controler."},
    {0xFF01010Eu, "More than one drum track."},
    {0xFF01010Fu, "The instrument that is not GM is included!"},
    {0xFF010110u, "Chord information is not included! Turn on Display switch! "},
    {0xFF010111u, "There are no composed files!"},
    {0xFF010112u, "Can not edit polyphonic melody!"},
    {0xFF010113u, "Can not edit if delay is set!"},
    {0xFF010114u, "Midi File has invalid file size."},
    {0xFF010115u, "Internal Error occuerd, but can continue."},
    {0xFF010117u, "Can't use the pattern. Use another one!"},
    {0xFF010118u, "Paste Data is too long."},
    {0xFF010119u, "File size is too big!"},
    {0xFF01011Au, "Only one music style can be selected for convert."},
    {0xFF01011Bu, "Can't stop while playing!"},
    {0xFF01011Du, "Can't edit this style!"},
    {0xFF01011Eu, "Can't auto compose melody mail."},
    {0xFF01011Fu, "Can not change style for melody mail."},
    {0xFF010120u, "Stop playing before operation."},
    {0xFF010121u, "Can not compose for DOCOMO 4 voice!"},
    {0xFF010122u, "Change mode to convert mode."},
    {0xFF010123u, "It is not MIDI file!"},
    {0xFF010124u, "Text is too big for melody mail!"},
    {0xFF010125u, "You must select instrument for melody!"},
    {0xFF010126u, "Can not open file for play."},
    {0xFF010127u, "You can not play before compose, convert or edit!"},
    {0xFF010128u, "This file is not a file generated bu ZAW!"},
    {0xFF010129u, "There are no notes for style convert."},
    {0xFF01012Au, "Can't execute twice!"},
    {0xFF01012Bu, "Too many tracks are selected! You can select 8 tracks at maximum."},
    {0xFF01012Cu, "Can not continue all notes!"},
    {0xFF01012Du, "There are no marker for loop."},
    {0xFF01012Eu, "Error in chord info."},
    {0xFF01012Fu, "Too many items are selected! You can select 8 items at maximum."},
    {0xFF010130u, "Size is too large!"},
    {0xFF010131u, "Input file name and output file name are the same!"},
    {0xFF010132u, "Voice over!"},
    {0xFF010133u, "Beat Error!"},
    {0xFF010134u, "No more memory for notes!"},
    {0xFF010135u, "No harmony notes!"},
    {0xFF010136u, "Error occuered in Display Device!"},
    {0xFF010137u, "The file is empty. File has not been saved!"},
    {0xFF010138u, "Can't do this while tune is playing!"},
    {0xFF010139u, "Tune Length is too short for current Harmony Setting."},
    {0xFF01013Au,
     "To select this file type needs QuickTime 6.3 or later. If output format is not wav or aiff, "
     "it is not neccessary."},
    {0xFF01013Cu, "Do not put program on root directory!"},
    {0xFF01013Du, "You can not stop while the conversion is in progress!"},
    {0xFF01013Eu, "Select more than three notes!"},
    {0xFF010142u, "You can not use this function with 7/8!"},
    {0xFF01014Au, "Error in DB2!"},
    {0xFF01014Du, "Stop composing or playing first."},
    {0xFF01014Eu, "Stop composing, first."},
    {0xFF01014Fu, "Conversion has been finished. This type of file will not be played."},
    {0xFF010150u, "Tune length is too long, it was turncated."},
    {0xFF010151u, "Rhythm Error!"},
    {0xFF010152u, "Note Range Error!"},
    {0xFF010153u, "Change folder setting, and restart."},
    {0xFF010154u, "Text is copied to clip board."},
    {0xFF010156u, "Errir of music instrument."},
    {0xFF010158u, "Area is not specified!"},
    {0xFF010159u, "No Delay Track!"},
    {0xFF010160u, "Cant convert wav to mld! Select simple convert!"},
    {0xFF010161u, "Delay track of melody has been deleted."},
    {0xFF010162u, "There are no melody track."},
    {0xFF010163u, "This file had been edited by old version of ZAW. Track will be moved."},
    {0xFF010164u, "Algo rhithm error has been detected and corrected."},
    {0xFF010165u, "This pattern generates a few notes, so it is difficult to listen."},
    {0xFF010166u, "Ringtone voice can not be played!"},
    {0xFF010167u, "Do not select extended instrument!"},
    {0xFF010168u, "Number of chords are too many!"},
    {0xFF010169u, "Error in begin and end point!"},
    {0xFF01016Au, "Number of channel exceeds MA1 capacity."},
    {0xFF01016Bu, "Loading SMAF has been failed!"},
    {0xFF01016Cu, "Error in MIDI format!"},
    {0xFF01016Du, "File type is wrong!"},
    {0xFF01016Eu, "Unknown chord is included!"},
    {0xFF01016Fu, "Mode is wrong!"},
    {0xFF010170u, "Data for mobile phone is worng!"},
    {0xFF010171u, "Master Volume of Windows Mixer is set to zero."},
    {0xFF010172u, "Wave Volume of Windows Mixer is set to zero."},
    {0xFF010173u, "Midi Volume of Windows Mixer is set to zero."},
    {0xFF010174u, "Select DoCoMo!"},
    {0xFF010175u, "Select Softbank!"},
    {0xFF010176u, "Select au!"},
    {0xFF010177u, "Channel is invalid!"},
    {0xFF010178u, "Music Category is invalid!"},
    {0xFF010179u, "Parameter is invalid!"},
    {0xFF010196u, "Parameter is invalid!"},
    {0xFF01017Au, "Can not get instrument from paramter!"},
    {0xFF01017Bu, "Can not get drum from paramater!"},
    {0xFF01017Cu, "Chord is invalid!"},
    {0xFF01017Du, "Length of Riff is invalid!"},
    {0xFF01017Eu, "Melody Table Text is invalid!"},
    {0xFF01017Fu, "Length of Melody Table Text is invalid!"},
    {0xFF010180u, "Note Table Text is invalid!"},
    {0xFF010181u, "Length of Note Table Text is invalid!"},
    {0xFF010182u, "Interval Text is invalid!"},
    {0xFF010183u, "Length of Interval Text is invalid!"},
    {0xFF010184u, "Note continue information is invalid!"},
    {0xFF010185u, "Length of Note continue information is invalid!"},
    {0xFF010186u, "Setting of Mixer is invalid!"},
    {0xFF010187u, "Key is invalid!"},
    {0xFF010188u, "Time sign is invalid!"},
    {0xFF010189u, "Basic beat is invalid!"},
    {0xFF01018Au, "Scale is invalid!"},
    {0xFF01018Bu, "Scale note is invalid!"},
    {0xFF01018Cu, "Generation method is invalid!"},
    {0xFF01018Du, "The number of Chord Progression is invalid!"},
    {0xFF01018Eu, "Chord Block Length is invalid!"},
    {0xFF01018Fu, "The number of chord length is invalid!"},
    {0xFF010190u, "Obligato is invalid!"},
    {0xFF010191u, "Harmony pattern is invalid!"},
    {0xFF010192u, "Rhythm pattern is invalid!"},
    {0xFF010193u, "Sub harmony pattern is invalid!"},
    {0xFF010194u, "Bass pattern is invalid!"},
    {0xFF010195u, "Sub drum pattern is invalid!"},
    {0xFF010197u, "The structure of melody is invalid!"},
    {0xFF010198u, "Setting of dissonant is invalid!"},
    {0xFF010199u, "The length of note is invalid!"},
    {0xFF01019Au, "Setting of Rest note is invalid!"},
    {0xFF01019Bu, "Effect setting is invalid!"},
    {0xFF01019Cu, "Abbelimenti is invalid!"},
    {0xFF01019Du, "Voicing setting is invalid!"},
    {0xFF01019Eu, "Algorhithm setting is invalid!"},
    {0xFF01019Fu, "Tension setting is invalid!"},
    {0xFF0101A0u, "Repeat of rhythm setting is invalid!"},
    {0xFF0101A1u, "Repeat of melody setting is invalid!"},
    {0xFF0101A2u, "Parameter of melody is invalid!"},
    {0xFF0101A3u, "Loading parameter is failed!"},
    {0xFF0101A4u, "Instrument is invalid!"},
    {0xFF0101A5u, "Cant allocate memory for style extraction!"},
    {0xFF0101A6u, "Can not load old music style!"},
    {0xFF0101A7u, "Error occuerd in tune structure!"},
    {0xFF0101A8u, "Invalid Channel!"},
    {0xFF0101A9u, "Invalid Track!"},
    {0xFF0101AAu, "Error is detected with data check!"},
    {0xFF0101ABu, "Error occured in melody generation!"},
    {0xFF0101ACu, "Error occured in melody generation algorithm!"},
    {0xFF0101ADu, "Failed in pattern process!"},
    {0xFF0101AEu, "The number on event is invalid in pattern processing!"},
    {0xFF0101AFu, "There is a risk of infinite loop!"},
    {0xFF0101B0u, "Error occured in Algorithm of adjustment!"},
    {0xFF0101B1u, "Error occured in Algorithm of adjustment!"},
    {0xFF0101B2u, "Algorithm selection is invalid!"},
    {0xFF0101B3u, "Error occured in algorithm of length determination!"},
    {0xFF0101B4u, "Data type of melody track is invalid!"},
    {0xFF0101B5u, "The length of obbligato is wrong!"},
    {0xFF0101B6u, "Can not allocate memory for conversion!"},
    {0xFF0101B7u, "The length of note is invalid in conversion!"},
    {0xFF0101B8u, "The octave of note in invalid in conversion!"},
    {0xFF0101B9u, "Error occured in AIFF conversion!"},
    {0xFF0101BAu, "Error occured in WAV conversion!"},
    {0xFF0101BBu, "Error occured in extraction of melody table!"},
    {0xFF0101BCu, "Error occured in extraction of Drum pattern!"},
    {0xFF0101BDu, "AC0289 Error occured in extraction of Channel pattern!"},
    {0xFF0101BEu, "Error occured in conversion operation!"},
    {0xFF0101BFu, "Error occured in mode switching!"},
    {0xFF0101C0u, "Load WAV file to convert!"},
    {0xFF0101C1u, "Only one file can be dropped!"},
    {0xFF0101C2u, "Invalid file for play!"},
    {0xFF0101C3u, "Error occured in termination of player!"},
    {0xFF0101C4u, "Invalid file for conversion!"},
    {0xFF0101C5u, "Invalid instrument!"},
    {0xFF0101C6u, "Invalid chord progression!"},
    {0xFF0101C7u, "Invalid chord block length!"},
    {0xFF0101C8u, "Invalid chord pattern!"},
    {0xFF0101C9u, "Invalid bass pattern!"},
    {0xFF0101CAu, "Invalid MA1 data!"},
    {0xFF0101CBu, "Error occured in mixer!"},
    {0xFF0101CDu, "Error occured in display data!"},
    {0xFF0101CEu, "Error occured in abbelimenti!"},
    {0xFF0101CFu, "Error occured bass riff!"},
    {0xFF0101D0u, "Error occured in drum pattern!"},
    {0xFF0101D1u, "Loading harmony pattern is failed!"},
    {0xFF0101D2u, "Instrument of environment is wrong!"},
    {0xFF0101D3u, "Invalid length of riff!"},
    {0xFF0101D4u, "Time sign and base beat does not match!"},
    {0xFF0101D5u, "Invalid chord length!"},
    {0xFF0101D6u, "Can not change chord before chord assignment!"},
    {0xFF0101D7u, "Time information is wrong!"},
    {0xFF0101D8u, "There are some markers at the same point!"},
    {0xFF0101D9u, "Chord information is too much!"},
    {0xFF0101DAu, "Failed in outline generation!"},
    {0xFF0101DBu, "The number of chord is worng!"},
    {0xFF0101DCu, "Delta time is worng!"},
    {0xFF0101DDu, "Pitch Bend data is wrong!"},
    {0xFF0101DEu, "Can not find melody track for adjustment!"},
    {0xFF0101DFu, "Can not delte the file!"},
    {0xFF0101E0u, "The number of Channel is worng!"},
    {0xFF0101E1u, "Channel of ringtone is wrong!"},
    {0xFF0101E2u, "More than voices selected than the number that can be selected!"},
    {0xFF0101E3u, "There are too many voices, Some voices will not be displayed!"},
    {0xFF0101E4u, "There is an error of start point!"},
    {0xFF0101E5u, "Voice to use has not been selected!"},
    {0xFF0101E6u, "File includes tone that can not be changed by ZAW."},
    {0xFF0101E7u, "Error occured in editing!"},
    {0xFF0101E8u, "Error occured in drum editing!"},
};

const CodeText kInfoTable[] = {
    {0xFF010200u, "This option needs high perfoermance CPU and Sound Generator."},
    {0xFF010202u, "Tune length is too long, it was turncated."},
    {0xFF010203u, "Loop error"},
    {0xFF010204u, "Select output format and playback device!"},
};
const char* const kUnknownInfoText = "未定義の情報です。";

const CodeText kQuestionTable[] = {
    {0xFF01014Bu, "Can't edit. Do you want to cancel Delay and continue?"},
    {0xFF01014Cu,
     "Silen or Long Pipe Effect is used.\n"
     "A file can be created but, can't be played with ZAW.\n"
     "Do you want to use effect?"},
    {0xFF010155u, "If you do this operation, music style will be initialized."},
};

const CodeText kCommonDialogTable[] = {
    {1, "lStructSize is invalid!"},
    {2, "Can not executre process! Please click once more!"},
    {3, "Template is invalid!"},
    {4, "Instance handle is invalid! "},
    {5, "Can not load text!"},
    {6, "Could not find resource files!"},
    {7, "Can not load resource files!"},
    {8, "Can not lock resource!"},
    {9, "Can not allocate memory for internal use!"},
    {10, "Can not lock memory!"},
    {11, "Pointer of fook procedure is invalid!"},
    {12, "Error occured in RegisterWindowMessage procedure!"},
    {0x3001, "Insufficent memory!"},
    {0x3002, "File name is invalid!"},
    {0x3003, "Buffer of lpstrFile is too samll!"},
    {0xFFFF, "Could not create dialogbox! Window handle may be invalid!"},
};

constexpr ClassReporter kCommonDialogReporter("GNWN", kCommonDialogTable,
                                              "Undefined error occured!");

const char* Lookup(std::span<const CodeText> table, std::uint32_t code) {
    for (const CodeText& entry : table) {
        if (entry.code == code) return entry.text;
    }
    return nullptr;
}

std::string CutToBuffer(std::string text) {
    if (text.size() >= kMessageBufferSize) text.resize(kMessageBufferSize - 1);
    return text;
}

}  // namespace

const char* const kUnknownErrorText = "Error occured in MobileDialogSelectChanel!";

void ShowErrorBox(const std::string& text) {
    platform::ShowBox(platform::BoxKind::Error, text);
}

void ShowInfoBox(const std::string& text) {
    platform::ShowBox(platform::BoxKind::Info, text);
}

int ShowOkCancelBox(const std::string& text) {
    int answer = platform::ShowBox(platform::BoxKind::OkCancel, text);
    return answer == IDOK ? IDOK : IDCANCEL;
}

const char* ErrorCodeText(ErrorCode code) {
    return Lookup(kErrorTable, code);
}

int ShowErrorMessage(ErrorCode code) { return ShowErrorMessage(code, std::string()); }

int ShowErrorMessage(ErrorCode code, const std::string& detail) {
    const char* text = ErrorCodeText(code);
    std::string message = text ? text : kUnknownErrorText;
    if (!detail.empty()) {
        message += ' ';
        message += detail;
    }
    ShowErrorBox(FormatClassMessage("ZAWC", code, message.c_str()));
    // Once a quit was asked for, boxes answer at once and nobody waits.
    if (!platform::QuitRequested()) platform::GetClock()->SleepMilliseconds(500);
    return 0;
}

void ShowInfoMessage(ErrorCode code) {
    const char* text = Lookup(kInfoTable, code);
    ShowInfoBox(text ? text : kUnknownInfoText);
}

int AskConfirm(ErrorCode code) {
    const char* text = Lookup(kQuestionTable, code);
    // Only the three question codes have a text; anything else is a
    // programming error and must not let the operation go ahead.
    if (!text) return IDCANCEL;
    return ShowOkCancelBox(text);
}

std::span<const CodeText> CommonDialogErrorTable() {
    return kCommonDialogTable;
}

void ShowCommonDialogError(std::uint32_t code) {
    kCommonDialogReporter.Show(code);
}

std::string FormatClassMessage(const char* tag, std::uint32_t code, const char* text) {
    char head[16];
    std::snprintf(head, sizeof head, "%.4s%08X ", tag, code);
    return CutToBuffer(std::string(head) + (text ? text : ""));
}

const char* ClassReporter::TextOf(std::uint32_t code) const {
    const char* text = Lookup(table_, code);
    return text ? text : defaultText_;
}

std::string ClassReporter::Format(std::uint32_t code) const {
    return FormatClassMessage(tag_, code, TextOf(code));
}

void ClassReporter::Show(std::uint32_t code) const {
    ShowErrorBox(Format(code));
}

bool OnceWarning::Show(std::uint32_t code) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!shown_.insert(code).second) return false;
    }
    reporter_.Show(code);
    return true;
}

void OnceWarning::Reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    shown_.clear();
}
