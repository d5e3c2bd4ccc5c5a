#include "track/lighting.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/log.h"
#include "platform/messages.h"
#include "test_util.h"
#include "vfs/vfs.h"

namespace {

struct FogCall {
  float colour[3];
  float density;
};

struct LightingFixture : testing::Test {
  TempDir dir;
  Vfs vfs;
  std::vector<std::pair<std::string, int>> textures;  // names and flags asked for
  std::vector<FogCall> fog;
  std::vector<std::string> screens;  // loading screens shown, in order
  std::vector<std::string> logged, posted;
  const char* name = "@tracks/t/lighting";

  void SetUp() override {
    vfs_set_folders(vfs, dir / "home/", dir / "game/");
    log_set_listener([](void* c, const char* t) { ((LightingFixture*)c)->logged.push_back(t); }, this);
    message_set_sink([](void* c, const char* t) { ((LightingFixture*)c)->posted.push_back(t); }, this);
  }
  void TearDown() override {
    log_set_listener(nullptr, nullptr);
    message_set_sink(nullptr, nullptr);
    vfs_shutdown(vfs);
  }
  TrackAssets assets() {
    TrackAssets a;
    a.context = this;
    a.texture = [](void* c, const char* n, int flags) {
      auto& t = ((LightingFixture*)c)->textures;
      t.push_back({n, flags});
      return uint32_t(t.size());
    };
    return a;
  }
  LightingHooks hooks() {
    LightingHooks h;
    h.context = this;
    h.set_fog = [](void* c, const float col[3], float d) {
      ((LightingFixture*)c)->fog.push_back({{col[0], col[1], col[2]}, d});
    };
    h.loading_begin = [](void* c, const char* t) {
      ((LightingFixture*)c)->screens.push_back(std::string("begin ") + t);
    };
    h.loading_done = [](void* c, const char* t) { ((LightingFixture*)c)->screens.push_back(std::string("done ") + t); };
    return h;
  }
  bool read(Lighting& l, const std::string& text) {
    write_file(dir / "game/tracks/t/lighting", text);
    return lighting_read(l, vfs, name, assets(), hooks());
  }
};

void expect_vector(const float* v, float x, float y, float z) {
  EXPECT_NEAR(v[0], x, 1e-6);
  EXPECT_NEAR(v[1], y, 1e-6);
  EXPECT_NEAR(v[2], z, 1e-6);
}

const float kDiagonal = 0.57735026f;  // each part of the unit (1, 1, 1)

}  // namespace

