// The bike and rider shapes, laid out over the rest pose that every bike in
// the catalogue shares: the spheres hug the plastics, engine, fork legs,
// swingarm arms, tyres and the rider's body so that they meet the ground and
// other riders where the drawn parts would.
#include "gamedata/bike_shapes.h"

#include <cmath>

namespace {

// Rest positions of the bodies (the catalogue's common geometry).
constexpr GdVec frame_at = {0, 1.98, 3.6};
constexpr GdVec fork_upper_at = {0, 2.9, 2.16};
constexpr GdVec fork_lower_at = {0, 1.77, 1.59};
constexpr GdVec swingarm_at = {0, 1.34, 4.99};
constexpr GdVec pivot_at = {0, 1.6, 4.08};
constexpr GdVec rear_axle_at = {0, 1.04, 6};
constexpr GdVec front_axle_at = {0, 1.09, 1.11};
constexpr double fork_leg_x = 0.833333 / 2;   // half the fork leg spacing
constexpr double swingarm_arm_x = 0.833333 / 2;  // half the frame box width
constexpr double tyre_section = 0.333333;     // tyre-section radius r of both wheels
constexpr double front_rim = 0.833333;        // rim-circle radius R, front
constexpr double rear_rim = 0.75;             // rim-circle radius R, rear

// Contact constants: hard parts slide, tyres and the rider grip; the rider
// is softer than the bike.
constexpr double part_mu = 0.4, part_kp = 2500, part_kd = 100;
constexpr double tyre_mu = 0.9, tyre_kp = 2500, tyre_kd = 150;
constexpr double rider_mu = 0.6, rider_kp = 1500, rider_kd = 80;

GdVec minus(GdVec a, GdVec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

struct Material {
  double mu, kp, kd;
};
constexpr Material part = {part_mu, part_kp, part_kd};
constexpr Material tyre = {tyre_mu, tyre_kp, tyre_kd};
constexpr Material body = {rider_mu, rider_kp, rider_kd};

void add(std::vector<GdSphere>& out, GdVec c, double radius, Material m) {
  out.push_back({c.x, c.y, c.z, radius, m.mu, m.kp, m.kd});
}
// The sphere and its mirror image across the bike's centre plane.
void add_pair(std::vector<GdSphere>& out, GdVec c, double radius, Material m) {
  add(out, {-c.x, c.y, c.z}, radius, m);
  add(out, c, radius, m);
}

std::vector<GdSphere> frame_shape() {
  std::vector<GdSphere> s;
  add(s, {0, -0.45, -0.15}, 0.5, part);   // engine cases and skid plate, about 1 ft off the ground
  add(s, {0, 0.0, -0.75}, 0.4, part);     // cylinder and front of the engine
  add(s, {0, 0.55, -0.55}, 0.45, part);   // tank
  add(s, minus({0, 2.78, 2.4}, frame_at), 0.3, part);  // steering head, just behind the fork body
  add_pair(s, {0.45, 0.35, -0.85}, 0.28, part);        // radiator shrouds
  add(s, {0, 0.7, 0.35}, 0.35, part);     // seat, front
  add(s, {0, 0.85, 1.2}, 0.35, part);     // seat, rear
  add_pair(s, {0.35, 0.45, 0.9}, 0.3, part);           // side panels
  add(s, {0, 0.95, 2.0}, 0.25, part);     // rear fender tail, above the rear tyre
  add_pair(s, {0.6, -0.557, 0.584}, 0.15, part);       // foot pegs (the frame's foot points)
  return s;
}

std::vector<GdSphere> fork_upper_shape() {
  // Along the steering axis, from the fork lower body up to this one.
  GdVec axis = minus(fork_upper_at, fork_lower_at);
  double len = std::sqrt(axis.y * axis.y + axis.z * axis.z);
  double ay = axis.y / len, az = axis.z / len;
  std::vector<GdSphere> s;
  add_pair(s, {fork_leg_x, 0, 0}, 0.17, part);                      // fork tubes at the clamps
  add_pair(s, {fork_leg_x, -0.45 * ay, -0.45 * az}, 0.17, part);    // fork tubes below the clamps
  add(s, {0, 0.35, -0.35}, 0.3, part);                              // front number plate
  add(s, {0, 0.6, 0.35}, 0.2, part);                                // bar clamp
  add_pair(s, {0.55, 1.1, 0.72}, 0.15, part);                       // handlebar
  add_pair(s, {1.097, 1.145, 0.753}, 0.15, part);                   // grips (the fork's grip points)
  return s;
}

std::vector<GdSphere> fork_lower_shape() {
  GdVec axis = minus(fork_upper_at, fork_lower_at);
  double len = std::sqrt(axis.y * axis.y + axis.z * axis.z);
  double ay = axis.y / len, az = axis.z / len;
  std::vector<GdSphere> s;
  for (double t : {-0.75, -0.25, 0.25}) add_pair(s, {fork_leg_x, t * ay, t * az}, 0.17, part);  // lower legs
  GdVec axle = minus(front_axle_at, fork_lower_at);
  add_pair(s, {fork_leg_x, axle.y, axle.z}, 0.15, part);  // axle lugs
  return s;
}

std::vector<GdSphere> swingarm_shape() {
  GdVec a = minus(pivot_at, swingarm_at), b = minus(rear_axle_at, swingarm_at);
  std::vector<GdSphere> s;
  for (int i = 0; i < 4; ++i) {  // each arm from the pivot to the axle block
    double t = i / 3.0;
    add_pair(s, {swingarm_arm_x, a.y + t * (b.y - a.y), a.z + t * (b.z - a.z)}, 0.15, part);
  }
  return s;
}

// The tyre as a ring of sixteen spheres of the tyre section around the axle
// (the wheel body sits at the axle), as the wheel's ring masses are laid out.
std::vector<GdSphere> wheel_shape(double rim) {
  std::vector<GdSphere> s;
  const double pi = std::acos(-1.0);
  for (int i = 0; i < 16; ++i) {
    double a = i * pi / 8;
    double y = rim * std::sin(a), z = rim * std::cos(a);
    add(s, {0, std::fabs(y) < 1e-9 ? 0 : y, std::fabs(z) < 1e-9 ? 0 : z}, tyre_section, tyre);
  }
  return s;
}

std::vector<GdSphere> rider_shape() {
  std::vector<GdSphere> s;
  add(s, {0, 1.2, -0.55}, 0.38, body);              // helmet
  add(s, {0, 0.45, -0.2}, 0.5, body);               // chest
  add(s, {0, -0.35, 0.2}, 0.5, body);               // belly and hips
  add_pair(s, {0.45, 0.75, -0.35}, 0.25, body);     // shoulders
  add_pair(s, {0.556, 0.580375, -0.654514}, 0.2, body);    // hands (the rider's hand points)
  add_pair(s, {0.45, -0.7, -0.45}, 0.3, body);      // knees
  add_pair(s, {0.269, -0.570887, 0.670607}, 0.35, body);   // seat of the pants
  return s;
}

}  // namespace

std::vector<GdBikeShape> gd_bike_shapes() {
  return {
      {GD_BIKE_FRAME_SHAPE, frame_shape()},
      {GD_BIKE_FORK_UPPER_SHAPE, fork_upper_shape()},
      {GD_BIKE_FORK_LOWER_SHAPE, fork_lower_shape()},
      {GD_BIKE_SWINGARM_SHAPE, swingarm_shape()},
      {GD_BIKE_FRONT_WHEEL_SHAPE, wheel_shape(front_rim)},
      {GD_BIKE_REAR_WHEEL_SHAPE, wheel_shape(rear_rim)},
      {GD_BIKE_RIDER_SHAPE, rider_shape()},
  };
}

void gd_bike_shapes_plan(GdPlan& plan, const std::string& archive) {
  for (const GdBikeShape& shape : gd_bike_shapes())
    gd_plan_add_text(plan, archive, shape.name + 1, GD_PLAIN, gd_shape_text(shape.spheres));
}
