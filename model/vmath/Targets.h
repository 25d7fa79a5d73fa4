#pragma once

// The array functions of each vector target, each built in its own file with that target's
// instruction set enabled; only called after the processor has been found to support it.

#include "model/VectorMath.h"

namespace orvek::vmath::detail {

extern const Kernels kSse2Kernels;
extern const Kernels kSse4Kernels;
extern const Kernels kAvxKernels;
extern const Kernels kAvx512Kernels;

} // namespace orvek::vmath::detail
