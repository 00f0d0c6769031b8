#include "stats/ColumnKernel.h"

#include <atomic>

namespace kivra {

namespace {

bool CpuHasColumnKernel() {
#if !defined(KIVRA_NO_COLUMN_KERNEL) && defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
         __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512vbmi2") &&
         __builtin_cpu_supports("popcnt") && __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2");
#else
  return false;
#endif
}

std::atomic<bool>& Enabled() {
  static std::atomic<bool> enabled{CpuHasColumnKernel()};
  return enabled;
}

}  // namespace

#ifdef KIVRA_NO_COLUMN_KERNEL
// Never called: no processor here has the kernels.
size_t ColumnFilter(const TColumnKernelProgram&, const uint64_t (*)[4], const uint8_t*, size_t, uint8_t*, bool,
                    const TScalarTests&) {
  return 0;
}
void ColumnMasks(const TColumnKernelProgram&, const uint64_t (*)[4], const uint8_t*, size_t, bool, const TScalarTests&,
                 uint64_t*) {}
size_t CompressCombs(const uint8_t*, size_t, const uint64_t*, uint8_t*) { return 0; }
void ColumnCount(const TColumnKernelProgram&, const uint8_t*, size_t, uint32_t*, uint8_t*, uint64_t*, uint32_t*) {}
#endif

bool ColumnKernelSupported() { return Enabled().load(std::memory_order_relaxed); }

bool EnableColumnKernel(bool enable) {
  const bool wanted = enable && CpuHasColumnKernel();
  Enabled().store(wanted, std::memory_order_relaxed);
  return wanted;
}

}  // namespace kivra
