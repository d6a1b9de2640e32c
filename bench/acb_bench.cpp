// One pass of the automatic calibration's interpreter with the run's own workers, without a
// window: the pass that compares and adjusts the curve (201, 202, scaling, 51), and the pass
// that ends the steps (jump, 200, the finish with the idle-point placement, 55, 56, 57).
#include <benchmark/benchmark.h>

#include "app/core/AutoCLB_Unit.h"
#include "app/core/Calibr_Unit.h"
#include "app/core/General_Unit.h"
#include "app/core/Model.h"
#include "ecu/Config_Unit.h"
#include "ecu/Gas_Injectors_Unit.h"
#include "ecu/Session.h"

namespace {

struct RunState {
  RunState() {
    ecu::InitInjectorTable();
    ecu::Session().ConfigData.Configuration = std::make_unique<ecu::Configuration_Class>();
    app::CalcDiagramPoints();
    app::CreateACBAlgorithms();
    app::Model().Settings.ACBSteps = app::ChooseACBAlgorithm(app::ACB_Fast, 4).Steps;
    app::Model().ACB.Counts = app::ComputeACBCounts();
    app::Model().ACB.Order = "1+12+123+1234";
    app::Model().ACB.StepIndex = 1;
    app::Model().ACB.PetrolTotal = 3000 * 12, app::Model().ACB.PetrolCount = 12;
    app::Model().ACB.GasTotal = 3600 * 12, app::Model().ACB.GasCount = 12;
    app::BuildStandardScript();
    x = ecu::Session().ConfigData.DiagramPointX;
    y = ecu::Session().ConfigData.DiagramPointY;
  }
  void Restore(std::int32_t NextCell) {
    ecu::Session().ConfigData.DiagramPointX = x;
    ecu::Session().ConfigData.DiagramPointY = y;
    app::Model().ACBScript.Pos = NextCell - 1;
  }
  // The program's state as at start, for the run's life.
  app::TModel model;
  std::array<std::int32_t, ecu::DiagramPointCount> x{}, y{};
};

void BM_ACBPassCompareAndAdjust(benchmark::State& state) {
  RunState run;
  for (auto _ : state) {
    run.Restore(11);
    benchmark::DoNotOptimize(app::ACBScriptPass(app::ACBRunWorkers()));
  }
}
BENCHMARK(BM_ACBPassCompareAndAdjust);

void BM_ACBPassFinish(benchmark::State& state) {
  RunState run;
  app::Model().ACB.OrderPos = static_cast<std::int32_t>(app::Model().ACB.Order.size());
  for (auto _ : state) {
    run.Restore(20);
    benchmark::DoNotOptimize(app::ACBScriptPass(app::ACBRunWorkers()));
  }
}
BENCHMARK(BM_ACBPassFinish);

}  // namespace

BENCHMARK_MAIN();
