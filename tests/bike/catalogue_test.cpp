#include "bike/bike_spec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "bike/setup.h"
#include "platform/messages.h"

namespace {

const BikeSpec& record_named(const char* name) {
  const BikeSpec* b = bike_catalogue_find(name);
  if (!b) {
    ADD_FAILURE() << "no record " << name;
    return *bike_spec(0);
  }
  return *b;
}

struct PostedMessages {
  std::vector<std::string> lines;
  PostedMessages() {
    message_set_sink([](void* c, const char* text) { static_cast<PostedMessages*>(c)->lines.push_back(text); }, this);
  }
  ~PostedMessages() { message_set_sink(nullptr, nullptr); }
};

}  // namespace

TEST(BikeCatalogue, RecordsFollowTheModelListWithTheirClasses) {
  const auto& names = bike_model_names();
  ASSERT_EQ(names.size(), size_t(BIKE_MODELS));
  for (int i = 0; i < BIKE_MODELS; ++i) {
    const BikeSpec* b = bike_spec(i);
    ASSERT_TRUE(b);
    EXPECT_STREQ(b->name, names[size_t(i)]);
    EXPECT_EQ(bike_catalogue_index(names[size_t(i)]), i);
    std::string n = b->name, want;
    if (n.rfind("rs50", 0) == 0) want = "50";
    else if (n.find("125") != std::string::npos) want = "125";
    else if (n == "cr250(2007)" || n == "kx250(2006)" || n == "rm250(2008)" || n == "yz250(2012)" ||
             n == "250sx(2012)")
      want = "250";
    else if (n == "350sxf(2011)" || n.find("450") != std::string::npos) want = "450f";
    else want = "250f";
    EXPECT_EQ(b->engine_class, want) << n;
  }
  EXPECT_EQ(bike_spec(-1), nullptr);
  EXPECT_EQ(bike_spec(BIKE_MODELS), nullptr);
  EXPECT_EQ(bike_catalogue_find("crf250"), nullptr);  // exact names only
  EXPECT_EQ(bike_catalogue_find(nullptr), nullptr);
}

TEST(BikeCatalogue, TellingRowsKeepTheirValues) {
  struct Row {
    const char* name;
    float frame, fork, swingarm, fork_min, fork_max, fork_rebound, shock_min, shock_max, shock_rebound;
    float primary, front, rear, gears[6], inertia, stiffness, damping, down, up, rider;
  } rows[] = {
      {"cr125", 3.65375f, 0.739688f, 0.541875f, 322.545f, 860.12f, 30, 1814.32f, 4502.19f, 600, 3.15f, 13, 52,
       {2.357f, 1.867f, 1.579f, 1.294f, 1.133f, -1}, 0.0048828125f, 7500, 0.75f, 9400, 12000, 4.6875f},
      {"crf250(2018)", 4.24f, 0.7031f, 0.5044f, 335.98f, 873.56f, 30, 2217.50f, 4905.37f, 600, 3.4737f, 13, 49,
       {2.231f, 1.8f, 1.471f, 1.227f, 1.043f, -1}, 0.0048828125f, 7500, 0.75f, 8000, 12500, 4.6875f},
      {"cr250(2007)", 4.3656f, 0.7538f, 0.5894f, 322.545f, 860.12f, 30, 2083.10f, 4770.98f, 600, 3.0f, 13, 49,
       {1.8f, 1.471f, 1.211f, 1.0f, 0.870f, -1}, 0.0068359f, 7500, 0.75f, 6000, 9000, 5.46875f},
      {"crf450(2018)", 4.735f, 0.7031f, 0.5025f, 376.30f, 913.88f, 32, 2486.29f, 5174.16f, 650, 2.3214f, 13, 49,
       {2.133f, 1.706f, 1.421f, 1.211f, 1.043f, -1}, 0.0088501f, 7500, 0.75f, 6000, 10500, 5.46875f},
      {"rs50cr", 3.3413f, 0.7397f, 0.5419f, 309.11f, 846.68f, 30, 1814.32f, 4502.19f, 600, 3.7143f, 12, 55,
       {3.091f, 2.0f, 1.5f, 1.2f, 1.045f, 0.957f}, 0.0011936f, 1200, 1.0f, 9400, 12000, 4.6875f},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const BikeSpec& b = record_named(r.name);
    EXPECT_EQ(b.frame_mass, r.frame);
    EXPECT_EQ(b.fork_mass, r.fork);
    EXPECT_EQ(b.swingarm_side_mass, r.swingarm);
    EXPECT_EQ(b.fork_spring_rate[0], r.fork_min);
    EXPECT_EQ(b.fork_spring_rate[1], r.fork_max);
    EXPECT_EQ(b.fork_damping[2], r.fork_rebound);
    EXPECT_EQ(b.shock_spring_rate[0], r.shock_min);
    EXPECT_EQ(b.shock_spring_rate[1], r.shock_max);
    EXPECT_EQ(b.shock_damping[2], r.shock_rebound);
    EXPECT_EQ(b.primary_ratio, r.primary);
    EXPECT_EQ(b.front_sprocket, r.front);
    EXPECT_EQ(b.rear_sprocket, r.rear);
    for (int g = 0; g < 6; ++g) EXPECT_EQ(b.gear_ratios[g], r.gears[g]) << "gear " << g + 1;
    EXPECT_EQ(b.engine_inertia, r.inertia);
    EXPECT_EQ(b.coupling_stiffness, r.stiffness);
    EXPECT_EQ(b.coupling_damping, r.damping);
    EXPECT_EQ(b.downshift_rpm, r.down);
    EXPECT_EQ(b.upshift_rpm, r.up);
    EXPECT_EQ(b.rider_mass, r.rider);
  }
}

