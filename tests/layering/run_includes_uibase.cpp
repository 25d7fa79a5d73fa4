// Must not build: the core never sees a window.
#include "uibase/PlatformServices.h"
