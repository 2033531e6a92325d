// Writes every image of the skin as <name>.png into a folder, with our own
// art (the skin folder beside the program, or a given art folder) put in
// where it fits, so the faces can be looked at outside the program.
#include <cstdio>
#include <string>

#include "platform/ui/skin.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: zaw_skin_dump <output folder> [art folder]\n");
        return 2;
    }
    platform::ui::SkinStore store;
    const std::string art = argc == 3 ? argv[2] : platform::ui::SkinArtFolder();
    {
        for (const std::string& name : store.LoadArt(art)) {
            std::fprintf(stderr, "zaw_skin_dump: %s refused (wrong size or unreadable)\n",
                         name.c_str());
        }
    }
    int written = platform::ui::DumpSkins(store, argv[1]);
    std::printf("%d of %d skin images written to %s\n", written, platform::ui::kSkinCount, argv[1]);
    return written == platform::ui::kSkinCount ? 0 : 1;
}
