// The cost of one simulation tic for 1, 8 and 40 bikes riding together on
// flat ground: contacts, the world step and every rider's forces.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "bike/bike_spec.h"
#include "bikerig/bike_rig.h"

namespace {

void BM_BikeTic(benchmark::State& state) {
  const int count = int(state.range(0));
  std::string folder = std::filesystem::temp_directory_path() / ("lr-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  BikeRig rig;
  if (!bike_rig_open(rig, folder)) {
    state.SkipWithError("no physics world");
    return;
  }
  // A pack in rows of eight, 6 ft apart side by side and 12 ft apart in
  // line, every model of the catalogue in turn, all at part throttle in
  // third gear.
  for (int i = 0; i < count; ++i) {
    BikeSim* b = bike_rig_add(rig, (i * 7) % BIKE_MODELS, 1000 + (i % 8) * 6.0, 1950 + (i / 8) * 12.0);
    b->drive.clutch = 1;
    b->drive.gear = 2;
    b->drive.throttle = 0.4;
  }
  for (int t = 0; t < 256; ++t) bike_rig_tic(rig);  // settle and get rolling
  for (auto _ : state) {
    bike_rig_tic(rig);
    // Flat ground: carry the pack back before it rides off the end.
    double z = dBodyGetPosition(rig.bikes[0]->body[BIKE_FRAME])[2];
    if (z < 300)
      for (auto& b : rig.bikes) bike_sim_move(*b, 0, 0, 1500);
  }
  state.counters["bikes"] = count;
  state.counters["tics/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["bike_tics/s"] = benchmark::Counter(double(state.iterations()) * count, benchmark::Counter::kIsRate);
  bike_rig_close(rig);
  std::filesystem::remove_all(folder);
}

}  // namespace

BENCHMARK(BM_BikeTic)->Arg(1)->Arg(8)->Arg(40)->Unit(benchmark::kMicrosecond);
