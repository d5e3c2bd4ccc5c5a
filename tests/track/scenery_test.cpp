#include "track/scenery.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <set>

#include "platform/log.h"
#include "platform/messages.h"
#include "test_util.h"
#include "vfs/vfs.h"

namespace {

// Hands out numbers for every name asked for, except the missing ones, and
// records what was asked.
struct RecordingLoader {
  std::set<std::string> missing;         // names that neither exist nor load
  std::vector<std::string> calls;        // "texture <name>", "model <name>", "shape <name>", in order
  std::vector<std::string> exists_asked; // names whose existence was asked
  uint32_t next = 100;                   // next handle handed out
  bool with_exists = true;               // install the exists hook

  std::map<std::string, uint32_t> handles;  // "<kind> <name>" -> handle handed out

  uint32_t hand_out(const std::string& what, const char* name) {
    calls.push_back(what + " " + name);
    if (missing.count(name)) return 0;
    return handles[what + " " + name] = next++;
  }
  TrackAssets assets() {
    TrackAssets a;
    a.context = this;
    a.texture = [](void* c, const char* name, int) {
      return static_cast<RecordingLoader*>(c)->hand_out("texture", name);
    };
    a.model = [](void* c, const char* name) { return static_cast<RecordingLoader*>(c)->hand_out("model", name); };
    a.shape = [](void* c, const char* name) { return static_cast<RecordingLoader*>(c)->hand_out("shape", name); };
    if (with_exists)
      a.exists = [](void* c, const char* name) {
        auto* self = static_cast<RecordingLoader*>(c);
        self->exists_asked.push_back(name);
        return !self->missing.count(name);
      };
    return a;
  }
  // Handle given to a name, or 0 when it was not loaded.
  uint32_t handle_of(const std::string& what, const std::string& name) const {
    auto it = handles.find(what + " " + name);
    return it == handles.end() ? 0 : it->second;
  }
};

// A plane: height = a x + b z + c.
struct Plane {
  float a = 0, b = 0, c = 0;
};
float plane_height(void* context, float x, float z) {
  const Plane* p = static_cast<const Plane*>(context);
  return p->a * x + p->b * z + p->c;
}

void collect(void* context, const char* text) { static_cast<std::vector<std::string>*>(context)->push_back(text); }

class SceneryTest : public ::testing::Test {
 protected:
  TempDir dir;
  Vfs vfs;
  RecordingLoader loader;
  Plane plane;
  Scenery scenery;
  std::vector<std::string> posted, logged;
  const std::string folder = "tracks/t";

  void SetUp() override {
    vfs_set_folders(vfs, dir / "home", dir / "game");
    message_set_sink(collect, &posted);
    log_set_listener(collect, &logged);
  }
  void TearDown() override {
    message_set_sink(nullptr, nullptr);
    log_set_listener(nullptr, nullptr);
    vfs_shutdown(vfs);
  }
  void begin(bool shaders = false, int verbosity = 0) {
    SceneryHooks hooks;
    hooks.assets = loader.assets();
    hooks.context = &plane;
    hooks.height = plane_height;
    hooks.shaders = shaders;
    hooks.verbosity = verbosity;
    scenery_begin(scenery, hooks);
  }
  void game_file(const std::string& name, const std::string& text) { write_file(dir / "game/tracks/t/" + name, text); }
  std::string home_file(const std::string& name) { return read_file(dir / "home/tracks/t/" + name); }
};

std::string joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += l;
  return out;
}

// Columns of a row-major rotation.
std::array<float, 3> column(const float m[9], int c) { return {m[c], m[3 + c], m[6 + c]}; }

void expect_vec(std::array<float, 3> got, std::array<float, 3> want, const char* what) {
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(got[i], want[i], 1e-5) << what << " component " << i;
}

// ---------------------------------------------------------------------------
// Statues

