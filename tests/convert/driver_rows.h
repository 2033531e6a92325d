// The rows the driver tests hand the ringtone drivers: the first output
// type whose converter and argument they are, with the voice count of
// another type, as Adjust Voice fits the channels to it.
#pragma once

#include "core/output_formats.h"

namespace driver_rows {

inline OutputFormat Row(Converter converter, int argument, int voicesOf) {
    OutputFormat format = FormatOf(-1);
    for (int id = 0; id < kOutputTypeCount; ++id) {
        const OutputFormat& row = FormatOf(id);
        if (row.converter == converter && (row.converterArgument == argument || argument < 0)) {
            format = row;
            break;
        }
    }
    format.voices = FormatOf(voicesOf).voices;
    return format;
}

}  // namespace driver_rows
