#include "Targets.h"

#include <immintrin.h>
#include <sleef.h>

namespace orvek::vmath::detail {
namespace {

#define ORVEK_VM_VEC __m256d
#define ORVEK_VM_ABS(v) _mm256_andnot_pd(_mm256_set1_pd(-0.0), v)
#define ORVEK_VM_WIDTH 4
#define ORVEK_VM_LOAD _mm256_loadu_pd
#define ORVEK_VM_STORE _mm256_storeu_pd
#define ORVEK_VM_ANY(m) (_mm256_movemask_pd((__m256d)(m)) != 0)
#define ORVEK_VM_SET1 _mm256_set1_pd
#define ORVEK_VM_FN(name) Sleef_cinz_##name##4_u10avx
#include "Loops.inc"

} // namespace

extern const Kernels kAvxKernels = {expLoop,      expm1Loop,       log1pLoop,      powLoop,
                                    dayStepsLoop, repeatStepsLoop, netReleaseLoop, closeDayLoop};

} // namespace orvek::vmath::detail