TEST(BikeCatalogue, TorqueCurvesOfTheReferenceEngines) {
  const float full_125[50] = {5,       5,       5,       5,       5,       5.7f,    6.4f,    7.2f,    7.9f,    8.6f,
                              9.4538f, 10.2177f, 10.3292f, 10.6658f, 11.4046f, 12.465f, 13.2616f, 14.1498f, 14.7643f,
                              15.8116f, 15.9664f, 15.9064f, 15.7563f, 15.117f, 12.7364f, 2.1008f, 0, 0, -1, -1, -2, -2,
                              -3, -3, -4, -4, -5, -5, -6, -6, -7, -7, -8, -8, -9, -9, -10, -10, -11, -11};
  const float closed_2t[50] = {2,   2,   1,   0,   -1,  -1.2f, -1.4f, -1.6f, -1.8f, -2,  -2.25f, -2.5f, -2.75f,
                               -3,  -3.33f, -3.67f, -4, -5, -6, -7, -8, -9, -10, -10, -11, -11, -12, -12, -13, -13,
                               -14, -14, -15, -15, -16, -16, -17, -17, -18, -18, -19, -19, -20, -20, -21, -21, -22,
                               -22, -23, -23};
  float closed_4t[50] = {2, 2, 1, 0};
  for (int i = 4; i < 50; ++i) closed_4t[i] = -float((i - 2) / 2);
  const BikeSpec& cr125 = record_named("cr125");
  for (int i = 0; i < 50; ++i) {
    EXPECT_EQ(cr125.full_torque[i], full_125[i]) << i;
    EXPECT_EQ(cr125.closed_torque[i], closed_2t[i]) << i;
  }
  for (const char* four_stroke : {"crf250(2018)", "kx450f(2013)", "350sxf(2011)", "fc250(2017)"})
    for (int i = 0; i < 50; ++i) EXPECT_EQ(record_named(four_stroke).closed_torque[i], closed_4t[i]) << four_stroke << i;
  for (int i = 0; i < 50; ++i) EXPECT_EQ(record_named("yz250(2012)").closed_torque[i], closed_2t[i]) << i;
  EXPECT_EQ(closed_4t[49], -23);
  // The engine's reading: linear between entries, held at the ends.
  EXPECT_NEAR(bike_torque_at(cr125.full_torque, 12250), (12.7364 + 2.1008) / 2, 1e-6);
  EXPECT_DOUBLE_EQ(bike_torque_at(cr125.full_torque, -300), 5);
  EXPECT_DOUBLE_EQ(bike_torque_at(cr125.full_torque, 1e9), -11);
  EXPECT_DOUBLE_EQ(bike_torque_at(cr125.full_torque, NAN), 5);
}

