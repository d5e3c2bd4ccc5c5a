// Loading a terrain from track files, and saving it back.
#include "track/terrain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <filesystem>
#include <sys/stat.h>

#include "platform/log.h"
#include "platform/messages.h"
#include "render/png_write.h"
#include "test_util.h"
#include "vfs/vfs.h"

namespace {

int grid_size(int e) { return (1 << (e + 1)) + 1; }

// "terrain.hf" as the game-data generator writes it: header, ":" and the
// samples as 16-bit little-endian values.
std::string hf_inline(int e, float d, float lo, float hi, const std::vector<uint16_t>& samples) {
  char header[128];
  snprintf(header, sizeof header, "%d %f %f %f\n:", e, double(d), double(lo), double(hi));
  std::string out = header;
  for (uint16_t s : samples) {
    out.push_back(char(s & 255));
    out.push_back(char(s >> 8));
  }
  return out;
}

std::string pnm(const char* token, int w, int h, const std::string& data) {
  return std::string(token) + "\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n" + data;
}
std::string ppm_filled(int n, uint8_t value) { return pnm("P6", n, n, std::string(size_t(3 * n * n), char(value))); }

std::vector<uint16_t> random_samples(size_t count, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<uint16_t> out(count);
  for (uint16_t& s : out) s = uint16_t(rng());
  return out;
}

struct HookLog {
  std::vector<std::string> steps;  // begin texts in order
  int quadtree = 0, low_detail = 0, lod = 0, release = 0, decals_read = 0, decals_release = 0;
  bool framebuffer = false;
  std::string decal_text;   // what the decal reader found
  std::string decal_names;  // names handed to the surface reader
  std::vector<unsigned char> digested;
};

class TerrainFiles : public ::testing::Test {
 public:
  void SetUp() override {
    vfs_set_folders(vfs_, dir_.path + "/home", dir_.path + "/game");
    message_set_sink([](void* c, const char* t) { ((TerrainFiles*)c)->posted_.push_back(t); }, this);
    log_set_listener([](void* c, const char* t) { ((TerrainFiles*)c)->logged_.push_back(t); }, this);
  }
  void TearDown() override {
    terrain_free(t_);
    message_set_sink(nullptr, nullptr);
    log_set_listener(nullptr, nullptr);
  }
  std::string game(const std::string& name) const { return dir_.path + "/game/tracks/t/" + name; }
  std::string home(const std::string& name) const { return dir_.path + "/home/tracks/t/" + name; }
  void put(const std::string& name, const std::string& bytes) { write_file(game(name), bytes); }
  void put_png16(const std::string& path, int w, int h, const std::vector<uint16_t>& samples) {
    test_mkdirs(path);
    VfsFile* f = vfs_open_path(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(png_write_grey16(f, w, h, samples.data()));
    vfs_close(f);
  }
  // A complete track of size exponent e with the given samples (random when empty).
  void put_track(int e, float lo, float hi, std::vector<uint16_t> samples = {}) {
    int n = grid_size(e);
    if (samples.empty()) samples = random_samples(size_t(n) * size_t(n), 11);
    put("terrain.hf", hf_inline(e, 2, lo, hi, samples));
    put("shading.ppm", ppm_filled(n, 201));
    put("tilemap", std::string(size_t(1) << (2 * e), '\0'));
  }
  // Parameters whose hooks report into hooks_.
  TerrainLoadParams params() {
    TerrainLoadParams p;
    p.folder = "tracks/t";
    p.loading.context = &hooks_;
    p.loading.begin = [](void* c, const char* t) { ((HookLog*)c)->steps.push_back(t); };
    p.render.context = &hooks_;
    p.render.build_quadtree = [](void* c, Terrain&) { ++((HookLog*)c)->quadtree; };
    p.render.framebuffer_ready = [](void* c, Terrain&) { return ((HookLog*)c)->framebuffer; };
    p.render.low_detail_textures = [](void* c, Terrain&) { ++((HookLog*)c)->low_detail; };
    p.render.lod_textures = [](void* c, Terrain&) { ++((HookLog*)c)->lod; };
    p.render.release = [](void* c, Terrain&) { ++((HookLog*)c)->release; };
    return p;
  }
  bool load() { return load(params()); }
  bool load(const TerrainLoadParams& p) {
    posted_.clear();
    logged_.clear();
    return terrain_load(t_, vfs_, p);
  }
  // Posted lines other than the texture method's announcement.
  std::vector<std::string> errors() const {
    std::vector<std::string> out;
    for (const std::string& p : posted_)
      if (p.rfind("Terrain texture rendering", 0) != 0) out.push_back(p);
    return out;
  }
  float height(int i, int k) const { return t_.heights[size_t(k) * size_t(t_.size) + size_t(i)]; }

  TempDir dir_;
  Vfs vfs_;
  Terrain t_;
  HookLog hooks_;
  std::vector<std::string> posted_, logged_;
};

TEST_F(TerrainFiles, InlineHeightsOfASize8Grid) {
  int n = grid_size(8);
  ASSERT_EQ(n, 513);
  std::vector<uint16_t> samples = random_samples(size_t(n) * size_t(n), 3);
  put_track(8, 0, 100, samples);
  TerrainLoadParams p = params();
  p.detail = 0.5f;
  ASSERT_TRUE(load(p));
  EXPECT_EQ(errors(), std::vector<std::string>{});
  EXPECT_EQ(t_.size, 513);
  EXPECT_EQ(t_.tile_side, 256);
  EXPECT_EQ(t_.tiles.size(), 256u * 256u);
  EXPECT_EQ(t_.triangle_normals.size(), 3u * 2 * 512 * 512);
  EXPECT_FLOAT_EQ(t_.extent, 1024);
  EXPECT_FLOAT_EQ(t_.tile_size, 4);
  EXPECT_FLOAT_EQ(t_.inv_spacing, 0.5f);
  EXPECT_FLOAT_EQ(t_.detail, 0.5f);
  EXPECT_EQ(t_.info.heights, TERRAIN_HEIGHTS_INLINE);
  for (size_t j = 0; j < samples.size(); j += 997) EXPECT_NEAR(t_.heights[j], 100.0 * samples[j] / 65535, 1e-4) << j;
  EXPECT_EQ(t_.base_heights, t_.heights);
  EXPECT_TRUE(terrain_bit(t_.triangle_dirty, 2 * 512 * 512 - 1));
  EXPECT_FALSE(terrain_bit(t_.reshade, 0));
  EXPECT_EQ(hooks_.quadtree, 1);
}

TEST_F(TerrainFiles, HeightsFromASmallerTerrainPngAreExtended) {
  put_track(1, 10, 20);
  put("terrain.hf", "1 2 10 20\n");
  std::vector<uint16_t> pixels = {0, 65535, 13107, 32768, 6554, 52428};  // 3 x 2
  put_png16(game("terrain.png"), 3, 2, pixels);
  ASSERT_TRUE(load());
  EXPECT_EQ(t_.info.heights, TERRAIN_HEIGHTS_IMAGE);
  EXPECT_EQ(t_.info.image_width, 3);
  for (int k = 0; k < 5; ++k)
    for (int i = 0; i < 5; ++i) {
      uint16_t s = pixels[size_t(std::min(k, 1) * 3 + std::min(i, 2))];
      EXPECT_NEAR(height(i, k), 10 + 10.0 * s / 65535, 1e-5) << i << "," << k;
    }
}

TEST_F(TerrainFiles, UnreadableTerrainPngLeavesTheGroundAtTheMinimum) {
  for (bool present : {true, false}) {
    SCOPED_TRACE(present ? "damaged png" : "no png");
    put_track(1, -3, 20);
    put("terrain.hf", "1 2 -3 20");
    if (present) put("terrain.png", "\x89PNG\r\n\x1a\n and then nothing useful");
    else remove(game("terrain.png").c_str());
    ASSERT_TRUE(load());
    EXPECT_EQ(t_.info.heights, TERRAIN_HEIGHTS_FLAT);
    for (float h : t_.heights) EXPECT_EQ(h, -3);
    EXPECT_NE(std::find(logged_.begin(), logged_.end(), "terrain.png unreadable, heights set to the minimum\n"),
              logged_.end());
  }
}

TEST_F(TerrainFiles, ShortInlineHeightsAreFilledWithTheMinimum) {
  put_track(1, 5, 6);
  put("terrain.hf", hf_inline(1, 2, 5, 6, std::vector<uint16_t>(20, 65535)) + "\x01");  // 20 of 25 and a stray byte
  ASSERT_TRUE(load());
  EXPECT_EQ(errors(), std::vector<std::string>{"terrain.hf warning: 5 of 25 height samples missing\n"});
  EXPECT_EQ(t_.info.samples_missing, 5);
  EXPECT_EQ(height(4, 3), 6);
  EXPECT_EQ(height(0, 4), 5);
  EXPECT_EQ(height(4, 4), 5);
}

TEST_F(TerrainFiles, ShadingAndShadowBytesAreConverted) {
  put_track(1, 0, 1);
  ASSERT_TRUE(load());
  EXPECT_FALSE(t_.info.shading_x2);
  EXPECT_EQ(t_.shading[7], 100);  // "shading.ppm" is halved: 201 -> 100
  EXPECT_EQ(t_.shadows, std::vector<uint8_t>(25, 0));
  EXPECT_FALSE(t_.info.shadows);

  put("shadingx2.ppm", ppm_filled(5, 77));
  std::string light(25, char(255));
  light[6] = char(55);
  put("shadows.pgm", pnm("P5", 5, 5, light));
  ASSERT_TRUE(load());
  EXPECT_TRUE(t_.info.shading_x2);
  EXPECT_EQ(t_.shading, std::vector<uint8_t>(75, 77));  // "shadingx2.ppm" is taken as it is
  EXPECT_TRUE(t_.info.shadows);
  EXPECT_EQ(t_.shadows[6], 200);  // light 55 is darkness 200
  EXPECT_EQ(t_.shadows[5], 0);
}

TEST_F(TerrainFiles, TileMapIsClampedBelowTheTileCountAndShortMapsFilled) {
  put_track(1, 0, 1);
  TerrainLoadParams p = params();
  p.surfaces_context = &hooks_;
  p.surfaces = [](void* c, Vfs&, const char* name, bool texturelist) {
    ((HookLog*)c)->decal_names += std::string(name) + (texturelist ? " (texturelist);" : ";");
    return 3;
  };
  put("tilemap", std::string("\x00\x01\x02\x09", 4));
  put("tileinfo", "");
  ASSERT_TRUE(load(p));
  EXPECT_EQ(t_.tile_count, 3);
  EXPECT_EQ(t_.tiles, (std::vector<uint8_t>{0, 1, 2, 2}));
  EXPECT_EQ(t_.info.tiles_clamped, 1);
  EXPECT_FALSE(t_.info.texturelist);
  EXPECT_EQ(terrain_tile_at(t_, 5, 1), 1);  // tile (1, 0)
  EXPECT_EQ(terrain_tile_at(t_, 1, 100), 2);  // clamped to tile (0, 1)

  put("tilemap", "\x02\x01\x01");
  remove(game("tileinfo").c_str());
  ASSERT_TRUE(load(p));
  EXPECT_EQ(errors(), std::vector<std::string>{"tilemap warning: 1 of 4 tiles missing\n"});
  EXPECT_EQ(t_.tiles, (std::vector<uint8_t>{2, 1, 1, 0}));
  EXPECT_TRUE(t_.info.texturelist);
  EXPECT_EQ(hooks_.decal_names, "@tracks/t/tileinfo;@tracks/t/texturelist (texturelist);");
}

TEST_F(TerrainFiles, DamagedFilesFailWithTheirMessages) {
  const std::vector<std::string> bad_header = {"Bad height field parameters", "Error reading heights"};
  struct Case {
    const char* what;
    std::function<void(TerrainFiles&)> damage;
    std::vector<std::string> posted;
    std::string logged = "";  // a line that must be logged, or ""
    int surfaces = 1;    // what the surface reader returns
  };
  auto header = [](const char* text) { return [text](TerrainFiles& f) { f.put("terrain.hf", text); }; };
  std::vector<Case> cases = {
      {"no height file", [](TerrainFiles& f) { remove(f.game("terrain.hf").c_str()); },
       {"Can't open '@tracks/t/terrain.hf'"}},
      {"three numbers", header("1 2 0\n"), bad_header},
      {"not a number", header("x 2 0 1\n"), bad_header},
      {"empty height file", header(""), bad_header},
      {"exponent 0", header("0 2 0 1\n:"), bad_header, "terrain.hf: size exponent 0 outside 1..12\n"},
      {"exponent 13", header("13 2 0 1\n:"), bad_header},
      {"negative exponent", header("-1 2 0 1\n:"), bad_header},
      {"huge exponent", header("99999999999 2 0 1\n:"), bad_header},
      {"spacing 0", header("1 0 0 1\n:"), bad_header, "terrain.hf: spacing 0 outside 0.0625..1024\n"},
      {"negative spacing", header("1 -2 0 1\n:"), bad_header},
      {"spacing nan", header("1 nan 0 1\n:"), bad_header},
      {"tiny spacing", header("1 0.000001 0 1\n:"), bad_header},
      {"huge spacing", header("1 1e9 0 1\n:"), bad_header},
      {"infinite minimum", header("1 2 -inf 1\n:"), bad_header, "terrain.hf: height range -inf..1 is not finite\n"},
      {"nan maximum", header("1 2 0 nan\n:"), bad_header},
      {"range overflows", header("1 2 -3e38 3e38\n:"), bad_header},
      {"no shading", [](TerrainFiles& f) { remove(f.game("shading.ppm").c_str()); },
       {"Can't open '@tracks/t/shading.ppm'"}},
      {"shading not a ppm", [](TerrainFiles& f) { f.put("shading.ppm", "P5 5 5 255 "); },
       {"Can't get PPM dimensions", "Error reading shading"}},
      {"shading short", [](TerrainFiles& f) { f.put("shading.ppm", pnm("P6", 5, 5, "abc")); },
       {"Error reading shading"}},
      {"shading 3x3", [](TerrainFiles& f) { f.put("shading.ppm", ppm_filled(3, 9)); },
       {"Bad shading dimensions (3x3)"}},
      {"damaged shadingx2 is not passed over", [](TerrainFiles& f) { f.put("shadingx2.ppm", ppm_filled(4, 9)); },
       {"Bad shading dimensions (4x4)"}},
      {"shadows not a pgm", [](TerrainFiles& f) { f.put("shadows.pgm", ppm_filled(5, 9)); },
       {"Can't get PGM dimensions", "Error reading shadows"}},
      {"shadows 4x5", [](TerrainFiles& f) { f.put("shadows.pgm", pnm("P5", 4, 5, std::string(20, 'x'))); }, {},
       "Bad shadow dimensions (4x5)\n"},
      {"tileinfo unreadable", [](TerrainFiles& f) { f.put("tileinfo", "x"); }, {"Error reading tileinfo"}, "", -1},
      {"texturelist unreadable", [](TerrainFiles&) {}, {"Error reading textures"}, "", -1},
      {"no tilemap", [](TerrainFiles& f) { remove(f.game("tilemap").c_str()); }, {"Can't open '@tracks/t/tilemap'"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(dir_.path + "/game");  // nothing left from the case before
    put_track(1, 0, 1);
    c.damage(*this);
    TerrainLoadParams p = params();
    static int surfaces_result;
    surfaces_result = c.surfaces;
    p.surfaces = [](void*, Vfs&, const char*, bool) { return surfaces_result; };
    hooks_ = HookLog();
    EXPECT_FALSE(load(p));
    EXPECT_EQ(errors(), c.posted);
    if (!c.logged.empty()) {
      EXPECT_NE(std::find(logged_.begin(), logged_.end(), c.logged), logged_.end()) << c.logged;
    }
    // Nothing of the failed load is kept, and the renderer was told.
    EXPECT_EQ(t_.size, 0);
    EXPECT_TRUE(t_.heights.empty());
    EXPECT_TRUE(t_.shading.empty());
    EXPECT_EQ(hooks_.release, 1);
  }
}

TEST_F(TerrainFiles, ShadingOfTheWrongSizeForASize8Grid) {
  put_track(8, 0, 100, std::vector<uint16_t>(513 * 513, 0));
  put("shading.ppm", ppm_filled(257, 128));
  EXPECT_FALSE(load());
  EXPECT_EQ(errors(), std::vector<std::string>{"Bad shading dimensions (257x257)"});
}

TEST_F(TerrainFiles, TextureMethodAndShaderDrawing) {
  struct Case {
    int requested;
    bool framebuffer;
    bool shader_terrain;
    int method;
    const char* message;
    bool shader_drawing;
    int limit;
  } cases[] = {
      {1, false, true, 1, "Terrain texture rendering with TexSubImage", false, 256},
      {2, false, true, 2, "Terrain texture rendering with CopyTexSubImage", true, 256},
      {2, false, false, 2, "Terrain texture rendering with CopyTexSubImage", false, 256},
      {3, true, true, 3, "Terrain texture rendering with framebuffer objects", true, 0},
      {3, false, true, 1, "Terrain texture rendering with TexSubImage", false, 256},
      {0, true, true, 1, "Something went wrong setting up terrain texture rendering!", false, 256},
  };
  put_track(1, 0, 1);
  put("decals", "[ 1 2 ] 0 4 1 @mud.png\n");
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "method " << c.requested << (c.framebuffer ? " with fbo" : ""));
    hooks_ = HookLog();
    hooks_.framebuffer = c.framebuffer;
    TerrainLoadParams p = params();
    p.texture_method = c.requested;
    p.shader_terrain = c.shader_terrain;
    ASSERT_TRUE(load(p));
    EXPECT_EQ(posted_, std::vector<std::string>{c.message});
    EXPECT_EQ(t_.texture_method, c.method);
    EXPECT_EQ(t_.shader_drawing, c.shader_drawing);
    EXPECT_EQ(t_.packed_normals.size(), c.shader_drawing ? 75u : 0u);
    EXPECT_EQ(t_.ground_texture_limit, c.limit);
    EXPECT_EQ(hooks_.low_detail, c.method == 1 ? 0 : 1);
    EXPECT_EQ(hooks_.lod, c.method == 1 ? 0 : 1);
    std::vector<std::string> steps = {"Loading terrain",  "Loading heights", "Loading shading",
                                      "Loading shadows",  "Loading tileinfo", "Loading tilemap"};
    if (c.shader_drawing) steps.push_back("Creating terrain normals");
    if (c.method != 1) steps.insert(steps.end(), {"Creating low detail textures", "Creating LOD textures"});
    steps.push_back("Loading decals");
    EXPECT_EQ(hooks_.steps, steps);
  }
  // Packed normals of flat-ish ground with full light.
  put("terrain.hf", hf_inline(1, 2, 0, 1, std::vector<uint16_t>(25, 0)));
  hooks_.framebuffer = true;
  TerrainLoadParams p = params();
  p.texture_method = 3;
  p.shader_terrain = true;
  ASSERT_TRUE(load(p));
  ASSERT_EQ(t_.packed_normals.size(), 75u);
  for (int j = 0; j < 25; ++j) {
    EXPECT_EQ(t_.packed_normals[size_t(3 * j)], 128);
    EXPECT_EQ(t_.packed_normals[size_t(3 * j + 1)], 255);
    EXPECT_EQ(t_.packed_normals[size_t(3 * j + 2)], 128);
  }
}

TEST_F(TerrainFiles, DecalsAreReadThroughTheSceneryHookAndFreedWithTheTerrain) {
  put_track(1, 0, 1);
  static std::string store;
  TerrainLoadParams p = params();
  p.decals.context = &hooks_;
  p.decals.read = [](void* c, Terrain& t, Vfs&, VfsFile* f) {
    HookLog& h = *(HookLog*)c;
    ++h.decals_read;
    char line[256];
    while (vfs_gets(f, line, sizeof line)) h.decal_text += line;
    store = h.decal_text;
    t.decals = &store;
  };
  p.decals.release = [](void* c, Terrain& t) {
    ++((HookLog*)c)->decals_release;
    t.decals = nullptr;
  };
  ASSERT_TRUE(load(p));
  EXPECT_EQ(hooks_.decals_read, 0);
  EXPECT_FALSE(t_.info.decals);
  put("decals", "[ 1 2 ] 0 4 1 @mud.png\n");
  ASSERT_TRUE(load(p));
  EXPECT_EQ(hooks_.decals_read, 1);
  EXPECT_EQ(hooks_.decal_text, "[ 1 2 ] 0 4 1 @mud.png\n");
  EXPECT_TRUE(t_.info.decals);
  terrain_free(t_);
  EXPECT_EQ(hooks_.decals_release, 1);
  EXPECT_EQ(hooks_.release, 2);  // the load over the first terrain freed it too
  EXPECT_EQ(t_.decals, nullptr);
}

TEST_F(TerrainFiles, DigestOfTheSamplesIsLoggedAtVerbosity2) {
  std::vector<uint16_t> samples = random_samples(25, 9);
  put_track(1, 0, 1, samples);
  static std::vector<unsigned char> seen;
  TerrainLoadParams p = params();
  p.digest = [](const void* bytes, size_t n, unsigned char out[20]) {
    seen.assign((const unsigned char*)bytes, (const unsigned char*)bytes + n);
    for (int b = 0; b < 20; ++b) out[b] = (unsigned char)(b * 17);
  };
  p.verbosity = 1;
  ASSERT_TRUE(load(p));
  EXPECT_TRUE(seen.empty());
  p.verbosity = 2;
  ASSERT_TRUE(load(p));
  std::string hf = read_file(game("terrain.hf"));
  EXPECT_EQ(std::string(seen.begin(), seen.end()), hf.substr(hf.find(':') + 1));
  EXPECT_NE(std::find(logged_.begin(), logged_.end(), "00112233445566778899aabbccddeeff10213243\n"), logged_.end());
}

// ---------------------------------------------------------------------------
// Saving

TEST_F(TerrainFiles, SaveAndReloadKeepsHeightsWithinOneStep) {
  put_track(2, -20, 40);
  ASSERT_TRUE(load());
  terrain_set_point(t_, 3, 4, 55.123f);   // above the old maximum
  terrain_set_point(t_, 8, 0, -31.77f);   // below the old minimum
  terrain_set_point(t_, 0, 8, 1.0f / 3);
  std::vector<float> edited = t_.heights;
  put("tilemap", "");  // the saved copy must come from the record, not this file
  ASSERT_TRUE(terrain_save(t_, vfs_));
  EXPECT_EQ(errors(), std::vector<std::string>{});
  EXPECT_FLOAT_EQ(t_.max_height, 55.123f);
  EXPECT_FLOAT_EQ(t_.min_height, -31.77f);
  EXPECT_EQ(read_file(home("terrain.hf")), "2 2.000000 -31.770000 55.123001\n");
  EXPECT_FALSE(file_exists(home("terrain.png.new")));
  EXPECT_FALSE(file_exists(home("terrain.hf.new")));
  EXPECT_EQ(read_file(home("tilemap")), std::string(16, '\0'));

  ASSERT_TRUE(load());  // the home folder's files come first
  EXPECT_EQ(t_.info.heights, TERRAIN_HEIGHTS_IMAGE);
  float step = (55.123f + 31.77f) / 65535;
  for (size_t j = 0; j < edited.size(); ++j) EXPECT_NEAR(t_.heights[j], edited[j], step / 2 + 1e-5f) << j;
}

TEST_F(TerrainFiles, ShadingSavesAtFullAndHalfIntensity) {
  put_track(1, 0, 1);
  ASSERT_TRUE(load());
  ASSERT_EQ(t_.shading[0], 100);
  t_.shading[1] = 128;
  t_.shading[2] = 250;
  ASSERT_TRUE(terrain_save(t_, vfs_));
  std::string full = read_file(home("shading.ppm")), half = read_file(home("shadingx2.ppm"));
  std::string head = "P6\n5 5\n255\n";
  ASSERT_EQ(full.size(), head.size() + 75);
  EXPECT_EQ(full.substr(0, head.size()), head);
  EXPECT_EQ(half.substr(0, head.size()), head);
  EXPECT_EQ(uint8_t(full[head.size()]), 200);  // 201 loaded as 100 and saved as 200
  EXPECT_EQ(uint8_t(full[head.size() + 1]), 255);
  EXPECT_EQ(uint8_t(full[head.size() + 2]), 255);
  EXPECT_EQ(uint8_t(half[head.size()]), 100);
  EXPECT_EQ(uint8_t(half[head.size() + 2]), 250);
}

TEST_F(TerrainFiles, FlatTerrainSavesAndLoads) {
  put_track(1, 5, 5, std::vector<uint16_t>(25, 1234));
  ASSERT_TRUE(load());
  for (float h : t_.heights) ASSERT_EQ(h, 5);
  ASSERT_TRUE(terrain_save(t_, vfs_));
  EXPECT_EQ(read_file(home("terrain.hf")), "1 2.000000 5.000000 5.000000\n");
  ASSERT_TRUE(load());
  for (float h : t_.heights) EXPECT_EQ(h, 5);
}

TEST_F(TerrainFiles, FailedSaveLeavesTheOldFilesInPlace) {
  put_track(1, 0, 10);
  ASSERT_TRUE(load());
  ASSERT_TRUE(terrain_save(t_, vfs_));
  std::string old_hf = read_file(home("terrain.hf")), old_png = read_file(home("terrain.png"));
  std::string old_shading = read_file(home("shading.ppm"));
  terrain_set_point(t_, 2, 2, 500);  // a new scale
  t_.shading[0] = 1;
  struct Case {
    const char* blocked;  // this temporary name is taken by a folder
    std::string message;
    bool heights_saved;
  } cases[] = {
      {"terrain.png.new", "Can't open 'terrain.png'", false},
      {"terrain.hf.new", "Can't open 'terrain.hf'", false},
      {"shading.ppm.new", "Can't open 'shading.ppm'", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.blocked);
    mkdir(home(c.blocked).c_str(), 0755);
    posted_.clear();
    EXPECT_FALSE(terrain_save(t_, vfs_));
    EXPECT_EQ(posted_, std::vector<std::string>{c.message});
    EXPECT_EQ(read_file(home("terrain.hf")) == old_hf, !c.heights_saved);
    EXPECT_EQ(read_file(home("terrain.png")) == old_png, !c.heights_saved);
    EXPECT_EQ(read_file(home("shading.ppm")), old_shading);
    if (std::string(c.blocked) != "terrain.png.new") {
      EXPECT_FALSE(file_exists(home("terrain.png.new")));
    }
    rmdir(home(c.blocked).c_str());
  }
}

TEST_F(TerrainFiles, DecalsAreWrittenThroughTheSceneryHook) {
  put_track(1, 0, 1);
  ASSERT_TRUE(load());
  ASSERT_TRUE(terrain_save(t_, vfs_));
  EXPECT_FALSE(file_exists(home("decals")));
  static std::string list = "[1.000000 2.000000] 0.000000 4.000000 1.000000 @mud.png\n";
  t_.decals = &list;
  t_.decal_hooks.write = [](void*, const Terrain& t, VfsFile* f) {
    return vfs_puts(f, ((std::string*)t.decals)->c_str()) >= 0;
  };
  ASSERT_TRUE(terrain_save(t_, vfs_));
  EXPECT_EQ(read_file(home("decals")), list);
  t_.decals = nullptr;
}

}  // namespace
