#include "style/random_riff.h"

void GenerateRandomRiff(int (&riff)[kRiffTableSize], const MusicStyle&) {
    for (int& value : riff)
        value = 0;
}
