// lr-sim: runs a race on a track with no window. Riders line up at the
// starting gates and are ridden by a file of controls or by a simple
// gate-following helper. A race of laps or of minutes plus laps runs until
// its results are final and writes "@results.txt"; at the end each rider's
// state is printed, and the run can leave a per-tic trace of every rider's
// compact state.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "bike/bike_spec.h"
#include "bike/compact_state.h"
#include "bike/physics_world.h"
#include "bike/setup.h"
#include "bike/shape_cache.h"
#include "bike/sim_tic.h"
#include "platform/log.h"
#include "platform/messages.h"
#include "race/lap_timing.h"
#include "race/race_control.h"
#include "race/race_start.h"
#include "track/gates.h"
#include "track/scenery.h"
#include "track/surface.h"
#include "track/terrain.h"
#include "track/track_list.h"
#include "track/track_load.h"
#include "vfs/vfs.h"

namespace {


struct Options {
  std::string track = "tracks/claypit";
  int riders = 1;
  std::string bike = "cr125";
  double seconds = 0;         // simulated time at most (0: 60 s, or 2 hours for a race)
  int laps = 0;               // laps of the race (after the minutes when both are given)
  double minutes = 0;         // time limit of the race
  std::string controls;       // file of time-stamped control vectors
  std::string trace;          // per-tic compact states
  double stability = 100;
  bool arcade = false;
  unsigned seed = 1;
  bool quiet = false;
};

// A ControlVector: steer, throttle, front brake, rear brake, shift, clutch, dab, back up, lean.
struct Controls {
  float v[9] = {};
};

struct ControlChange {
  int64_t tic;
  int slot;
  Controls controls;
};

// What the gate-following helper keeps per rider.
struct Follower {
  double clutch = 1;        // eased lever engagement
  int stuck = 0;            // tics spent barely moving
  int backing = 0;          // tics of walking back still to go
  float backing_steer = 0;  // bars while walking back
  int crashes = 0;          // crashes reported so far
};

const char* crash_reason_name(int reason) {
  switch (reason) {
    case CRASH_SPEED: return "thrown off";
    case CRASH_ACCELERATION: return "hard stop";
    case CRASH_UPSIDE_DOWN: return "upside down";
    case CRASH_OBJECT: return "hit an object";
    default: return "crash";
  }
}

struct Sim {
  Options options;
  Vfs vfs;
  ShapeCache shapes;
  PhysicsWorld physics;
  TrackLoader loader;   // the track and its race clock
  LapRace race;         // gates passed, laps and lap times
  RaceControl control;  // finish laps, penalties, results
  ::Setup setup;        // every rider's setup
  SimWorld world;
  std::vector<ControlChange> changes;
  size_t next_change = 0;
  Controls current[SIM_SLOTS];
  Follower follow[SIM_SLOTS];
  bool following = true;
};

void usage() {
  fprintf(stderr,
          "usage: lr-sim [options] [TRACK]\n"
          "  TRACK                 track folder or display name (default tracks/claypit)\n"
          "  --riders N            riders on the grid (1..160, default 1)\n"
          "  --bike NAME           bike model (default cr125)\n"
          "  --seconds S           simulated time at most (default 60 s, 2 hours for a race)\n"
          "  --laps N              a race of N laps (after the minutes, with --minutes)\n"
          "  --minutes M           a race of M minutes (plus --laps laps); a race runs until\n"
          "                        its results are final and writes @results.txt\n"
          "  --controls FILE       ride from a file of lines 'TIC SLOT steer throttle front rear shift clutch\n"
          "                        dab back_up lean' (from that tic on; steer as the bike takes it, positive\n"
          "                        to the rider's right); without it a helper follows the gates\n"
          "  --trace FILE          write every rider's 39-byte state each tic\n"
          "  --stability S         setup stability 0..100 (default 100)\n"
          "  --arcade              arcade physics\n"
          "  --seed N              random seed (start tic, roost)\n"
          "  --quiet               no progress lines\n"
          "  LR_HOME names the game-data folder.\n");
}

bool parse(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](const char*& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    const char* v = nullptr;
    if (a == "--riders" && value(v)) {
      o.riders = atoi(v);
    } else if (a == "--bike" && value(v)) {
      o.bike = v;
    } else if (a == "--seconds" && value(v)) {
      o.seconds = atof(v);
    } else if (a == "--laps" && value(v)) {
      o.laps = atoi(v);
    } else if (a == "--minutes" && value(v)) {
      o.minutes = atof(v);
    } else if (a == "--controls" && value(v)) {
      o.controls = v;
    } else if (a == "--trace" && value(v)) {
      o.trace = v;
    } else if (a == "--stability" && value(v)) {
      o.stability = atof(v);
    } else if (a == "--seed" && value(v)) {
      o.seed = unsigned(strtoul(v, nullptr, 10));
    } else if (a == "--arcade") {
      o.arcade = true;
    } else if (a == "--quiet") {
      o.quiet = true;
    } else if (!a.empty() && a[0] != '-') {
      o.track = a;
    } else {
      return false;
    }
  }
  if (o.riders < 1 || o.riders > SIM_SLOTS) return false;
  if (o.laps < 0 || o.laps > 1000 || !(o.minutes >= 0) || o.minutes > 24 * 60) return false;
  if (o.seconds == 0) o.seconds = o.laps > 0 || o.minutes > 0 ? 2 * 3600 : 60;
  if (!(o.seconds > 0) || o.seconds > 24 * 3600) return false;
  return true;
}

