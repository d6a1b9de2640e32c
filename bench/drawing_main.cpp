// The main of the drawing benchmarks: the drawing back end is up for the whole run.
#include <benchmark/benchmark.h>

#include "vg2d/core/CanvasGdiPlus.h"

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  vg::StartupGdiPlus();
  benchmark::RunSpecifiedBenchmarks();
  vg::ShutdownGdiPlus();
  benchmark::Shutdown();
  return 0;
}
