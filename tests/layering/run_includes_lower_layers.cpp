// Must build: the run pipeline sees every layer below it.
#include "basics/Text.h"
#include "formats/SettingFile.h"
#include "model/RunState.h"
#include "run/RunPipeline.h"
#include "xls/Workbook.h"
