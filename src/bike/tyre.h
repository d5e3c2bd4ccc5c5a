// Tyre against ground: where a wheel's torus meets the terrain triangles, the
// surface under the contact, the friction and softness of the contact joint,
// the friction direction, rolling resistance, arcade friction and roost.
//
// Everything here is arithmetic on plain records: nothing touches ODE. The
// body model reads the wheel's pose and velocities out of its bodies, asks
// tyre_contact_plan for a TyreJointPlan and turns that into one contact joint
// and one dBodyAddForce.
//
// A wheel is a torus around its axle: the rim circle (centre, axle, major
// radius R) swept by a circle of minor radius r (the tyre section).
#pragma once
#include <cstdint>
#include <random>

#include "track/surface.h"

struct Terrain;

struct TyreVec {
  double x, y, z;  // world units (ft, ft/s or rad/s by use)
};

// Torus radii of the two wheels.
constexpr double TYRE_SECTION_RADIUS = 0.333333;  // r of both wheels (ft)
constexpr double TYRE_FRONT_RIM_RADIUS = 0.833333;  // R of the front wheel (ft)
constexpr double TYRE_REAR_RIM_RADIUS = 0.75;       // R of the rear wheel (ft)
// Largest roost spray angles (rad).
constexpr double TYRE_FRONT_SPRAY_ANGLE = 3.14159265358979323846 / 8;
constexpr double TYRE_REAR_SPRAY_ANGLE = 2 * 3.14159265358979323846;

// A wheel as the contact sees it.
struct TyreWheel {
  TyreVec centre;    // wheel centre, world (ft)
  TyreVec axle;      // axle direction, world; normalised before use
  double R = 0;      // rim-circle radius (ft)
  double r = 0;      // tyre section radius (ft)
};

// The deepest contact of a wheel with the ground (or with one triangle).
struct TyreContact {
  TyreVec point{0, 0, 0};   // deepest penetration, on the triangle (ft)
  TyreVec normal{0, 1, 0};  // unit normal of the triangle touched
  double depth = 0;         // r minus the rim's distance to the triangle (ft); 0 or less: no contact
  int triangle = -1;        // terrain triangle touched (terrain numbering), -1 for none
};

// Grid cells under a wheel: columns i0..i1 and rows k0..k1, inclusive, all
// inside the grid. Empty when i0 > i1 or k0 > k1.
struct TyreCellRange {
  int i0 = 0, i1 = -1;  // cell columns
  int k0 = 0, k1 = -1;  // cell rows
};

// Contact-joint softness.
struct TyreSoftness {
  double q = 0;    // depth share min(depth / r, 1), 0..1
  double kp = 0;   // spring stiffness (lbf/ft)
  double kd = 0;   // damping (lbf s/ft)
  double erp = 0;  // soft ERP for the tic length
  double cfm = 0;  // soft CFM for the tic length
};

// What a wheel moving over the ground needs besides its pose.
struct TyreMotion {
  TyreVec velocity{0, 0, 0};  // linear velocity of the wheel centre (ft/s)
  TyreVec spin{0, 0, 0};      // angular velocity of the wheel body, world (rad/s)
};

// Everything the body model needs to make one wheel's contact joint and to
// push the wheel with its rolling resistance.
struct TyreJointPlan {
  TyreContact contact;            // point, normal, depth
  TyreVec contact_velocity{0, 0, 0};  // wheel body velocity at the contact point: the slip velocity (ft/s)
  int surface = 0;                // surface index under the contact point
  double mu = 0;                  // friction coefficient, friction factor applied
  TyreSoftness softness;          // soft ERP and CFM of the joint
  bool has_direction = false;     // the joint gets dContactFDir1 with `direction`
  TyreVec direction{0, 0, 0};     // unit first friction direction
  TyreVec roll_force{0, 0, 0};    // rolling resistance, added to the wheel body (lbf)
};

