// The spring arithmetic of one bike, tic by tic: the fork and shock motors
// (coil spring with preload, the fork's air spring, two-speed damping, the
// shock's linkage curve), the rider body's springs against the frame, and the
// crash rule with its thresholds, counters and timers. Nothing here touches
// ODE: the body model reads joint positions, rates and body velocities, passes
// them in, and applies what comes back to its motors and contact joints.
//
// Units: ft, rad, seconds, slugs, lbf, lbf·ft; rates per second.
#pragma once
#include <cstdint>

struct BikeSpec;
struct RiderParams;

// Tic length, s.
constexpr double SUSPENSION_TIC = 1.0 / 128.0;
// Air gaps below this are read as this (a zero gap would make the air spring
// infinite at full compression), ft.
constexpr double SUSPENSION_MIN_AIR_GAP = 0.01;
// Air spring scale, lbf.
constexpr double SUSPENSION_AIR_SPRING_SCALE = 82.46169;
// The motor target velocity used while a spring pushes.
constexpr double SUSPENSION_MOTOR_VELOCITY = 100.0;

// What one suspension pass hands a slider or hinge motor.
struct SuspensionMotor {
  double force;     // signed spring and damper output, lbf (fork) or lbf·ft (shock); > 0 pushes apart
  double velocity;  // dParamVel: SUSPENSION_MOTOR_VELOCITY when force >= 0, else 0
  double fmax;      // dParamFMax: |force|, 0 when the inputs were not numbers
};

// The shock stroke at one point of swingarm travel.
struct LinkagePoint {
  double stroke;  // S, shock stroke from full extension, ft
  double slope;   // S', stroke per unit of travel fraction, ft
};

// Signed damping force for a joint moving at rate (negative while
// compressing): magnitude clamp(|rate| × hs + ls, s / 8, 8 s) with
// s = |rate| × hs, using the compression pair while rate < 0 and the rebound
// pair otherwise; positive while compressing (pushes out), negative while
// rebounding (pulls in). 0 for a rate that is not a number.
double suspension_damping(double rate, double hs_compression, double ls_compression, double hs_rebound,
                          double ls_rebound);
// The fork's air spring for slider position p (<= 0, 0 fully extended), lbf:
// ((gap + travel) / (gap + travel - c))^1.4 - 1) × scale with
// c = min(-p, travel). A gap under SUSPENSION_MIN_AIR_GAP is read as that.
double suspension_air_spring(double p, double air_gap, double travel);
// The fork slider motor for position p (<= 0) and rate v: preloaded coil
// spring, damping, air spring, then the top-out fade over the first 1/32 of
// travel. Travel from the catalogue; rates and gap from params.
SuspensionMotor suspension_fork(const RiderParams& params, const BikeSpec& bike, double p, double v);
// Shock stroke and slope at travel fraction x (clamped to 0..1) from the
// catalogue's linkage curve: two cubic Hermite pieces, [0, split] from 0 to
// the split stroke and [split, 1] from there to the full-travel stroke.
LinkagePoint suspension_linkage(const BikeSpec& bike, double x);
// The swingarm hinge motor for hinge angle a (<= 0) and rate w, lbf·ft.
SuspensionMotor suspension_shock(const RiderParams& params, const BikeSpec& bike, double a, double w);
// Damping share ls / (hs × |speed| + ls) for the suspension graph, kept in
// 0..1; 0 when the sum is not positive.
double suspension_damping_share(double hs, double ls, double speed);

// Soft contact constants for tic length h: cfm = 1 / (kd + h × kp),
// erp = h × kp × cfm.
struct SoftContact {
  double erp;  // error reduction, 0..1
  double cfm;  // constraint force mixing
};
// False (and zeros) when kd + h × kp is not positive.
bool suspension_soft_contact(double kp, double kd, double h, SoftContact& out);

// One spring contact between the rider body and the frame along a frame axis.
struct RiderSpring {
  bool active;        // make the contact joint this tic
  double normal;      // +1 or -1: along the frame axis the rider body is pushed, times this
  double depth;       // ft, >= 0
  double kp;          // stiffness, mass factor applied, lbf/ft
  double kd;          // damping, mass factor applied, lbf·s/ft
  SoftContact soft;   // erp and cfm for SUSPENSION_TIC
};

