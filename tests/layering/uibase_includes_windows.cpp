// Must not build: the UI base lies below the windows.
#include "windows/inputs/InputPage.h"
