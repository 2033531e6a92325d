// The state of one opening of the knowledge-base editor: both tables, the
// paths shown on the two file buttons, and what OK may write. A file is
// written back only when it was read or chosen whole, or when a side whose
// file does not exist was added to (the file is then made); a file refused
// at reading, or left unread, keeps its bytes.
#pragma once

#include <string>
#include <vector>

#include "compose/knowledge_check.h"
#include "style/music_style.h"
#include "styleedit/knowledge_files.h"

constexpr std::size_t kKnowledgePathLimit = kKnowledgeBaseNameSize - 1;  // 127 bytes

enum class KnowledgeSideState {
    kUnread,   // not opened (or it could not be): written only to create it when added to
    kLoaded,   // read whole, or chosen: written on OK
    kRefused,  // opened but refused: never written
};

struct KnowledgeSide {
    std::string path;  // full path, shown on the side's "File Name" button
    KnowledgeSideState state = KnowledgeSideState::kUnread;
    bool addedTo = false;
};

struct KnowledgeEditor {
    std::vector<Transition> transitions;
    std::vector<ChordPattern> patterns;
    KnowledgeSide transitionSide;
    KnowledgeSide patternSide;
};

// The whole file, or false when it cannot be opened or read; at most one
// byte past the 65535 the readers take is read, so a larger file is seen.
bool ReadKnowledgeBytes(const std::string& path, std::string& bytes);

// What the editor does on opening, with the style's two names: the
// transition file, then (when that one opened) the pattern file. Returns the
// codes to show, in order.
std::vector<ErrorCode> OpenKnowledgeFiles(KnowledgeEditor& editor, const MusicStyle& style);

// A file chosen with a "File Name" button: only a path of at most 127 bytes
// to a file that opens and reads whole (a pattern file also passing its
// check) replaces the table, the side's path and the style's field. Returns
// 0 or the code to show; on a failure nothing changes.
ErrorCode ChooseTransitionFile(KnowledgeEditor& editor, const std::string& path,
                               MusicStyle& style);
ErrorCode ChoosePatternFile(KnowledgeEditor& editor, const std::string& path, MusicStyle& style);

// A pending chord pair appended; false (nothing added) for a malformed pair.
bool AddTransition(KnowledgeEditor& editor, const std::string& pair);
// A new pattern of 1..8 chord codes; false (nothing added) when empty.
bool AddPattern(KnowledgeEditor& editor, const std::vector<std::string>& chords);
// Removes the entry at index; an index outside the table changes nothing.
void DeleteTransition(KnowledgeEditor& editor, int index);
void DeletePattern(KnowledgeEditor& editor, int index);

bool ShouldWrite(const KnowledgeSide& side);

// The checker's view of the two files under the style: its "Key", and the
// cadence time chart the key set-up names, from the program folder.
KnowledgeCheckContext KnowledgeContextFor(const MusicStyle& style);

// The bytes OK would write and what the checker finds in them.
struct KnowledgeSave {
    std::string bytes;
    std::vector<KnowledgeFault> faults;
};
KnowledgeSave PrepareTransitionSave(const KnowledgeEditor& editor,
                                    const KnowledgeCheckContext& context);
KnowledgeSave PreparePatternSave(const KnowledgeEditor& editor,
                                 const KnowledgeCheckContext& context);
// Replaces the file as one step; 0 or the side's save code (the old file
// stays). Bytes over 65535 are never written.
ErrorCode WriteKnowledgeBytes(const std::string& path, const std::string& bytes,
                              ErrorCode failure);