TEST(BikeCatalogue, EveryRecordSharesTheGeometryAndCommonFiles) {
  const float attachment[58] = {
      0,      0.808383f, -0.943369f, -0.556f, 0.580375f, -0.654514f, 0.556f,  0.580375f, -0.654514f, -0.269f,
      -0.570887f, 0.670607f, 0.269f,  -0.570887f, 0.670607f, -1.097f, 1.145f,   0.753f,    1.097f,     1.145f,
      0.753f, -0.6f,     -0.557f,    0.584f,  0.6f,      -0.557f,    0.584f,  0.9f,      1.15f,      1.328f,
      1.701f, -1.456f,   0.875f,     0.01f,   1.456f,    0.875f,     0.01f,   -0.556f,   0.875f,     0.01f,
      0.556f, 0.875f,    0.01f,      -0.269f, -2.208f,   0.01f,      0.269f,  -2.208f,   0.01f,      -0.269f,
      -0.88f, 0.01f,     0.269f,     -0.88f,  0.01f,     0,          -0.88f,  0.01f};
  for (int i = 0; i < BIKE_MODELS; ++i) {
    const BikeSpec& b = *bike_spec(i);
    SCOPED_TRACE(b.name);
    const float* fw = b.front_wheel.axle;
    EXPECT_TRUE(fw[0] == 0 && fw[1] == 1.09f && fw[2] == 1.11f);
    EXPECT_TRUE(b.front_wheel.rim_radius == 0.833333f && b.front_wheel.tyre_radius == 0.333333f &&
                b.front_wheel.ring_mass == 0.40625f && b.front_wheel.hub_radius == 0.5f &&
                b.front_wheel.hub_mass == 0.15625f);
    const float* rw = b.rear_wheel.axle;
    EXPECT_TRUE(rw[0] == 0 && rw[1] == 1.04f && rw[2] == 6);
    EXPECT_TRUE(b.rear_wheel.rim_radius == 0.75f && b.rear_wheel.tyre_radius == 0.333333f &&
                b.rear_wheel.ring_mass == 0.46875f && b.rear_wheel.hub_radius == 0.5f &&
                b.rear_wheel.hub_mass == 0.3125f);
    EXPECT_TRUE(b.frame_position[1] == 1.98f && b.frame_position[2] == 3.6f);
    EXPECT_TRUE(b.frame_size[0] == 0.833333f && b.frame_size[1] == 1.666667f && b.frame_size[2] == 1.666667f);
    EXPECT_TRUE(b.fork_upper_position[1] == 2.9f && b.fork_upper_position[2] == 2.16f);
    EXPECT_TRUE(b.swingarm_position[1] == 1.34f && b.swingarm_position[2] == 4.99f);
    EXPECT_TRUE(b.swingarm_pivot[1] == 1.6f && b.swingarm_pivot[2] == 4.08f);
    EXPECT_TRUE(b.fork_lower_position[1] == 1.77f && b.fork_lower_position[2] == 1.59f);
    EXPECT_TRUE(b.fork_leg_spacing == 0.833333f && b.fork_length_factor == 3 && b.fork_travel == 1);
    EXPECT_TRUE(b.fork_oil_gap[0] == 0.416667f && b.fork_oil_gap[1] == 0.25f);
    EXPECT_TRUE(b.fork_preload[0] == 0 && b.fork_preload[1] == 0.083333f);
    EXPECT_TRUE(b.fork_damping[0] == 60 && b.fork_damping[1] == 60 && b.fork_damping[3] == 30);
    EXPECT_TRUE(b.shock_preload[0] == 0 && b.shock_preload[1] == 0.333333f);
    EXPECT_TRUE(b.shock_damping[0] == 800 && b.shock_damping[1] == 200 && b.shock_damping[3] == 150);
    const float linkage[7] = {0.283652f, 0.413386f, 0.530304f, 0.75f, 0.315039f, 0.460479f, 0.607049f};
    EXPECT_EQ(memcmp(b.linkage, linkage, sizeof linkage), 0);
    EXPECT_TRUE(b.rider_position[1] == 4.5f && b.rider_position[2] == 4.12f);
    EXPECT_TRUE(b.rider_slide_direction[1] == 0.083333f && b.rider_slide_direction[2] == 0.083333f);
    EXPECT_TRUE(b.rider_slide_range[0] == -0.666667f && b.rider_slide_range[1] == 0.5f);
    EXPECT_EQ(memcmp(b.attachment, attachment, sizeof attachment), 0);
    // Collision shapes are the fixed files every client checks before a race.
    EXPECT_STREQ(b.frame_shape, "@generic_frame.shp");
    EXPECT_STREQ(b.fork_upper_shape, "@generic_fork_upper.shp");
    EXPECT_STREQ(b.fork_lower_shape, "@generic_fork_lower.shp");
    EXPECT_STREQ(b.swingarm_shape, "@generic_swingarm.shp");
    EXPECT_STREQ(b.front_wheel_shape, "@front_wheel.shp");
    EXPECT_STREQ(b.rear_wheel_shape, "@rear_wheel.shp");
    EXPECT_STREQ(b.rider_shape, "@generic_rider.shp");
    EXPECT_STREQ(b.wheel_texture, "@wheels.png");
    EXPECT_STREQ(b.rider_texture, "@rider_body.png");
    EXPECT_STREQ(b.head_texture, "@rider_head.png");
    EXPECT_STREQ(b.first_person_model, "@rider_body_fp.jm");
  }
  EXPECT_NEAR(bike_spec_total_mass(record_named("cr125")), 12.248126, 1e-5);
}

