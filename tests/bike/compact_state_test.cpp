// The compact rider state: the bytes a pose is stored as, the pose a record
// gives back, blends between records, the older demo layout, records of
// random bytes, and a remote rider driven from a pair of records.
#include "bike/compact_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <limits>
#include <random>
#include <string>

#include "bike/bike_sim.h"
#include "bike/bike_spec.h"
#include "bike/drivetrain.h"
#include "bikerig/bike_rig.h"
#include "test_util.h"

namespace {

constexpr double PI = 3.14159265358979323846;
constexpr double H = 1.0 / 128;
constexpr int CR125 = 0;  // five gears

std::string hex_of(const CompactState& s) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (uint8_t b : s.bytes) out += digits[b >> 4], out += digits[b & 15];
  return out;
}

uint32_t get_u(const CompactState& s, int at, int width) {
  uint32_t v = 0;
  for (int i = width - 1; i >= 0; --i) v = v << 8 | s.bytes[at + i];
  return v;
}

void set_u(CompactState& s, int at, int width, uint32_t v) {
  for (int i = 0; i < width; ++i) s.bytes[at + i] = uint8_t(v >> (8 * i));
}

// A quaternion component as the record stores it.
uint32_t q_code(double c) { return uint32_t(std::floor(32767.5 * (c + 1) + 0.5)); }
double q_value(uint32_t code) { return code / 65535.0 * 2 - 1; }

void set_quaternion(CompactState& s, int at, const double q[4]) {
  for (int i = 0; i < 4; ++i) set_u(s, at + 2 * i, 2, q_code(q[i]));
}

void get_quaternion(const CompactState& s, int at, double q[4]) {
  for (int i = 0; i < 4; ++i) q[i] = q_value(get_u(s, at + 2 * i, 2));
}

void position(const BikeSim& b, int body, double out[3]) {
  const dReal* p = dBodyGetPosition(b.body[body]);
  for (int i = 0; i < 3; ++i) out[i] = p[i];
}

// Angle between two body orientations, rad.
double turn_between(dBodyID a, dBodyID b) {
  const dReal *p = dBodyGetQuaternion(a), *q = dBodyGetQuaternion(b);
  double dot = std::fabs(p[0] * q[0] + p[1] * q[1] + p[2] * q[2] + p[3] * q[3]);
  return 2 * std::acos(dot > 1 ? 1 : dot);
}

// Turns some bodies about a line through pivot: their positions round it
// and their orientations by it.
void turn_bodies(BikeSim& b, std::initializer_list<int> bodies, const double pivot[3], const double axis[3],
                 double angle) {
  dMatrix3 r;
  dRFromAxisAndAngle(r, axis[0], axis[1], axis[2], angle);
  for (int i : bodies) {
    const dReal* p = dBodyGetPosition(b.body[i]);
    dVector3 d = {p[0] - pivot[0], p[1] - pivot[1], p[2] - pivot[2]}, e;
    dMultiply0_331(e, r, d);
    dBodySetPosition(b.body[i], pivot[0] + e[0], pivot[1] + e[1], pivot[2] + e[2]);
    dMatrix3 turned;
    dMultiply0_333(turned, r, dBodyGetRotation(b.body[i]));
    dBodySetRotation(b.body[i], turned);
  }
}

void move_bodies(BikeSim& b, std::initializer_list<int> bodies, const double d[3]) {
  for (int i : bodies) {
    const dReal* p = dBodyGetPosition(b.body[i]);
    dBodySetPosition(b.body[i], p[0] + d[0], p[1] + d[1], p[2] + d[2]);
  }
}

struct CompactRig : ::testing::Test {
  TempDir dir;
  BikeRig rig;
  CompactSpace space{};
  BikeSim loose;  // a bike of the world that the rig does not step
  void SetUp() override {
    ASSERT_TRUE(bike_rig_open(rig, dir.path));
    space = compact_space(&rig.terrain);
  }
  void TearDown() override {
    bike_sim_destroy(loose);
    bike_rig_close(rig);
  }
  // A bike at rest with its frame at (x, y, z), kept still like a remote rider.
  BikeSim& rest_bike(double x, double y, double z, int catalogue = CR125) {
    bike_sim_destroy(loose);
    EXPECT_TRUE(bike_sim_build(loose, rig.physics, &rig.shapes, catalogue, 1, false));
    bike_sim_set_interaction(loose, 0);
    const dReal* f = dBodyGetPosition(loose.body[BIKE_FRAME]);
    bike_sim_move(loose, x - f[0], y - f[1], z - f[2]);
    return loose;
  }
  CompactState encode(const BikeSim& b) {
    CompactState s;
    compact_state_encode(s, b, space);
    return s;
  }
  CompactTarget only(const CompactState& s, int layout = COMPACT_LAYOUT_CURRENT) {
    return CompactTarget{s, s, s, 1, layout};
  }
};

