// One simulation tic for the whole race, in its fixed order, and what
// belongs to the race-wide tic state: the slots, the start, the gate drop,
// the scenery grid, roost and the suspension graph.
#include "bike/sim_tic.h"

#include <algorithm>
#include <cmath>

#include "bike/bike_spec.h"
#include "bike/physics_world.h"
#include "bike/shape_cache.h"
#include "platform/messages.h"
#include "track/gates.h"
#include "track/scenery.h"
#include "track/surface.h"
#include "track/terrain.h"

namespace {

constexpr double GATE_TURN = 0.5890486225480862;  // a raised gate's turn, 3 pi / 16
constexpr float GATE_NO_TURN = 3.25f;             // objects turned this far or more are not turned
constexpr double NEAR_OBJECTS = 6;                // ft around a rider's frame
constexpr int GATE_TEST_TICS = 10 * 128;          // the gates are watched for 10 s after the drop

const SurfaceTable& no_surfaces() {
  static const SurfaceTable empty;
  return empty;
}

void call(void (*hook)(void*), void* context) {
  if (hook) hook(context);
}

// A scenery object's shape, placed: position and row-major rotation. Start
// gates turn with their opening.
bool object_pose(const SimWorld& w, int index, const Shape*& shape, double position[3], double rotation[9]) {
  const SceneryObject& o = w.scenery->objects[size_t(index)];
  shape = o.shape && w.shapes ? shape_cache_get(*w.shapes, o.shape) : nullptr;
  if (!shape || shape->spheres.empty()) return false;
  position[0] = o.x, position[1] = o.y, position[2] = o.z;
  for (int i = 0; i < 9; ++i) rotation[i] = o.orientation[i];
  if (w.gates) {
    for (size_t g = 0; g < w.gates->starting_gates.size(); ++g) {
      if (w.gates->starting_gates[g].object != index) continue;
      double turn = sim_gate_turn(w, int(g));
      if (turn == 0) break;
      // Turned about the object's own x axis (its hinge line).
      double c = std::cos(turn), s = std::sin(turn);
      double r[9];
      for (int row = 0; row < 3; ++row) {
        const float* m = o.orientation + 3 * row;
        r[3 * row + 0] = m[0];
        r[3 * row + 1] = m[1] * c + m[2] * s;
        r[3 * row + 2] = -m[1] * s + m[2] * c;
      }
      for (int i = 0; i < 9; ++i) rotation[i] = r[i];
      break;
    }
  }
  return true;
}

// The rider against the fixed objects near him; each touch stamps the object.
void object_contacts(SimWorld& w, BikeSim& bike, const BikeStepContext& ctx) {
  if (!w.scenery) return;
  const dReal* p = dBodyGetPosition(bike.body[BIKE_FRAME]);
  for (int index : sim_nearby_objects(w, p[0], p[2])) {
    const Shape* shape;
    double at[3], rot[9];
    if (!object_pose(w, index, shape, at, rot)) continue;
    if (bike_object_collision(bike, *shape, at, rot, ctx)) w.scenery->objects[size_t(index)].last_touch = int(w.tic);
  }
}

// A remote rider against the start gates' objects: touching one stops its fall.
void gate_contacts(SimWorld& w, BikeSim& bike, const BikeStepContext& ctx) {
  if (!w.scenery || !w.gates || w.tic < w.start_tic || w.tic >= w.start_tic + GATE_TEST_TICS) return;
  for (const StartGate& g : w.gates->starting_gates) {
    if (g.object < 0 || size_t(g.object) >= w.scenery->objects.size()) continue;
    const Shape* shape;
    double at[3], rot[9];
    if (!object_pose(w, g.object, shape, at, rot)) continue;
    if (bike_object_collision(bike, *shape, at, rot, ctx)) w.scenery->objects[size_t(g.object)].last_touch = int(w.tic);
  }
}

// Riders that touch each other, slowest first, every pair once.
void rider_collisions(std::vector<BikeSim*>& list, const BikeStepContext& ctx) {
  std::stable_sort(list.begin(), list.end(),
                   [](const BikeSim* a, const BikeSim* b) { return bike_sim_speed(*a) < bike_sim_speed(*b); });
  for (size_t i = 0; i < list.size(); ++i)
    for (size_t k = i + 1; k < list.size(); ++k) bike_rider_collision(*list[i], *list[k], ctx);
}

void place_remote_riders(SimWorld& w) {
  CompactSpace space = compact_space(w.terrain);
  for (SimSlot& slot : w.slots)
    if (slot.bike && slot.kind == SIM_REMOTE)
      state_history_place(slot.history, *slot.bike, w.tic, w.remote_delay, w.demo_version4, space);
}

void contacts_offline(SimWorld& w, const BikeStepContext& ctx) {
  std::vector<BikeSim*> list;
  for (SimSlot& slot : w.slots) {
    if (!slot.bike) continue;
    if (slot.kind == SIM_REMOTE) {
      gate_contacts(w, *slot.bike, ctx);
      continue;
    }
    bike_terrain_pass(*slot.bike, ctx);
    object_contacts(w, *slot.bike, ctx);
    list.push_back(slot.bike.get());
  }
  rider_collisions(list, ctx);
}

void contacts_connected(SimWorld& w, const BikeStepContext& ctx) {
  std::vector<BikeSim*> others;
  for (size_t i = 0; i < w.slots.size(); ++i) {
    SimSlot& slot = w.slots[i];
    if (!slot.bike || slot.kind != SIM_REMOTE) continue;
    if (w.hooks.included && !w.hooks.included(w.hooks.context, int(i))) continue;
    gate_contacts(w, *slot.bike, ctx);
    others.push_back(slot.bike.get());
  }
  if (w.own_slot < 0 || w.own_slot >= SIM_SLOTS || !w.slots[size_t(w.own_slot)].bike) return;
  BikeSim& own = *w.slots[size_t(w.own_slot)].bike;
  bike_terrain_pass(own, ctx);
  object_contacts(w, own, ctx);
  std::stable_sort(others.begin(), others.end(),
                   [](const BikeSim* a, const BikeSim* b) { return bike_sim_speed(*a) < bike_sim_speed(*b); });
  for (BikeSim* other : others) {
    if (!bike_rider_collision(own, *other, ctx)) continue;
    // A remote rider that is hit is simulated with forces for a while.
    if (other->interaction_timer == 0)
      bike_sim_set_interaction(*other, 1);
    else if (other->interaction_timer < 0.25)
      bike_sim_set_interaction(*other, 0.25);
    if (other->interaction_timer > 0.25) bike_terrain_pass(*other, ctx);
  }
}

bool roost_emit(void* context, const TyreRoostParticle& p) {
  SimWorld& w = *static_cast<SimWorld*>(context);
  if (w.roost.size() >= SIM_ROOST_LIMIT || !p.kind) return false;
  SimRoost r;
  r.state.position = p.position;
  r.state.velocity = p.velocity;
  r.state.size = p.kind->size;
  for (int i = 0; i < 4; ++i) r.state.colour[i] = p.kind->colour[i];
  r.kind = p.kind;
  w.roost.push_back(r);
  return true;
}

void wheels_and_roost(SimWorld& w, const BikeStepContext& ctx) {
  std::vector<int> occupied = sim_occupied(w);
  if (occupied.empty()) return;
  const SurfaceTable& surfaces = w.surfaces ? *w.surfaces : no_surfaces();
  TyreRoostSink sink{&w, roost_emit};
  size_t first = size_t(((w.tic % int64_t(occupied.size())) + int64_t(occupied.size())) % int64_t(occupied.size()));
  for (size_t n = 0; n < occupied.size(); ++n) {
    BikeSim& bike = *w.slots[size_t(occupied[(first + n) % occupied.size()])].bike;
    for (int wheel = 0; wheel < 2; ++wheel) {
      if (!bike_sim_simulated(bike)) bike_wheel_contact_refresh(bike, wheel, ctx);
      if (w.roost_frequency <= 0 || !(bike.wheel[wheel].depth > 0)) continue;
      int budget = tyre_roost_budget(w.roost_frequency, w.random);
      if (budget <= 0) continue;
      const WheelContact& c = bike.wheel[wheel];
      TyreRoostWheel rw;
      dVector3 axle;
      dBodyVectorToWorld(c.body, 1, 0, 0, axle);
      const dReal* centre = dBodyGetPosition(c.body);
      const dReal* v = dBodyGetLinearVel(c.body);
      const dReal* spin = dBodyGetAngularVel(c.body);
      rw.wheel = TyreWheel{{centre[0], centre[1], centre[2]}, {axle[0], axle[1], axle[2]}, c.R, c.r};
      rw.motion = TyreMotion{{v[0], v[1], v[2]}, {spin[0], spin[1], spin[2]}};
      rw.contact.point = c.point;
      rw.contact.normal = c.normal;
      rw.contact.depth = c.depth;
      rw.contact_velocity = c.velocity;
      rw.max_spray_angle = wheel == 0 ? TYRE_FRONT_SPRAY_ANGLE : TYRE_REAR_SPRAY_ANGLE;
      tyre_roost_emit(rw, surfaces_get(surfaces, c.surface), budget, uint32_t(w.tic), ctx.h, w.random, sink);
    }
  }
}

void false_start(SimWorld& w, BikeSim& bike) {
  if (w.false_start_hold > 0) {
    w.false_start_hold -= 1;
    bike.drive.front_brake = bike.drive.rear_brake = 1;
    bike.drive.throttle = 0;
    bike.drive.clutch = 0;
    bike.controls.dab = 1;
    bike.controls.back_up = 0;
    bike.player.front_brake = bike.player.rear_brake = 1;
    bike.player.dab = 1;
    return;
  }
  if (w.tic >= w.start_tic) return;
  bike.controls.dab = 1;
  bike.player.dab = 1;
  const dReal* p = dBodyGetPosition(bike.body[BIKE_FRAME]);
  double dx = p[0] - w.start_position[0], dy = p[1] - w.start_position[1], dz = p[2] - w.start_position[2];
  if (dx * dx + dy * dy + dz * dz >= 9) {
    w.false_start_hold = w.start_tic + 15 * 128 - w.tic;
    message_post("15 second false start penalty");
  }
}

void riders_step(SimWorld& w, const BikeStepContext& ctx) {
  for (size_t i = 0; i < w.slots.size(); ++i) {
    SimSlot& slot = w.slots[i];
    if (!slot.bike) continue;
    BikeSim& bike = *slot.bike;
    if (slot.kind == SIM_ROBOT && w.hooks.autopilot) w.hooks.autopilot(w.hooks.context, int(i), bike);
    if (slot.kind == SIM_REMOTE && w.connected && bike.interaction_timer > 0) {
      double was = bike.interaction_timer;
      double now = std::max(0.0, was - ctx.h);
      if ((was > 0.25) != (now > 0.25))
        bike_sim_set_interaction(bike, now);
      else
        bike.interaction_timer = now;
    }
    if (slot.kind == SIM_LOCAL && w.connected && int(i) == w.own_slot) false_start(w, bike);
    bike_physics_step(bike, ctx);
    if ((!w.connected || slot.kind == SIM_LOCAL) && w.hooks.line_recorder)
      w.hooks.line_recorder(w.hooks.context, int(i), bike);
  }
}

void erosion(SimWorld& w) {
  if (w.erosion_level <= 0 || !w.hooks.erosion || (w.connected && w.spectating)) return;
  for (size_t i = 0; i < w.slots.size(); ++i) {
    SimSlot& slot = w.slots[i];
    if (!slot.bike || slot.kind == SIM_REMOTE) continue;
    for (int wheel = 0; wheel < 2; ++wheel) w.hooks.erosion(w.hooks.context, int(i), *slot.bike, wheel);
  }
}

void roost_move(SimWorld& w, double h) {
  if (!w.terrain) {
    w.roost.clear();
    return;
  }
  size_t kept = 0;
  for (size_t i = 0; i < w.roost.size(); ++i) {
    SimRoost& r = w.roost[i];
    if (r.kind && tyre_roost_move(r.state, *r.kind, *w.terrain, h)) w.roost[kept++] = r;
  }
  w.roost.resize(kept);
}

void gate_drop(SimWorld& w, double h) {
  if (!w.gates) return;
  w.gate_drop.resize(w.gates->starting_gates.size());
  int64_t start = w.start_tic + w.remote_delay;
  if (w.tic < start) {
    for (SimGateDrop& d : w.gate_drop) d = SimGateDrop{};
    return;
  }
  if (w.tic >= start + GATE_TEST_TICS) return;
  for (size_t g = 0; g < w.gate_drop.size(); ++g) {
    SimGateDrop& d = w.gate_drop[g];
    int object = w.gates->starting_gates[g].object;
    bool touched = w.scenery && object >= 0 && size_t(object) < w.scenery->objects.size() &&
                   w.scenery->objects[size_t(object)].last_touch == int(w.tic);
    if (touched) {
      d.speed = 0;
      continue;
    }
    d.speed = float(std::min(d.speed + 32 * h, 8.0));
    d.opening = float(std::max(d.opening - d.speed * h, 0.0));
  }
}

void graph_sample(SimWorld& w) {
  SimSuspensionGraph& g = w.graph;
  if (!g.shown) {
    g.index = SIM_GRAPH_SAMPLES;
    return;
  }
  if (g.index >= SIM_GRAPH_SAMPLES) {
    for (auto& ring : g.fork) std::fill(std::begin(ring), std::end(ring), 0.0f);
    for (auto& ring : g.shock) std::fill(std::begin(ring), std::end(ring), 0.0f);
    g.index = 0;
  }
  if (g.slot < 0 || g.slot >= SIM_SLOTS || !w.slots[size_t(g.slot)].bike) return;
  BikeSuspensionSample s = bike_sim_suspension_sample(*w.slots[size_t(g.slot)].bike);
  g.fork[0][g.index] = float(s.fork_position);
  g.fork[1][g.index] = float(s.fork_speed);
  g.fork[2][g.index] = float(s.fork_share);
  g.shock[0][g.index] = float(s.shock_position);
  g.shock[1][g.index] = float(s.shock_speed);
  g.shock[2][g.index] = float(s.shock_share);
  g.index = (g.index + 1) % SIM_GRAPH_SAMPLES;
}

}  // namespace

