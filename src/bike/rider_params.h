// The simulation parameters a rider's setup turns into: RiderParams, the
// AssistFlags bits and the two masses the rider's weight is shared between.
// A bike receives bike_sim_defaults when built and setup_apply's result
// whenever the player's setup is applied; both are plain records the body
// model copies into its BikeSim.
#pragma once
#include <cstddef>
#include <cstdint>

struct BikeSpec;
struct Setup;

struct RiderParams {
  double final_drive_ratio;       // rear teeth / front teeth
  double fork_hs_compression;     // high-speed compression coefficient
  double fork_ls_compression;     // low-speed compression adjuster (catalogue value × -1..1)
  double fork_hs_rebound;         // high-speed rebound coefficient
  double fork_ls_rebound;         // low-speed rebound adjuster
  double fork_spring_rate;        // total rate of both legs, lbf/ft
  double fork_preload;            // ft
  double fork_air_gap;            // ft
  double shock_hs_compression;
  double shock_ls_compression;
  double shock_hs_rebound;
  double shock_ls_rebound;
  double shock_spring_rate;       // lbf/ft
  double shock_preload;           // ft
  double rider_vertical_spring;   // 0..1
  double rider_vertical_damping;  // 0..1
  double rider_fore_aft_spring;   // 0..1
  double rider_fore_aft_damping;  // 0..1
  double total_mass;              // the seven bodies, slugs
  double roll_damping;            // 0..100
  double leveling;                // 0..100
  double roll_limit_factor;       // 0..64
  double roll_limit_angle;        // rad, 0..pi
  double steering_damping;        // 0..100
  double steering_strength;       // 0..100
  double max_steering_force;      // 0..1000
  double direct_steering;         // 0 (lean-rate steering) .. 1 (direct)
  double slow_damping_speed;      // ft/s
  double slow_damping_factor;     // 1..10
  double land_damping_falloff;    // s
  double land_damping_factor;     // 1..3
  double auto_clutch_rpm;         // rpm
  double front_brake_torque;      // lbf·ft
  double rear_brake_torque;       // lbf·ft
  double max_dab_speed;           // ft/s
  double full_lock_speed;         // ft/s
  double restricted_lock_speed;   // ft/s
  double restricted_lock;         // rad, 0..pi/4
  int arcade;                     // 1: arcade physics
};

// AssistFlags bits.
enum : uint32_t {
  ASSIST_STEERING = 1u << 0,         // steering assist (always on)
  ASSIST_WHEELIE_LIMITER = 1u << 1,  // wheelie torque limiter
  ASSIST_STOPPIE_LIMITER = 1u << 2,  // stoppie brake release
  ASSIST_FRONT_ANTILOCK = 1u << 3,
  ASSIST_REAR_ANTILOCK = 1u << 4,
  ASSIST_AUTO_SHIFT = 1u << 5,
  ASSIST_AUTO_DAB = 1u << 6,         // dab when stopped
  ASSIST_AUTO_ALIGN = 1u << 7,       // realign after a fall
};

struct AssistFlags {
  uint32_t bits;  // ASSIST_* bits
};

// How the rider's weight is shared between the frame box and the rider sphere.
struct BikeMasses {
  double frame_mass;     // frame box mass: frame + the rider's share not on the rider body, slugs
  float frame_size[3];   // frame box width, height, length (the catalogue's), ft
  double rider_mass;     // rider sphere mass, slugs
  double rider_radius;   // rider sphere radius, ft
};

// Everything a setup apply hands the bike.
struct RiderTuning {
  RiderParams params;
  AssistFlags assists;
  BikeMasses masses;
};

// What a bike built from this record holds before any setup is applied.
RiderTuning bike_sim_defaults(const BikeSpec& bike);
// The setup's values for a bike of this model, with every clamp applied.
// arcade_allowed false (a race server switched arcade physics off) forces
// arcade to 0. Values that are not numbers take the low end of their range.
RiderTuning setup_apply(const BikeSpec& bike, const Setup& setup, bool arcade_allowed);

// The Suspension and Gearing menu's converted values; f is the setting as a
// fraction (clicks / 100), clamped to 0..1.
double suspension_fork_spring_kgmm(const BikeSpec& bike, double f);   // per leg, kg/mm
double suspension_fork_preload_mm(const BikeSpec& bike, double f);
double suspension_fork_oil_level_mm(const BikeSpec& bike, double f);  // the air gap, mm
double suspension_shock_spring_kgmm(const BikeSpec& bike, double f);
double suspension_shock_preload_mm(const BikeSpec& bike, double f);
double suspension_front_teeth(const BikeSpec& bike);  // the menu adds the adjustment
double suspension_rear_teeth(const BikeSpec& bike);
// The text shown beside a Suspension and Gearing row for a setup key and its
// slider value ("0.490 kg/mm", "12.70 mm", "13.00 teeth"); false for keys that
// show none.
bool suspension_display_text(const BikeSpec& bike, const char* key, double value, char* out, size_t size);
