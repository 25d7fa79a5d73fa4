// Must not build: the workbook library stands on its own.
#include "basics/Text.h"