TEST_F(SceneryTest, StatueOrientationFollowsTheAngleRules) {
  // The ground rises 0.5 per unit along x: its normal is (-0.5, 1, 0) / |.|.
  plane = {0.5f, 0, 2};
  const float n = 1 / std::sqrt(1.25f);
  const std::array<float, 3> slope_up = {-0.5f * n, n, 0};
  struct Case {
    const char* line;
    float turn;                  // expected turn distance
    bool identity;               // upright, unturned
    bool tilted;                 // up axis is the ground normal (else vertical)
    float heading;               // angle the z axis points along, seen from above
  } cases[] = {
      {"[ 10 1.5 4 ] 4 @m.jm null null\n", 16, true, false, 0},
      {"[ 10 1.5 4 ] 3.25 @m.jm null null\n", std::exp2(3.25f), true, false, 0},
      {"[ 10 1.5 4 ] -7 @m.jm null null\n", 0, false, false, -7},
      {"[ 10 1.5 4 ] 1 @m.jm null null\n", 0, false, true, 1},
      {"[ 10 1.5 4 ] 0 @m.jm null null\n", 0, false, true, 0},
      {"[ 10 1.5 4 ] 3.2 @m.jm null null\n", 0, false, true, 3.2f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    game_file("statues", c.line);
    begin();
    SceneryFileStatus st = scenery_read_statues(scenery, vfs, folder);
    ASSERT_EQ(st.entries, 1);
    const SceneryObject& o = scenery.objects[0];
    EXPECT_FLOAT_EQ(o.y, 0.5f * 10 + 2 + 1.5f);  // terrain height + given height
    EXPECT_FLOAT_EQ(o.height, 1.5f);
    EXPECT_FLOAT_EQ(o.turn_distance, c.turn);
    if (c.identity) {
      for (int i = 0; i < 9; ++i) EXPECT_EQ(o.orientation[i], (i % 4 == 0) ? 1.0f : 0.0f);
      continue;
    }
    auto x = column(o.orientation, 0), y = column(o.orientation, 1), z = column(o.orientation, 2);
    expect_vec(y, c.tilted ? slope_up : std::array<float, 3>{0, 1, 0}, "up");
    // Orthonormal and right-handed: x cross y = z.
    expect_vec({x[1] * y[2] - x[2] * y[1], x[2] * y[0] - x[0] * y[2], x[0] * y[1] - x[1] * y[0]}, z, "x cross y");
    float zh = std::hypot(z[0], z[2]);
    EXPECT_NEAR(z[0] / zh, std::sin(c.heading), 1e-5);
    EXPECT_NEAR(z[2] / zh, std::cos(c.heading), 1e-5);
    if (!c.tilted) {
      EXPECT_NEAR(z[1], 0, 1e-6);
    }
  }
}

TEST_F(SceneryTest, StatuesLoadWhatTheyNameAndWriteBackByteForByte) {
  plane = {0, 0, 5};  // heights are written as given, not as placed
  loader.missing = {"@gone.jm", "@gone.shp"};
  const std::string text =
      "[1.000000 2.000000 3.000000] 0.500000 @rock.jm @rock.png @rock.shp\n"
      "[-4.250000 0.000000 8.125000] 4.000000 @gone.jm @tex.png @gone.shp\n"
      "[0.000000 -1.500000 0.000000] -7.000000 null @orphan.png null\n";
  game_file("statues", text);
  begin();
  // A gate object comes first and is never written as a statue.
  ASSERT_EQ(scenery_add_object(scenery, 50, 0, 50, 0, "@startgate.jm", "@startgate.ppm", "@startgate.shp"), 0);
  SceneryFileStatus st = scenery_read_statues(scenery, vfs, folder);
  EXPECT_TRUE(st.found);
  EXPECT_EQ(st.entries, 3);
  EXPECT_EQ(st.warnings, 0);
  EXPECT_EQ(scenery.first_statue, 1);
  ASSERT_EQ(scenery.objects.size(), 4u);

  const SceneryObject& rock = scenery.objects[1];
  EXPECT_NE(rock.model, 0u);
  EXPECT_NE(rock.texture, 0u);
  EXPECT_NE(rock.shape, 0u);
  EXPECT_EQ(rock.normal_map, 0u);  // no shader drawing: no maps asked for
  const SceneryObject& gone = scenery.objects[2];
  EXPECT_EQ(gone.model, 0u);
  EXPECT_EQ(gone.shape, 0u);
  EXPECT_EQ(gone.model_name, "@gone.jm");
  const SceneryObject& orphan = scenery.objects[3];
  EXPECT_EQ(orphan.texture, 0u);  // a texture without a model is not loaded
  EXPECT_EQ(orphan.texture_name, "@orphan.png");
  for (const std::string& c : loader.calls) EXPECT_NE(c, "texture @orphan.png");
  EXPECT_EQ(joined(posted), "Warning: missing shape file @gone.shp");

  EXPECT_EQ(scenery_model_names(scenery), (std::vector<std::string>{"@startgate.jm", "@rock.jm", "@gone.jm"}));
  ASSERT_TRUE(statues_write(scenery, vfs, folder));
  EXPECT_EQ(home_file("statues"), text);
  EXPECT_FALSE(file_exists(dir / "home/tracks/t/statues.new"));
}

TEST_F(SceneryTest, ShapeWarningWithoutAnExistsHookComesFromAFailedLoad) {
  loader.with_exists = false;
  loader.missing = {"@none.shp"};
  begin();
  scenery_add_object(scenery, 0, 0, 0, 0, "@a.jm", "null", "@none.shp");
  scenery_add_object(scenery, 0, 0, 0, 0, "@a.jm", "null", "@ok.shp");
  EXPECT_EQ(posted, std::vector<std::string>{"Warning: missing shape file @none.shp"});
}

TEST(SceneryNames, CompanionNamesKeepTheRepeatMarker) {
  struct Case {
    const char* texture;
    const char* kind;
    std::vector<std::string> want;
  } cases[] = {
      {"@rock.png", "_norm", {"@rock_norm.seq", "@rock_norm.png", "@rock_norm.ppm"}},
      {"@rock.old.ppm", "_spec", {"@rock.old_spec.seq", "@rock.old_spec.png", "@rock.old_spec.ppm"}},
      {"@grass-repeat.png", "_norm", {"@grass_norm-repeat.seq", "@grass_norm-repeat.png", "@grass_norm-repeat.ppm"}},
      {"@a-b-repeat.seq", "_spec", {"@a-b_spec-repeat.seq", "@a-b_spec-repeat.png", "@a-b_spec-repeat.ppm"}},
      {"@wall-repeat.jpg", "_norm", {"@wall-repeat_norm.seq", "@wall-repeat_norm.png", "@wall-repeat_norm.ppm"}},
      {"@v1.2/rock", "_norm", {"@v1.2/rock_norm.seq", "@v1.2/rock_norm.png", "@v1.2/rock_norm.ppm"}},
  };
  for (const Case& c : cases) EXPECT_EQ(scenery_companion_names(c.texture, c.kind), c.want) << c.texture;
  EXPECT_EQ(scenery_model_companion_names("@tree.jm", "_norm"),
            (std::vector<std::string>{"@tree_norm.seq", "@tree_norm.png", "@tree_norm.ppm"}));
}

TEST_F(SceneryTest, ShaderMapsComeFromTheTextureThenTheModel) {
  // Every name exists except those listed; the first existing candidate wins.
  loader.missing = {"@rock_norm.seq", "@rock_spec.seq", "@rock_spec.png", "@rock_spec.ppm", "@stone_spec.seq"};
  begin(true);
  int i = scenery_add_object(scenery, 0, 0, 0, 0, "@stone.jm", "@rock.png", "null");
  const SceneryObject& o = scenery.objects[size_t(i)];
  EXPECT_NE(o.normal_map, 0u);
  EXPECT_EQ(o.normal_map, loader.handle_of("texture", "@rock_norm.png"));
  EXPECT_NE(o.specular_map, 0u);
  EXPECT_EQ(o.specular_map, loader.handle_of("texture", "@stone_spec.png"));
  EXPECT_EQ(loader.exists_asked,
            (std::vector<std::string>{"@rock_norm.seq", "@rock_norm.png", "@rock_spec.seq", "@rock_spec.png",
                                      "@rock_spec.ppm", "@stone_spec.seq", "@stone_spec.png"}));
}

TEST_F(SceneryTest, ShaderMapsFallBackToTheModelName) {
  loader.missing = {"@sign_norm-repeat.seq", "@sign_norm-repeat.png", "@sign_norm-repeat.ppm",
                    "@post_norm.seq", "@sign_spec-repeat.seq", "@sign_spec-repeat.png", "@sign_spec-repeat.ppm",
                    "@post_spec.seq", "@post_spec.png", "@post_spec.ppm"};
  begin(true);
  int i = scenery_add_object(scenery, 0, 0, 0, 0, "@post.jm", "@sign-repeat.png", "null");
  const SceneryObject& o = scenery.objects[size_t(i)];
  EXPECT_NE(o.normal_map, 0u);
  EXPECT_EQ(o.normal_map, loader.handle_of("texture", "@post_norm.png"));
  EXPECT_EQ(o.specular_map, 0u);
}

// ---------------------------------------------------------------------------
// Billboards and flaggers

TEST_F(SceneryTest, ColourPrefixSetsTheColourAndIsWrittenInLowerCase) {
  struct Case {
    const char* image;
    int r, g, b;
    const char* name;  // stored name
    bool warns;
  } cases[] = {
      {"#ff8000#tree.png", 255, 128, 0, "tree.png", false},
      {"#FF8000#tree.png", 255, 128, 0, "tree.png", false},
      {"#0a0B0c#@sign.png", 10, 11, 12, "@sign.png", false},
      {"plain.png", 255, 255, 255, "plain.png", false},
      {"#ff80#short.png", 255, 255, 255, "#ff80#short.png", true},
      {"#ff80zz#bad.png", 255, 255, 255, "#ff80zz#bad.png", true},
      {"#ff8000", 255, 255, 255, "#ff8000", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.image);
    game_file("billboards", std::string("[ 1 2 3 ] 4 0.5 ") + c.image + "\n");
    begin();
    posted.clear();
    loader.calls.clear();
    SceneryFileStatus st = scenery_read_billboards(scenery, vfs, folder);
    ASSERT_EQ(st.entries, 1);
    EXPECT_EQ(st.warnings, c.warns ? 1 : 0);
    const Billboard& b = scenery.billboards[0];
    EXPECT_EQ(b.r, c.r);
    EXPECT_EQ(b.g, c.g);
    EXPECT_EQ(b.b, c.b);
    EXPECT_EQ(b.a, 255);
    EXPECT_EQ(b.name, c.name);
    EXPECT_EQ(loader.calls, std::vector<std::string>{std::string("texture ") + c.name});
  }
  begin();
  game_file("billboards", "[ 1 2 3 ] 4 0.5 #FF8000#tree.png\n");
  scenery_read_billboards(scenery, vfs, folder);
  EXPECT_EQ(billboards_format(scenery), "[1.000000 2.000000 3.000000] 4.000000 0.500000 #ff8000#tree.png\n");
}

TEST_F(SceneryTest, BillboardsWriteBackOnlyPlainOnesByteForByte) {
  plane = {0, 0, 7};
  const std::string text =
      "[1.000000 2.000000 3.000000] 4.000000 0.500000 tree.png\n"
      "[-10.500000 0.000000 20.250000] 12.000000 1.000000 #102030#@sign.png\n"
      "[5.000000 1.000000 5.000000] 2.000000 2.000000 @gone.png\n";
  game_file("billboards", text);
  game_file("flaggers", "[ 0 0 0 ] [ 10 0 0 ] 3 0.5 2 a0 a1 a2 a3 a4\n");
  loader.missing = {"@gone.png"};
  begin();
  // Slots added by others before the flaggers (the particle pool) have no name.
  for (int i = 0; i < 3; ++i) ASSERT_EQ(scenery_add_billboard(scenery, 0, 0, 0, 1, 1, ""), i);
  EXPECT_EQ(scenery_read_flaggers(scenery, vfs, folder, 0).entries, 1);
  SceneryFileStatus st = scenery_read_billboards(scenery, vfs, folder);
  EXPECT_EQ(st.entries, 3);
  EXPECT_EQ(scenery.first_plain_billboard, 4);
  ASSERT_EQ(scenery.billboards.size(), 7u);
  EXPECT_EQ(scenery.billboard_sort.size(), 14u);
  EXPECT_FLOAT_EQ(scenery.billboards[4].y, 9);  // terrain 7 + height 2
  EXPECT_EQ(scenery.billboards[6].texture, 0u);
  ASSERT_TRUE(billboards_write(scenery, vfs, folder));
  EXPECT_EQ(home_file("billboards"), text);
}

TEST_F(SceneryTest, FlaggersReadAllThreeKindsAndClampCheckpoints) {
  game_file("flaggers",
            "[ 1 0.5 2 ] [ 11 0.5 2 ] 3 0.4 2.5 walk.png s1 s2 s3 s4\n"
            "[ 5 0 5 ] 2 0.5 board.png b1 b2 b3 b4\n"
            "[ 20 0 20 ] 3 0.5 -3 7 2 -1 stand.png wave.png\n"
            "[ 30 0 30 ] 3 0.5 0 4 99999999999 -99999999999 stand.png wave2.png\n");
  begin();
  SceneryFileStatus st = scenery_read_flaggers(scenery, vfs, folder, 5);
  EXPECT_EQ(st.entries, 4);
  EXPECT_EQ(st.warnings, 0);
  const StartFlagger& s = scenery.start_flagger;
  ASSERT_TRUE(s.present);
  EXPECT_EQ(s.billboard, 0);
  EXPECT_FLOAT_EQ(s.end[0], 11);
  EXPECT_FLOAT_EQ(s.walk_time, 2.5f);
  EXPECT_EQ(s.names[0], "walk.png");
  EXPECT_EQ(s.names[4], "s4");
  EXPECT_EQ(s.textures[0], scenery.billboards[0].texture);
  EXPECT_FLOAT_EQ(scenery.billboards[0].size, 3);
  EXPECT_FLOAT_EQ(scenery.billboards[0].aspect, 0.4f);
  ASSERT_TRUE(scenery.second_flagger.present);
  EXPECT_EQ(scenery.billboards[size_t(scenery.second_flagger.billboard)].name, "board.png");
  EXPECT_EQ(scenery.second_flagger.names[4], "b4");
  ASSERT_EQ(scenery.course_flaggers.size(), 2u);
  const CourseFlagger& c = scenery.course_flaggers[0];
  EXPECT_EQ(std::vector<int>(c.checkpoints, c.checkpoints + 4), (std::vector<int>{-1, 4, 2, -1}));
  EXPECT_EQ(c.texture_name, "wave.png");
  EXPECT_NE(c.texture, 0u);
  const CourseFlagger& d = scenery.course_flaggers[1];
  EXPECT_EQ(std::vector<int>(d.checkpoints, d.checkpoints + 4), (std::vector<int>{0, 4, 4, -1}));

  // Without checkpoints every number is -1.
  begin();
  scenery_read_flaggers(scenery, vfs, folder, 0);
  EXPECT_EQ(std::vector<int>(scenery.course_flaggers[0].checkpoints, scenery.course_flaggers[0].checkpoints + 4),
            (std::vector<int>{-1, -1, -1, -1}));
}

TEST_F(SceneryTest, AMissingFlaggerPieceEndsTheReadingAndKeepsWhatWasRead) {
  struct Case {
    const char* text;
    bool start, second;
    int course, warnings;
  } cases[] = {
      {"", false, false, 0, 0},
      {"[ 0 0 0 ] [ 1 0 0 ] 1 1 1 a b c d e\n", true, false, 0, 0},
      {"[ 0 0 0 ] [ 1 0 0 ] 1 1 1 a b c\n", false, false, 0, 1},
      {"[ 0 0 0 ] [ 1 0 0 ] 1 1 1 a b c d e [ 5 0 5 ] 2 0.5 a b\n", true, false, 0, 1},
      {"[ 0 0 0 ] [ 1 0 0 ] 1 1 1 a b c d e [ 5 0 5 ] 2 0.5 a b c d e [ 1 2 3 ] 1 1 0 0 0 x y\n", true, true, 0, 1},
      {"[ 0 0 0 ] [ 1 0 0 ] 1 1 nan a b c d e [ 5 0 5 ] 2 0.5 a b c d e [ 1 2 3 ] 1 1 0 0 0 0 x y\n", false, true, 1,
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    game_file("flaggers", c.text);
    begin();
    SceneryFileStatus st = scenery_read_flaggers(scenery, vfs, folder, 3);
    EXPECT_EQ(scenery.start_flagger.present, c.start);
    EXPECT_EQ(scenery.second_flagger.present, c.second);
    EXPECT_EQ(int(scenery.course_flaggers.size()), c.course);
    EXPECT_EQ(st.warnings, c.warnings);
  }
}

// ---------------------------------------------------------------------------
// Cameras and map

TEST_F(SceneryTest, CamerasMapGatesToTheNextCameraAndTakePendingFov) {
  plane = {0, 0, 3};
  game_file("cameras",
            "gate 0 1 2\n"
            "gate 7\n"
            "fov -60\n"
            "autofovsize -12.5\n"
            "# anything else is ignored\n"
            "addcamera 10 5 20\n"
            "  gate 3 256 4 -1 5\n"
            "addcamera 1 2 3\n"
            "gate 9\n"
            "gates 11\n"
            "addcameraX 1 2 3\n"
            "fov\n");
  begin(false, 1);
  SceneryFileStatus st = scenery_read_cameras(scenery, vfs, folder);
  ASSERT_EQ(scenery.cameras.size(), 2u);
  const TracksideCamera& a = scenery.cameras[0];
  EXPECT_FLOAT_EQ(a.x, 10);
  EXPECT_FLOAT_EQ(a.y, 8);  // terrain 3 + height 5
  EXPECT_FLOAT_EQ(a.z, 20);
  EXPECT_FLOAT_EQ(a.fov, 60);
  EXPECT_FLOAT_EQ(a.auto_fov_size, 12.5f);
  EXPECT_FLOAT_EQ(scenery.cameras[1].fov, 90);  // reset after each camera
  EXPECT_FLOAT_EQ(scenery.cameras[1].auto_fov_size, 0);
  for (float w : a.work) EXPECT_EQ(w, 0);
  std::vector<int> want(256, -1);
  want[0] = want[1] = want[2] = want[7] = 0;
  want[3] = want[4] = want[5] = 1;
  want[9] = 2;  // the camera the next addcamera would add
  EXPECT_EQ(std::vector<int>(scenery.gate_camera.begin(), scenery.gate_camera.end()), want);
  EXPECT_EQ(st.warnings, 3);  // 256, -1 and the bare "fov"
  EXPECT_NE(joined(posted).find("gate 256 on line 7 is not 0..255"), std::string::npos);
  EXPECT_NE(joined(posted).find("gate -1 on line 7 is not 0..255"), std::string::npos);
  EXPECT_NE(joined(logged).find("2 cameras found\n"), std::string::npos);
}

TEST_F(SceneryTest, CameraLinesLongerThanTheBufferDoNotSpillIntoTheNextLine) {
  std::string text = "gate 1 " + std::string(1100, ' ') + "addcamera 1 2 3\naddcamera 4 5 6\n";
  game_file("cameras", text);
  begin();
  scenery_read_cameras(scenery, vfs, folder);
  ASSERT_EQ(scenery.cameras.size(), 1u);
  EXPECT_FLOAT_EQ(scenery.cameras[0].x, 4);
  EXPECT_EQ(scenery.gate_camera[1], 0);
}

TEST_F(SceneryTest, CameraCountIsBounded) {
  std::string text;
  for (int i = 0; i < SCENERY_MAX_CAMERAS + 5; ++i) text += "addcamera 1 2 3\n";
  game_file("cameras", text);
  begin();
  SceneryFileStatus st = scenery_read_cameras(scenery, vfs, folder);
  EXPECT_EQ(scenery.cameras.size(), size_t(SCENERY_MAX_CAMERAS));
  EXPECT_EQ(st.warnings, 1);
}

TEST_F(SceneryTest, MapImageIsAskedForOnlyWhenItExists) {
  begin();
  loader.missing = {"@tracks/t/map.png"};
  EXPECT_EQ(scenery_load_map(scenery, "@tracks/t/"), 0u);
  EXPECT_TRUE(loader.calls.empty());
  loader.missing.clear();
  EXPECT_NE(scenery_load_map(scenery, folder), 0u);
  EXPECT_EQ(loader.calls, std::vector<std::string>{"texture @tracks/t/map.png"});
}

// ---------------------------------------------------------------------------
// Decals

TEST_F(SceneryTest, DecalsKeepFailedImagesAndWriteBackByteForByte) {
  const std::string text =
      "[10.000000 20.000000] 0.000000 4.000000 2.000000 @mud.png\n"
      "[-3.500000 7.250000] 1.570796 8.000000 0.500000 @gone.png\n"
      "[0.000000 0.000000] -0.250000 1.000000 1.000000 dir.v1/stone\n";
  game_file("decals", text);
  loader.missing = {"@gone.png", "@mud_tnorm.png", "@mud_tspec.png", "@mud_tspec.ppm"};
  begin();
  std::vector<Decal> decals;
  std::vector<std::string> progress;
  SceneryFileStatus st = scenery_read_decals(decals, vfs, folder, loader.assets(), true, collect, &progress);
  EXPECT_TRUE(st.found);
  EXPECT_EQ(st.entries, 3);
  ASSERT_EQ(decals.size(), 3u);
  EXPECT_EQ(progress, std::vector<std::string>(3, "Loading decals"));
  EXPECT_NE(decals[0].texture, 0u);
  EXPECT_EQ(decals[0].normal_map, loader.handle_of("texture", "@mud_tnorm.ppm"));
  EXPECT_NE(decals[0].normal_map, 0u);
  EXPECT_EQ(decals[0].specular_map, 0u);
  EXPECT_EQ(decals[1].texture, 0u);  // kept, not painted, but saved again
  EXPECT_EQ(decals[1].name, "@gone.png");
  EXPECT_NEAR(decals[1].sin_angle, 1, 1e-6);
  ASSERT_TRUE(decals_write(decals, vfs, folder));
  EXPECT_EQ(home_file("decals"), text);
  EXPECT_EQ(decals_format(decals), text);

  // The same entries through a file the terrain loader has opened.
  std::vector<Decal> again;
  VfsFile* f = vfs_open(vfs, "@tracks/t/decals", "rb");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(scenery_parse_decals(again, f, loader.assets(), false).entries, 3);
  vfs_close(f);
  EXPECT_EQ(again[0].normal_map, 0u);  // no shader drawing, no companions
}

TEST(SceneryDecals, CornersSpanSizeAcrossAndSizeTimesAspectAlong) {
  TrackAssets none;
  std::vector<Decal> decals;
  scenery_add_decal(decals, 10, 20, 0, 4, 2, "a", none, false);
  scenery_add_decal(decals, 10, 20, 1.5707963f, 4, 2, "a", none, false);
  float c[4][2];
  scenery_decal_corners(decals[0], c);
  float want0[4][2] = {{8, 16}, {12, 16}, {12, 24}, {8, 24}};  // 4 across x, 8 along z
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(c[i][0], want0[i][0], 1e-5);
    EXPECT_NEAR(c[i][1], want0[i][1], 1e-5);
  }
  scenery_decal_corners(decals[1], c);
  float want1[4][2] = {{6, 22}, {6, 18}, {14, 18}, {14, 22}};  // turned a quarter: 8 along x, 4 along z
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(c[i][0], want1[i][0], 1e-5);
    EXPECT_NEAR(c[i][1], want1[i][1], 1e-5);
  }
  EXPECT_EQ(decals[0].texture, 0u);  // no loader: nothing loads, the decal stays
}