void sim_world_clear(SimWorld& w) {
  for (int i = 0; i < SIM_SLOTS; ++i) sim_slot_remove(w, i);
  w.roost.clear();
  for (auto& cell : w.grid) cell.clear();
  w.gate_drop.clear();
  w.tic = 0;
  w.start_tic = 0;
  w.false_start_hold = 0;
  w.graph.index = SIM_GRAPH_SAMPLES;
}

BikeSim* sim_slot_add(SimWorld& w, int slot, int catalogue_index, int kind, bool first_person) {
  if (slot < 0 || slot >= SIM_SLOTS || !w.physics) return nullptr;
  sim_slot_remove(w, slot);
  auto bike = std::make_unique<BikeSim>();
  if (!bike_sim_build(*bike, *w.physics, w.shapes, catalogue_index, slot, first_person)) return nullptr;
  SimSlot& s = w.slots[size_t(slot)];
  s.bike = std::move(bike);
  s.kind = kind;
  state_history_clear(s.history);
  return s.bike.get();
}

void sim_slot_remove(SimWorld& w, int slot) {
  if (slot < 0 || slot >= SIM_SLOTS) return;
  SimSlot& s = w.slots[size_t(slot)];
  if (s.bike) bike_sim_destroy(*s.bike);
  s.bike.reset();
  state_history_clear(s.history);
}

