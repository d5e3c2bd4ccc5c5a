// The engine, clutch and gearbox of one bike: engine speed and crank windup,
// the gear, the clutch and the brake inputs, and the arithmetic that turns
// them into torques each tic. Nothing here touches ODE: the body model reads
// the wheel and frame values it needs, passes them in as DrivetrainBodyInputs
// and applies the returned torques and brake limits to its bodies and hinges.
//
// Units: rad, rad/s, lbf·ft, seconds, ft/s; rpm only where named.
#pragma once
#include <cstdint>

struct BikeSpec;
struct RiderParams;
struct AssistFlags;

// rpm per rad/s.
constexpr double DRIVETRAIN_RPM_PER_RAD_S = 9.549296585513721;

// The per-bike drivetrain state and its controls.
struct Drivetrain {
  double engine_speed;  // crankshaft speed, rad/s
  double crank_windup;  // crank angle in rear-wheel units, rad, kept in [-pi, pi]
  int gear;             // 0 = first ... 5 = sixth
  int last_shift;       // last shift input seen (-1, 0, 1), makes shifting edge-triggered
  double clutch;        // engagement 0..1, 1 = fully engaged
  double throttle;      // 0..1
  double front_brake;   // front brake input 0..1
  double rear_brake;    // rear brake input 0..1
};

// What the drivetrain needs from the bodies for one tic.
struct DrivetrainBodyInputs {
  bool front_contact;           // the front wheel touches the ground
  bool rear_contact;            // the rear wheel touches the ground
  double front_slip;            // front contact slip speed, ft/s
  double rear_slip;             // rear contact slip speed, ft/s
  double frame_pitch_rate;      // frame angular velocity about its own x axis, rad/s
  double swingarm_compression;  // swingarm travel from full extension, rad
  double rear_axle_angle;       // rear axle hinge angle, rad
  double rear_axle_rate;        // rear axle hinge rate, rad/s, positive rolling forward
};

// What one coupling pass hands back.
struct DrivetrainCoupling {
  double torque;      // Q: +Q about the frame's own x axis, -Q about the rear wheel's own x axis, lbf·ft
  double engagement;  // clutch engagement used this tic, 0..1
};

// What one drivetrain step hands the body model.
struct DrivetrainOutput {
  double frame_torque_x;       // add about the frame's own x axis (relative torque), lbf·ft
  double rear_wheel_torque_x;  // add about the rear wheel's own x axis (relative torque), lbf·ft
  double front_brake_fmax;     // front axle hinge motor force limit (target velocity 0), lbf·ft
  double rear_brake_fmax;      // rear axle hinge motor force limit (target velocity 0), lbf·ft
  double engine_torque;        // engine torque used this tic, lbf·ft
};

// Brake motor limits for one tic.
struct DrivetrainBrakes {
  double front;  // front axle hinge dParamFMax, lbf·ft, >= 0
  double rear;   // rear axle hinge dParamFMax, lbf·ft, >= 0
};

// Engine stopped, first gear, no windup and all controls released.
void drivetrain_reset(Drivetrain& d);
// Engine speed as rpm.
double drivetrain_rpm(const Drivetrain& d);
// Total reduction P × G[gear] × F; 0 when the gear is absent or out of range
// (the coupling then passes no torque).
double drivetrain_reduction(const Drivetrain& d, const BikeSpec& bike, const RiderParams& params);

// Crankshaft torque from the two curves at an rpm, blended by throttle (0..1).
double drivetrain_curve_torque(const BikeSpec& bike, double rpm, double throttle);
// The wheelie limiter: torque t limited to <= 0 while the limiter is on, the
// front wheel is off the ground, the rear wheel is on it and the front is not
// coming down (pitch rate above -1/32 rad/s).
double drivetrain_wheelie_limit(double t, const AssistFlags& assists, bool front_contact, bool rear_contact,
                                double frame_pitch_rate);
// The engine torque of this tic: the curves at the current rpm and throttle,
// then the wheelie limiter.
double drivetrain_engine_torque(const Drivetrain& d, const BikeSpec& bike, const AssistFlags& assists,
                                const DrivetrainBodyInputs& body);

// True when gear index g exists on this bike.
bool drivetrain_gear_present(const BikeSpec& bike, int g);
// Edge-triggered manual shift (input -1, 0 or +1). Ignored while crashed, for
// a repeated input or one outside -1..1. Returns true when the input was taken.
bool drivetrain_shift(Drivetrain& d, const BikeSpec& bike, int input, bool crashed);
// Automatic shifting, when enabled: runs on tics that are multiples of 32 with
// the swingarm compressed and the rear wheel not spinning against the ground.
// Returns true when the gear changed.
bool drivetrain_auto_shift(Drivetrain& d, const BikeSpec& bike, const RiderParams& params, const AssistFlags& assists,
                           const DrivetrainBodyInputs& body, int64_t tic);

// The auto clutch: the engagement allowed at an engine rpm, min(c, ramp) when
// rpm <= auto clutch rpm + 2000, else c.
double drivetrain_auto_clutch(double c, double rpm, double auto_clutch_rpm);
// A robot's clutch engagement: a ramp from downshift rpm - 1000 in first gear, 1 in any other.
double drivetrain_robot_clutch(const Drivetrain& d, const BikeSpec& bike);

// The drive coupling for one tic of length h with engine torque t: computes
// the coupling torque, lets the clutch slip, integrates the engine speed and
// the crank windup. Non-finite wheel values pass no torque and leave the state alone.
DrivetrainCoupling drivetrain_couple(Drivetrain& d, const BikeSpec& bike, const RiderParams& params,
                                     double wheel_angle, double wheel_rate, double t, double h);

// Brake limits with antilock and the stoppie limiter applied.
DrivetrainBrakes drivetrain_brakes(const Drivetrain& d, const RiderParams& params, const AssistFlags& assists,
                                   const DrivetrainBodyInputs& body);

// One whole drivetrain tic: automatic shifting, engine torque, the coupling
// with the engine integration, and the brakes.
DrivetrainOutput drivetrain_step(Drivetrain& d, const BikeSpec& bike, const RiderParams& params,
                                 const AssistFlags& assists, const DrivetrainBodyInputs& body, int64_t tic, double h);
