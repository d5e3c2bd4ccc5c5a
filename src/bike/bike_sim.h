// One rider's bike and body in the shared physics world: seven rigid bodies
// (frame, front wheel, rear wheel, fork upper, fork lower, swingarm, rider)
// joined by six joints, the suspension and rider springs that act on them
// every tic, the tyre and shape contacts with the ground, other riders and
// fixed objects, and the crash rule that throws the rider off and brings him
// back.
//
// Units: feet, slugs, seconds, lbf, radians. Bike coordinates: x to the
// rider's side, y up, z to the rear (the bike rides towards -z).
#pragma once
#include <cstdint>

#include <ode/ode.h>

#include "bike/drivetrain.h"
#include "bike/rider_params.h"
#include "bike/suspension.h"
#include "bike/tyre.h"

struct BikeSim;
struct BikeSpec;
struct PhysicsWorld;
struct Shape;
struct ShapeCache;
struct SurfaceTable;
struct Terrain;

// The bodies, in BikeSim order.
enum BikeBody {
  BIKE_FRAME = 0,
  BIKE_FRONT_WHEEL = 1,
  BIKE_REAR_WHEEL = 2,
  BIKE_FORK_UPPER = 3,
  BIKE_FORK_LOWER = 4,
  BIKE_SWINGARM = 5,
  BIKE_RIDER = 6,
  BIKE_BODY_COUNT = 7,
};

// The joints, in BikeSim order.
enum BikeJoint {
  BIKE_FRONT_AXLE = 0,      // hinge fork lower - front wheel; its motor is the front brake
  BIKE_REAR_AXLE = 1,       // hinge swingarm - rear wheel; its motor is the rear brake
  BIKE_STEERING_HEAD = 2,   // hinge fork upper - frame, +-pi/4
  BIKE_FORK = 3,            // slider fork upper - fork lower; its motor is the fork spring
  BIKE_SWINGARM_PIVOT = 4,  // hinge swingarm - frame; its motor is the shock
  BIKE_RIDER_MOUNT = 5,     // hinge-2 rider - frame, detached while crashed
  BIKE_JOINT_COUNT = 6,
};

// Bits of a collision result: which parts touched.
enum : uint32_t {
  BIKE_PART_FRAME = 1,
  BIKE_PART_FRONT_WHEEL = 2,
  BIKE_PART_REAR_WHEEL = 4,
  BIKE_PART_FORK_UPPER = 8,
  BIKE_PART_FORK_LOWER = 16,
  BIKE_PART_SWINGARM = 32,
  BIKE_PART_RIDER = 64,
  BIKE_PART_WHEELS = BIKE_PART_FRONT_WHEEL | BIKE_PART_REAR_WHEEL,
};

// Contact constants of the shape contacts with the terrain.
constexpr double BIKE_SHAPE_TERRAIN_KP = 2500;
constexpr double BIKE_SHAPE_TERRAIN_KD = 250;
// Largest spring force of a rider-to-rider contact made without a joint, lbf.
constexpr double BIKE_DIRECT_CONTACT_LIMIT = 1000;
// A crashed rider's counter only falls once he is slower than this, ft/s.
constexpr double BIKE_SETTLE_SPEED = 2.0;

// One wheel against the ground.
struct WheelContact {
  dBodyID body = nullptr;          // the wheel body
  double R = 0;                    // rim-circle radius, ft
  double r = TYRE_SECTION_RADIUS;  // tyre section radius, ft
  TyreVec point{0, 0, 0};          // deepest penetration, world
  TyreVec velocity{0, 0, 0};       // wheel body velocity at the contact point: the slip velocity, ft/s
  TyreVec normal{0, 1, 0};         // terrain normal at the contact point
  double depth = 0;                // penetration; 0 or less means no contact
  int surface = 0;                 // surface index under the contact point
  dJointFeedback feedback{};       // this tic's contact joint feedback (force on the wheel in f1)
  bool has_joint = false;          // this tic's contact made a joint (feedback is meaningful)
  int64_t last_tic = -1;           // tic for which the contact was last computed
};