// What the engine, gearbox and menus rely on in every record.
TEST(BikeCatalogue, InvariantsHoldInEveryRecord) {
  for (int i = 0; i < BIKE_MODELS; ++i) {
    const BikeSpec& b = *bike_spec(i);
    SCOPED_TRACE(b.name);
    ASSERT_LT(strlen(b.name), size_t(BIKE_NAME_SIZE));
    // Gears: first present, the present ones falling, absent ones only at the top.
    ASSERT_GT(b.gear_ratios[0], 0);
    int present = 1;
    while (present < BIKE_GEARS && b.gear_ratios[present] > 0) {
      EXPECT_LT(b.gear_ratios[present], b.gear_ratios[present - 1]);
      ++present;
    }
    EXPECT_GE(present, 5);
    for (int g = present; g < BIKE_GEARS; ++g) EXPECT_LE(b.gear_ratios[g], 0);
    EXPECT_GE(b.front_sprocket, 10);
    EXPECT_GT(b.rear_sprocket, b.front_sprocket);
    EXPECT_GT(b.primary_ratio, 1);
    // Ranges run from min to max.
    EXPECT_LT(b.fork_spring_rate[0], b.fork_spring_rate[1]);
    EXPECT_LT(b.shock_spring_rate[0], b.shock_spring_rate[1]);
    EXPECT_LT(b.fork_preload[0], b.fork_preload[1]);
    EXPECT_LT(b.shock_preload[0], b.shock_preload[1]);
    EXPECT_LT(b.downshift_rpm, b.upshift_rpm);
    EXPECT_GT(b.frame_mass, 0);
    EXPECT_GT(b.fork_mass, 0);
    EXPECT_GT(b.swingarm_side_mass, 0);
    EXPECT_GT(b.engine_inertia, 0);
    // Torque: finite, full throttle never below closed, and pulling at the
    // upshift point but through zero a little above it, negative from there on.
    for (int k = 0; k < BIKE_TORQUE_POINTS; ++k) {
      ASSERT_TRUE(std::isfinite(b.full_torque[k]) && std::isfinite(b.closed_torque[k])) << k;
      EXPECT_GE(b.full_torque[k], b.closed_torque[k]) << k;
    }
    EXPECT_GT(bike_torque_at(b.full_torque, b.upshift_rpm), 0);
    int zero = 0;
    while (zero < BIKE_TORQUE_POINTS && b.full_torque[zero] > 0) ++zero;
    ASSERT_LT(zero, BIKE_TORQUE_POINTS);
    EXPECT_GT(zero * 500.0, b.upshift_rpm);
    EXPECT_LE(zero * 500.0, b.upshift_rpm + 2000);
    for (int k = zero; k < BIKE_TORQUE_POINTS; ++k) EXPECT_LE(b.full_torque[k], 0) << k;
    EXPECT_LT(b.full_torque[BIKE_TORQUE_POINTS - 1], 0);
    EXPECT_GT(b.closed_torque[0], 0);  // the engine idles up on its own
    // Files: "@" names that fit their fields.
    const char* files[] = {b.frame_model,       b.frame_shape,       b.bike_texture,     b.fork_upper_model,
                           b.fork_upper_shape,  b.fork_lower_model,  b.fork_lower_shape, b.swingarm_model,
                           b.swingarm_shape,    b.front_wheel_model, b.front_wheel_shape, b.rear_wheel_model,
                           b.rear_wheel_shape,  b.wheel_texture,     b.head_model,       b.head_texture,
                           b.rider_body_model,  b.first_person_model, b.rider_shape,     b.rider_texture,
                           b.side_plates_model, b.front_plate_model, b.rider_plate_model};
    for (const char* f : files) {
      EXPECT_LT(strnlen(f, BIKE_FILE_SIZE), size_t(BIKE_FILE_SIZE));
      EXPECT_EQ(f[0], '@') << f;
    }
  }
}