// ---------------------------------------------------------------------------
// Bytes of a pose

struct PoseCase {
  const char* name;
  double x, y, z;      // frame position
  double yaw;          // whole bike turned about the vertical, rad
  double steer;        // fork turned about the steering axis, rad
  double swing;        // swingarm (with the rear wheel) turned about the pivot, rad
  double fork;         // fork lower slid up the fork axis, ft (negative compresses)
  double front, rear;  // wheels rolled forwards, rad
  int gear;
  double throttle, foot_down;
  int crash_counter;
  double rpm;
  const char* bytes;
};

TEST_F(CompactRig, EncodesPosesAsTheGoldenBytes) {
  const double travel = bike_spec(CR125)->linkage[2];
  const PoseCase cases[] = {
      {"at rest", 1000.5, 10, 512.25, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
       "00107d004001000840ffff0080008000807fffff008028942884ffff0080008000807f7f000000"},
      {"below 0 and beyond T", -5, -3, 2100, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
       "000000000000ffffffffff0080008000807fffff008028942884ffff0080008000807f7f000000"},
      {"beyond T and below 0", 2100, 2100, -1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
       "ffffffffffff000000ffff0080008000807fffff008028942884ffff0080008000807f7f000000"},
      {"turned, third gear, half throttle, foot down", 300.25, 7.5, 1700.75, 0.5, 0, 0, 0, 0, 0, 2, 0.5, 0.3, 0,
       8000, "00882500f000ff97d404fc0080aa9f00807ffffffe812894a68304fc0080aa9f00807f7f7a803e"},
      {"just crashed", 1000.5, 10, 512.25, 0, 0, 0, 0, 0, 0, 1, 1, 0, 600, 0,
       "00107d004001000840ffff0080008000807fffff008028942884ffff0080008000807f7ff70000"},
      {"nearly back on", 1000.5, 10, 512.25, 0, 0, 0, 0, 0, 0, 0, 0, 0, 50, 0,
       "00107d004001000840ffff0080008000807fffff008028942884ffff0080008000807f7f570000"},
      {"compressed past full travel", 1000.5, 10, 512.25, 0, 0, -(travel + 0.2), -1.1, 0, 0, 0, 0, 0, 0, 0,
       "00107d004001000840ffff0080008000807f0100008028942884ffff0080008000807f7f000000"},
      {"a quarter compressed", 1000.5, 10, 512.25, 0, 0, -travel / 4, -0.25, 0, 0, 0, 0, 0, 0, 0,
       "00107d004001000840ffff0080008000807fbfbf008028942884ffff0080008000807f7f000000"},
      {"steered, front wheel rolled on", 1000.5, 10, 512.25, 0, 0.3, 0, 0, 0.5, 0, 0, 0, 0, 0, 0,
       "00107d004001000840ffff008000800080b0ffff008028942884ffff008000800080947f000000"},
      {"past the lock, rear wheel rolled back", 1000.5, 10, 512.25, 0, 1.0, 0, 0, 0, -0.5, 0, 0, 0, 0, 0,
       "00107d004001000840ffff008000800080ffffff008028942884ffff0080008000807f6b000000"},
      {"engine over the top", 1000.5, 10, 512.25, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 40000,
       "00107d004001000840ffff0080008000807fffff008028942884ffff0080008000807f7f00ffff"},
      {"engine turning backwards", 1000.5, 10, 512.25, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -500,
       "00107d004001000840ffff0080008000807fffff008028942884ffff0080008000807f7f000000"},
  };
  const double up[3] = {0, 1, 0}, side[3] = {1, 0, 0};
  for (const PoseCase& c : cases) {
    BikeSim& b = rest_bike(0, 0, 0);
    const BikeSpec& s = *b.model;
    bike_sim_turn(b, up, c.yaw);
    const dReal* f = dBodyGetPosition(b.body[BIKE_FRAME]);
    bike_sim_move(b, c.x - f[0], c.y - f[1], c.z - f[2]);
    double lift[3] = {c.x - s.frame_position[0], c.y - s.frame_position[1], c.z - s.frame_position[2]};
    // Rolling forwards (towards -z) turns a wheel backwards about +x.
    const int wheel[2] = {BIKE_FRONT_WHEEL, BIKE_REAR_WHEEL};
    const double roll[2] = {c.front, c.rear};
    for (int w = 0; w < 2; ++w) {
      if (roll[w] == 0) continue;
      double centre[3];
      position(b, wheel[w], centre);
      turn_bodies(b, {wheel[w]}, centre, side, -roll[w]);
    }
    if (c.steer != 0) {
      double pivot[3], axis[3];
      for (int i = 0; i < 3; ++i) {
        pivot[i] = s.fork_upper_position[i] + lift[i];
        axis[i] = double(s.fork_upper_position[i]) - s.fork_lower_position[i];
      }
      turn_bodies(b, {BIKE_FORK_UPPER, BIKE_FORK_LOWER, BIKE_FRONT_WHEEL}, pivot, axis, c.steer);
    }
    if (c.swing != 0) {
      double pivot[3];
      for (int i = 0; i < 3; ++i) pivot[i] = s.swingarm_pivot[i] + lift[i];
      turn_bodies(b, {BIKE_SWINGARM, BIKE_REAR_WHEEL}, pivot, side, c.swing);
    }
    if (c.fork != 0) {
      double axis[3], n = 0;
      for (int i = 0; i < 3; ++i) axis[i] = double(s.fork_upper_position[i]) - s.fork_lower_position[i];
      for (double a : axis) n += a * a;
      double d[3];
      for (int i = 0; i < 3; ++i) d[i] = -c.fork * axis[i] / std::sqrt(n);
      move_bodies(b, {BIKE_FORK_LOWER, BIKE_FRONT_WHEEL}, d);
    }
    b.drive.gear = c.gear;
    b.drive.throttle = c.throttle;
    b.controls.foot_down = c.foot_down;
    b.crash_counter = c.crash_counter;
    b.drive.engine_speed = c.rpm / DRIVETRAIN_RPM_PER_RAD_S;
    EXPECT_EQ(hex_of(encode(b)), c.bytes) << c.name;
  }
}

