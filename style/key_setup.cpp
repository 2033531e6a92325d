#include "style/key_setup.h"

#include "style/style_table.h"

ChordCode TonicChordCode = {{'C', 'M', 'P', 'S'}};
char TimeChartFileName[kTimeChartNameSize] = "TIMECHT.DB";
char CadenceTimeChartFileName[kTimeChartNameSize] = "RESTIME.DB";

void SetupMajorKey() {}
void SetupMinorKey() {}
