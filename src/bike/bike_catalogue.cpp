// The 80 catalogue records. Every model shares the geometry below; each
// engine class has one reference model whose values are kept exactly, and
// the other models of the class are derived from it by their make and year:
// a little more or less frame mass, stiffer or softer spring ranges, their
// own primary ratio, sprockets and gear spacing, and an engine curve scaled
// in power and stretched in rpm together with the shift points.
#include "bike/bike_spec.h"

#include "platform/messages.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

namespace {

enum Make { HONDA, KAWASAKI, SUZUKI, YAMAHA, KTM, HUSQVARNA };
enum EngineClass { CLASS_125, CLASS_250F, CLASS_250, CLASS_450F, CLASS_50, CLASS_COUNT };

// What varies between the models of one class, as found in its reference model.
struct ClassRow {
  const char* engine_class;
  int year;                  // model year of the reference model (0: none)
  float frame_mass, fork_mass, swingarm_side_mass;
  float fork_spring[2], fork_hs_rebound;
  float shock_spring[2], shock_hs_rebound;
  float primary_ratio, front_sprocket, rear_sprocket;
  float gears[BIKE_GEARS];
  float engine_inertia, coupling_stiffness, coupling_damping;
  float downshift_rpm, upshift_rpm;
  float rider_mass;
};

const ClassRow class_rows[CLASS_COUNT] = {
    // cr125
    {"125", 0, 3.65375f, 0.739688f, 0.541875f, {322.545f, 860.12f}, 30, {1814.32f, 4502.19f}, 600,
     3.15f, 13, 52, {2.357f, 1.867f, 1.579f, 1.294f, 1.133f, -1}, 0.0048828125f, 7500, 0.75f, 9400, 12000, 4.6875f},
    // crf250(2018)
    {"250f", 2018, 4.24f, 0.7031f, 0.5044f, {335.98f, 873.56f}, 30, {2217.50f, 4905.37f}, 600,
     3.4737f, 13, 49, {2.231f, 1.8f, 1.471f, 1.227f, 1.043f, -1}, 0.0048828125f, 7500, 0.75f, 8000, 12500, 4.6875f},
    // cr250(2007)
    {"250", 2007, 4.3656f, 0.7538f, 0.5894f, {322.545f, 860.12f}, 30, {2083.10f, 4770.98f}, 600,
     3.0f, 13, 49, {1.8f, 1.471f, 1.211f, 1.0f, 0.870f, -1}, 0.0068359f, 7500, 0.75f, 6000, 9000, 5.46875f},
    // crf450(2018)
    {"450f", 2018, 4.735f, 0.7031f, 0.5025f, {376.30f, 913.88f}, 32, {2486.29f, 5174.16f}, 650,
     2.3214f, 13, 49, {2.133f, 1.706f, 1.421f, 1.211f, 1.043f, -1}, 0.0088501f, 7500, 0.75f, 6000, 10500, 5.46875f},
    // rs50cr
    {"50", 0, 3.3413f, 0.7397f, 0.5419f, {309.11f, 846.68f}, 30, {1814.32f, 4502.19f}, 600,
     3.7143f, 12, 55, {3.091f, 2.0f, 1.5f, 1.2f, 1.045f, 0.957f}, 0.0011936f, 1200, 1.0f, 9400, 12000, 4.6875f},
};

// Full-throttle curves of the reference models up to their first negative
// entry; the rest falls by one step every second entry (see full_curve_tail).
const float full_head_125[] = {5, 5, 5, 5, 5, 5.7f, 6.4f, 7.2f, 7.9f, 8.6f, 9.4538f, 10.2177f, 10.3292f, 10.6658f,
                               11.4046f, 12.465f, 13.2616f, 14.1498f, 14.7643f, 15.8116f, 15.9664f, 15.9064f,
                               15.7563f, 15.117f, 12.7364f, 2.1008f, 0, 0};
const float full_head_250f[] = {6,  6,    6,    6.5f, 7,    7.6f, 8.2f, 8.9f, 9.6f, 10.3f, 11,   11.8f, 12.6f, 13.4f, 14.2f,
                                15, 15.8f, 16.5f, 17.1f, 17.6f, 17.9f, 18, 17.8f, 17.2f, 16.1f, 13.9f, 7.5f, 0,     0};
const float full_head_250[] = {8,  8,     8,  9,     10.5f, 12.5f, 14.8f, 17, 19.5f, 22, 24.5f,
                               26.6f, 28.2f, 29.4f, 30, 29.6f, 28.3f, 26, 22.4f, 12, 0, 0};
const float full_head_450f[] = {10,    10,    10,    11,    12.5f, 14.3f, 16.3f, 18.5f, 20.8f, 23,    25,   27,
                                28.8f, 30.4f, 31.8f, 32.9f, 33.6f, 33.9f, 33.7f, 33,    31.6f, 29, 18,   0, 0};
const float full_head_50[] = {1,    1,    1,     1,    1.1f, 1.2f, 1.35f, 1.5f, 1.65f, 1.8f, 1.95f, 2.1f, 2.25f, 2.4f,
                              2.55f, 2.7f, 2.85f, 3.0f, 3.1f, 3.2f, 3.25f, 3.2f, 3.1f,  2.9f, 2.4f,  0.6f, 0,    0};

struct CurveHead {
  const float* values;
  int count;
};
const CurveHead full_heads[CLASS_COUNT] = {
    {full_head_125, int(std::size(full_head_125))},   {full_head_250f, int(std::size(full_head_250f))},
    {full_head_250, int(std::size(full_head_250))},   {full_head_450f, int(std::size(full_head_450f))},
    {full_head_50, int(std::size(full_head_50))},
};

// The minibike's engine is a fraction of the others: its engine braking and
// the over-rev tail are scaled down with it.
float class_drag_scale(int c) { return c == CLASS_50 ? 0.25f : 1.0f; }

// Make traits relative to the reference models (all of which are of one make).
struct MakeRow {
  float frame_mass, fork_mass, swingarm_mass;  // factors
  float fork_spring_kgmm, shock_spring_kgmm;   // added to both ends of the ranges, kg/mm (per fork leg)
  float primary_ratio;                         // factor
  int front_teeth, rear_teeth;                 // added
  float gear_spread;                           // gear_i = g1 × (g_i / g1)^(1 + spread)
  float power, rpm;                            // factors
};
const MakeRow make_rows[] = {
    {1, 1, 1, 0, 0, 1, 0, 0, 0, 1, 1},                                            // Honda
    {1.015f, 1.02f, 1.01f, 0.01f, 0.1f, 1.02f, 0, 1, 0.03f, 1.01f, 1.0f},         // Kawasaki
    {1.01f, 1.0f, 1.02f, 0.01f, 0.0f, 0.99f, 0, 0, -0.02f, 0.99f, 0.98f},         // Suzuki
    {1.02f, 1.03f, 1.0f, 0.02f, 0.1f, 1.0f, 0, -1, 0.04f, 1.02f, 1.02f},          // Yamaha
    {0.975f, 0.98f, 0.97f, -0.01f, -0.1f, 0.985f, 0, 1, -0.03f, 1.03f, 1.04f},    // KTM
    {0.98f, 0.98f, 0.97f, -0.01f, -0.1f, 0.985f, 0, 1, -0.03f, 1.02f, 1.04f},     // Husqvarna
};

// Per model year away from the reference: frame mass and power.
const double year_mass_step = 0.004, year_power_step = 0.006;

struct ModelRow {
  const char* name;
  int engine_class;
  int make;
  int year;      // 0: the model carries none
  float power;   // model factor on top of make and year (bigger or smaller engines)
  float rpm;     // model factor on the shift points and the curve's rpm axis
};

const ModelRow model_rows[BIKE_MODELS] = {
    {"cr125", CLASS_125, HONDA, 0, 1, 1},
    {"crf250(2007)", CLASS_250F, HONDA, 2007, 1, 1},
    {"crf250(2008)", CLASS_250F, HONDA, 2008, 1, 1},
    {"crf250(2009)", CLASS_250F, HONDA, 2009, 1, 1},
    {"crf250(2013)", CLASS_250F, HONDA, 2013, 1, 1},
    {"crf250(2016)", CLASS_250F, HONDA, 2016, 1, 1},
    {"crf250(2017)", CLASS_250F, HONDA, 2017, 1, 1},
    {"crf250(2018)", CLASS_250F, HONDA, 2018, 1, 1},
    {"cr250(2007)", CLASS_250, HONDA, 2007, 1, 1},
    {"crf450(2011)", CLASS_450F, HONDA, 2011, 1, 1},
    {"crf450(2013)", CLASS_450F, HONDA, 2013, 1, 1},
    {"crf450(2016)", CLASS_450F, HONDA, 2016, 1, 1},
    {"crf450(2017)", CLASS_450F, HONDA, 2017, 1, 1},
    {"crf450(2018)", CLASS_450F, HONDA, 2018, 1, 1},
    {"kx125", CLASS_125, KAWASAKI, 0, 1, 1},
    {"kx250f(2007)", CLASS_250F, KAWASAKI, 2007, 1, 1},
    {"kx250f(2008)", CLASS_250F, KAWASAKI, 2008, 1, 1},
    {"kx250f(2009)", CLASS_250F, KAWASAKI, 2009, 1, 1},
    {"kx250f(2013)", CLASS_250F, KAWASAKI, 2013, 1, 1},
    {"kx250f(2016)", CLASS_250F, KAWASAKI, 2016, 1, 1},
    {"kx250f(2017)", CLASS_250F, KAWASAKI, 2017, 1, 1},
    {"kx250f(2018)", CLASS_250F, KAWASAKI, 2018, 1, 1},
    {"kx250(2006)", CLASS_250, KAWASAKI, 2006, 1, 1},
    {"kx450f(2011)", CLASS_450F, KAWASAKI, 2011, 1, 1},
    {"kx450f(2013)", CLASS_450F, KAWASAKI, 2013, 1, 1},
    {"kx450f(2016)", CLASS_450F, KAWASAKI, 2016, 1, 1},
    {"kx450f(2017)", CLASS_450F, KAWASAKI, 2017, 1, 1},
    {"kx450f(2018)", CLASS_450F, KAWASAKI, 2018, 1, 1},
    {"rm125", CLASS_125, SUZUKI, 0, 1, 1},
    {"rmz250(2007)", CLASS_250F, SUZUKI, 2007, 1, 1},
    {"rmz250(2008)", CLASS_250F, SUZUKI, 2008, 1, 1},
    {"rmz250(2009)", CLASS_250F, SUZUKI, 2009, 1, 1},
    {"rmz250(2013)", CLASS_250F, SUZUKI, 2013, 1, 1},
    {"rmz250(2016)", CLASS_250F, SUZUKI, 2016, 1, 1},
    {"rmz250(2017)", CLASS_250F, SUZUKI, 2017, 1, 1},
    {"rmz250(2018)", CLASS_250F, SUZUKI, 2018, 1, 1},
    {"rm250(2008)", CLASS_250, SUZUKI, 2008, 1, 1},
    {"rmz450(2011)", CLASS_450F, SUZUKI, 2011, 1, 1},
    {"rmz450(2013)", CLASS_450F, SUZUKI, 2013, 1, 1},
    {"rmz450(2016)", CLASS_450F, SUZUKI, 2016, 1, 1},
    {"rmz450(2017)", CLASS_450F, SUZUKI, 2017, 1, 1},
    {"rmz450(2018)", CLASS_450F, SUZUKI, 2018, 1, 1},
    {"yz125", CLASS_125, YAMAHA, 0, 1, 1},
    {"yz250f(2007)", CLASS_250F, YAMAHA, 2007, 1, 1},
    {"yz250f_se(2006)", CLASS_250F, YAMAHA, 2006, 1.03f, 1},  // special edition: a tuned engine
    {"yz250f(2008)", CLASS_250F, YAMAHA, 2008, 1, 1},
    {"yz250f(2009)", CLASS_250F, YAMAHA, 2009, 1, 1},
    {"yz250f(2013)", CLASS_250F, YAMAHA, 2013, 1, 1},
    {"yz250f(2016)", CLASS_250F, YAMAHA, 2016, 1, 1},
    {"yz250f(2017)", CLASS_250F, YAMAHA, 2017, 1, 1},
    {"yz250f(2018)", CLASS_250F, YAMAHA, 2018, 1, 1},
    {"yz250(2012)", CLASS_250, YAMAHA, 2012, 1, 1},
    {"yz450f(2011)", CLASS_450F, YAMAHA, 2011, 1, 1},
    {"yz450f(2013)", CLASS_450F, YAMAHA, 2013, 1, 1},
    {"yz450f(2016)", CLASS_450F, YAMAHA, 2016, 1, 1},
    {"yz450f(2017)", CLASS_450F, YAMAHA, 2017, 1, 1},
    {"yz450f(2018)", CLASS_450F, YAMAHA, 2018, 1, 1},
    {"125sx", CLASS_125, KTM, 0, 1, 1},
    {"250sxf(2009)", CLASS_250F, KTM, 2009, 1, 1},
    {"250sxf(2013)", CLASS_250F, KTM, 2013, 1, 1},
    {"250sxf(2016)", CLASS_250F, KTM, 2016, 1, 1},
    {"250sxf(2017)", CLASS_250F, KTM, 2017, 1, 1},
    {"250sxf(2018)", CLASS_250F, KTM, 2018, 1, 1},
    {"250sx(2012)", CLASS_250, KTM, 2012, 1, 1},
    {"350sxf(2011)", CLASS_450F, KTM, 2011, 0.86f, 1.05f},  // a smaller engine in the big-bike chassis
    {"350sxf(2013)", CLASS_250F, KTM, 2013, 1.22f, 0.94f},  // a bigger engine in the small-bike chassis
    {"350sxf(2017)", CLASS_250F, KTM, 2017, 1.22f, 0.94f},
    {"450sxf(2011)", CLASS_450F, KTM, 2011, 1, 1},
    {"450sxf(2013)", CLASS_450F, KTM, 2013, 1, 1},
    {"450sxf(2016)", CLASS_450F, KTM, 2016, 1, 1},
    {"450sxf(2017)", CLASS_450F, KTM, 2017, 1, 1},
    {"450sxf(2018)", CLASS_450F, KTM, 2018, 1, 1},
    {"fc250(2017)", CLASS_250F, HUSQVARNA, 2017, 1, 1},
    {"fc250(2018)", CLASS_250F, HUSQVARNA, 2018, 1, 1},
    {"fc450(2017)", CLASS_450F, HUSQVARNA, 2017, 1, 1},
    {"fc450(2018)", CLASS_450F, HUSQVARNA, 2018, 1, 1},
    {"rs50cr", CLASS_50, HONDA, 0, 1, 1},
    {"rs50kx", CLASS_50, KAWASAKI, 0, 1, 1},
    {"rs50rm", CLASS_50, SUZUKI, 0, 1, 1},
    {"rs50yz", CLASS_50, YAMAHA, 0, 1, 1},
};

const float rider_attachment[BIKE_ATTACHMENT_VALUES] = {
    0,      0.808383f,  -0.943369f,  // rider-body point
    -0.556f, 0.580375f, -0.654514f,  // left hand
    0.556f, 0.580375f,  -0.654514f,  // right hand
    -0.269f, -0.570887f, 0.670607f,
    0.269f, -0.570887f, 0.670607f,
    -1.097f, 1.145f,    0.753f,      // left grip on the fork upper
    1.097f, 1.145f,     0.753f,      // right grip
    -0.6f,  -0.557f,    0.584f,      // left frame point
    0.6f,   -0.557f,    0.584f,      // right frame point
    0.9f,   1.15f,      1.328f,     1.701f,  // upper arm, forearm, thigh, shin
    -1.456f, 0.875f, 0.01f, 1.456f, 0.875f, 0.01f, -0.556f, 0.875f, 0.01f, 0.556f, 0.875f, 0.01f,
    -0.269f, -2.208f, 0.01f, 0.269f, -2.208f, 0.01f, -0.269f, -0.88f, 0.01f, 0.269f, -0.88f, 0.01f,
    0,      -0.88f,     0.01f,
};

// Lbf/ft of total fork rate per kg/mm of one leg, and of shock rate per kg/mm.
const double fork_lbf_per_kgmm = 1 / 0.0007440819724087572;
const double shock_lbf_per_kgmm = 1 / 0.0014881639448175144;

double round_to(double v, double unit) { return std::round(v / unit) * unit; }
// A reference value scaled by k: kept exactly when k is 1, else rounded to 1e-4.
float scaled(float v, double k) { return k == 1 ? v : float(round_to(double(v) * k, 1e-4)); }
// A reference rate range moved by d kg/mm, rounded to 0.01 lbf/ft.
void moved(const float in[2], float out[2], double d, double per_kgmm) {
  for (int i = 0; i < 2; ++i) out[i] = d == 0 ? in[i] : float(round_to(in[i] + d * per_kgmm, 0.01));
}

void set_text(char* out, const char* text) {
  size_t n = strlen(text);
  assert(n < BIKE_FILE_SIZE);
  n = std::min(n, size_t(BIKE_FILE_SIZE - 1));
  memcpy(out, text, n);
  out[n] = 0;
}

void set_file(char* out, const std::string& family, const char* part) {
  set_text(out, ("@" + family + part).c_str());
}

void copy3(float out[3], float x, float y, float z) {
  out[0] = x;
  out[1] = y;
  out[2] = z;
}

// The full-throttle tail past the curve's head: -1, -1, -2, -2, ... times scale.
void full_curve_tail(float curve[BIKE_TORQUE_POINTS], int from, float scale) {
  for (int i = from; i < BIKE_TORQUE_POINTS; ++i) curve[i] = -float(1 + (i - from) / 2) * scale;
}

void reference_full_curve(int c, float curve[BIKE_TORQUE_POINTS]) {
  const CurveHead& head = full_heads[c];
  std::copy(head.values, head.values + head.count, curve);
  full_curve_tail(curve, head.count, class_drag_scale(c));
}

void closed_curve(int c, float curve[BIKE_TORQUE_POINTS]) {
  float scale = class_drag_scale(c);
  if (c == CLASS_250F || c == CLASS_450F) {
    // Four-strokes: 2, 2, 1, 0, then -1, -1, -2, -2 ... -23, -23.
    const float head[] = {2, 2, 1, 0};
    std::copy(std::begin(head), std::end(head), curve);
    for (int i = 4; i < BIKE_TORQUE_POINTS; ++i) curve[i] = -float(1 + (i - 4) / 2);
  } else {
    const float head[] = {2,     2,     1,  0,  -1, -1.2f, -1.4f, -1.6f, -1.8f, -2,  -2.25f, -2.5f,
                          -2.75f, -3,    -3.33f, -3.67f, -4, -5, -6, -7, -8, -9, -10, -10};
    std::copy(std::begin(head), std::end(head), curve);
    for (int i = 24; i < BIKE_TORQUE_POINTS; ++i) curve[i] = -float(11 + (i - 24) / 2);
  }
  if (scale != 1)
    for (int i = 0; i < BIKE_TORQUE_POINTS; ++i) curve[i] *= scale;
}

// The reference curve stretched along rpm by k (so its fall through zero
// moves with the shift points) and its pulling part scaled by power.
void derived_full_curve(int c, double k, double power, float curve[BIKE_TORQUE_POINTS]) {
  float reference[BIKE_TORQUE_POINTS];
  reference_full_curve(c, reference);
  if (k == 1 && power == 1) {
    std::copy(reference, reference + BIKE_TORQUE_POINTS, curve);
    return;
  }
  for (int i = 0; i < BIKE_TORQUE_POINTS; ++i) {
    double v = bike_torque_at(reference, i * 500.0 / k);
    if (v > 0) v *= power;
    curve[i] = float(round_to(v, 1e-4));
  }
}

void build_record(BikeSpec& b, const ModelRow& m) {
  const ClassRow& c = class_rows[m.engine_class];
  const MakeRow& mk = make_rows[m.make];
  memset(&b, 0, sizeof b);
  set_text(b.name, m.name);
  set_text(b.engine_class, c.engine_class);

  // Shared geometry.
  b.front_wheel = {{0, 1.09f, 1.11f}, 0.833333f, 0.333333f, 0.40625f, 0.5f, 0.15625f};
  b.rear_wheel = {{0, 1.04f, 6}, 0.75f, 0.333333f, 0.46875f, 0.5f, 0.3125f};
  copy3(b.frame_position, 0, 1.98f, 3.6f);
  copy3(b.frame_size, 0.833333f, 1.666667f, 1.666667f);
  copy3(b.fork_upper_position, 0, 2.9f, 2.16f);
  copy3(b.swingarm_position, 0, 1.34f, 4.99f);
  copy3(b.swingarm_pivot, 0, 1.6f, 4.08f);
  copy3(b.fork_lower_position, 0, 1.77f, 1.59f);
  b.fork_leg_spacing = 0.833333f;
  b.fork_length_factor = 3;
  b.fork_preload[0] = 0;
  b.fork_preload[1] = 0.083333f;
  b.fork_oil_gap[0] = 0.416667f;
  b.fork_oil_gap[1] = 0.25f;
  b.fork_damping[0] = 60;
  b.fork_damping[1] = 60;
  b.fork_damping[2] = c.fork_hs_rebound;
  b.fork_damping[3] = 30;
  b.fork_travel = 1.0f;
  b.shock_preload[0] = 0;
  b.shock_preload[1] = 0.333333f;
  b.shock_damping[0] = 800;
  b.shock_damping[1] = 200;
  b.shock_damping[2] = c.shock_hs_rebound;
  b.shock_damping[3] = 150;
  const float linkage[7] = {0.283652f, 0.413386f, 0.530304f, 0.75f, 0.315039f, 0.460479f, 0.607049f};
  std::copy(std::begin(linkage), std::end(linkage), b.linkage);
  copy3(b.rider_slide_direction, 0, 0.083333f, 0.083333f);
  copy3(b.rider_position, 0, 4.5f, 4.12f);
  b.rider_slide_range[0] = -0.666667f;
  b.rider_slide_range[1] = 0.5f;
  std::copy(std::begin(rider_attachment), std::end(rider_attachment), b.attachment);

  // Masses and springs by make and year.
  int years_older = m.year && c.year ? c.year - m.year : 0;
  b.frame_mass = scaled(c.frame_mass, double(mk.frame_mass) * (1 + year_mass_step * years_older));
  b.fork_mass = scaled(c.fork_mass, mk.fork_mass);
  b.swingarm_side_mass = scaled(c.swingarm_side_mass, mk.swingarm_mass);
  moved(c.fork_spring, b.fork_spring_rate, mk.fork_spring_kgmm, fork_lbf_per_kgmm);
  moved(c.shock_spring, b.shock_spring_rate, mk.shock_spring_kgmm, shock_lbf_per_kgmm);
  b.rider_mass = c.rider_mass;

  // Gearing.
  b.primary_ratio = scaled(c.primary_ratio, mk.primary_ratio);
  b.front_sprocket = c.front_sprocket + float(mk.front_teeth);
  b.rear_sprocket = c.rear_sprocket + float(mk.rear_teeth);
  for (int g = 0; g < BIKE_GEARS; ++g) {
    float r = c.gears[g];
    if (mk.gear_spread != 0 && r > 0 && g > 0)
      r = float(round_to(c.gears[0] * std::pow(double(r) / c.gears[0], 1.0 + mk.gear_spread), 1e-3));
    b.gear_ratios[g] = r;
  }

  // Engine.
  b.engine_inertia = c.engine_inertia;
  b.coupling_stiffness = c.coupling_stiffness;
  b.coupling_damping = c.coupling_damping;
  double rpm_factor = double(mk.rpm) * m.rpm;
  b.upshift_rpm = rpm_factor == 1 ? c.upshift_rpm : float(round_to(c.upshift_rpm * rpm_factor, 100));
  b.downshift_rpm = rpm_factor == 1 ? c.downshift_rpm : float(round_to(c.downshift_rpm * rpm_factor, 100));
  double power = double(mk.power) * m.power * (1 - year_power_step * years_older);
  derived_full_curve(m.engine_class, double(b.upshift_rpm) / c.upshift_rpm, power, b.full_torque);
  closed_curve(m.engine_class, b.closed_torque);

  // Files: the parts that wear the livery are per graphics family (the
  // livery prefix without its "-"), the rest is shared by every model.
  const char* prefix = bike_graphics_prefix(m.name);
  assert(prefix && strlen(prefix) > 1);
  std::string family(prefix, strlen(prefix) - 1);
  set_file(b.frame_model, family, "_frame.jm");
  set_text(b.frame_shape, "@generic_frame.shp");
  set_file(b.bike_texture, family, ".png");
  set_file(b.fork_upper_model, family, "_fork_upper.jm");
  set_text(b.fork_upper_shape, "@generic_fork_upper.shp");
  set_file(b.fork_lower_model, family, "_fork_lower.jm");
  set_text(b.fork_lower_shape, "@generic_fork_lower.shp");
  set_file(b.swingarm_model, family, "_swingarm.jm");
  set_text(b.swingarm_shape, "@generic_swingarm.shp");
  set_text(b.front_wheel_model, "@front_wheel.jm");
  set_text(b.front_wheel_shape, "@front_wheel.shp");
  set_text(b.rear_wheel_model, "@rear_wheel.jm");
  set_text(b.rear_wheel_shape, "@rear_wheel.shp");
  set_text(b.wheel_texture, "@wheels.png");
  set_text(b.head_model, "@rider_head.jm");
  set_text(b.head_texture, "@rider_head.png");
  set_text(b.rider_body_model, "@rider_body.jm");
  set_text(b.first_person_model, "@rider_body_fp.jm");
  set_text(b.rider_shape, "@generic_rider.shp");
  set_text(b.rider_texture, "@rider_body.png");
  set_file(b.side_plates_model, family, "_side_plates.jm");
  set_file(b.front_plate_model, family, "_front_plate.jm");
  set_text(b.rider_plate_model, "@rider_plate.jm");
}

}  // namespace

