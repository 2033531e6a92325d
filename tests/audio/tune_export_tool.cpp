// Exports a tune to a WAV through folder's "temp.aiff"; exit 0 when written.
#include <cstdio>

#include "convert/audio/tune_export.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s tune.mid folder out.wav\n", argv[0]);
        return 2;
    }
    return ExportToWavViaAiff(argv[1], argv[2], argv[3]) == 1 ? 0 : 1;
}