// The controls besides those the drivetrain keeps (throttle, clutch, brakes, gear).
struct BikeControls {
  double steer = 0;      // -1..1
  double dab = 0;        // 0..1
  double foot_down = 0;  // 0..1
  double back_up = 0;    // 0..1
  double lean = 0;       // -1..1, forward positive
};

// The controls of one rider as the player (or a robot) sets them.
struct BikeInput {
  double steer = 0;        // -1..1
  double throttle = 0;     // 0..1
  double front_brake = 0;  // 0..1
  double rear_brake = 0;   // 0..1
  double clutch = 1;       // engagement 0..1, 1 = engaged (the caller eases it in)
  double dab = 0;          // 0..1
  double back_up = 0;      // 0..1
  double lean = 0;         // -1..1, forward positive
  int shift = 0;           // -1, 0, +1 (edge-triggered)
};

// What the assists ask of the race around the bike. Either hook may be null.
struct BikeAssistHooks {
  void* context = nullptr;
  // The finish rule for a rider righting his bike near the line: true when
  // the rider has finished (he is then not turned round).
  bool (*finish_check)(void* context, BikeSim& bike) = nullptr;
  // Where a fallen rider turns his bike to (x, z); false when there is no
  // such point (a track without laps).
  bool (*realign_target)(void* context, const BikeSim& bike, double target[2]) = nullptr;
};

// What a tic hands every bike step: the world, the ground and the race clock.
struct BikeStepContext {
  PhysicsWorld* physics = nullptr;           // world and the tic's contact group
  const Terrain* terrain = nullptr;          // ground, or none (no ground contacts)
  const SurfaceTable* surfaces = nullptr;    // surfaces of the terrain's tiles
  int64_t tic = 0;                           // current tic
  int64_t start_tic = 0;                     // tic of the gate drop
  const int32_t* knockout = nullptr;         // 16 extra crash tic counts set by a server, or none (all 0)
  double h = SUSPENSION_TIC;                 // tic length, s
  const BikeAssistHooks* assists = nullptr;  // race hooks of the assists, or none
};

// One foot of the rider, for drawing.
struct BikeFoot {
  double position[3] = {0, 0, 0};  // world, ft
  double velocity[3] = {0, 0, 0};  // ft/s
};

struct BikeSim {
  // Identity.
  int slot = 0;                  // player slot number
  int catalogue_index = 0;       // catalogue record
  bool first_person = false;     // built for the first-person view
  const BikeSpec* model = nullptr;  // the catalogue record of the bike model
  PhysicsWorld* physics = nullptr;  // the world the bodies live in

  // Bodies and joints.
  dBodyID body[BIKE_BODY_COUNT] = {};
  dJointID joint[BIKE_JOINT_COUNT] = {};
  dJointFeedback feedback[BIKE_JOINT_COUNT] = {};

  // Controls, engine and gearbox.
  BikeControls controls;
  Drivetrain drive{};

  // Tuning.
  RiderParams params{};
  AssistFlags assists{};
  BikeMasses masses{};

  // Ground contact of the two wheels (front, rear).
  WheelContact wheel[2];

  // Collision shapes of frame, fork upper, fork lower, swingarm, rider (none when not loaded).
  const Shape* shape[BIKE_BODY_COUNT] = {};

  // Crash.
  int crash_counter = 0;            // 0 riding; > 0 crashed (reel-in at 511 and below)
  int crash_index = 0;              // crashes so far
  int crash_reason = 0;             // CrashReason of the last crash
  CrashFlight flight{};             // fall and landing tics
  double rider_velocity_ring[4][3] = {};  // rider body velocity of the last four tics, by tic mod 4
  bool spoiled = false;             // a part other than a wheel touched, or too slow after the start
  double hold_timer = 0;            // negative: no crashes; positive: collision hold
  BikeFoot feet[2];                 // left, right
  uint32_t touching = 0;            // parts that touched the ground in the last terrain pass
  uint32_t collided = 0;            // parts that touched another rider this tic
  bool rider_collided = false;      // touched another rider this tic (later contacts go without joints)

  // Kinematics.
  double interaction_timer = 1;     // > 0.25: simulated with forces; else the bodies are disabled