std::vector<int> sim_occupied(const SimWorld& w) {
  std::vector<int> out;
  for (int i = 0; i < SIM_SLOTS; ++i)
    if (w.slots[size_t(i)].bike) out.push_back(i);
  return out;
}

BikeStepContext sim_step_context(SimWorld& w) {
  BikeStepContext ctx;
  ctx.physics = w.physics;
  ctx.terrain = w.terrain;
  ctx.surfaces = w.surfaces;
  ctx.tic = w.tic;
  ctx.start_tic = w.start_tic;
  ctx.knockout = w.knockout;
  ctx.assists = &w.assists;
  return ctx;
}

void sim_race_start(SimWorld& w) {
  w.tic = 0;
  w.false_start_hold = 0;
  for (size_t i = 0; i < w.slots.size(); ++i) {
    SimSlot& s = w.slots[i];
    if (!s.bike) continue;
    BikeSim& b = *s.bike;
    if (s.kind == SIM_REMOTE) {
      bike_sim_set_interaction(b, 0);
      b.params.roll_damping = 100;
      b.params.full_lock_speed = 5;
      b.params.restricted_lock_speed = 50;
      b.params.restricted_lock = 0.04363323;
    } else {
      bike_sim_set_interaction(b, 1);
    }
    if (s.kind == SIM_LOCAL && (w.own_slot < 0 || int(i) == w.own_slot)) {
      const dReal* p = dBodyGetPosition(b.body[BIKE_FRAME]);
      for (int k = 0; k < 3; ++k) w.start_position[k] = p[k];
    }
  }
  w.gate_drop.assign(w.gates ? w.gates->starting_gates.size() : 0, SimGateDrop{});
  sim_scenery_grid_build(w);
  w.roost.clear();
  w.graph.index = SIM_GRAPH_SAMPLES;
}

