// The race as the running program holds it: the track loader's hooks build
// the riders of the line-up in the race's simulation world, and the main
// loop's tic and rider controls reach that world.
#include <chrono>
#include <cmath>

#include "bike/bike_spec.h"
#include "bike/setup.h"
#include "core/app.h"
#include "platform/log.h"
#include "platform/messages.h"
#include "race/race_start.h"

namespace {

void race_reset(void* c) {
  App& app = *static_cast<App*>(c);
  log_message("Deallocating bikes\n");
  sim_world_clear(app.world);
  log_message("Finished deallocating bikes\n");
  physics_contacts_clear(app.physics);
}

// The bike a rider of the line-up rides.
std::string rider_bike(App& app, const SlotRider& rider) {
  if (rider.kind == SLOT_RIDER_HUMAN) return setup_choice(app.settings.setup, "bike");
  if (rider.kind == SLOT_RIDER_ROBOT && !rider.bike.empty()) return rider.bike;
  return "rm125";
}

bool add_rider(void* c, int slot, const SlotRider& rider, const CurrentTrack& track) {
  App& app = *static_cast<App*>(c);
  int kind = rider.kind == SLOT_RIDER_HUMAN ? SIM_LOCAL : (rider.kind == SLOT_RIDER_ROBOT ? SIM_ROBOT : SIM_REMOTE);
  std::string name = bike_name_alias(rider_bike(app, rider));
  const char* legacy = bike_legacy_name(name.c_str());
  int index = bike_catalogue_lookup(legacy ? legacy : name.c_str());
  BikeSim* bike = sim_slot_add(app.world, slot, index, kind, false);
  if (!bike) {
    app.loop.slot_not_local[slot] = 1;
    return false;
  }
  if (kind == SIM_LOCAL) {
    bike_sim_apply_tuning(*bike, setup_apply(*bike->model, app.settings.setup, !app.loop.online));
    setup_trackers_note_apply(app.trackers, app.settings.setup);
  }
  app.loop.slot_not_local[slot] = kind == SIM_LOCAL ? 0 : 1;
  sim_place_rider(&track.terrain, *bike, sim_grid_place(&track.gates, track.terrain.extent, slot));
  return true;
}

void race_ready(void* c, const CurrentTrack&, const RaceClock& clock, const LineUpPlan&) {
  App& app = *static_cast<App*>(c);
  race_begin(app.world, app.race, app.loader.track, clock);
  MainLoop& L = app.loop;
  L.viewed_slot = app.loader.viewed_slot;
  L.track_loaded = true;
  L.viewed_has_bike = app.world.slots[size_t(L.viewed_slot)].bike != nullptr;
  setup_trackers_reset(app.trackers, app.settings.setup);
  physics_contacts_clear(app.physics);
}

// The line recorder's step of a tic: the rider's gate test (the riding
// lines' own bookkeeping joins it when they exist).
void line_recorder(void* c, int, BikeSim& bike) {
  App& app = *static_cast<App*>(c);
  if (app.race.timing && !app.race.riders[bike.slot].finished) laps_gate_test_bike(app.race, bike, app.world.tic, nullptr);
}

// A fallen rider turns his bike towards his next gate.
bool realign_target(void* c, const BikeSim& bike, double target[2]) {
  const LapRace& race = static_cast<App*>(c)->race;
  int index = laps_sequence_gate(race, laps_gate_counter(race, bike.slot));
  if (index < 0 || size_t(index) >= race.gates.size()) return false;
  target[0] = race.gates[size_t(index)].x;
  target[1] = race.gates[size_t(index)].z;
  return true;
}

// A rider righting his bike near the line may just have finished: then he
// is not turned round. Asked only of riders under way and not yet finished.
bool finish_check(void* c, BikeSim& bike) {
  LapRace& race = static_cast<App*>(c)->race;
  if (bike.slot < 0 || bike.slot >= LAPS_SLOTS) return false;
  const LapRider& r = race.riders[bike.slot];
  if (!race.timing || r.gates <= 0 || r.finished) return false;
  return laps_finished(race, bike.slot);
}

void loading_begin(void* c, const char* text) { app_status_line(*static_cast<App*>(c), text); }
void loading_progress(void* c, const char*) { app_loading_pump(*static_cast<App*>(c)); }

}  // namespace

bool app_track_load(App& app, const TrackLoadRequest& request) {
  SimWorld& w = app.world;
  w.physics = &app.physics;
  w.shapes = &app.shapes;
  w.hooks.context = &app;
  w.hooks.line_recorder = line_recorder;
  w.assists.context = &app;
  w.assists.realign_target = realign_target;
  w.assists.finish_check = finish_check;
  TrackLoadHooks h;
  h.context = &app;
  h.loading.context = &app;
  h.loading.begin = loading_begin;
  h.loading.progress = loading_progress;
  h.assets.context = &app.shapes;
  h.assets.shape = shape_cache_hook;
  h.verbosity = app.cl.verbosity;
  h.race_reset = race_reset;
  h.add_rider = add_rider;
  h.race_ready = race_ready;
  MainLoop& L = app.loop;
  L.track_loaded = false;
  L.viewed_has_bike = false;
  app.status_previous = -1;
  app.status_longest = 0;
  bool ok = track_load(app.loader, app.vfs, app.tracks, request, h);
  app_loading_delay_report(app);
  if (!ok) {
    w.terrain = nullptr;
    w.surfaces = nullptr;
    w.scenery = nullptr;
    w.gates = nullptr;
  }
  return ok;
}

void app_race_free(App& app) {
  race_reset(&app);
  if (app.loader.track.loaded) {
    track_free(app.loader, TrackLoadHooks{});
  } else {
    log_message("Deallocating track\n");
    log_message("Finished deallocating track\n");
  }
  shape_cache_free(app.shapes);
}

void app_race_tic(App& app) {
  if (!app.loader.track.loaded) return;
  sim_tic(app.world);
}

void app_race_input(App& app, const RiderInput& in) {
  int slot = app.loop.viewed_slot;
  if (slot < 0 || slot >= SIM_SLOTS) return;
  SimSlot& s = app.world.slots[size_t(slot)];
  if (!s.bike || s.kind != SIM_LOCAL) return;
  BikeInput b;
  b.steer = in.steer;
  b.throttle = in.throttle;
  b.front_brake = in.front_brake;
  b.rear_brake = in.rear_brake;
  b.clutch = in.clutch;
  b.dab = in.dab;
  b.back_up = in.back_up;
  b.lean = in.lean;
  b.shift = in.shift;
  bike_set_input(*s.bike, b);
}