  // Rider controls and assists.
  BikeInput player;                 // the rider's own controls; the assists' changes last one tic
  double landing_multiplier = 1;    // roll damping boost after a landing, 1..land damping factor
  double lean_indicator = 0;        // 0..1, how close the front is to its grip limit
  double steering_torque = 0;       // last steering-head torque, lbf·ft
  bool dabbing = false;             // dab support held the bike this tic
};

// Suspension graph values of one tic.
struct BikeSuspensionSample {
  double fork_position;   // fraction of travel, 0 extended .. 1 compressed
  double fork_speed;      // slider rate, ft/s (negative compressing)
  double fork_share;      // low-speed damping share, 0..1
  double shock_position;  // swingarm travel fraction
  double shock_speed;     // shock stroke rate, ft/s
  double shock_share;     // low-speed damping share, 0..1
};

// Builds the bodies and joints of a catalogue record at its rest pose in the
// world, loads the collision shapes through the cache (none: no shapes),
// applies the record's default tuning and resets. False, with nothing left
// in the world, for an index outside the catalogue or a world that is not made.
bool bike_sim_build(BikeSim& bike, PhysicsWorld& physics, ShapeCache* shapes, int catalogue_index, int slot,
                    bool first_person);
// Destroys the joints and bodies; the record can be built again.
void bike_sim_destroy(BikeSim& bike);
// Back to the rest pose at rest, every control released, engine stopped,
// riding, first gear.
void bike_sim_reset(BikeSim& bike);
// Adds an offset to the position of all seven bodies.
void bike_sim_move(BikeSim& bike, double dx, double dy, double dz);
// Gives all seven bodies the rotation about axis by angle and turns their
// positions by it about the origin.
void bike_sim_turn(BikeSim& bike, const double axis[3], double angle);
// Puts the rider back on the seat and re-attaches the rider mount.
void bike_sim_remount(BikeSim& bike);
// Takes a setup's tuning: parameters, assists and the frame and rider masses.
void bike_sim_apply_tuning(BikeSim& bike, const RiderTuning& tuning);
// Sets the interaction timer: 0.25 or less clears forces and disables the bodies.
void bike_sim_set_interaction(BikeSim& bike, double timer);
// True while the bodies take part in the world step.
bool bike_sim_simulated(const BikeSim& bike);

// Readings.
double bike_sim_speed(const BikeSim& bike);       // frame speed, ft/s
double bike_sim_lean_angle(const BikeSim& bike);  // frame roll, 0 upright, rad
double bike_sim_fork_position(const BikeSim& bike);     // slider position, <= 0
double bike_sim_swingarm_angle(const BikeSim& bike);    // pivot hinge angle, <= 0
bool bike_sim_crashed(const BikeSim& bike);
BikeSuspensionSample bike_sim_suspension_sample(const BikeSim& bike);
// Lean angle of a body: 0 upright, positive leaning towards the body's -x
// side, up to +-pi/2 lying flat (and beyond when upside down), from its up
// axis and its forward (-z) axis projected on the ground plane.
double bike_body_lean_angle(dBodyID body);

// ---------------------------------------------------------------------------
// Contacts (bike_contacts.cpp)

// The terrain pass of a simulated rider: both tyre contacts (friction factor
// 1, or the arcade factor) and the shape contacts of frame, forks, swingarm
// and rider. Returns the parts that touched; a non-wheel touch spoils the lap,
// and the rider's shape touching upside down above 5 ft/s crashes him.
uint32_t bike_terrain_pass(BikeSim& bike, const BikeStepContext& ctx);
// The wheel contact alone (no joint), at most once per tic: for riders that
// are not simulated. True when the wheel touches.
bool bike_wheel_contact_refresh(BikeSim& bike, int wheel, const BikeStepContext& ctx);
// Contacts of two riders (bounding spheres first). Returns the parts of a
// that touched in the low bits and those of b shifted left by 8.
uint32_t bike_rider_collision(BikeSim& a, BikeSim& b, const BikeStepContext& ctx);
// Contacts of a rider with a fixed object's shape placed at position with a
// row-major rotation (columns are the object's axes). Returns the parts that
// touched; the rider crashes when his body hits it faster than 20 ft/s.
uint32_t bike_object_collision(BikeSim& bike, const Shape& shape, const double position[3],
                               const double rotation[9], const BikeStepContext& ctx);

