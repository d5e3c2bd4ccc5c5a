// The compact rider state: one rider's pose, controls and engine speed in a
// fixed 39-byte record that demo files and the network carry. This file
// encodes a bike into a record, decodes a record back into the seven bodies,
// blends two records, and drives a remote or replayed rider from the pair of
// records that bracket the tic being shown.
//
// Byte layout (multi-byte fields little-endian; round(v) = floor(v + 0.5);
// T = the terrain's extent, Y0 = its base height):
//   0-2    frame x          u24 round(clamp(x, 0, T) / T x 16777215)
//   3-5    frame y          u24 round((clamp(y, Y0, Y0 + T) - Y0) / T x 16777215)
//   6-8    frame z          as x
//   9-16   frame rotation   four u16 (w, x, y, z), round(32767.5 x (clamp(q, -1, 1) + 1))
//   17     steering angle   round((clamp(a, -pi/4, pi/4) + pi/4) x 162.33803)
//   18     swingarm         round((min(a, 0) + travel) / travel x 255) kept in 0..255, bit 0 set
//   19     fork             round((min(p, 0) + travel) / travel x 255) kept in 0..255; bit 0 reserved
//   20-25  rider offset     three u16, rider minus frame position, round((clamp(d, -16, 16) + 16) x 2047.9688)
//   26-33  rider rotation   as the frame's
//   34     front wheel      round((clamp(a, -pi, pi) + pi) x 40.584507), the front axle hinge angle
//   35     rear wheel       the same for the rear axle hinge
//   36     flags            riding: gear 0..6 in bits 0-2, bit 3 foot down, bits 4-7 throttle x 15;
//                           crashed: bits 0-2 = 7, bits 4-7 = min((15 c - 15) / 127, 15), c the counter
//   37-38  engine speed     u16 round(clamp(rpm, 0, 32768) x 1.9999695)
//
// The older 26-byte layout, read only from version-4 demo files and kept in
// bytes 0-25 of the same record: bytes 0-19 as above; byte 20 the rider's
// slide along the catalogue's slide direction, lo + (hi - lo) x byte / 255;
// 21 and 22 the wheel angles; 23 the flags; 24-25 the engine speed.
//
// Every record of 39 arbitrary bytes decodes to a finite pose: the bytes come
// from files and packets.
#pragma once
#include <cstdint>

struct BikeSim;
struct Terrain;

enum {
  COMPACT_STATE_SIZE = 39,      // bytes of a record
  COMPACT_STATE_OLD_SIZE = 26,  // bytes of the older layout (version-4 demo files)
  COMPACT_LAYOUT_OLD = 4,       // layout code of a version-4 demo record
  COMPACT_LAYOUT_CURRENT = 5,   // layout code of everything else (demos 5 and 6, network, own history)
  COMPACT_GEAR_CRASHED = 7,     // gear field of a rider who is off the bike
};

// Blends extrapolate positions at most this many tics past the newer record (0.5 s).
constexpr int COMPACT_EXTRAPOLATION_TICS = 64;
// A rider simulated with forces is pulled towards his target with this
// natural frequency (rad/s) and damping ratio, per body.
constexpr double COMPACT_PULL_FREQUENCY = 16;
constexpr double COMPACT_PULL_DAMPING = 1;
// ... unless his frame is farther than this from it (ft): then he is put there.
constexpr double COMPACT_PULL_SNAP_DISTANCE = 4;

// One compact rider state.
struct CompactState {
  uint8_t bytes[COMPACT_STATE_SIZE];  // the record exactly as stored and sent
};

// The box that positions are quantised in.
struct CompactSpace {
  double size;            // T: horizontal extent, ft; x and z cover 0..T, y covers base..base + T
  double base;            // Y0: the height stored as 0, ft
  const Terrain* ground;  // the terrain, for lifting a rider out of it; none skips the lift
};

// What a remote rider is set from in one tic.
struct CompactTarget {
  CompactState target;  // the pose to show: the older record, or the blend of older and newer
  CompactState older;   // the older bracketing record (a)
  CompactState newer;   // the newer bracketing record (b); equal to older when only one is known
  int tics;             // tics from older to newer (k), 1 when they are the same record
  int layout;           // COMPACT_LAYOUT_OLD or COMPACT_LAYOUT_CURRENT
};

// The box of a terrain: its extent and its lowest height. None gives an
// empty box (every position decodes to the origin).
CompactSpace compact_space(const Terrain* terrain);

// The record of the bike's present pose, controls and engine speed. A bike
// without bodies gives a record of zeros.
void compact_state_encode(CompactState& state, const BikeSim& bike, const CompactSpace& space);

// Puts the bike in the record's pose (frame, fork upper, swingarm, fork
// lower, rider, front wheel, rear wheel), then sets the crash state, gear,
// throttle and engine speed. Velocities are left alone.
void compact_state_decode(const CompactState& state, int layout, BikeSim& bike, const CompactSpace& space);

// The blend of two records at fraction f (0 = older, 1 = newer, above 1
// extrapolates; not-a-number and negative fractions are 0, and none goes
// beyond 65, 64 tics past a pair one tic apart): positions, offsets,
// suspension and engine speed linearly, rotations on the shortest arc,
// wheel angles forwards round the circle; the flags byte of the older; bit 0
// of byte 19 cleared. Never used for the older layout.
CompactState compact_state_blend(const CompactState& older, const CompactState& newer, double f);

// Gear field of byte 36 (7 while crashed).
int compact_state_gear_field(const CompactState& state, int layout);

// Sets a remote or replayed rider from a target and the pair it comes from:
// velocities from the pair, lifted out of the ground, feet and crash state
// followed, the foot-down amount raised while the record shows a foot down.
// A rider simulated with forces (interaction timer above 0.25) is pulled
// towards the target with a spring and damper per body instead of being
// placed, so that collisions with him stay physical.
void compact_rider_apply(BikeSim& bike, const CompactTarget& target, const CompactSpace& space);
