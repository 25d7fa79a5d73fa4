// Must not build: the formats lie below the run pipeline.
#include "run/RunPipeline.h"