// ---------------------------------------------------------------------------
// Decoding

struct Field {
  int at, width;  // byte offset and size
  bool circle;    // a wheel angle: 0 and 255 are the same
};

const Field FIELDS[] = {{0, 3, false},  {3, 3, false},  {6, 3, false},  {9, 2, false},  {11, 2, false},
                        {13, 2, false}, {15, 2, false}, {17, 1, false}, {18, 1, false}, {19, 1, false},
                        {20, 2, false}, {22, 2, false}, {24, 2, false}, {26, 2, false}, {28, 2, false},
                        {30, 2, false}, {32, 2, false}, {34, 1, true},  {35, 1, true},  {36, 1, false},
                        {37, 2, false}};

TEST_F(CompactRig, DecodesARiddenBikeBackToItsPose) {
  BikeSim* rider = bike_rig_add(rig, CR125, 1024, 1900);
  ASSERT_NE(rider, nullptr);
  BikeInput in;
  in.throttle = 0.7;
  bike_set_input(*rider, in);
  BikeSim& copy = rest_bike(0, 0, 0);
  int checked = 0;
  for (int tic = 1; tic <= 400; ++tic) {
    bike_rig_tic(rig);
    if (tic % 50) continue;
    ASSERT_FALSE(bike_rig_broken(*rider));
    CompactState first = encode(*rider);
    compact_state_decode(first, COMPACT_LAYOUT_CURRENT, copy, space);
    CompactState again = encode(copy);
    for (const Field& f : FIELDS) {
      long d = long(get_u(again, f.at, f.width)) - long(get_u(first, f.at, f.width));
      if (f.circle && std::labs(d) > 128) d = 255 - std::labs(d);
      EXPECT_LE(std::labs(d), f.at == 36 ? 0 : 1) << "tic " << tic << " byte " << f.at;
    }
    // The joints of the real bike hold within a little; the record within a step.
    for (int i = 0; i < BIKE_BODY_COUNT; ++i) {
      double p[3], q[3];
      position(*rider, i, p);
      position(copy, i, q);
      for (int a = 0; a < 3; ++a) EXPECT_NEAR(p[a], q[a], 0.02) << "tic " << tic << " body " << i;
      EXPECT_LT(turn_between(rider->body[i], copy.body[i]), i == BIKE_FRONT_WHEEL || i == BIKE_REAR_WHEEL ? 0.03 : 0.01)
          << "tic " << tic << " body " << i;
    }
    EXPECT_NEAR(copy.drive.engine_speed, rider->drive.engine_speed, 0.1);
    EXPECT_EQ(copy.drive.gear, rider->drive.gear);
    ++checked;
  }
  EXPECT_EQ(checked, 8);
  EXPECT_GT(bike_sim_speed(*rider), 20) << "the bike should have ridden off";
}