const BikeSpec* bike_catalogue() {
  static const auto records = [] {
    static BikeSpec built[BIKE_MODELS];
    for (int i = 0; i < BIKE_MODELS; ++i) build_record(built[i], model_rows[i]);
    return static_cast<const BikeSpec*>(built);
  }();
  return records;
}

const BikeSpec* bike_spec(int index) {
  return index >= 0 && index < BIKE_MODELS ? &bike_catalogue()[index] : nullptr;
}

int bike_catalogue_index(const char* name) {
  if (!name) return -1;
  const BikeSpec* records = bike_catalogue();
  for (int i = 0; i < BIKE_MODELS; ++i)
    if (strcmp(records[i].name, name) == 0) return i;
  return -1;
}

const BikeSpec* bike_catalogue_find(const char* name) { return bike_spec(bike_catalogue_index(name)); }

int bike_catalogue_lookup(const char* name) {
  int i = bike_catalogue_index(name);
  if (i >= 0) return i;
  const char* wanted = name ? name : "";
  const char* pattern = strstr(wanted, "125") ? "125" : "250f";
  const BikeSpec* records = bike_catalogue();
  for (i = 0; i < BIKE_MODELS; ++i)
    if (strstr(records[i].name, pattern)) break;
  assert(i < BIKE_MODELS);
  message_post("bike info for '%.20s' not found using '%.20s' instead", wanted, records[i].name);
  return i;
}

double bike_torque_at(const float curve[BIKE_TORQUE_POINTS], double rpm) {
  double x = rpm * 0.002;
  if (!(x > 0)) x = 0;  // also NaN
  if (x > BIKE_TORQUE_POINTS - 1) x = BIKE_TORQUE_POINTS - 1;
  int i = int(x);
  double f = x - i;
  int j = std::min(i + 1, BIKE_TORQUE_POINTS - 1);
  return curve[i] + (double(curve[j]) - curve[i]) * f;
}

double bike_spec_total_mass(const BikeSpec& b) {
  return double(b.frame_mass) + b.rider_mass + b.front_wheel.hub_mass + b.front_wheel.ring_mass +
         b.rear_wheel.hub_mass + b.rear_wheel.ring_mass + 2.0 * b.fork_mass + 2.0 * b.swingarm_side_mass;
}
