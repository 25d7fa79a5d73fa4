#include "Targets.h"

#include <immintrin.h>
#include <sleef.h>

namespace orvek::vmath::detail {
namespace {

#define ORVEK_VM_VEC __m128d
#define ORVEK_VM_ABS(v) _mm_andnot_pd(_mm_set1_pd(-0.0), v)
#define ORVEK_VM_WIDTH 2
#define ORVEK_VM_LOAD _mm_loadu_pd
#define ORVEK_VM_STORE _mm_storeu_pd
#define ORVEK_VM_ANY(m) (_mm_movemask_pd((__m128d)(m)) != 0)
#define ORVEK_VM_SET1 _mm_set1_pd
#define ORVEK_VM_FN(name) Sleef_cinz_##name##2_u10sse4
#include "Loops.inc"

} // namespace

extern const Kernels kSse4Kernels = {expLoop,      expm1Loop,       log1pLoop,      powLoop,
                                     dayStepsLoop, repeatStepsLoop, netReleaseLoop, closeDayLoop};

} // namespace orvek::vmath::detail