int sim_grid_cell(float coordinate, float terrain_size) {
  if (!(terrain_size > 0)) return 0;
  double c = std::floor((double(coordinate) / terrain_size - 1.0 / 8) * 32.0 / 3);
  if (!(c >= 0)) return 0;  // also NaN
  return c > SIM_SCENERY_GRID - 1 ? SIM_SCENERY_GRID - 1 : int(c);
}

void sim_scenery_grid_build(SimWorld& w) {
  for (auto& cell : w.grid) cell.clear();
  if (!w.scenery || !w.terrain) return;
  float size = w.terrain->extent;
  for (size_t i = 0; i < w.scenery->objects.size(); ++i) {
    const SceneryObject& o = w.scenery->objects[i];
    const Shape* shape = o.shape && w.shapes ? shape_cache_get(*w.shapes, o.shape) : nullptr;
    if (!shape || shape->spheres.empty()) continue;
    float r = shape->bound_radius;
    int x0 = sim_grid_cell(o.x - r, size), x1 = sim_grid_cell(o.x + r, size);
    int z0 = sim_grid_cell(o.z - r, size), z1 = sim_grid_cell(o.z + r, size);
    for (int z = z0; z <= z1; ++z)
      for (int x = x0; x <= x1; ++x) w.grid[size_t(z * SIM_SCENERY_GRID + x)].push_back(int(i));
  }
}