// ---------------------------------------------------------------------------
// The rider's step (bike_step.cpp): each runs once a tic before the world step.

// Fork and shock motors from the joint positions and rates.
void bike_suspension_step(BikeSim& bike);
// The rider body's springs against the frame and the rider mount's softness.
void bike_rider_spring_step(BikeSim& bike, const BikeStepContext& ctx);
// Engine, clutch and gearbox with the brakes; returns what was applied.
DrivetrainOutput bike_drivetrain_step(BikeSim& bike, const BikeStepContext& ctx);
// The joint-force balance on the frame (skipped on the first two tics and while crashed).
void bike_joint_balance(BikeSim& bike, const BikeStepContext& ctx);

// ---------------------------------------------------------------------------
// Crashes (bike_crash.cpp)

// Flight bookkeeping and the speed and acceleration tests of a riding tic;
// crashes the rider when one fails.
CrashReason bike_crash_detect(BikeSim& bike, const BikeStepContext& ctx);
// Throws the rider off: detaches the mount, takes the feet from the pose and
// starts the counter; reason is a CrashReason.
void bike_crash(BikeSim& bike, const BikeStepContext& ctx, int reason);
// One crashed tic: the counter, the tethers, the reel-in, the feet and the
// re-mount at 0.
void bike_crashed_step(BikeSim& bike, const BikeStepContext& ctx);
// Feet of a rider that is not crashed or not simulated: fall to 0.25 ft
// above the ground.
void bike_feet_step(BikeSim& bike, const BikeStepContext& ctx);
// Stores the rider body's velocity in the four-tic ring.
void bike_store_rider_velocity(BikeSim& bike, int64_t tic);

// ---------------------------------------------------------------------------
// Rider controls and assists (bike_assists.cpp)

// Slow speed and lean speed of the assists, ft/s.
constexpr double BIKE_SLOW_SPEED = 5;
constexpr double BIKE_LEAN_SPEED = 15;

// Takes a rider's controls: clamped, throttle, dab, back up and lean 0 while
// crashed, the shift handed to the gearbox. They are also kept as the
// player's own values that every tic's assists return to.
void bike_set_input(BikeSim& bike, const BikeInput& input);
// The clutch engagement one input step later for a lever pulled this far
// (0..1): engaging eases in at four per second up to the lever's target,
// disengaging drops to it at once.
double bike_clutch_ease(double engagement, double lever, double h);
// Slip angle of the front wheel against the fork's heading, rad (0 below 1 ft/s).
double bike_front_slip_angle(const BikeSim& bike);
// Steering lock for the front wheel's speed and surface, rad (pi/4 at walking pace).
double bike_steering_lock(const BikeSim& bike, const BikeStepContext& ctx);
// Rolling speed of the front wheel, ft/s.
double bike_front_rolling_speed(const BikeSim& bike);
// The steering torque of a riding tic (simulation or arcade steering) and
// the lean indicator; also arcade's roll motor and drag.
void bike_steering_step(BikeSim& bike, const BikeStepContext& ctx);
// Damps the front wheel's turning about anything but its axle.
void bike_steering_damping(BikeSim& bike);
// Backing up, or the dab-when-stopped assist.
void bike_slow_assists(BikeSim& bike, const BikeStepContext& ctx);
// The foot that holds a leaning bike up, and turning a fallen bike round.
void bike_dab_support(BikeSim& bike, const BikeStepContext& ctx);
// The dab and brakes go back to the player's values.
void bike_restore_input(BikeSim& bike);
// One rider's whole physics step after the world step, in the game's order:
// crash rule, assists, springs, suspension, steering, engine and brakes,
// steering damping, joint balance, dab support, then the feet. A rider that
// is not simulated only moves his feet.
void bike_physics_step(BikeSim& bike, const BikeStepContext& ctx);
