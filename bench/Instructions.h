// Instruction counts of a benchmark's measured part when it runs under callgrind (they do not
// depend on the machine's load): the counts start at zero at Start and the part is written
// out under its name at Stop, e.g.
//   valgrind --tool=callgrind --callgrind-out-file=cg.out bench_calibr_page
//     --benchmark_filter=BM_MouseDrag60HzCpu
// then `callgrind_annotate cg.out.1` gives the part's instructions, to be divided by the moves
// or frames the benchmark reports. Outside valgrind both do nothing. Set-up that waits on the
// real clock (a window's animations running out) waits Slowdown() times longer, as the program
// runs that much slower under valgrind.
#pragma once

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#define GASCAL_BENCH_CALLGRIND 1
#endif

namespace benchinstr {

inline double Slowdown() {
#ifdef GASCAL_BENCH_CALLGRIND
  if (RUNNING_ON_VALGRIND) return 40;
#endif
  return 1;
}

inline void Start() {
#ifdef GASCAL_BENCH_CALLGRIND
  CALLGRIND_ZERO_STATS;
#endif
}

inline void Stop(const char* Part) {
#ifdef GASCAL_BENCH_CALLGRIND
  CALLGRIND_DUMP_STATS_AT(Part);
#else
  (void)Part;
#endif
}

}  // namespace benchinstr