// Derived models stay close to their class's reference model.
TEST(BikeCatalogue, ModelsStayNearTheirClassReference) {
  auto peak = [](const BikeSpec& b) {
    float p = 0;
    for (float v : b.full_torque) p = std::max(p, v);
    return p;
  };
  for (int i = 0; i < BIKE_MODELS; ++i) {
    const BikeSpec& b = *bike_spec(i);
    std::string c = b.engine_class;
    const BikeSpec& ref = record_named(c == "125"    ? "cr125"
                                     : c == "250f" ? "crf250(2018)"
                                     : c == "250"  ? "cr250(2007)"
                                     : c == "450f" ? "crf450(2018)"
                                                   : "rs50cr");
    SCOPED_TRACE(b.name);
    EXPECT_NEAR(b.frame_mass / ref.frame_mass, 1, 0.08);
    EXPECT_NEAR(b.fork_mass / ref.fork_mass, 1, 0.04);
    EXPECT_NEAR(b.swingarm_side_mass / ref.swingarm_side_mass, 1, 0.04);
    EXPECT_NEAR(b.fork_spring_rate[1] - b.fork_spring_rate[0], ref.fork_spring_rate[1] - ref.fork_spring_rate[0], 0.02);
    EXPECT_NEAR(b.shock_spring_rate[1] - b.shock_spring_rate[0],
                ref.shock_spring_rate[1] - ref.shock_spring_rate[0], 0.02);
    EXPECT_NEAR(b.primary_ratio / ref.primary_ratio, 1, 0.03);
    EXPECT_NEAR(b.upshift_rpm / ref.upshift_rpm, 1, 0.1);
    EXPECT_NEAR(peak(b) / peak(ref), 1, 0.3);
    EXPECT_EQ(b.rider_mass, ref.rider_mass);
    EXPECT_EQ(b.engine_inertia, ref.engine_inertia);
    EXPECT_EQ(b.fork_damping[2], ref.fork_damping[2]);
    EXPECT_EQ(b.shock_damping[2], ref.shock_damping[2]);
  }
  // Makes and years do tell the models apart.
  EXPECT_NE(record_named("kx250f(2018)").frame_mass, record_named("crf250(2018)").frame_mass);
  EXPECT_GT(record_named("crf250(2007)").frame_mass, record_named("crf250(2018)").frame_mass);
  EXPECT_NE(record_named("yz450f(2018)").rear_sprocket, record_named("crf450(2018)").rear_sprocket);
}

