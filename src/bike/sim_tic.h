// The race's simulation tic: every rider of the 160 slots moved together in
// one physics world, 128 tics a second. Remote and played-back riders are
// placed from their state histories, contacts are made, the world is stepped
// once, and then every rider's controls, forces and motors are worked out
// for the next step. The start gates drop here, the false start is caught
// here, and the rest of the race (scripts, robots, lap timing, demos,
// results) is reached through hooks.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "bike/bike_sim.h"
#include "bike/state_history.h"
#include "bike/tyre.h"

struct GateSet;
struct Scenery;
struct ShapeCache;

enum {
  SIM_SLOTS = 160,              // rider slots
  SIM_GRAPH_SAMPLES = 1024,     // samples of each suspension graph ring
  SIM_ROOST_LIMIT = 2000,       // live roost particles
  SIM_SCENERY_GRID = 8,         // cells of the scenery collision grid per side
  SIM_EXTRAPOLATION_TICS = 64,  // how far a remote rider is shown past his newest state
};

// Who drives a slot.
enum SimSlotKind {
  SIM_LOCAL = 0,   // this machine's player
  SIM_REMOTE = 1,  // a network rider or a recorded one
  SIM_ROBOT = 2,   // a robot
};

struct SimSlot {
  std::unique_ptr<BikeSim> bike;  // none: the slot is empty
  int kind = SIM_LOCAL;           // SimSlotKind
  StateHistory history;           // received or recorded states
};

// What the tic asks of the rest of the race. Every hook may be null.
struct SimHooks {
  void* context = nullptr;
  void (*script_tic)(void* context) = nullptr;                    // the track script's tic handler
  void (*autopilot)(void* context, int slot, BikeSim& bike) = nullptr;      // a robot sets its controls
  void (*line_recorder)(void* context, int slot, BikeSim& bike) = nullptr;  // lap timing and riding lines
  void (*erosion)(void* context, int slot, BikeSim& bike, int wheel) = nullptr;  // one wheel digs in
  void (*results)(void* context) = nullptr;                       // the results file (connected)
  void (*demo_record)(void* context) = nullptr;                   // the demo recorder's step
  void (*demo_read)(void* context) = nullptr;                     // the demo reader's step
  void (*time_trial)(void* context) = nullptr;                    // time-trial lap handling
  // Connected play: whether a remote rider takes part this tic (shown and
  // collided with). Null: everyone does.
  bool (*included)(void* context, int slot) = nullptr;
  // A seek back in time: every rider's gate crossings after the tic are forgotten.
  void (*cut_crossings)(void* context, int64_t tic) = nullptr;
};

// One start gate's drop.
struct SimGateDrop {
  float opening = 1;  // 1 raised .. 0 down
  float speed = 0;    // of the fall, per second
};

// One live roost particle.
struct SimRoost {
  TyreRoostState state;            // position, velocity, size, colour
  const RoostKind* kind = nullptr; // the surface's roost record it came from
};

// The watched rider's fork and shock, for the suspension graph.
struct SimSuspensionGraph {
  bool shown = false;      // the graph is drawn: sampling runs
  int slot = 0;            // watched slot
  int index = SIM_GRAPH_SAMPLES;  // next sample; SIM_GRAPH_SAMPLES restarts the rings
  float fork[3][SIM_GRAPH_SAMPLES] = {};   // position fraction, speed, damping share
  float shock[3][SIM_GRAPH_SAMPLES] = {};  // position fraction, shock speed, damping share
};

struct SimWorld {
  // The world and the track.
  PhysicsWorld* physics = nullptr;   // shared physics world
  ShapeCache* shapes = nullptr;      // collision shapes by handle (bikes and scenery)
  const Terrain* terrain = nullptr;
  const SurfaceTable* surfaces = nullptr;
  Scenery* scenery = nullptr;        // fixed objects (their touch stamps are written)
  const GateSet* gates = nullptr;    // starting gates (for the drop) and checkpoints

