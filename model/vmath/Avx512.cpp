#include "Targets.h"

#include <immintrin.h>
#include <sleef.h>

namespace orvek::vmath::detail {
namespace {

#define ORVEK_VM_VEC __m512d
#define ORVEK_VM_ABS(v) _mm512_abs_pd(v)
#define ORVEK_VM_WIDTH 8
#define ORVEK_VM_LOAD _mm512_loadu_pd
#define ORVEK_VM_STORE _mm512_storeu_pd
#define ORVEK_VM_ANY(m) (_mm512_test_epi64_mask((__m512i)(m), (__m512i)(m)) != 0)
#define ORVEK_VM_SET1 _mm512_set1_pd
#define ORVEK_VM_FN(name) Sleef_cinz_##name##8_u10avx512fnofma
#include "Loops.inc"

} // namespace

extern const Kernels kAvx512Kernels = {expLoop,      expm1Loop,       log1pLoop,      powLoop,
                                       dayStepsLoop, repeatStepsLoop, netReleaseLoop, closeDayLoop};

} // namespace orvek::vmath::detail
