// Must not build: the model knows no file format.
#include "formats/SettingFile.h"