  // The clock.
  int64_t tic = 0;         // 0 after a track is loaded
  int64_t start_tic = 0;   // tic of the gate drop
  int remote_delay = 0;    // tics remote riders are shown behind their newest state

  std::array<SimSlot, SIM_SLOTS> slots;

  // Connected play.
  bool connected = false;   // riding on a race server
  bool spectating = false;  // connected without a bike of our own
  int viewed_slot = 0;      // the slot the camera follows
  int own_slot = -1;        // this machine's rider while connected, -1 none
  bool demo_version4 = false;  // a version-4 demo plays (its states are never blended)

  // False start of the local rider (connected).
  int64_t false_start_hold = 0;      // tics the rider is still held
  double start_position[3] = {0, 0, 0};  // his frame at the gate

  int roost_frequency = 100;  // percent; 0 while skipping through a demo
  int erosion_level = 0;      // > 0: wheels dig in
  int32_t knockout[16] = {};  // extra crash tics a server may set

  std::vector<SimGateDrop> gate_drop;          // per starting gate
  std::vector<int> grid[SIM_SCENERY_GRID * SIM_SCENERY_GRID];  // scenery objects with shapes, by cell
  std::vector<SimRoost> roost;                 // live roost particles
  SimSuspensionGraph graph;
  TyreRandom random;                           // roost and the start tic

  SimHooks hooks;
  BikeAssistHooks assists;
};

// Empties every slot (destroying its bike), the roost, the grid and the
// gate drops, and zeroes the clock. The world pointers stay.
void sim_world_clear(SimWorld& w);
// Builds a bike of a catalogue record in a slot (replacing any), of a kind.
BikeSim* sim_slot_add(SimWorld& w, int slot, int catalogue_index, int kind, bool first_person);
// Empties one slot.
void sim_slot_remove(SimWorld& w, int slot);
// Indexes of the slots that hold a bike, ascending.
std::vector<int> sim_occupied(const SimWorld& w);
// What the tic hands a rider's steps.
BikeStepContext sim_step_context(SimWorld& w);

// The race's start after the riders are placed: tic 0, remote riders given
// their placement tuning, the local rider's start position remembered, the
// gates raised, the scenery grid built. The start tic is the caller's (the
// track loader draws it, a race server sends it).
void sim_race_start(SimWorld& w);
// Re-enters every scenery object that has a collision shape in the 8 x 8 grid.
void sim_scenery_grid_build(SimWorld& w);
// Grid cell index along one axis for a coordinate.
int sim_grid_cell(float coordinate, float terrain_size);
// The scenery objects near a point (within 6 ft in x and z), each once, ascending.
std::vector<int> sim_nearby_objects(const SimWorld& w, double x, double z);

// One tic.
void sim_tic(SimWorld& w);
// Demo seeking: forwards runs tics without roost up to the target; backwards
// cuts the crossings, clears the histories, sets the tic and runs one tic.
void sim_skip(SimWorld& w, double seconds);
// Whether a slot's rider is left out of the scene and silenced.
bool sim_hidden(const SimWorld& w, int slot);
// The turn a start gate's object is drawn (and collides) with, rad.
double sim_gate_turn(const SimWorld& w, int gate);

// Where a slot lines up: with no starting gates across the middle of the
// terrain (5 ft apart, heading 0); else at gate slot mod g, row slot div g
// behind it: gate + (sin heading, cos heading) x (row + 0.0625) x 10.
struct SimGridPlace {
  double x, z;     // frame position on the ground plane, ft
  double heading;  // rad, about the vertical axis
};
SimGridPlace sim_grid_place(const GateSet* gates, float terrain_size, int slot);
// Puts a rider (fresh from reset) at a place: turned to the heading, moved
// over the point at the height of the nearest grid point, then raised a
// quarter foot at a time while any part touches the ground (at most 100 ft).
void sim_place_rider(const Terrain* terrain, BikeSim& bike, const SimGridPlace& place);
