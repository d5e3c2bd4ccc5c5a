// Collision shape files: the reader on good and damaged files, the cache by
// name, and the shapes the game-data generator ships.
#include "bike/shape.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "bike/shape_cache.h"
#include "gamedata/bike_shapes.h"
#include "gamedata/gd_folder.h"
#include "platform/log.h"
#include "platform/messages.h"
#include "test_util.h"
#include "track/track_assets.h"
#include "vfs/vfs.h"

namespace {

// A game folder in a temporary folder, with the posted and logged lines.
struct ShapeFiles : ::testing::Test {
  TempDir dir;
  Vfs vfs;
  std::vector<std::string> posted, logged;

  void SetUp() override {
    vfs_set_folders(vfs, "", dir.path);
    message_set_sink([](void* c, const char* t) { ((std::vector<std::string>*)c)->push_back(t); }, &posted);
    log_set_listener([](void* c, const char* t) { ((std::vector<std::string>*)c)->push_back(t); }, &logged);
  }
  void TearDown() override {
    message_set_sink(nullptr, nullptr);
    log_set_listener(nullptr, nullptr);
    vfs_shutdown(vfs);
  }
  void put(const std::string& name, const std::string& text) { write_file(dir / name, text); }
};

TEST_F(ShapeFiles, ReadsEverySphereAndItsBoundRadius) {
  // Any white space between numbers, exponents, an unlimited friction, and
  // text after the last sphere.
  put("a.shp", "3\n 0 1 0   0.5 0.4 2500 100\n\t3e0 -4 0 1 inf 1500.5 60\n0 0 0 0 0 0 0\nnot read\n");
  Shape shape;
  std::string error;
  ASSERT_EQ(shape_load(shape, vfs, "@a.shp", error), SHAPE_OK) << error;
  EXPECT_EQ(error, "");
  ASSERT_EQ(shape.spheres.size(), 3u);
  const ShapeSphere& b = shape.spheres[1];
  EXPECT_FLOAT_EQ(b.x, 3);
  EXPECT_FLOAT_EQ(b.y, -4);
  EXPECT_FLOAT_EQ(b.radius, 1);
  EXPECT_TRUE(std::isinf(b.mu));
  EXPECT_FLOAT_EQ(b.kp, 1500.5f);
  EXPECT_FLOAT_EQ(b.kd, 60);
  EXPECT_FLOAT_EQ(shape.spheres[0].mu, 0.4f);
  EXPECT_FLOAT_EQ(shape.bound_radius, 6);  // |(3, -4, 0)| + 1 beats 1 + 0.5

  // Compressed files read the same; an empty shape is a shape.
  put("b.shp.gz", gzip_bytes("1 -2 0 0 0.25 1 1 1"));
  ASSERT_EQ(shape_load(shape, vfs, "@b.shp", error), SHAPE_OK) << error;
  ASSERT_EQ(shape.spheres.size(), 1u);
  EXPECT_FLOAT_EQ(shape.bound_radius, 2.25f);
  put("c.shp", "0\n");
  ASSERT_EQ(shape_load(shape, vfs, "@c.shp", error), SHAPE_OK) << error;
  EXPECT_TRUE(shape.spheres.empty());
  EXPECT_EQ(shape.bound_radius, 0);

  EXPECT_EQ(shape_load(shape, vfs, "@none.shp", error), SHAPE_MISSING);
  EXPECT_EQ(error, "");
}

TEST_F(ShapeFiles, RejectsDamagedFilesWhole) {
  const std::string good = "0 0 0 1 0.5 2500 100\n";
  struct Case {
    std::string text;
    const char* error;
  };
  const Case cases[] = {
      {"", "no sphere count"},
      {"  \n", "no sphere count"},
      {"three\n" + good, "no sphere count"},
      {"-1\n" + good, "sphere count -1 is out of range (0 to 4096)"},
      {"4097\n" + good, "sphere count 4097 is out of range (0 to 4096)"},
      // Past the int range: must not wrap round to 1.
      {"4294967297\n" + good, "sphere count 4294967297 is out of range"},
      {"99999999999999999999999\n" + good, "is out of range"},
      {"1.5\n" + good, "sphere count is not a whole number"},
      {"1x\n" + good, "sphere count is not a whole number"},
      {"2\n" + good, "sphere 2 of 2 is cut short"},
      {"4096\n" + good, "sphere 2 of 4096 is cut short"},
      {"1\n0 0 0 1 0.5 2500\n", "sphere 1 of 1 is cut short"},
      {"1\n0 0 0 1 soft 2500 100\n", "sphere 1 of 1 is cut short"},
      {"1\nnan 0 0 1 0.5 2500 100\n", "sphere 1 has a number that is not finite"},
      {"1\n0 -inf 0 1 0.5 2500 100\n", "sphere 1 has a number that is not finite"},
      {"1\n0 0 0 1e39 0.5 2500 100\n", "sphere 1 has a number that is not finite"},
      {"1\n0 0 0 1 nan 2500 100\n", "sphere 1 has a number that is not finite"},
      {"1\n0 0 0 1 0.5 infinity 100\n", "sphere 1 has a number that is not finite"},
      {"2\n" + good + "0 0 0 1 0.5 2500 NAN\n", "sphere 2 has a number that is not finite"},
      {"1\n0 0 0 -1 0.5 2500 100\n", "sphere 1 has a negative radius"},
      {"1\n0 0 0 1 -0.5 2500 100\n", "sphere 1 has a negative friction"},
      {"1\n0 0 0 1 -inf 2500 100\n", "sphere 1 has a negative friction"},
      {"1\n0 0 0 1 0.5 -2500 100\n", "sphere 1 has a negative stiffness"},
      {"1\n0 0 0 1 0.5 2500 -100\n", "sphere 1 has a negative damping"},
      {"1\n3e38 3e38 3e38 3e38 0.5 2500 100\n", "spheres reach too far from the body"},
  };
  for (const Case& c : cases) {
    put("bad.shp", c.text);
    Shape shape;
    shape.spheres.push_back({});  // a failed read leaves no trace of this
    shape.bound_radius = 9;
    std::string error;
    EXPECT_EQ(shape_load(shape, vfs, "@bad.shp", error), SHAPE_DAMAGED) << c.text;
    EXPECT_NE(error.find(c.error), std::string::npos) << c.text << " gave: " << error;
    EXPECT_TRUE(shape.spheres.empty()) << c.text;
    EXPECT_EQ(shape.bound_radius, 0) << c.text;
  }
}

TEST_F(ShapeFiles, CacheLoadsEachNameOnceAndRemembersFailures) {
  put("scenery/bale.shp", "1\n1 0 0 1 0.5 1500 60\n");
  put("scenery/tree.shp", "2\n0 1 0 0.9 0.5 1500 60\n0 3 0 0.9 0.5 1500 60\n");
  put("scenery/broken.shp", "2\n0 1 0 0.9 0.5 1500 60\n");
  ShapeCache cache;
  shape_cache_init(cache, vfs);

  uint32_t bale = shape_cache_load(cache, "@scenery/bale.shp");
  uint32_t tree = shape_cache_load(cache, "@scenery/tree.shp");
  ASSERT_NE(bale, 0u);
  ASSERT_NE(tree, 0u);
  EXPECT_NE(bale, tree);
  const Shape* bale_shape = shape_cache_get(cache, bale);
  ASSERT_NE(bale_shape, nullptr);
  EXPECT_FLOAT_EQ(bale_shape->bound_radius, 2);
  EXPECT_EQ(shape_cache_get(cache, tree)->spheres.size(), 2u);
  EXPECT_STREQ(shape_cache_name(cache, tree), "@scenery/tree.shp");

  // The second request is served from the cache: the file is not read again.
  put("scenery/bale.shp", "garbage");
  EXPECT_EQ(shape_cache_load(cache, "@scenery/bale.shp"), bale);
  EXPECT_EQ(shape_cache_get(cache, bale), bale_shape);

  // Through the track loader's hook: the same handles.
  TrackAssets assets;
  assets.context = &cache;
  assets.shape = shape_cache_hook;
  EXPECT_EQ(track_asset_shape(assets, "@scenery/tree.shp"), tree);

  // Failures give 0 and are reported once each: a damaged file is posted
  // with what was wrong, a missing one logged.
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(shape_cache_load(cache, "@scenery/broken.shp"), 0u);
    EXPECT_EQ(track_asset_shape(assets, "@scenery/none.shp"), 0u);
  }
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(posted[0], "Warning: bad shape file @scenery/broken.shp: sphere 2 of 2 is cut short");
  int missing_lines = 0;
  for (const std::string& line : logged) missing_lines += line == "Can't open shape file @scenery/none.shp\n";
  EXPECT_EQ(missing_lines, 1);
  ASSERT_EQ(cache.failures.size(), 2u);
  EXPECT_EQ(cache.failures[0].name, "@scenery/broken.shp");
  EXPECT_EQ(cache.failures[0].result, SHAPE_DAMAGED);
  EXPECT_EQ(cache.failures[1].result, SHAPE_MISSING);
  EXPECT_EQ(cache.shapes.size(), 2u);