TEST_F(LightingFixture, ReadsEveryStatement) {
  Lighting l;
  ASSERT_TRUE(read(l,
                   "  sun_vector [ 0 0 5 ]\n"
                   "sun_color [0.9 0.8 0.7]\r\n"
                   "\tambient [ 0.1 0.2 0.3 ]\n"
                   "\n"
                   "global_ambient [ 0.4 0.5 0.6 ]   \n"
                   "sky_n @my sky n.png  \n"
                   "sky_env @env.png\n"
                   "dynamic_lighting 5\n"
                   "near_plane 0.5\n"
                   "far_plane 3000\n"
                   "fog [ 0.5 0.6 0.7 ] 0.002\n"
                   "flare_element [ 1 2 ] [ 0.1 0.2 0.3 ] 4 @flare1.png\n"
                   "flare_element [3 4] [1 1 1] 5 @flare2.png\n"
                   "flare_point [ 10 20 30 ]\n"
                   "flare_vector [ 0 1 0 ]\n"));
  expect_vector(l.values.sun_vector, 0, 0, 1);
  expect_vector(l.values.sun_color, 0.9f, 0.8f, 0.7f);
  expect_vector(l.values.ambient, 0.1f, 0.2f, 0.3f);
  expect_vector(l.values.global_ambient, 0.4f, 0.5f, 0.6f);
  EXPECT_EQ(l.values.dynamic_lighting, 1);
  EXPECT_FLOAT_EQ(l.values.near_plane, 0.5f);
  EXPECT_FLOAT_EQ(l.values.far_plane, 3000);

  // Given faces keep their names (spaces inside included), the rest take the defaults.
  const std::vector<std::pair<std::string, int>> want_textures = {
      {"@flare1.png", ASSET_TEXTURE_CLAMP | ASSET_TEXTURE_ALPHA},
      {"@flare2.png", ASSET_TEXTURE_CLAMP | ASSET_TEXTURE_ALPHA},
      {"@my sky n.png", ASSET_TEXTURE_CLAMP},
      {"@sky-e.ppm", ASSET_TEXTURE_CLAMP},
      {"@sky-s.ppm", ASSET_TEXTURE_CLAMP},
      {"@sky-w.ppm", ASSET_TEXTURE_CLAMP},
      {"@sky-u.ppm", ASSET_TEXTURE_CLAMP},
      {"@env.png", ASSET_TEXTURE_MIPMAP},
  };
  EXPECT_EQ(textures, want_textures);
  EXPECT_EQ(l.sky_textures[LIGHTING_SKY_N], 3u);
  EXPECT_EQ(l.sky_textures[LIGHTING_SKY_ENV], 8u);

  ASSERT_EQ(l.flares.size(), 2u);
  const LightingFlare& f = l.flares[0];
  EXPECT_EQ(f.kind, LIGHTING_FLARE_POINT);
  expect_vector(f.vector, 10, 20, 30);
  ASSERT_EQ(f.elements.size(), 2u);
  EXPECT_FLOAT_EQ(f.elements[0].pair[1], 2);
  expect_vector(f.elements[0].colour, 0.1f, 0.2f, 0.3f);
  EXPECT_FLOAT_EQ(f.elements[0].value, 4);
  EXPECT_EQ(f.elements[1].texture_name, "@flare2.png");
  EXPECT_EQ(f.elements[1].texture, 2u);
  EXPECT_EQ(l.flares[1].kind, LIGHTING_FLARE_VECTOR);
  EXPECT_TRUE(l.flares[1].elements.empty());  // the point flare took the elements

  ASSERT_EQ(fog.size(), 1u);
  expect_vector(fog[0].colour, 0.5f, 0.6f, 0.7f);
  EXPECT_FLOAT_EQ(fog[0].density, 0.002f);
  EXPECT_EQ(screens, (std::vector<std::string>{"begin Loading lighting", "done Loading lighting"}));
  EXPECT_TRUE(posted.empty());
}

TEST_F(LightingFixture, PlanesAreClampedAndTheSunIsNormalised) {
  struct Case {
    const char* text;
    float near_plane, far_plane;
    float sun[3];
  };
  const float d = kDiagonal;
  const Case cases[] = {
      {"near_plane 2\n", 0.875f, 5000, {d, d, d}},
      {"near_plane 0\n", 0.0009765625f, 5000, {d, d, d}},
      {"near_plane -3\nfar_plane -1\n", 0.0009765625f, 0.0009765625f, {d, d, d}},
      {"near_plane 0.5\nfar_plane 0.1\n", 0.5f, 0.5f, {d, d, d}},
      {"far_plane 2000000\n", 0.25f, 1048576, {d, d, d}},
      {"near_plane nan\nfar_plane inf\n", 0.25f, 5000, {d, d, d}},  // not finite: ignored
      {"sun_vector [ 0 2 0 ]\n", 0.25f, 5000, {0, 1, 0}},
      {"sun_vector [ 0 0 0 ]\n", 0.25f, 5000, {d, d, d}},  // no direction: the default stays
      {"sun_vector [ 0 1 0 ]\nsun_vector [0 0 0]\n", 0.25f, 5000, {0, 1, 0}},
      {"sun_vector [ 1e-30 0 0 ]\n", 0.25f, 5000, {1, 0, 0}},
      {"sun_vector [ 3e38 -3e38 0 ]\n", 0.25f, 5000, {0.70710677f, -0.70710677f, 0}},
      {"sun_vector [ nan 1 0 ]\n", 0.25f, 5000, {d, d, d}},
      {"sun_vector [ 0 1 ]\n", 0.25f, 5000, {d, d, d}},  // two numbers change nothing
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Lighting l;
    read(l, c.text);
    EXPECT_FLOAT_EQ(l.values.near_plane, c.near_plane);
    EXPECT_FLOAT_EQ(l.values.far_plane, c.far_plane);
    expect_vector(l.values.sun_vector, c.sun[0], c.sun[1], c.sun[2]);
  }
}