// ---------------------------------------------------------------------------
// Damaged files

TEST_F(SceneryTest, DamagedFilesWarnAndKeepWhatConverted) {
  struct Case {
    const char* file;
    std::string text;
    int entries;
    const char* warning;  // a posted text expected, or "" for none
  } cases[] = {
      {"statues", "", 0, ""},
      {"statues", "\n\n  [ 1 2 3 ] 0 a b c\n", 1, ""},
      {"statues", "[ 1 2 3 ] 0 a b c\n[ 1 2 3 ] 0 a b\n", 1, "statues warning: entry 2 does not convert"},
      {"statues", "[ 1 nan 3 ] 0 a b c [ 1 2 3 ] 0 a b c", 1,
       "statues warning: entry 1 has a number that is not finite"},
      {"statues", "[ 1 2 3 ] 1e999 a b c", 0, "not finite"},
      {"statues", "[ inf 2 3 ] 0 a b c", 0, "not finite"},
      {"statues", "garbage", 0, "statues warning: entry 1 does not convert"},
      {"statues", std::string("[ 1 2 3 ] 0 a\0b c d\n", 20), 1, ""},  // the name ends at the zero byte
      {"billboards", "[ 1 2 3 ] 4 5\n", 0, "billboards warning: entry 1 does not convert"},
      {"billboards", "[ 1 2 3 ] 4 -inf x\n[ 1 2 3 ] 4 5 y\n", 1, "billboards warning: entry 1 has a number"},
      {"decals", "[ 1 2 ] 3 4 5 a\n[ 1 2 3 ] 4 5 6 b\n", 1, "decals warning: entry 2 does not convert"},
      {"decals", "[ 1 2 ] 3 nan 5 a\n", 0, "decals warning: entry 1 has a number"},
      {"cameras", "addcamera 1 nan 3\naddcamera 1 2\nfov inf\nautofovsize x\n", 0, "bad addcamera on line 1"},
      {"cameras", std::string("\0\0\xff\xfe gate 300\n", 14), 0, ""},
      {"flaggers", "[ 1 2 3 ] [ 4 5 6 ] 7 8", 0, "flaggers warning: start flagger incomplete"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + ": " + c.text);
    game_file(c.file, c.text);
    begin();
    posted.clear();
    std::vector<Decal> decals;
    SceneryFileStatus st;
    std::string f = c.file;
    if (f == "statues") st = scenery_read_statues(scenery, vfs, folder);
    if (f == "billboards") st = scenery_read_billboards(scenery, vfs, folder);
    if (f == "decals") st = scenery_read_decals(decals, vfs, folder, loader.assets(), false);
    if (f == "cameras") st = scenery_read_cameras(scenery, vfs, folder);
    if (f == "flaggers") st = scenery_read_flaggers(scenery, vfs, folder, 4);
    int made = int(scenery.objects.size() + scenery.billboards.size() + decals.size() + scenery.cameras.size());
    EXPECT_TRUE(st.found);
    EXPECT_EQ(made, c.entries);
    EXPECT_EQ(st.warnings, int(posted.size()));
    if (*c.warning) {
      EXPECT_NE(joined(posted).find(c.warning), std::string::npos) << joined(posted);
    } else {
      EXPECT_TRUE(posted.empty()) << joined(posted);
    }
    std::remove((dir / "game/tracks/t/" + c.file).c_str());
  }
}

