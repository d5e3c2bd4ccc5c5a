// The bike catalogue: one read-only record per built-in bike model, fixing
// its geometry, masses, suspension ranges, gearbox, engine curves and the
// files that draw and collide it.
//
// Units: feet, slugs, seconds, pounds-force, radians; spring rates in lbf/ft,
// torques in lbf·ft, engine speeds as rpm. Positions are bike coordinates at
// rest: x to the rider's side, y up with the ground at y = 0, z towards the
// rear (the front axle has the smaller z).
#pragma once

enum {
  BIKE_MODELS = 80,          // records in the catalogue
  BIKE_NAME_SIZE = 16,       // model and class names, NUL-padded
  BIKE_FILE_SIZE = 64,       // file names, NUL-padded
  BIKE_GEARS = 6,            // gear ratio slots
  BIKE_TORQUE_POINTS = 50,   // torque curve entries, one every 500 rpm from 0 rpm
  BIKE_ATTACHMENT_VALUES = 58,
};

// One wheel: axle and the masses that make up the wheel body.
struct BikeWheelSpec {
  float axle[3];       // axle position, ft
  float rim_radius;    // R: radius of the circle the tyre ring sits on, ft
  float tyre_radius;   // r: tyre-section radius, ft
  float ring_mass;     // tyre-ring mass, slugs
  float hub_radius;    // ft
  float hub_mass;      // slugs
};

// One catalogue record; the fields keep their catalogue order.
struct BikeSpec {
  char name[BIKE_NAME_SIZE];          // model name used in setups, demos and network messages
  char engine_class[BIKE_NAME_SIZE];  // "125", "250", "250f", "450f" or "50"
  BikeWheelSpec front_wheel;
  BikeWheelSpec rear_wheel;
  float frame_position[3];            // rest position of the frame body, ft
  float frame_mass;                   // slugs, without the rider
  float frame_size[3];                // frame box width, height, length, ft
  float fork_upper_position[3];       // steered fork body; also the steering-head anchor, ft
  float swingarm_position[3];         // rest position of the swingarm body, ft
  float swingarm_pivot[3];            // ft
  float fork_lower_position[3];       // sliding fork body; with the upper it gives the fork axis, ft
  float fork_leg_spacing;             // lateral distance between the fork legs, ft
  float fork_length_factor;           // fork leg length = factor × 2/3
  float fork_mass;                    // both legs together, given to the upper and again to the lower body, slugs
  float fork_spring_rate[2];          // min, max of the adjustable total rate, lbf/ft
  float fork_preload[2];              // min, max, ft
  float fork_oil_gap[2];              // air gap at oil-level setting 0 and at 100, ft
  float fork_damping[4];              // HS compression, LS compression, HS rebound, LS rebound base coefficients
  float fork_travel;                  // ft
  float swingarm_side_mass;           // each of the two swingarm side boxes, slugs
  float shock_spring_rate[2];         // min, max, lbf/ft
  float shock_preload[2];             // min, max, ft
  float shock_damping[4];             // HS compression, LS compression, HS rebound, LS rebound base coefficients
  float linkage[7];                   // stroke at split, stroke at full travel, swingarm travel (rad),
                                      // split (fraction of travel), stroke slopes at 0, split, full travel
  float primary_ratio;                // engine to gearbox reduction
  float front_sprocket;               // tooth count
  float rear_sprocket;                // tooth count
  float gear_ratios[BIKE_GEARS];      // gears 1..6; a value <= 0 marks a gear the model lacks
  float engine_inertia;               // at the crankshaft, slug·ft²
  float coupling_stiffness;           // drive coupling spring, lbf·ft/rad
  float coupling_damping;             // drive coupling damper, lbf·ft·s/rad
  float closed_torque[BIKE_TORQUE_POINTS];  // closed throttle, lbf·ft at 0, 500, ... 24500 rpm
  float full_torque[BIKE_TORQUE_POINTS];    // full throttle, lbf·ft at 0, 500, ... 24500 rpm
  float downshift_rpm;                // automatic downshift below this rpm
  float upshift_rpm;                  // automatic upshift above this rpm
  float rider_slide_direction[3];     // only for the older 26-byte compact rider state
  float rider_position[3];            // rest position of the rider body, ft
  float rider_slide_range[2];         // min, max along the slide direction (older compact state), ft
  float rider_mass;                   // slugs
  char frame_model[BIKE_FILE_SIZE];
  char frame_shape[BIKE_FILE_SIZE];
  char bike_texture[BIKE_FILE_SIZE];  // default livery
  char fork_upper_model[BIKE_FILE_SIZE];
  char fork_upper_shape[BIKE_FILE_SIZE];
  char fork_lower_model[BIKE_FILE_SIZE];
  char fork_lower_shape[BIKE_FILE_SIZE];
  char swingarm_model[BIKE_FILE_SIZE];
  char swingarm_shape[BIKE_FILE_SIZE];
  char front_wheel_model[BIKE_FILE_SIZE];
  char front_wheel_shape[BIKE_FILE_SIZE];
  char rear_wheel_model[BIKE_FILE_SIZE];
  char rear_wheel_shape[BIKE_FILE_SIZE];
  char wheel_texture[BIKE_FILE_SIZE];
  char head_model[BIKE_FILE_SIZE];
  char head_texture[BIKE_FILE_SIZE];
  char rider_body_model[BIKE_FILE_SIZE];
  char first_person_model[BIKE_FILE_SIZE];  // rider body seen from the rider's own eyes
  char rider_shape[BIKE_FILE_SIZE];
  char rider_texture[BIKE_FILE_SIZE];       // default riding gear
  char side_plates_model[BIKE_FILE_SIZE];
  char front_plate_model[BIKE_FILE_SIZE];
  char rider_plate_model[BIKE_FILE_SIZE];
  // Crash tethers and rider drawing, in order: rider-body point (0, 0.808383, -0.943369),
  // left and right hands on the rider body, two more rider-body points, left and
  // right grips on the fork upper, left and right frame points (nine points, x y z);
  // the two hand-tether lengths (upper arm, forearm), the thigh and shin lengths;
  // nine drawing points (x, y, 0.01).
  float attachment[BIKE_ATTACHMENT_VALUES];
};