TEST_F(LightingFixture, MissingFileRestoresTheDefaultsFogIncluded) {
  Lighting l;
  ASSERT_TRUE(read(l, "fog [ 1 1 1 ] 0.5\nsun_color [ 0 0 0 ]\ndynamic_lighting 1\n"
                      "flare_element [1 1] [1 1 1] 1 @f.png\nflare_point [ 0 0 0 ]\n"));
  textures.clear();
  screens.clear();
  fog.clear();
  EXPECT_FALSE(lighting_read(l, vfs, "@tracks/none/lighting", assets(), hooks()));
  expect_vector(l.values.sun_vector, kDiagonal, kDiagonal, kDiagonal);
  expect_vector(l.values.sun_color, 1, 1, 1);
  expect_vector(l.values.ambient, 0.5f, 0.5f, 0.5f);
  expect_vector(l.values.global_ambient, 0.2f, 0.2f, 0.2f);
  EXPECT_FLOAT_EQ(l.values.near_plane, 0.25f);
  EXPECT_FLOAT_EQ(l.values.far_plane, 5000);
  EXPECT_EQ(l.values.dynamic_lighting, 0);
  EXPECT_TRUE(l.flares.empty());
  for (int i = 0; i < LIGHTING_SKY_COUNT; ++i) {
    EXPECT_EQ(l.sky_names[i], "");
    EXPECT_EQ(l.sky_textures[i], 0u);
  }
  EXPECT_TRUE(textures.empty());  // no sky is loaded
  EXPECT_TRUE(screens.empty());   // and nothing is shown
  EXPECT_TRUE(posted.empty());
  // The previous track's fog must not linger.
  ASSERT_EQ(fog.size(), 1u);
  EXPECT_EQ(fog[0].density, 0.0f);
}

TEST_F(LightingFixture, UnknownKeywordStopsTheStatementsButNotTheFinish) {
  Lighting l;
  ASSERT_TRUE(read(l,
                   "near_plane 5\n"
                   "sky_e @east.png\n"
                   "fog [ 0.1 0.2 0.3 ] 0.01\n"
                   "sun_colour [ 0 0 0 ]\n"
                   "sky_n @north.png\n"
                   "fog [ 1 1 1 ] 1\n"
                   "dynamic_lighting 1\n"));
  EXPECT_EQ(posted, std::vector<std::string>{"Error reading lighting: Unknown identifier 'sun_colour'\n"});
  EXPECT_EQ(l.values.dynamic_lighting, 0);
  EXPECT_FLOAT_EQ(l.values.near_plane, 0.875f);  // clamped all the same
  EXPECT_EQ(l.sky_names[LIGHTING_SKY_N], "@sky-n.ppm");
  EXPECT_EQ(l.sky_names[LIGHTING_SKY_E], "@east.png");
  ASSERT_EQ(fog.size(), 1u);
  EXPECT_FLOAT_EQ(fog[0].density, 0.01f);

  // Keywords match exactly, and the message shows at most 950 bytes of one.
  posted.clear();
  read(l, "Sun_vector [ 0 1 0 ]\n");
  EXPECT_EQ(posted, std::vector<std::string>{"Error reading lighting: Unknown identifier 'Sun_vector'\n"});
  posted.clear();
  read(l, std::string(2000, 'k') + " 1\n");
  EXPECT_EQ(posted, std::vector<std::string>{"Error reading lighting: Unknown identifier '" + std::string(950, 'k') +
                                             "'\n"});
}