// Vector arithmetic of the tyre code.
inline TyreVec tyre_add(TyreVec a, TyreVec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline TyreVec tyre_sub(TyreVec a, TyreVec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline TyreVec tyre_scale(TyreVec a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double tyre_dot(TyreVec a, TyreVec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline TyreVec tyre_cross(TyreVec a, TyreVec b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// Random numbers of roost: the program's generator is handed in.
using TyreRandom = std::mt19937;
// A uniform number in [0, 1): 24 random bits times 2^-24.
double tyre_uniform(TyreRandom& random);

// ---------------------------------------------------------------------------
// Contact geometry (tyre_contact.cpp)

// The signed distance between the rim circle and one triangle, as depth
// r - distance, with its point. `normal` is the unit normal of the
// triangle's upper side: with the rim below that side the distance is
// negative (depth beyond r). Depth may be 0 or negative (no touch); a wheel
// with a zero axle or non-finite numbers gives a very negative depth.
TyreContact tyre_torus_triangle(const TyreWheel& wheel, const TyreVec (&corners)[3], TyreVec normal);
// The cells covering centre +- reach in x and z, clipped to the grid.
TyreCellRange tyre_cells_under(const Terrain& terrain, TyreVec centre, double reach);
// The deepest contact of the wheel with the triangles of the cells under it
// (reach R + r). False with depth 0 when none is penetrated; a wheel beyond
// the grid finds nothing.
bool tyre_wheel_contact(const Terrain& terrain, const TyreWheel& wheel, TyreContact& contact);
// The surface index of the tile under a point, clamped to the tile map and
// to the table.
int tyre_surface_index(const Terrain& terrain, const SurfaceTable& surfaces, TyreVec point);

// ---------------------------------------------------------------------------
// Contact forces (tyre_forces.cpp)

// Velocity of the wheel body at a point: centre velocity + spin x (point - centre).
TyreVec tyre_point_velocity(const TyreWheel& wheel, const TyreMotion& motion, TyreVec point);
// The speed a surface's friction curve is read at, by slip function
// (0 and 1: |v|; 2: the point's velocity without the spin about the axle,
// along v, clamped to +-|v|, and |v| when |v| < 1/16). Unknown slip
// functions read like 1.
double tyre_slip_lookup(int slip_function, const TyreWheel& wheel, const TyreMotion& motion, TyreVec point,
                        TyreVec contact_velocity);
// mu of a surface for a contact: the lookup above on the surface's curve.
double tyre_friction(const Surface& surface, const TyreWheel& wheel, const TyreMotion& motion, TyreVec point,
                     TyreVec contact_velocity);
// Softness of a contact of this depth for a tyre of section r and a tic of h seconds.
TyreSoftness tyre_softness(double depth, double r, double h);
// First friction direction: normalise(n x v), or normalise(n x axle) when
// n x v is short; false when neither gives a direction.
bool tyre_friction_direction(TyreVec normal, TyreVec velocity, TyreVec axle, TyreVec& direction);
// Rolling-resistance force on the wheel: the surface's curve at the wheel's
// ground speed, blended by the depth share q.
TyreVec tyre_roll_resistance(const Surface& surface, TyreVec normal, TyreVec centre_velocity, double q);
// Arcade friction factor for a frame roll (rad): 1 upright, 0.625 from pi/4.
double tyre_arcade_friction(double lean);
// The whole tyre contact of one wheel for one tic: false (plan with depth 0)
// when the wheel does not touch.
bool tyre_contact_plan(const Terrain& terrain, const SurfaceTable& surfaces, const TyreWheel& wheel,
                       const TyreMotion& motion, double friction_factor, double h, TyreJointPlan& plan);

// ---------------------------------------------------------------------------
// Roost (tyre_roost.cpp)

// Particles a wheel may throw this tic for a roost frequency in percent
// (clamped to 0..1000); draws one random number.
int tyre_roost_budget(int percent, TyreRandom& random);

// A particle as emitted.
struct TyreRoostParticle {
  TyreVec position;          // ft
  TyreVec velocity;          // ft/s
  const RoostKind* kind;     // roost record of the surface it came from
};

// Where emitted particles go (the roost pool). `emit` returns false when the
// pool is full; the particle is then dropped.
struct TyreRoostSink {
  void* context = nullptr;
  bool (*emit)(void* context, const TyreRoostParticle& particle) = nullptr;
};

// The wheel as roost sees it.
struct TyreRoostWheel {
  TyreWheel wheel;                 // pose
  TyreMotion motion;               // centre velocity and spin
  TyreContact contact;             // this tic's contact; nothing is thrown at depth <= 0
  TyreVec contact_velocity{0, 0, 0};  // wheel velocity at the contact point (ft/s)
  double max_spray_angle = TYRE_REAR_SPRAY_ANGLE;  // rad
};

// Throws the roost of every kind of the surface for one tic of h seconds;
// returns the number of particles the sink accepted.
int tyre_roost_emit(const TyreRoostWheel& wheel, const Surface& surface, int budget, uint32_t tic, double h,
                    TyreRandom& random, const TyreRoostSink& sink);

// A live particle between tics, with what its drawing shows.
struct TyreRoostState {
  TyreVec position;          // ft
  TyreVec velocity;          // ft/s
  double size = 0;           // drawn size (ft)
  uint8_t colour[4] = {};    // drawn r, g, b, a
};
// One tic of motion of a particle of this kind; false when it has landed
// (falling and below the terrain) and goes back to the pool.
bool tyre_roost_move(TyreRoostState& particle, const RoostKind& kind, const Terrain& terrain, double h);
