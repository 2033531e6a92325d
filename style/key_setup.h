// The key set-up every change of the working style runs: it fixes the style's
// key and the tonic chord and time-chart names the knowledge-base loader reads.
#pragma once

#include <cstddef>

#include "style/music_style.h"

constexpr std::size_t kTimeChartNameSize = 13;  // up to 12 characters and a zero

// The key set-up values, written under StyleRecordMutex().
extern ChordCode TonicChordCode;
extern char TimeChartFileName[kTimeChartNameSize];
extern char CadenceTimeChartFileName[kTimeChartNameSize];

// The key the set-up gives a record: 2 for a minor set-up, but 1 whenever
// the record uses the blues progression, which is always set up in C.
int KeyAfterSetup(const MusicStyle& style, bool minor);

// Sets the record's "Key" and the key set-up values from it, under
// StyleRecordMutex() (the record may be WorkingStyle or a copy about to
// replace it).
void SetupKeyOf(MusicStyle& style, bool minor);

// Set WorkingStyle's "Key" and the key set-up values.
void SetupMajorKey();
void SetupMinorKey();