bool read_controls(Sim& s, const std::string& path) {
  FILE* f = fopen(path.c_str(), "r");
  if (!f) {
    fprintf(stderr, "Can't open controls file %s\n", path.c_str());
    return false;
  }
  char line[1024];
  int number = 0;
  while (fgets(line, sizeof line, f)) {
    ++number;
    char* p = line;
    while (*p == ' ' || *p == '\t') ++p;
    if (*p == '#' || *p == '\n' || *p == 0) continue;
    ControlChange c{};
    long long tic;
    int n = sscanf(p, "%lld %d %f %f %f %f %f %f %f %f %f", &tic, &c.slot, &c.controls.v[0], &c.controls.v[1],
                   &c.controls.v[2], &c.controls.v[3], &c.controls.v[4], &c.controls.v[5], &c.controls.v[6],
                   &c.controls.v[7], &c.controls.v[8]);
    if (n < 3 || tic < 0 || c.slot < 0 || c.slot >= SIM_SLOTS) {
      fprintf(stderr, "%s:%d: bad control line\n", path.c_str(), number);
      fclose(f);
      return false;
    }
    c.tic = tic;
    if (!s.changes.empty() && s.changes.back().tic > c.tic) {
      fprintf(stderr, "%s:%d: tics must not go backwards\n", path.c_str(), number);
      fclose(f);
      return false;
    }
    s.changes.push_back(c);
  }
  fclose(f);
  return true;
}

// The gate a rider rides for: the one at his gate counter.
const LapGate* next_gate(const Sim& s, int slot) {
  int index = laps_sequence_gate(s.race, laps_gate_counter(s.race, slot));
  if (index < 0 || size_t(index) >= s.race.gates.size()) return nullptr;
  return &s.race.gates[size_t(index)];
}