TEST_F(CompactRig, ReadsTheOlderLayout) {
  BikeSim& b = rest_bike(500, 3, 600);
  const double up[3] = {0, 1, 0}, centre[3] = {500, 3, 600};
  turn_bodies(b, {0, 1, 2, 3, 4, 5, 6}, centre, up, 0.7);
  CompactState current = encode(b);
  const BikeSpec& s = *b.model;
  struct Case {
    uint8_t slide;
    double along;  // ft along the slide direction from the seat
  } cases[] = {{255, 0.5}, {0, -0.666667}, {102, -0.666667 + 1.166667 * 0.4}};
  for (const Case& c : cases) {
    CompactState old{};
    for (int i = 0; i < 20; ++i) old.bytes[i] = current.bytes[i];
    old.bytes[20] = c.slide;
    old.bytes[21] = 100, old.bytes[22] = 200;
    old.bytes[23] = 0x52;  // third gear, throttle 5/15
    set_u(old, 24, 2, 20000);
    for (int i = 26; i < COMPACT_STATE_SIZE; ++i) old.bytes[i] = 0xa5;  // not part of the layout
    BikeSim& d = rest_bike(0, 0, 0);
    compact_state_decode(old, COMPACT_LAYOUT_OLD, d, space);
    EXPECT_LT(turn_between(d.body[BIKE_RIDER], d.body[BIKE_FRAME]), 1e-6);
    const double n = std::sqrt(2 * 0.083333 * 0.083333);
    dVector3 want;
    dBodyGetRelPointPos(d.body[BIKE_FRAME], s.rider_position[0] - s.frame_position[0],
                        s.rider_position[1] - s.frame_position[1] + c.along * 0.083333 / n,
                        s.rider_position[2] - s.frame_position[2] + c.along * 0.083333 / n, want);
    double got[3];
    position(d, BIKE_RIDER, got);
    for (int a = 0; a < 3; ++a) EXPECT_NEAR(got[a], want[a], 1e-5) << int(c.slide);
    EXPECT_NEAR(dJointGetHingeAngle(d.joint[BIKE_FRONT_AXLE]), 100 / 255.0 * 2 * PI - PI, 1e-6);
    EXPECT_NEAR(dJointGetHingeAngle(d.joint[BIKE_REAR_AXLE]), 200 / 255.0 * 2 * PI - PI, 1e-6);
    EXPECT_EQ(d.drive.gear, 2);
    EXPECT_NEAR(d.drive.throttle, 1 / 3.0, 1e-12);
    EXPECT_NEAR(drivetrain_rpm(d.drive), 20000 / 65535.0 * 32768, 1e-6);
    double frame[3];
    position(d, BIKE_FRAME, frame);
    EXPECT_NEAR(frame[0], 500, 1e-3);
    EXPECT_NEAR(frame[2], 600, 1e-3);
  }
}

// Whether every body holds finite numbers and a unit quaternion.
bool sane(const BikeSim& b) {
  for (dBodyID body : b.body) {
    const dReal* p = dBodyGetPosition(body);
    const dReal* q = dBodyGetQuaternion(body);
    const dReal* v = dBodyGetLinearVel(body);
    const dReal* w = dBodyGetAngularVel(body);
    for (int i = 0; i < 3; ++i)
      if (!std::isfinite(p[i]) || !std::isfinite(v[i]) || !std::isfinite(w[i])) return false;
    double n = 0;
    for (int i = 0; i < 4; ++i) {
      if (!std::isfinite(q[i])) return false;
      n += q[i] * q[i];
    }
    if (std::fabs(n - 1) > 1e-9) return false;
  }
  return std::isfinite(b.drive.engine_speed) && std::isfinite(b.drive.throttle) &&
         std::isfinite(b.controls.foot_down) && b.drive.gear >= 0 &&
         drivetrain_gear_present(*b.model, b.drive.gear);
}

