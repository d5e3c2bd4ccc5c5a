// The race as the running program holds it: the track loader's hooks build
// the riders of the line-up in the race's simulation world, and the main
// loop's tic and rider controls reach that world.
#include <chrono>
#include <cmath>
#include <ctime>

#include "bike/bike_spec.h"
#include "bike/setup.h"
#include "core/app.h"
#include "platform/log.h"
#include "platform/messages.h"
#include "race/race_start.h"

namespace {

void race_reset(void* c) {
  App& app = *static_cast<App*>(c);
  race_control_reset(app.control);
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
  RaceEntrant& who = app.control.entrants[slot];
  if (kind == SIM_LOCAL) {
    who = RaceEntrant{setup_text(app.settings.setup, "number"), bike->model->name, setup_text(app.settings.setup, "name")};
  } else if (rider.kind == SLOT_RIDER_ROBOT) {
    who = race_robot_entrant(rider, bike->model->name);
  } else {
    who.bike = bike->model->name;
  }
  sim_place_rider(&track.terrain, *bike, sim_grid_place(&track.gates, track.terrain.extent, slot));
  return true;
}

void race_ready(void* c, const CurrentTrack&, const RaceClock& clock, const LineUpPlan&) {
  App& app = *static_cast<App*>(c);
  race_begin(app.world, app.race, app.control, app.race_mode, app.loader.track, clock);
  app_race_standings(app);
  MainLoop& L = app.loop;
  L.viewed_slot = app.loader.viewed_slot;
  // With no bike in the viewed slot the camera follows the leader.
  if (!app.world.slots[size_t(L.viewed_slot)].bike && app.race.order_count > 0) L.viewed_slot = app.race.order[0].slot;
  app.back_up_pushed = false;
  L.track_loaded = true;
  L.viewed_has_bike = app.world.slots[size_t(L.viewed_slot)].bike != nullptr;
  setup_trackers_reset(app.trackers, app.settings.setup);
  physics_contacts_clear(app.physics);
}

// The line recorder's step of a tic: the rider's gate test (the riding
// lines' own bookkeeping joins it when they exist).
void line_recorder(void* c, int, BikeSim& bike) {
  App& app = *static_cast<App*>(c);
  if (!app.race.timing || app.race.riders[bike.slot].finished) return;
  if (laps_gate_test_bike(app.race, bike, app.world.tic, nullptr).index >= 0) app_race_standings(app);
}

// A seek back in time forgets the crossings from then on; results that had
// become final are unofficial again until the standings, recomputed at the
// next crossing or within a second, say otherwise.
void cut_crossings(void* c, int64_t tic) {
  App& app = *static_cast<App*>(c);
  laps_cut_to_tic(app.race, tic);
  app.control.results_final = false;
}

// While connected the results file is kept up to date every few seconds.
void results_file(void* c) {
  App& app = *static_cast<App*>(c);
  race_results_write(app.control, app.race, app.vfs, int64_t(time(nullptr)));
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
  w.hooks.results = results_file;
  w.hooks.cut_crossings = cut_crossings;
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
  app.race_mode = race_mode_of(request);
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

void app_race_standings(App& app) {
  if (app.control.results_final) return;
  if (race_update_standings(app.control, app.race, race_riders(app.world), &app.vfs, int64_t(time(nullptr))))
    log_message("Results are final\n");
}

void app_race_tic(App& app) {
  if (!app.loader.track.loaded) return;
  sim_tic(app.world);
  // Between crossings the clock alone can settle things: half time, the
  // end of a timed race's minutes, a demo rider whose states stopped.
  if (app.world.tic % 128 == 0) app_race_standings(app);
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
  // In a time trial, backing up starts the attempt again.
  bool pushed = in.back_up > 0.5f;
  if (pushed && !app.back_up_pushed && app.race_mode == RACE_MODE_TIME_TRIAL &&
      app.settings.time_trial_abort.selected == 1 && race_time_trial_place(app.world, app.race, slot)) {
    app_race_standings(app);
  }
  app.back_up_pushed = pushed;
}
