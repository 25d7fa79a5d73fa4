// Must not build: the windows lie below the main window.
#include "app/MainWindow.h"