TEST_F(CompactRig, RandomBytesDecodeToASanePose) {
  std::mt19937 random(1234);
  BikeSim& b = rest_bike(0, 0, 0);
  const int tics[] = {-3, 0, 1, 4, 1 << 30};
  const double fractions[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                              -1, 0.3, 1e9};
  CompactSpace spaces[] = {space, compact_space(nullptr), CompactSpace{std::nan(""), std::nan(""), nullptr}};
  for (int round = 0; round < 600; ++round) {
    CompactState r[2];
    for (CompactState& s : r)
      for (uint8_t& v : s.bytes) v = uint8_t(random());
    // Records of zeros and of 0x7f/0x80 quaternions (no direction) too.
    if (round == 0) r[0] = CompactState{};
    if (round == 1)
      for (uint8_t& v : r[0].bytes) v = 0x80;
    const CompactSpace& sp = spaces[round % 3];
    int layout = round % 2 ? COMPACT_LAYOUT_OLD : COMPACT_LAYOUT_CURRENT;
    compact_state_decode(r[0], layout, b, sp);
    ASSERT_TRUE(sane(b)) << "round " << round << " " << hex_of(r[0]);
    CompactState blended = compact_state_blend(r[0], r[1], fractions[round % 5]);
    compact_rider_apply(b, CompactTarget{blended, r[0], r[1], tics[round % 5], layout}, sp);
    ASSERT_TRUE(sane(b)) << "round " << round << " " << hex_of(r[0]) << " " << hex_of(r[1]);
    EXPECT_GE(b.crash_counter, 0);
    EXPECT_LE(b.crash_counter, 128);
    EXPECT_GE(b.controls.foot_down, 0);
    EXPECT_LE(b.controls.foot_down, 1);
  }
}

// ---------------------------------------------------------------------------
// Blending

TEST(CompactStateBlend, TakesTheWheelAnglesTheShortWayRoundTheCircle) {
  struct Case {
    uint8_t a, b;
    double f;
    uint8_t want;
  } cases[] = {
      {250, 5, 0.2, 252},  {250, 5, 0.5, 0},     {250, 5, 0.8, 3},    // forwards through 0
      {250, 5, 2.0, 15},                                               // and on past the newer
      {5, 250, 0.5, 0},                                                // a little backwards through 0
      {0, 200, 0.5, 100},  {0, 230, 0.5, 243},                         // 7/8 turn forwards is the limit
      {100, 120, 0.25, 105}, {120, 100, 0.5, 110},
  };
  for (const Case& c : cases) {
    CompactState a{}, b{};
    a.bytes[34] = a.bytes[35] = c.a;
    b.bytes[34] = b.bytes[35] = c.b;
    CompactState m = compact_state_blend(a, b, c.f);
    EXPECT_EQ(int(m.bytes[34]), int(c.want)) << int(c.a) << " to " << int(c.b) << " at " << c.f;
    EXPECT_EQ(int(m.bytes[35]), int(c.want)) << int(c.a) << " to " << int(c.b) << " at " << c.f;
  }
}

TEST(CompactStateBlend, TurnsRotationsAcrossAQuaternionSignFlip) {
  // The newer rotation is stored with the opposite sign: the same turn of 0.2 rad about y.
  const double a[4] = {1, 0, 0, 0};
  const double b[4] = {-std::cos(0.1), 0, -std::sin(0.1), 0};
  CompactState older{}, newer{};
  set_quaternion(older, 9, a), set_quaternion(newer, 9, b);
  set_quaternion(older, 26, a), set_quaternion(newer, 26, b);
  for (double f : {0.25, 0.5, 1.0, 1.5}) {
    CompactState m = compact_state_blend(older, newer, f);
    for (int at : {9, 26}) {
      double q[4];
      get_quaternion(m, at, q);
      // A unit turn about y by about f x 0.2 (linear blending bends it a little).
      double n = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
      EXPECT_NEAR(n, 1, 1e-4);
      EXPECT_NEAR(q[1], 0, 1e-4);
      EXPECT_NEAR(q[3], 0, 1e-4);
      double angle = 2 * std::atan2(std::fabs(q[2]), std::fabs(q[0]));
      EXPECT_NEAR(angle, f * 0.2, 0.002) << "f " << f;
    }
  }
}