TEST_F(SceneryTest, MissingFilesAreSkippedSilently) {
  begin();
  std::vector<Decal> decals;
  EXPECT_FALSE(scenery_read_statues(scenery, vfs, folder).found);
  EXPECT_FALSE(scenery_read_billboards(scenery, vfs, folder).found);
  EXPECT_FALSE(scenery_read_flaggers(scenery, vfs, folder, 3).found);
  EXPECT_FALSE(scenery_read_cameras(scenery, vfs, folder).found);
  EXPECT_FALSE(scenery_read_decals(decals, vfs, folder, loader.assets(), true).found);
  EXPECT_TRUE(posted.empty());
  for (int g : scenery.gate_camera) EXPECT_EQ(g, -1);
}

TEST_F(SceneryTest, WritersReportAFolderThatCannotBeWritten) {
  write_file(dir / "home/tracks", "a file where the folder should be");
  begin();
  scenery_add_object(scenery, 1, 2, 3, 0, "a", "b", "c");
  EXPECT_FALSE(statues_write(scenery, vfs, folder));
  EXPECT_FALSE(billboards_write(scenery, vfs, folder));
  EXPECT_FALSE(decals_write({}, vfs, folder));
  EXPECT_EQ(posted, (std::vector<std::string>{"Can't open 'statues'\n", "Can't open 'billboards'\n",
                                               "Can't open 'decals'\n"}));
}

TEST_F(SceneryTest, ObjectsWithNumbersThatAreNotFiniteAreRefused) {
  begin();
  EXPECT_EQ(scenery_add_object(scenery, NAN, 0, 0, 0, "a", "b", "c"), -1);
  EXPECT_EQ(scenery_add_billboard(scenery, 0, 0, 0, INFINITY, 1, "a"), -1);
  std::vector<Decal> decals;
  EXPECT_EQ(scenery_add_decal(decals, 0, 0, 0, 1, NAN, "a", loader.assets(), false), -1);
  EXPECT_TRUE(scenery.objects.empty() && scenery.billboards.empty() && decals.empty());
  EXPECT_TRUE(loader.calls.empty());
}

}  // namespace