  // No name, and handles the cache never gave.
  EXPECT_EQ(shape_cache_load(cache, ""), 0u);
  EXPECT_EQ(shape_cache_load(cache, nullptr), 0u);
  EXPECT_EQ(shape_cache_get(cache, 0), nullptr);
  EXPECT_EQ(shape_cache_get(cache, 3), nullptr);
  EXPECT_EQ(shape_cache_name(cache, 0), nullptr);

  // A repaired file is read again once the failures are forgotten; loaded
  // shapes keep their handles.
  put("scenery/broken.shp", "1\n0 1 0 0.9 0.5 1500 60\n");
  EXPECT_EQ(shape_cache_load(cache, "@scenery/broken.shp"), 0u);
  shape_cache_forget_failures(cache);
  uint32_t mended = shape_cache_load(cache, "@scenery/broken.shp");
  EXPECT_EQ(mended, 3u);
  EXPECT_EQ(shape_cache_load(cache, "@scenery/bale.shp"), bale);
  EXPECT_EQ(shape_cache_get(cache, bale), bale_shape);

  shape_cache_free(cache);
  EXPECT_EQ(shape_cache_get(cache, bale), nullptr);
  EXPECT_TRUE(cache.by_name.empty() && cache.failures.empty());
}

// Rest positions of the bodies in the catalogue, feet (wheels at their axles).
struct BodyAt {
  const char* name;
  double x, y, z;
};
const BodyAt rest[SHAPE_BUILTIN_COUNT] = {
    {"frame", 0, 1.98, 3.6},     {"fork upper", 0, 2.9, 2.16}, {"fork lower", 0, 1.77, 1.59},
    {"swingarm", 0, 1.34, 4.99}, {"front wheel", 0, 1.09, 1.11}, {"rear wheel", 0, 1.04, 6},
    {"rider", 0, 4.5, 4.12},
};