TEST(CompactStateBlend, BlendsTheOtherFieldsLinearlyAndKeepsTheOlderFlags) {
  struct Case {
    const char* name;
    int at, width;
    uint32_t a, b;
    double f;
    uint32_t want;
  } cases[] = {
      {"position half way", 0, 3, 1000, 3000, 0.5, 2000},
      {"position extrapolated", 3, 3, 1000, 3000, 3.0, 7000},
      {"position clamped at the top", 6, 3, 0x000010, 0xfffff0, 3.0, 0xffffff},
      {"position clamped at 0", 6, 3, 0xfffff0, 0x000010, 3.0, 0},
      {"steering", 17, 1, 100, 200, 0.25, 125},
      {"swingarm", 18, 1, 1, 255, 0.5, 128},
      {"rider offset", 22, 2, 40000, 40100, 0.5, 40050},
      {"engine speed clamped", 37, 2, 60000, 65000, 2.0, 65535},
      {"not a number stays at the older", 0, 3, 1000, 3000, std::nan(""), 1000},
      {"backwards stays at the older", 0, 3, 1000, 3000, -2, 1000},
  };
  for (const Case& c : cases) {
    CompactState a{}, b{};
    set_u(a, c.at, c.width, c.a);
    set_u(b, c.at, c.width, c.b);
    a.bytes[36] = 0x5a, b.bytes[36] = 0x07;
    a.bytes[19] = 0x81, b.bytes[19] = 0x81;
    CompactState m = compact_state_blend(a, b, c.f);
    EXPECT_EQ(get_u(m, c.at, c.width), c.want) << c.name;
    EXPECT_EQ(int(m.bytes[36]), 0x5a) << c.name;
    EXPECT_EQ(int(m.bytes[19]), 0x80) << c.name;
  }
}

// ---------------------------------------------------------------------------
// Applying states to a rider

TEST_F(CompactRig, RiderTakesItsVelocitiesFromThePair) {
  BikeSim& b = rest_bike(1000.5, 3, 500.25);
  CompactState older = encode(b);
  const double up[3] = {0, 1, 0}, frame[3] = {1000.5, 3, 500.25}, ahead[3] = {0, 0, -2};
  turn_bodies(b, {0, 1, 2, 3, 4, 5, 6}, frame, up, 0.1);
  move_bodies(b, {0, 1, 2, 3, 4, 5, 6}, ahead);
  CompactState newer = encode(b);
  older.bytes[34] = 100, newer.bytes[34] = 140;  // front wheel 40 steps on
  older.bytes[35] = 250, newer.bytes[35] = 5;    // rear wheel 10 steps on, through 0
  compact_rider_apply(b, CompactTarget{newer, older, newer, 4, COMPACT_LAYOUT_CURRENT}, space);
  const dReal* v = dBodyGetLinearVel(b.body[BIKE_FRAME]);
  const dReal* w = dBodyGetAngularVel(b.body[BIKE_FRAME]);
  EXPECT_NEAR(v[0], 0, 0.01);
  EXPECT_NEAR(v[1], 0, 0.01);
  EXPECT_NEAR(v[2], -2 / (4 * H), 0.01);
  EXPECT_NEAR(w[0], 0, 0.01);
  EXPECT_NEAR(w[1], 0.1 / (4 * H), 0.01);
  EXPECT_NEAR(w[2], 0, 0.01);
  EXPECT_NEAR(dJointGetHingeAngleRate(b.joint[BIKE_FRONT_AXLE]), 40 / 255.0 * 2 * PI / (4 * H), 0.01);
  EXPECT_NEAR(dJointGetHingeAngleRate(b.joint[BIKE_REAR_AXLE]), 10 / 255.0 * 2 * PI / (4 * H), 0.01);
  // The rider turns with the frame.
  const dReal* rw = dBodyGetAngularVel(b.body[BIKE_RIDER]);
  EXPECT_NEAR(rw[1], 0.1 / (4 * H), 0.01);
  // The pose itself is the target's.
  double p[3];
  position(b, BIKE_FRAME, p);
  EXPECT_NEAR(p[2], 500.25 - 2, 1e-3);
  EXPECT_FALSE(bike_sim_simulated(b));
}