// The helper's riding: aim at the next gate, slow for sharp turns.
Controls follow_gates(Sim& s, int slot, BikeSim& b) {
  // Speeds: in sharp turns, on straights, and over jumps and steep faces
  // (the helper cannot judge a take-off speed, so it rolls them).
  const double speed_low = 15, speed_high = 35, slow = 9;
  const double lookahead = 30, steep = 0.3;  // ft ahead, and the rise per foot that counts as steep
  Controls c;
  Follower& f = s.follow[slot];
  const LapGate* gate = next_gate(s, slot);
  const dReal* p = dBodyGetPosition(b.body[BIKE_FRAME]);
  if (!gate) {
    c.v[1] = 0.3f;
    return c;
  }
  double dx = gate->x - p[0], dz = gate->z - p[2];
  double dist = std::sqrt(dx * dx + dz * dz);
  // Aim through the gate: at a point past its centre along its direction.
  if (dist > 8) {
    double reach = std::min(dist * 0.5, 15.0);
    dx += gate->dx * reach;
    dz += gate->dz * reach;
    dist = std::sqrt(dx * dx + dz * dz);
  }
  // Stuck against something: walk the bike back for a while, bars turned.
  double v = bike_sim_speed(b);
  if (f.backing > 0) {
    --f.backing;
    c.v[7] = 1;
    c.v[0] = f.backing_steer;
    return c;
  }
  f.stuck = v < 2 && !bike_sim_crashed(b) ? f.stuck + 1 : 0;
  if (f.stuck > 3 * 128) {
    f.stuck = 0;
    f.backing = 3 * 128;
    f.backing_steer = b.controls.steer >= 0 ? -1.0f : 1.0f;
  }
  dVector3 back;
  dBodyVectorToWorld(b.body[BIKE_FRAME], 0, 0, 1, back);
  double fx = -back[0], fz = -back[2];
  double n = std::sqrt(fx * fx + fz * fz);
  if (n < 1e-6) return c;
  fx /= n, fz /= n;
  double ahead = (dx * fx + dz * fz) / dist;
  double side = (dx * -fz + dz * fx) / dist;  // towards the frame's +x side
  double angle = std::atan2(side, ahead);
  // Steer sets the lean the bike aims for: no more than its speed can hold
  // through a turn of about 12 ft radius.
  double hold = std::clamp(std::atan(v * v / (32 * 12.0)) / (3.14159265358979 / 4), 0.15, 1.0);
  c.v[0] = float(std::clamp(angle * 1.5, -hold, hold));
  double target = speed_low + (speed_high - speed_low) * std::pow(std::max(0.0, std::cos(angle)), 4);
  // Jumps and steep faces ahead are rolled over slowly: the helper cannot
  // judge a take-off speed.
  double steepest = 0;
  double previous = terrain_height(s.loader.track.terrain, float(p[0]), float(p[2]));
  for (double d = 2.5; d <= lookahead; d += 2.5) {
    double h = terrain_height(s.loader.track.terrain, float(p[0] + fx * d), float(p[2] + fz * d));
    steepest = std::max(steepest, std::fabs(h - previous) / 2.5);
    previous = h;
  }
  if (steepest > steep) target = std::min(target, slow);
  c.v[1] = float(std::clamp((target - v) * 0.25 + 0.3, 0.0, 1.0));
  if (v > target + 4) c.v[2] = c.v[3] = float(std::clamp((v - target - 4) * 0.1, 0.0, 1.0));
  // Ease off when the rear wheel spins up without grip.
  double wheel = dJointGetHingeAngleRate(b.joint[BIKE_REAR_AXLE]) * (b.wheel[1].R + b.wheel[1].r);
  if (wheel > v + 6) c.v[1] *= 0.25f;
  return c;
}

BikeInput to_input(Follower& f, const Controls& c) {
  BikeInput in;
  in.steer = c.v[0];
  in.throttle = c.v[1];
  in.front_brake = c.v[2];
  in.rear_brake = c.v[3];
  in.shift = c.v[4] > 0.5f ? 1 : (c.v[4] < -0.5f ? -1 : 0);
  f.clutch = bike_clutch_ease(f.clutch, c.v[5], 1.0 / 128);
  in.clutch = f.clutch;
  in.dab = c.v[6];
  in.back_up = c.v[7];
  in.lean = c.v[8];
  return in;
}

// The point a fallen rider turns his bike to: the next gate.
bool realign_target(void* context, const BikeSim& bike, double target[2]) {
  Sim& s = *static_cast<Sim*>(context);
  const LapGate* gate = next_gate(s, bike.slot);
  if (!gate) return false;
  target[0] = gate->x;
  target[1] = gate->z;
  return true;
}

// The rider of a line-up slot: every rider rides the chosen bike with one
// setup, and this tool drives them all.
bool add_rider(void* context, int slot, const SlotRider& rider, const CurrentTrack& track) {
  Sim& s = *static_cast<Sim*>(context);
  int index = bike_catalogue_lookup(s.options.bike.c_str());
  BikeSim* b = sim_slot_add(s.world, slot, index, SIM_LOCAL, false);
  if (!b) return false;
  bike_sim_apply_tuning(*b, setup_apply(*b->model, s.setup, true));
  s.control.entrants[slot] = race_robot_entrant(rider, b->model->name);
  sim_place_rider(&track.terrain, *b, sim_grid_place(&track.gates, track.terrain.extent, slot));
  return true;
}

void race_ready(void* context, const CurrentTrack&, const RaceClock& clock, const LineUpPlan&) {
  Sim& s = *static_cast<Sim*>(context);
  race_begin(s.world, s.race, s.control, RACE_MODE_NEW, s.loader.track, clock);
  race_update_standings(s.control, s.race, race_riders(s.world), &s.vfs, int64_t(time(nullptr)));
}