TEST_F(LightingFixture, FlareElementsAreBoundedAndMustConvert) {
  Lighting l;
  std::string text;
  for (int i = 0; i < 9; ++i) text += "flare_element [ 1 2 ] [ 1 1 1 ] " + std::to_string(i) + " @e.png\n";
  text += "flare_element [ 1 2 ] [ 1 1 ] 3 @short.png\n";     // six numbers
  text += "flare_element [ 1 2 ] [ 1 1 1 ] 3\n";              // no texture
  text += "flare_element [ 1 inf ] [ 1 1 1 ] 3 @inf.png\n";   // not finite
  text += "flare_point [ 1 2 3 ]\n";
  text += "flare_element [ 1 2 ] [ 1 1 1 ] 3 @after.png\n";   // never finished: unused
  ASSERT_TRUE(read(l, text));
  ASSERT_EQ(l.flares.size(), 1u);
  ASSERT_EQ(l.flares[0].elements.size(), 8u);  // the ninth is ignored
  EXPECT_FLOAT_EQ(l.flares[0].elements[7].value, 7);
  int flare_textures = 0;
  for (auto& t : textures)
    if (t.second & ASSET_TEXTURE_ALPHA) ++flare_textures;
  EXPECT_EQ(flare_textures, 9);  // the eight kept and the unused one; never the rejected ones

  // The number of flares one file can make is bounded.
  std::string many;
  for (int i = 0; i < LIGHTING_FLARES_MAX + 50; ++i) many += "flare_vector [ 0 1 0 ]\n";
  logged.clear();
  ASSERT_TRUE(read(l, many));
  EXPECT_EQ(int(l.flares.size()), LIGHTING_FLARES_MAX);
  bool warned = false;
  for (auto& s : logged) warned |= s.find("more than 256 flares") != std::string::npos;
  EXPECT_TRUE(warned);
}

TEST_F(LightingFixture, DamagedArgumentsChangeNothingAndNeverCrash) {
  struct Case {
    const char* what;
    std::string text;
  };
  const Case cases[] = {
      {"partial colour", "sun_color [ 0 0.5 ]\nambient [\nglobal_ambient\n"},
      {"fog short of its density", "fog [ 1 1 1 ]\n"},
      {"fog density not finite", "fog [ 1 1 1 ] nan\n"},
      {"words for numbers", "near_plane far\nfar_plane near\ndynamic_lighting yes\n"},
      {"a flare with no position", "flare_point\nflare_vector [ 1 2 ]\n"},
      {"an empty sky name", "sky_u\nsky_env \t \n"},
      {"binary junk", std::string("\x01\x02\xff \x80\n", 6)},
      {"text cut by a zero byte", std::string("near_plane 0.5\0near_plane 0.1\n", 30)},
  };
  const LightingValues defaults = lighting_default_values();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Lighting l;
    read(l, c.text);
    expect_vector(l.values.sun_color, 1, 1, 1);
    expect_vector(l.values.ambient, 0.5f, 0.5f, 0.5f);
    expect_vector(l.values.global_ambient, defaults.global_ambient[0], defaults.global_ambient[1],
                  defaults.global_ambient[2]);
    EXPECT_EQ(l.values.dynamic_lighting, 0);
    EXPECT_TRUE(l.flares.empty());
    EXPECT_EQ(l.sky_names[LIGHTING_SKY_U], "@sky-u.ppm");
    EXPECT_EQ(l.sky_names[LIGHTING_SKY_ENV], "@sky-env.ppm");
    EXPECT_TRUE(std::isfinite(l.values.near_plane) && std::isfinite(l.values.far_plane));
    EXPECT_TRUE(std::isfinite(l.fog_density));
    EXPECT_EQ(l.fog_density, 0.0f);
  }
  Lighting l;
  read(l, std::string("near_plane 0.5\0near_plane 0.1\n", 30));
  EXPECT_FLOAT_EQ(l.values.near_plane, 0.5f);  // what follows the zero byte is not read

  // A negative density is no fog rather than a value the renderer must refuse.
  fog.clear();
  read(l, "fog [ 1 1 1 ] -2\n");
  EXPECT_EQ(fog.back().density, 0.0f);
  EXPECT_FLOAT_EQ(l.fog_colour[0], 1);
}