TEST_F(CompactRig, RiderIsLiftedOutOfTheGround) {
  struct Case {
    double sink;  // ft the bike is put below its resting height
    bool lifted;
  } cases[] = {{0, false}, {0.05, false}, {0.6, true}, {3, true}};
  for (const Case& c : cases) {
    BikeSim& b = rest_bike(0, 0, 0);
    const BikeSpec& s = *b.model;
    // Resting: the rear tyre touches the ground.
    double rest_y = s.frame_position[1] - (s.rear_wheel.axle[1] - s.rear_wheel.rim_radius - s.rear_wheel.tyre_radius);
    BikeSim& placed = rest_bike(1000.5, rest_y - c.sink, 700.25);
    CompactState r = encode(placed);
    double before[BIKE_BODY_COUNT][3];
    compact_state_decode(r, COMPACT_LAYOUT_CURRENT, placed, space);
    for (int i = 0; i < BIKE_BODY_COUNT; ++i) position(placed, i, before[i]);
    compact_rider_apply(placed, only(r), space);
    double axle[3];
    position(placed, BIKE_REAR_WHEEL, axle);
    double dy = 0;
    if (c.lifted) {
      EXPECT_NEAR(axle[1] - placed.wheel[1].R, 0, 1e-3) << c.sink;
      dy = axle[1] - before[BIKE_REAR_WHEEL][1];
      EXPECT_GT(dy, 0);
    }
    for (int i = 0; i < BIKE_BODY_COUNT; ++i) {
      double p[3];
      position(placed, i, p);
      EXPECT_NEAR(p[0], before[i][0], 1e-9) << c.sink << " body " << i;
      EXPECT_NEAR(p[1], before[i][1] + dy, 1e-9) << c.sink << " body " << i;
      EXPECT_NEAR(p[2], before[i][2], 1e-9) << c.sink << " body " << i;
    }
  }
}

TEST_F(CompactRig, RiderPutsTheFootDownAtEightTicLengthsATic) {
  BikeSim& b = rest_bike(1000.5, 3, 500.25);
  CompactState riding = encode(b), dabbing = riding, crashed = riding;
  dabbing.bytes[36] |= 8;
  crashed.bytes[36] = 7;
  for (int i = 0; i < 10; ++i) compact_rider_apply(b, only(dabbing), space);
  EXPECT_NEAR(b.controls.foot_down, 10 * 8 * H, 1e-12);
  for (int i = 0; i < 10; ++i) compact_rider_apply(b, only(dabbing), space);
  EXPECT_DOUBLE_EQ(b.controls.foot_down, 1);
  for (int i = 0; i < 4; ++i) compact_rider_apply(b, only(riding), space);
  EXPECT_NEAR(b.controls.foot_down, 1 - 4 * 8 * H, 1e-12);
  for (int i = 0; i < 20; ++i) compact_rider_apply(b, only(riding), space);
  EXPECT_DOUBLE_EQ(b.controls.foot_down, 0);
  compact_rider_apply(b, only(crashed), space);
  EXPECT_NEAR(b.controls.foot_down, 8 * H, 1e-12);
}

TEST_F(CompactRig, RiderComesOffWithGearSevenAndRemountsWithTheNextRidingRecord) {
  BikeSim& b = rest_bike(1000.5, 3, 500.25);
  const BikeSpec& s = *b.model;
  CompactState here = encode(b);
  CompactState off = here, off_ahead = here;
  off.bytes[36] = off_ahead.bytes[36] = 0x97;  // crashed, bits 4-7 = 9
  set_u(off_ahead, 6, 3, get_u(here, 6, 3) - uint32_t(std::lround(1 / 2048.0 * 16777215)));  // 1 ft on
  compact_rider_apply(b, CompactTarget{off_ahead, off, off_ahead, 4, COMPACT_LAYOUT_CURRENT}, space);
  EXPECT_EQ(dJointGetBody(b.joint[BIKE_RIDER_MOUNT], 0), nullptr);
  EXPECT_EQ(dJointGetBody(b.joint[BIKE_RIDER_MOUNT], 1), nullptr);
  EXPECT_EQ(b.crash_counter, 9 * 127 / 15 + 1);
  EXPECT_EQ(b.drive.throttle, 0);
  EXPECT_TRUE(bike_sim_crashed(b));
  // The feet leave the pegs moving with the bike.
  const float* peg = s.attachment + BIKE_ATTACH_LEFT_FRAME;
  dVector3 at;
  dBodyGetRelPointPos(b.body[BIKE_FRAME], peg[0], peg[1], peg[2], at);
  for (int a = 0; a < 3; ++a) EXPECT_NEAR(b.feet[0].position[a], at[a], 1e-9);
  EXPECT_NEAR(b.feet[0].velocity[2], -1 / (4 * H), 0.01);
  // Still off: the feet are left where they went.
  BikeFoot kept = b.feet[0];
  compact_rider_apply(b, only(off), space);
  EXPECT_EQ(b.feet[0].position[2], kept.position[2]);

  // Back on, a foot higher than the seat, in fourth at full throttle.
  CompactState back = here;
  back.bytes[36] = 0xf3;
  set_u(back, 22, 2, get_u(here, 22, 2) + 2048);
  compact_rider_apply(b, only(back), space);
  EXPECT_EQ(dJointGetBody(b.joint[BIKE_RIDER_MOUNT], 0), b.body[BIKE_RIDER]);
  EXPECT_EQ(dJointGetBody(b.joint[BIKE_RIDER_MOUNT], 1), b.body[BIKE_FRAME]);
  EXPECT_EQ(b.crash_counter, 0);
  EXPECT_EQ(b.drive.gear, 3);
  EXPECT_DOUBLE_EQ(b.drive.throttle, 1);
  double rider[3], frame[3];
  position(b, BIKE_RIDER, rider);
  position(b, BIKE_FRAME, frame);
  EXPECT_NEAR(rider[1] - frame[1], double(s.rider_position[1]) - s.frame_position[1] + 1, 1e-3);
}