// What the rider's spring pass hands the body model.
struct RiderSprings {
  RiderSpring fore_aft;   // along the frame's z axis
  RiderSpring vertical;   // along the frame's y axis
  double target;          // g, the fore-aft offset aimed at, ft
  double mount_cfm;       // the rider mount's dParamSuspensionCFM (its ERP is 0)
};

// Inputs of the rider's spring pass.
struct RiderSpringInputs {
  double fore_aft_offset;  // m = z·(A - B): frame z axis times (rest point - rider body), ft
  double vertical_offset;  // n = y·(A - B), ft
  double dab;              // 0..1
  double lean;             // -1..1, forward positive
};

// Scale for the rider's spring constants: rider mass × 0.21333333333333335
// (1 for a 4.6875-slug rider); 0 for a mass that is not a positive number.
double suspension_rider_mass_factor(double rider_mass);
// The rider body's springs for one tic; rider_mass is the catalogue's.
RiderSprings suspension_rider_springs(const RiderParams& params, double rider_mass, const RiderSpringInputs& in);

// Crash speed and acceleration limits.
struct CrashLimits {
  double speed;         // ft/s
  double acceleration;  // ft/s²
};

// Flight bookkeeping for the crash rule.
struct CrashFlight {
  int fall_tic;        // tic the bike last began to fall
  int landing_tic;     // tic of the last landing
  bool airborne;       // both wheels were off the ground last tic
  bool fall_recorded;  // this flight has recorded its fall tic
};

// Everything one crash test needs.
struct CrashInputs {
  bool arcade;                   // arcade physics: no speed or acceleration crashes
  int crash_counter;             // 0 while riding
  double hold_timer;             // negative suppresses crashes
  bool airborne;                 // both wheels off the ground
  int tic;                       // current tic
  double rider_velocity[3];      // rider body velocity, ft/s
  double frame_velocity[3];      // frame velocity at the rider body's position, ft/s
  double rider_velocity_4[3];    // rider body velocity four tics ago, ft/s
};

enum CrashReason {
  CRASH_NONE = 0,
  CRASH_SPEED = 1,         // rider-to-bike speed over the limit
  CRASH_ACCELERATION = 2,  // rider acceleration over the limit
  CRASH_UPSIDE_DOWN = 3,   // the rider's body hit the ground upside down
  CRASH_OBJECT = 4,        // the rider's body hit a fixed object
};

// Clears the flight record (fall and landing tics 0, on the ground).
void crash_flight_reset(CrashFlight& f);
// One tic of flight bookkeeping: the fall tic is taken once per flight, the
// first airborne tic the frame moves down; touching down takes the landing
// tic. A flight that never fell lands with the fall tic at the landing tic.
void crash_flight_update(CrashFlight& f, bool airborne, double frame_vy, int tic);
// The limits: 46.5 ft/s and 2064 ft/s² airborne; on the ground scaled by
// t = 1.5 - 0.5 × clamp((air - 0.559) × 7.9365087, 0, 1) × clamp((since - 0.25) × -8, 0, 1)
// over 31 and 1376, with air the last flight's fall time and since the time
// since it landed, s.
CrashLimits crash_limits(bool airborne, double air_time, double time_since_landing);
// The limits for the flight record at a tic.
CrashLimits crash_limits_at(const CrashFlight& f, bool airborne, int tic);
// The speed and acceleration tests of one riding tic (after the flight
// update). None in arcade mode, while crashed or while the hold timer is
// negative.
CrashReason crash_check(const CrashFlight& f, const CrashInputs& in);
// The rider's shape touching the terrain crashes when the rider body's up
// axis points below the horizon and it moves faster than 5 ft/s.
bool crash_upside_down(double rider_up_y, double rider_speed);
// The rider body touching a fixed object crashes while riding with the hold
// timer not negative when it moves faster than 20 ft/s.
bool crash_object_touch(int crash_counter, double hold_timer, double rider_speed_squared);
// The crash counter a crash starts: 512 + knockout[min(index, 15)], the
// knockout entry limited to 0..460800.
int crash_counter_start(const int32_t knockout[16], int crash_index);
// One crashed tic: the counter falls by 1 once the rider body is slower than
// 2 ft/s; returns the new counter (never below 0).
int crash_counter_step(int counter, double rider_speed);
// Reel-in tether length at a counter: 5 × clamp((counter - 128) / 384, 0, 1), ft.
double crash_reel_length(int counter);
// The hold timer one tic later: one step towards 0, values within 1 of 0 become 0.
double crash_hold_step(double hold_timer);