// The line recorder's step of the tic: the rider's gate test.
void gate_test(void* context, int, BikeSim& bike) {
  Sim& s = *static_cast<Sim*>(context);
  if (laps_gate_test_bike(s.race, bike, s.world.tic, nullptr).index >= 0 && !s.control.results_final)
    race_update_standings(s.control, s.race, race_riders(s.world), &s.vfs, int64_t(time(nullptr)));
}

// The track loader with a line-up of robots in the first slots (this tool
// rides them itself).
bool load_race(Sim& s) {
  vfs_file_list(s.vfs);
  TrackList list;
  tracks_scan(list, s.vfs, 0);
  std::string folder = s.options.track;
  int found = tracks_find(list, folder);
  for (size_t i = 0; found < 0 && i < list.tracks.size(); ++i)
    if (list.tracks[i].display_name == folder) found = int(i);
  if (found < 0) {
    fprintf(stderr, "No track '%s'\n", folder.c_str());
    return false;
  }
  setup_defaults(s.setup);
  setup_apply_stability(s.setup, s.options.stability);
  setup_read(s.setup, "arcade", s.options.arcade ? "Yes" : "No");
  setup_read(s.setup, "auto_shift", "Yes");
  setup_read(s.setup, "auto_dab", "Yes");
  setup_read(s.setup, "stop_wheelies", "Yes");
  shape_cache_init(s.shapes, s.vfs);
  int lineup[LINEUP_SLOTS] = {};
  for (int i = 0; i < s.options.riders; ++i) lineup[i] = LINEUP_ROBOT;
  TrackLoadRequest r;
  r.folder = list.tracks[size_t(found)].folder;
  r.lineup = lineup;
  bool race = s.options.laps > 0 || s.options.minutes > 0;
  r.laps = race ? s.options.laps : 1000;
  r.time_limit = int64_t(std::llround(s.options.minutes * 60 * 128));
  TrackLoadHooks h;
  h.context = &s;
  h.assets.context = &s.shapes;
  h.assets.shape = shape_cache_hook;
  h.add_rider = add_rider;
  h.race_ready = race_ready;
  s.loader.random.seed(s.options.seed);
  if (!track_load(s.loader, s.vfs, list, r, h)) {
    fprintf(stderr, "Can't load %s\n", r.folder.c_str());
    return false;
  }
  const CurrentTrack& t = s.loader.track;
  if (!s.options.quiet)
    printf("Track %s: %g ft square, %zu starting gates, %zu checkpoints, laps of %d gates, %s\n", t.folder.c_str(),
           double(t.terrain.extent), t.gates.starting_gates.size(), t.gates.checkpoints.size(),
           t.gates.normal_lap_length, race_length_text(r.time_limit, r.laps).c_str());
  return true;
}

void print_riders(Sim& s) {
  for (int slot : sim_occupied(s.world)) {
    BikeSim& b = *s.world.slots[size_t(slot)].bike;
    const dReal* p = dBodyGetPosition(b.body[BIKE_FRAME]);
    int laps = laps_completed(s.race, slot);
    printf("rider %d %s: at %.2f %.2f %.2f, %.2f ft/s, gear %d, %.0f rpm, %s, crashes %d, gates %d, laps %d",
           slot, b.model->name, p[0], p[1], p[2], bike_sim_speed(b), b.drive.gear + 1, drivetrain_rpm(b.drive),
           bike_sim_crashed(b) ? "crashed" : "riding", b.crash_index, laps_gate_counter(s.race, slot), laps);
    for (int n = 1; n <= laps; ++n) printf(" %.2f", laps_lap_time(s.race, slot, n));
    printf("\n");
  }
}