std::vector<int> sim_nearby_objects(const SimWorld& w, double x, double z) {
  std::vector<int> out;
  if (!w.terrain) return out;
  float size = w.terrain->extent;
  int x0 = sim_grid_cell(float(x - NEAR_OBJECTS), size), x1 = sim_grid_cell(float(x + NEAR_OBJECTS), size);
  int z0 = sim_grid_cell(float(z - NEAR_OBJECTS), size), z1 = sim_grid_cell(float(z + NEAR_OBJECTS), size);
  for (int cz = z0; cz <= z1; ++cz)
    for (int cx = x0; cx <= x1; ++cx) {
      const std::vector<int>& cell = w.grid[size_t(cz * SIM_SCENERY_GRID + cx)];
      out.insert(out.end(), cell.begin(), cell.end());
    }
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

void sim_tic(SimWorld& w) {
  if (!w.physics || !w.physics->world) return;
  BikeStepContext ctx = sim_step_context(w);
  call(w.hooks.script_tic, w.hooks.context);
  place_remote_riders(w);
  if (w.connected)
    contacts_connected(w, ctx);
  else
    contacts_offline(w, ctx);
  wheels_and_roost(w, ctx);
  dWorldStep(w.physics->world, ctx.h);
  physics_contacts_clear(*w.physics);
  erosion(w);
  riders_step(w, ctx);
  roost_move(w, ctx.h);
  gate_drop(w, ctx.h);
  int64_t old = w.tic;
  w.tic += 1;
  if (w.connected && old % 512 == 510) call(w.hooks.results, w.hooks.context);
  call(w.hooks.demo_record, w.hooks.context);
  call(w.hooks.demo_read, w.hooks.context);
  call(w.hooks.time_trial, w.hooks.context);
  graph_sample(w);
}

void sim_skip(SimWorld& w, double seconds) {
  if (!std::isfinite(seconds)) return;
  int64_t target = w.tic + int64_t(std::llround(seconds * 128));
  if (target < 0) target = 0;
  if (target >= w.tic) {
    int roost = w.roost_frequency;
    w.roost_frequency = 0;
    while (w.tic < target) sim_tic(w);
    w.roost_frequency = roost;
    return;
  }
  if (w.hooks.cut_crossings) w.hooks.cut_crossings(w.hooks.context, target);
  for (SimSlot& s : w.slots) state_history_clear(s.history);
  w.tic = target;
  sim_tic(w);
}

bool sim_hidden(const SimWorld& w, int slot) {
  if (slot < 0 || slot >= SIM_SLOTS) return true;
  const SimSlot& s = w.slots[size_t(slot)];
  if (!s.bike) return true;
  if (s.kind == SIM_LOCAL && w.connected && w.spectating) return slot != w.viewed_slot;
  if (s.kind != SIM_REMOTE) return false;
  if (state_history_hidden(s.history, w.tic, w.remote_delay)) return true;
  if (w.connected && w.hooks.included && !w.hooks.included(w.hooks.context, slot)) return true;
  return false;
}

double sim_gate_turn(const SimWorld& w, int gate) {
  if (!w.gates || gate < 0 || size_t(gate) >= w.gates->starting_gates.size()) return 0;
  const StartGate& g = w.gates->starting_gates[size_t(gate)];
  if (w.scenery && g.object >= 0 && size_t(g.object) < w.scenery->objects.size() &&
      w.scenery->objects[size_t(g.object)].angle >= GATE_NO_TURN)
    return 0;
  double opening = size_t(gate) < w.gate_drop.size() ? w.gate_drop[size_t(gate)].opening : 1.0;
  return opening * GATE_TURN;
}

SimGridPlace sim_grid_place(const GateSet* gates, float terrain_size, int slot) {
  size_t g = gates ? gates->starting_gates.size() : 0;
  if (g == 0) return SimGridPlace{terrain_size / 2.0 + 5.0 * slot, terrain_size / 2.0, 0};
  const StartGate& gate = gates->starting_gates[size_t(slot) % g];
  double row = double(size_t(slot) / g);
  double h = gate.heading;
  return SimGridPlace{gate.position[0] + std::sin(h) * (row + 0.0625) * 10,
                      gate.position[2] + std::cos(h) * (row + 0.0625) * 10, h};
}

namespace {

// Whether any wheel or shaped part of a bike is in the ground.
bool touches_ground(const BikeSim& b, const Terrain& terrain) {
  for (int w = 0; w < 2; ++w) {
    const WheelContact& c = b.wheel[w];
    dVector3 axle;
    dBodyVectorToWorld(c.body, 1, 0, 0, axle);
    const dReal* p = dBodyGetPosition(c.body);
    TyreWheel wheel{{p[0], p[1], p[2]}, {axle[0], axle[1], axle[2]}, c.R, c.r};
    TyreContact contact;
    if (tyre_wheel_contact(terrain, wheel, contact)) return true;
  }
  for (int k = 0; k < BIKE_BODY_COUNT; ++k) {
    const Shape* shape = b.shape[k];
    if (!shape) continue;
    for (const ShapeSphere& q : shape->spheres) {
      dVector3 c;
      dBodyGetRelPointPos(b.body[k], q.x, q.y, q.z, c);
      TerrainContact tc;
      if (terrain_sphere_contact(terrain, TerrainVec{float(c[0]), float(c[1]), float(c[2])}, q.radius, tc) &&
          tc.depth > 0)
        return true;
    }
  }
  return false;
}

}  // namespace

void sim_place_rider(const Terrain* terrain, BikeSim& b, const SimGridPlace& place) {
  if (!b.model || !std::isfinite(place.x) || !std::isfinite(place.z) || !std::isfinite(place.heading)) return;
  const double up[3] = {0, 1, 0};
  const BikeSpec& s = *b.model;
  bike_sim_turn(b, up, place.heading);
  const dReal* f = dBodyGetPosition(b.body[BIKE_FRAME]);
  double ground = 0;
  if (terrain && terrain->size > 0) {
    int i = int(std::lround(place.x * terrain->inv_spacing));
    int k = int(std::lround(place.z * terrain->inv_spacing));
    ground = terrain_sample(*terrain, i, k);
  }
  bike_sim_move(b, place.x - f[0], ground + s.frame_position[1] - f[1], place.z - f[2]);
  if (!terrain) return;
  for (int step = 0; step < 400 && touches_ground(b, *terrain); ++step) bike_sim_move(b, 0, 0.25, 0);
}
