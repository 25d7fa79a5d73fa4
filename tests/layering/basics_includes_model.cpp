// Must not build: the basics lie below the model.
#include "model/RunState.h"