// Releases everything the run made (also on the way out after a failure).
int finish(Sim& s, int status) {
  sim_world_clear(s.world);
  if (s.loader.track.loaded) track_free(s.loader, TrackLoadHooks{});
  physics_world_destroy(s.physics);
  shape_cache_free(s.shapes);
  vfs_shutdown(s.vfs);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  Sim s;
  if (!parse(argc, argv, s.options)) {
    usage();
    return 1;
  }
  message_set_sink([](void* c, const char* text) { if (!static_cast<Sim*>(c)->options.quiet) printf("%s\n", text); },
                   &s);
  if (!s.options.controls.empty()) {
    if (!read_controls(s, s.options.controls)) return 1;
    s.following = false;
  }
  if (!physics_world_create(s.physics)) return finish(s, 1);
  SimWorld& w = s.world;
  w.physics = &s.physics;
  w.shapes = &s.shapes;
  w.random.seed(s.options.seed);
  w.assists.context = &s;
  w.assists.realign_target = realign_target;
  w.hooks.context = &s;
  w.hooks.line_recorder = gate_test;
  if (!load_race(s)) return finish(s, 1);
  if (!s.options.quiet) {
    const GateSet& gates = s.loader.track.gates;
    for (size_t g = 0; g < gates.starting_gates.size(); ++g)
      printf("starting gate %zu: %.4f %.4f heading %.6f\n", g, double(gates.starting_gates[g].position[0]),
             double(gates.starting_gates[g].position[2]), double(gates.starting_gates[g].heading));
    for (int slot : sim_occupied(w)) {
      const dReal* p = dBodyGetPosition(w.slots[size_t(slot)].bike->body[BIKE_FRAME]);
      printf("grid %d: %.4f %.4f\n", slot, p[0], p[2]);
    }
    printf("Gate drops at tic %lld\n", (long long)w.start_tic);
  }
  bool race = s.options.laps > 0 || s.options.minutes > 0;

  FILE* trace = nullptr;
  CompactSpace space = compact_space(&s.loader.track.terrain);
  if (!s.options.trace.empty()) {
    trace = fopen(s.options.trace.c_str(), "wb");
    if (!trace) {
      fprintf(stderr, "Can't write %s\n", s.options.trace.c_str());
      return finish(s, 1);
    }
    fprintf(trace, "lr-sim trace: %d riders, %d-byte states each tic\n", s.options.riders, int(sizeof(CompactState)));
  }

  int64_t tics = int64_t(s.options.seconds * 128);
  auto began = std::chrono::steady_clock::now();
  int64_t run = 0;
  for (; run < tics; ++run) {
    while (s.next_change < s.changes.size() && s.changes[s.next_change].tic <= w.tic) {
      const ControlChange& c = s.changes[s.next_change++];
      s.current[c.slot] = c.controls;
    }
    if (race && s.control.results_final) break;
    for (int slot : sim_occupied(w)) {
      BikeSim& b = *w.slots[size_t(slot)].bike;
      Controls c;
      if (!s.following) {
        c = s.current[slot];
      } else if (s.race.riders[slot].finished) {
        c.v[2] = c.v[3] = 1;  // over the line: pull up
      } else if (w.tic >= w.start_tic) {
        c = follow_gates(s, slot, b);
      }
      bike_set_input(b, to_input(s.follow[slot], c));
    }
    sim_tic(w);
    // Between crossings the clock alone can settle the finish laps.
    if (race && w.tic % 128 == 0 && !s.control.results_final)
      race_update_standings(s.control, s.race, race_riders(w), &s.vfs, int64_t(time(nullptr)));
    if (trace)
      for (int slot : sim_occupied(w)) {
        CompactState state;
        compact_state_encode(state, *w.slots[size_t(slot)].bike, space);
        fwrite(&state, sizeof state, 1, trace);
      }
    if (!s.options.quiet)
      for (int slot : sim_occupied(w)) {
        BikeSim& b = *w.slots[size_t(slot)].bike;
        if (b.crash_index == s.follow[slot].crashes) continue;
        s.follow[slot].crashes = b.crash_index;
        const dReal* p = dBodyGetPosition(b.body[BIKE_FRAME]);
        printf("%.2f s: rider %d crashed at %.1f %.1f %.1f (%s)\n", double(w.tic) / 128, slot, p[0], p[1], p[2],
               crash_reason_name(b.crash_reason));
      }
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  if (trace) fclose(trace);
  print_riders(s);
  if (race) {
    printf("%s: %s, finish laps %d\n", race_length_text(s.control.time_limit, s.control.lap_count).c_str(),
           s.control.results_final ? "results final" : "results not final", s.race.finish_laps);
    if (s.control.results_final) {
      std::string text = race_results_text(s.control, s.race, int64_t(time(nullptr)));
      printf("%s", text.c_str());
    }
  }
  printf("%lld tics in %.3f s: %.0f tics per second\n", (long long)run, seconds, seconds > 0 ? run / seconds : 0.0);
  return finish(s, 0);
}