// Offsets into BikeSpec::attachment.
enum {
  BIKE_ATTACH_LEFT_HAND = 3,
  BIKE_ATTACH_RIGHT_HAND = 6,
  BIKE_ATTACH_LEFT_GRIP = 15,
  BIKE_ATTACH_RIGHT_GRIP = 18,
  BIKE_ATTACH_LEFT_FRAME = 21,
  BIKE_ATTACH_RIGHT_FRAME = 24,
  BIKE_ATTACH_LENGTHS = 27,         // upper arm, forearm, thigh, shin
  BIKE_ATTACH_DRAWING_POINTS = 31,  // nine (x, y, z)
};

// The 80 records in catalogue order (the order of bike_model_names()).
const BikeSpec* bike_catalogue();
// Record i of the catalogue, or none outside 0..79.
const BikeSpec* bike_spec(int index);
// Index of the record whose name equals name exactly, or -1.
int bike_catalogue_index(const char* name);
// The record whose name equals name exactly, or none.
const BikeSpec* bike_catalogue_find(const char* name);
// Index of the record a rider named with this bike rides: the exact match,
// else the first record whose name contains "125" (when the name does) or
// "250f", posting "bike info for '%.20s' not found using '%.20s' instead".
// Legacy names are not translated here; setups, demos and the robot roster
// translate them with bike_legacy_name first.
int bike_catalogue_lookup(const char* name);

// Interpolated curve value at an engine speed (the engine's own reading:
// index rpm / 500 limited to 0..49, linear between entries).
double bike_torque_at(const float curve[BIKE_TORQUE_POINTS], double rpm);
// Total mass of the seven bodies built from a record, slugs.
double bike_spec_total_mass(const BikeSpec& bike);

// The prefix of the bike's livery images ("crf250v2018-" for crf250(2018)),
// or none for a name outside the catalogue.
const char* bike_graphics_prefix(const char* name);