TEST(GeneratedShapes, EveryShippedShapeReadsBack) {
  TempDir dir;
  ASSERT_TRUE(gd_folder_write(dir.path));
  Vfs vfs;
  vfs_set_folders(vfs, "", dir.path);
  int shapes = 0;
  for (const char* const* name = vfs_file_list(vfs); *name; ++name) {
    size_t n = strlen(*name);
    if (n < 4 || strcmp(*name + n - 4, ".shp") != 0) continue;
    Shape shape;
    std::string error;
    std::string at = std::string("@") + *name;
    EXPECT_EQ(shape_load(shape, vfs, at.c_str(), error), SHAPE_OK) << at << ": " << error;
    EXPECT_FALSE(shape.spheres.empty()) << at;
    ++shapes;
  }
  EXPECT_GE(shapes, 4 + SHAPE_BUILTIN_COUNT);  // the scenery's and the bike's

  // The bike's seven, under the names and in the order the game checks them,
  // each loose at the top of the folder.
  std::vector<GdBikeShape> bike = gd_bike_shapes();
  ASSERT_EQ(bike.size(), size_t(SHAPE_BUILTIN_COUNT));
  for (int i = 0; i < SHAPE_BUILTIN_COUNT; ++i) {
    EXPECT_STREQ(bike[i].name, SHAPE_BUILTIN_NAMES[i]);
    EXPECT_TRUE(file_exists(dir / (SHAPE_BUILTIN_NAMES[i] + 1))) << SHAPE_BUILTIN_NAMES[i];
    Shape shape;
    std::string error;
    ASSERT_EQ(shape_load(shape, vfs, SHAPE_BUILTIN_NAMES[i], error), SHAPE_OK) << error;
    EXPECT_EQ(shape.spheres.size(), bike[i].spheres.size());

    // At rest on flat ground at y = 0 only the tyres may touch it: any other
    // part touching marks the ride as spoiled. Nothing floats off the body.
    bool wheel = i == 4 || i == 5;
    double lowest = 1e9;
    for (const ShapeSphere& s : shape.spheres) {
      lowest = std::fmin(lowest, rest[i].y + s.y - s.radius);
      EXPECT_GT(s.radius, 0) << rest[i].name;
      EXPECT_GT(s.mu, 0) << rest[i].name;
      EXPECT_GT(s.kp, 0) << rest[i].name;
    }
    if (wheel)
      EXPECT_LT(lowest, 0.05) << rest[i].name;
    else
      EXPECT_GT(lowest, 0.25) << rest[i].name;
    EXPECT_LT(shape.bound_radius, 3) << rest[i].name;
  }
  // The tyres: a ring reaching the rim-circle radius plus the tyre section.
  Shape front, back;
  std::string error;
  ASSERT_EQ(shape_load(front, vfs, "@front_wheel.shp", error), SHAPE_OK);
  ASSERT_EQ(shape_load(back, vfs, "@rear_wheel.shp", error), SHAPE_OK);
  EXPECT_NEAR(front.bound_radius, 0.833333 + 0.333333, 0.002);
  EXPECT_NEAR(back.bound_radius, 0.75 + 0.333333, 0.002);
  vfs_shutdown(vfs);
}

}  // namespace