TEST_F(CompactRig, KeepsTheGearToThoseTheModelHas) {
  int six = -1;
  for (int i = 0; i < BIKE_MODELS && six < 0; ++i)
    if (drivetrain_gear_present(*bike_spec(i), 5)) six = i;
  ASSERT_GE(six, 0);
  ASSERT_FALSE(drivetrain_gear_present(*bike_spec(CR125), 5));
  struct Case {
    int catalogue, field, gear;
  } cases[] = {{CR125, 0, 0}, {CR125, 3, 3}, {CR125, 4, 4}, {CR125, 5, 4}, {CR125, 6, 4},
               {six, 4, 4},   {six, 5, 5},   {six, 6, 5}};
  for (const Case& c : cases) {
    BikeSim& b = rest_bike(100, 3, 100, c.catalogue);
    CompactState r = encode(b);
    r.bytes[36] = uint8_t(c.field);
    compact_state_decode(r, COMPACT_LAYOUT_CURRENT, b, space);
    EXPECT_EQ(b.drive.gear, c.gear) << "model " << c.catalogue << " field " << c.field;
  }
}

TEST_F(CompactRig, RiderSimulatedWithForcesIsPulledTowardsTheTarget) {
  BikeSim* b = bike_rig_add(rig, CR125, 1024, 1024);
  ASSERT_NE(b, nullptr);
  for (int i = 0; i < 64; ++i) bike_rig_tic(rig);  // settle on the springs
  double start[3];
  position(*b, BIKE_FRAME, start);
  CompactState here = encode(*b);
  CompactState ahead = here;
  set_u(ahead, 6, 3, get_u(here, 6, 3) - uint32_t(std::lround(1 / 2048.0 * 16777215)));
  compact_rider_apply(*b, only(ahead), space);
  double p[3];
  position(*b, BIKE_FRAME, p);
  for (int a = 0; a < 3; ++a) EXPECT_EQ(p[a], start[a]) << "not moved by hand";
  EXPECT_TRUE(bike_sim_simulated(*b));
  for (int i = 0; i < 256; ++i) {
    compact_rider_apply(*b, only(ahead), space);
    bike_rig_tic(rig);
  }
  ASSERT_FALSE(bike_rig_broken(*b));
  position(*b, BIKE_FRAME, p);
  EXPECT_NEAR(p[2], start[2] - 1, 0.05);
  EXPECT_NEAR(p[0], start[0], 0.05);
  EXPECT_NEAR(p[1], start[1], 0.1);
  EXPECT_LT(bike_sim_speed(*b), 0.5);

  // Far from his target he is put there.
  CompactState far = here;
  set_u(far, 6, 3, get_u(here, 6, 3) - uint32_t(std::lround(10 / 2048.0 * 16777215)));
  compact_rider_apply(*b, only(far), space);
  position(*b, BIKE_FRAME, p);
  EXPECT_NEAR(p[2], start[2] - 10, 1e-3);
}

}  // namespace