TEST(BikeCatalogue, UnknownNamesFallBackWithAMessage) {
  struct Case {
    const char* name;
    const char* rides;
    const char* message;  // none for an exact match
  } cases[] = {
      {"yz250f(2017)", "yz250f(2017)", nullptr},
      {"rs50yz", "rs50yz", nullptr},
      {"crf250(2099)", "kx250f(2007)", "bike info for 'crf250(2099)' not found using 'kx250f(2007)' instead"},
      {"kx125(1999)", "cr125", "bike info for 'kx125(1999)' not found using 'cr125' instead"},
      {"", "kx250f(2007)", "bike info for '' not found using 'kx250f(2007)' instead"},
      {"crf250", "kx250f(2007)", "bike info for 'crf250' not found using 'kx250f(2007)' instead"},
      {"a_very_long_name_for_a_125_bike", "cr125",
       "bike info for 'a_very_long_name_for' not found using 'cr125' instead"},
      {"YZ125", "cr125", "bike info for 'YZ125' not found using 'cr125' instead"},
  };
  for (const Case& c : cases) {
    PostedMessages posted;
    int i = bike_catalogue_lookup(c.name);
    ASSERT_TRUE(bike_spec(i)) << c.name;
    EXPECT_STREQ(bike_spec(i)->name, c.rides) << c.name;
    if (c.message) {
      ASSERT_EQ(posted.lines.size(), 1u) << c.name;
      EXPECT_EQ(posted.lines[0], c.message);
    } else {
      EXPECT_TRUE(posted.lines.empty()) << c.name;
    }
  }
  PostedMessages posted;
  EXPECT_STREQ(bike_spec(bike_catalogue_lookup(nullptr))->name, "kx250f(2007)");
  // Setups translate the legacy names before they look a bike up.
  EXPECT_STREQ(bike_spec(bike_catalogue_lookup(bike_legacy_name("crf250")))->name, "crf250(2008)");
  EXPECT_EQ(posted.lines.size(), 1u);
}

TEST(BikeCatalogue, LiveryPrefixesAndTheFilesOfEachFamily) {
  struct Case {
    const char* name;
    const char* prefix;
  } cases[] = {
      {"450sxf(2016)", "450sxfv2016-"}, {"450sxf(2011)", "450sxf-"},    {"crf450(2016)", "crf450v2013-"},
      {"rmz450(2017)", "rmz450-"},      {"rmz450(2018)", "rmz450v2018-"}, {"yz450f(2013)", "yz450f-"},
      {"350sxf(2017)", "350sxfv2016-"}, {"250sx(2012)", "250sx-"},     {"crf250(2013)", "crf250v2010-"},
      {"crf250(2009)", "crf250-"},      {"kx250f(2016)", "kx250fv2013-"}, {"yz250f_se(2006)", "yz250f_se-"},
      {"yz250f(2013)", "yz250fv2010-"}, {"125sx", "125sx-"},           {"rs50cr", "cr125-"},
      {"rs50yz", "yz125-"},             {"fc250(2017)", "fc250v2016-"},
  };
  for (const Case& c : cases) EXPECT_STREQ(bike_graphics_prefix(c.name), c.prefix) << c.name;
  EXPECT_EQ(bike_graphics_prefix("crf250"), nullptr);
  EXPECT_EQ(bike_graphics_prefix(nullptr), nullptr);
  for (int i = 0; i < BIKE_MODELS; ++i) {
    const BikeSpec& b = *bike_spec(i);
    const char* prefix = bike_graphics_prefix(b.name);
    ASSERT_TRUE(prefix) << b.name;
    std::string family(prefix, strlen(prefix) - 1);
    EXPECT_EQ(prefix[strlen(prefix) - 1], '-');
    EXPECT_EQ(b.frame_model, "@" + family + "_frame.jm");
    EXPECT_EQ(b.bike_texture, "@" + family + ".png");
    EXPECT_EQ(b.fork_upper_model, "@" + family + "_fork_upper.jm");
    EXPECT_EQ(b.fork_lower_model, "@" + family + "_fork_lower.jm");
    EXPECT_EQ(b.swingarm_model, "@" + family + "_swingarm.jm");
    EXPECT_EQ(b.side_plates_model, "@" + family + "_side_plates.jm");
    EXPECT_EQ(b.front_plate_model, "@" + family + "_front_plate.jm");
    // The default livery must not show up again among the prefixed images.
    EXPECT_NE(std::string(b.bike_texture + 1).rfind(prefix, 0), 0u);
  }
  const BikeSpec& cr125 = record_named("cr125");
  EXPECT_STREQ(cr125.frame_model, "@cr125_frame.jm");
  EXPECT_STREQ(cr125.bike_texture, "@cr125.png");
  EXPECT_STREQ(cr125.front_wheel_model, "@front_wheel.jm");
  EXPECT_STREQ(cr125.rider_plate_model, "@rider_plate.jm");
  EXPECT_STREQ(record_named("rs50cr").frame_model, "@cr125_frame.jm");
}
