#include "track/surface.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "platform/messages.h"
#include "test_util.h"
#include "vfs/vfs.h"

namespace {

// Records every texture asked for; names containing "missing" fail to load.
struct TextureRecorder {
  std::vector<std::pair<std::string, int>> asked;  // name, flags
  uint32_t next = 100;
};

uint32_t record_texture(void* context, const char* name, int flags) {
  TextureRecorder& r = *static_cast<TextureRecorder*>(context);
  r.asked.push_back({name, flags});
  return strstr(name, "missing") ? 0 : r.next++;
}

void capture_posted(void* context, const char* text) {
  static_cast<std::vector<std::string>*>(context)->push_back(text);
}

struct SurfaceRead {
  SurfaceTable table;
  TextureRecorder textures;
  std::vector<std::string> posted;  // every line posted while reading
  int progress = 0;                 // loading-message pumps
};

SurfaceLoader recording_loader(SurfaceRead& r) {
  SurfaceLoader loader;
  loader.assets.context = &r.textures;
  loader.assets.texture = record_texture;
  loader.progress = [](void* context, const char* text) {
    EXPECT_STREQ(text, "Loading tileinfo");
    ++*static_cast<int*>(context);
  };
  loader.progress_context = &r.progress;
  return loader;
}

SurfaceRead read_surfaces(const std::string& text, bool texturelist = false) {
  TempDir dir;
  write_file(dir / "surfaces", text);
  SurfaceRead r;
  SurfaceLoader loader = recording_loader(r);
  message_set_sink(capture_posted, &r.posted);
  VfsFile* f = vfs_open_path((dir / "surfaces").c_str(), "rb");
  EXPECT_TRUE(f);
  bool ok = texturelist ? surfaces_read_texturelist(r.table, f, loader) : surfaces_read_tileinfo(r.table, f, loader);
  EXPECT_TRUE(ok);
  vfs_close(f);
  message_set_sink(nullptr, nullptr);
  EXPECT_EQ(r.table.warnings, int(r.posted.size()));
  return r;
}

using Warnings = std::vector<std::string>;

}  // namespace

TEST(SurfaceTileinfo, SurfaceWithOnlyATextureTakesEveryDefault) {
  SurfaceRead r = read_surfaces("texture @dirt.png\naddtile\n");
  ASSERT_EQ(surfaces_count(r.table), 1);
  EXPECT_TRUE(r.posted.empty());
  EXPECT_EQ(r.progress, 2);
  const Surface& s = r.table.surfaces[0];
  EXPECT_EQ(s.name, "@dirt.png");
  EXPECT_EQ(s.texture_name, "@dirt.png");
  EXPECT_EQ(s.texture, 100u);
  ASSERT_EQ(r.textures.asked.size(), 1u);
  EXPECT_EQ(r.textures.asked[0].second, SURFACE_GROUND_TEXTURE_FLAGS);
  EXPECT_EQ(s.slip_function, 0);
  EXPECT_EQ(s.friction[0].value, 1.0f);
  EXPECT_EQ(s.friction[0].key, 1.0f);
  EXPECT_EQ(s.roll_resist[0].first, 5.0f);
  EXPECT_EQ(s.roll_resist[0].second, 15.0f);
  EXPECT_EQ(s.roll_resist[0].key, 1.0f);
  for (int i = 1; i < 8; ++i) {
    EXPECT_EQ(s.friction[i].value, 1.0f);
    EXPECT_EQ(s.friction[i].key, 1048576.0f);
    EXPECT_EQ(s.roll_resist[i].first, 5.0f);
    EXPECT_EQ(s.roll_resist[i].second, 15.0f);
    EXPECT_EQ(s.roll_resist[i].key, 0.0f);
  }
  EXPECT_EQ(s.roost_count, 0);
  for (const RoostKind& k : s.roost) {
    EXPECT_EQ(k.kind, ROOST_NONE);
    EXPECT_EQ(k.texture_name, "@roost.png");
    EXPECT_EQ(k.count, 10.0f);
    EXPECT_EQ(k.dig, 1.0f);
    EXPECT_EQ(k.slip_threshold, 4.0f);
    EXPECT_EQ(k.slow_angle, 1.5707964f);
    EXPECT_EQ(k.fast_angle, 0.19634955f);
    EXPECT_EQ(k.slow_speed, 0.0f);
    EXPECT_EQ(k.fast_speed, 64.0f);
    EXPECT_EQ(k.size, 0.25f);
    EXPECT_EQ(k.grow, 4.0f);
    EXPECT_EQ(k.drag, 0.5f);
    EXPECT_EQ(k.vscale, 1.0f);
    EXPECT_EQ(k.randomize, 15.0f);
    EXPECT_EQ(std::vector<int>(k.colour, k.colour + 4), (std::vector<int>{255, 255, 255, 255}));
    EXPECT_EQ(std::vector<int>(k.fade, k.fade + 4), (std::vector<int>{0, 0, 0, -2}));
  }
  const SurfaceErosion& e = s.erosion;
  std::vector<float> scalars = {e.erode_depth, e.erode_lower, e.erode_upper, e.erode_displacement,
                                e.erode_radius, e.erode_inner_depth, e.erode_inner_radius, e.erode_min_slope,
                                e.erode_max_slope, e.erode_off_speed, e.erode_on_speed, e.erode_slip_lower,
                                e.erode_slip_upper, e.erode_slip_base_scale, e.erode_slip_scale,
                                e.erode_downhill_scale, e.erode_project_to_ground, e.erode_lateral_scale,
                                e.erode_front_scale};
  EXPECT_EQ(scalars, (std::vector<float>{1, 50, 150, 2, 4, 0.125f, 2, -0.5f, 0.5f, 10, 15, 0, 5, 1, 1.5f, 0, 1, 1, 1}));
  ASSERT_EQ(e.erode_limit_count, 1);
  EXPECT_EQ(e.erode_limit_depth[0], 0.0f);
  EXPECT_EQ(e.erode_limit_outer[0], 1.0f);
  EXPECT_EQ(e.erode_limit_inner[0], 1.0f);
  EXPECT_EQ(s.short_name, "dirt.png");
  EXPECT_EQ(s.blend_code, 0);
}

// One surface built from property lines, its warnings and what it stores.
struct KeywordCase {
  const char* what;
  std::string lines;  // before "addtile"
  Warnings warnings;
  std::function<void(const Surface&)> check;
};

TEST(SurfaceTileinfo, EveryKeywordStoresOrWarns) {
  std::string nine_friction;
  for (int i = 0; i < 9; ++i) nine_friction += "friction 0." + std::to_string(i + 1) + " " + std::to_string(10 * i) + "\n";
  std::string nine_roll;
  for (int i = 0; i < 9; ++i) nine_roll += "roll_resist 1 2 " + std::to_string(i + 1) + "\n";
  std::string nine_limits;
  for (int i = 0; i < 9; ++i) nine_limits += "erode_limit " + std::to_string(i) + " 1 1\n";
  const std::string long_name(60, 'n');

  const KeywordCase cases[] = {
      {"name wins over the texture name and is cut to 47", "texture @dirt.png\nname " + long_name + "\n", {},
       [&](const Surface& s) { EXPECT_EQ(s.name, long_name.substr(0, 47)); }},
      {"a long texture name is cut to 47 as the name", "texture @" + long_name + ".png\n", {},
       [&](const Surface& s) {
         EXPECT_EQ(s.name, ("@" + long_name).substr(0, 47));
         EXPECT_EQ(s.texture_name, "@" + long_name + ".png");
       }},
      {"friction points are sorted by key", "friction 0.9 2\nfriction 1.1 1\n", {},
       [](const Surface& s) {
         EXPECT_EQ(s.friction[0].value, 1.1f);
         EXPECT_EQ(s.friction[0].key, 1.0f);
         EXPECT_EQ(s.friction[1].value, 0.9f);
         EXPECT_EQ(s.friction[1].key, 2.0f);
         for (int i = 2; i < 8; ++i) {
           EXPECT_EQ(s.friction[i].value, 1.0f);
           EXPECT_EQ(s.friction[i].key, 1048576.0f);
         }
       }},
      {"friction value and key are clamped", "friction -1 5000000\n", {},
       [](const Surface& s) {
         EXPECT_EQ(s.friction[0].value, 0.0f);
         EXPECT_EQ(s.friction[0].key, 1048575.0f);
       }},
      {"a ninth friction point changes nothing", nine_friction, {"tileinfo warning: too many friction points\n"},
       [](const Surface& s) {
         EXPECT_EQ(s.friction[7].value, 0.8f);
         EXPECT_EQ(s.friction[7].key, 70.0f);
       }},
      {"friction needs two finite numbers", "friction 0.5\nfriction nan 1\nfriction 1 inf\n",
       {"tileinfo warning: bad friction parameters\n", "tileinfo warning: bad friction parameters\n",
        "tileinfo warning: bad friction parameters\n"},
       [](const Surface& s) { EXPECT_EQ(s.friction[0].key, 1.0f); }},
      {"slip_function 2 is stored", "slip_function 2\n", {}, [](const Surface& s) { EXPECT_EQ(s.slip_function, 2); }},
      {"slip_function outside 0..2 keeps the previous value",
       "slip_function 1\nslip_function 3\nslip_function -1\nslip_function 4294967296\nslip_function x\n",
       {"tileinfo warning: bad slip_function\n", "tileinfo warning: bad slip_function\n",
        "tileinfo warning: bad slip_function\n", "tileinfo warning: bad slip_function\n"},
       [](const Surface& s) { EXPECT_EQ(s.slip_function, 1); }},
      {"roll_resist key 0 becomes 2^-20 and values are kept non-negative", "roll_resist -3 7 0\nroll_resist 2 3 -5\n", {},
       [](const Surface& s) {
         EXPECT_EQ(s.roll_resist[0].key, 9.536743e-7f);
         EXPECT_EQ(s.roll_resist[1].key, 9.536743e-7f);
         EXPECT_EQ(s.roll_resist[0].first, 0.0f);
         EXPECT_EQ(s.roll_resist[0].second, 7.0f);
         EXPECT_EQ(s.roll_resist[2].key, 0.0f);
       }},
      {"roll_resist points are sorted by key", "roll_resist 1 2 30\nroll_resist 3 4 10\n", {},
       [](const Surface& s) {
         EXPECT_EQ(s.roll_resist[0].first, 3.0f);
         EXPECT_EQ(s.roll_resist[0].key, 10.0f);
         EXPECT_EQ(s.roll_resist[1].second, 2.0f);
         EXPECT_EQ(s.roll_resist[1].key, 30.0f);
       }},
      {"a ninth roll_resist point changes nothing", nine_roll, {"tileinfo warning: too many roll_resist points\n"},
       [](const Surface& s) { EXPECT_EQ(s.roll_resist[7].key, 8.0f); }},
      {"roll_resist needs three numbers", "roll_resist 1 2\n", {"tileinfo warning: bad roll_resist parameters\n"},
       [](const Surface& s) { EXPECT_EQ(s.roll_resist[0].key, 1.0f); }},
      {"erode limits in increasing depth", "erode_limit 0.5 0.8 0.6\nerode_limit 2 0.1 0.2\n", {},
       [](const Surface& s) {
         ASSERT_EQ(s.erosion.erode_limit_count, 2);
         EXPECT_EQ(s.erosion.erode_limit_depth[1], 2.0f);
         EXPECT_EQ(s.erosion.erode_limit_outer[1], 0.1f);
         EXPECT_EQ(s.erosion.erode_limit_inner[1], 0.2f);
       }},
      {"an erode limit not deeper than the previous is dropped", "erode_limit 1 2 3\nerode_limit 1 5 5\nerode_limit 0.5 5 5\n",
       {"tileinfo warning: erode_limit depth <= prev depth\n", "tileinfo warning: erode_limit depth <= prev depth\n"},
       [](const Surface& s) {
         ASSERT_EQ(s.erosion.erode_limit_count, 1);
         EXPECT_EQ(s.erosion.erode_limit_outer[0], 2.0f);
       }},
      {"a ninth erode limit is dropped", nine_limits, {"tileinfo warning: too many erode limits\n"},
       [](const Surface& s) {
         EXPECT_EQ(s.erosion.erode_limit_count, 8);
         EXPECT_EQ(s.erosion.erode_limit_depth[7], 7.0f);
       }},
      {"an erode limit needs three numbers", "erode_limit 1 2\n", {"tileinfo warning: bad erode_limit\n"},
       [](const Surface& s) {
         ASSERT_EQ(s.erosion.erode_limit_count, 1);  // the default one
         EXPECT_EQ(s.erosion.erode_limit_depth[0], 0.0f);
       }},
      {"there are no comment lines", "# a comment\n", {"tileinfo warning: Unknown identifier '#'\n"}, nullptr},
      {"keywords are case-sensitive", "Name Dirt\n", {"tileinfo warning: Unknown identifier 'Name'\n"},
       [](const Surface& s) { EXPECT_EQ(s.name, ""); }},
      {"white space around keywords, CR LF line ends", "\t  name  Dirt track \r\n\r\n   \n", {},
       [](const Surface& s) { EXPECT_EQ(s.name, "Dirt track "); }},
  };
  for (const KeywordCase& c : cases) {
    SCOPED_TRACE(c.what);
    SurfaceRead r = read_surfaces(c.lines + "addtile\n");
    EXPECT_EQ(r.posted, c.warnings);
    ASSERT_EQ(surfaces_count(r.table), 1);
    if (c.check) c.check(r.table.surfaces[0]);
  }
}

TEST(SurfaceTileinfo, EachErosionKeySetsItsOwnField) {
  struct Key {
    const char* keyword;
    float SurfaceErosion::*field;
  };
  const Key keys[] = {
      {"erode_depth", &SurfaceErosion::erode_depth},
      {"erode_lower", &SurfaceErosion::erode_lower},
      {"erode_upper", &SurfaceErosion::erode_upper},
      {"erode_displacement", &SurfaceErosion::erode_displacement},
      {"erode_radius", &SurfaceErosion::erode_radius},
      {"erode_inner_depth", &SurfaceErosion::erode_inner_depth},
      {"erode_inner_radius", &SurfaceErosion::erode_inner_radius},
      {"erode_min_slope", &SurfaceErosion::erode_min_slope},
      {"erode_max_slope", &SurfaceErosion::erode_max_slope},
      {"erode_off_speed", &SurfaceErosion::erode_off_speed},
      {"erode_on_speed", &SurfaceErosion::erode_on_speed},
      {"erode_slip_lower", &SurfaceErosion::erode_slip_lower},
      {"erode_slip_upper", &SurfaceErosion::erode_slip_upper},
      {"erode_slip_base_scale", &SurfaceErosion::erode_slip_base_scale},
      {"erode_slip_scale", &SurfaceErosion::erode_slip_scale},
      {"erode_downhill_scale", &SurfaceErosion::erode_downhill_scale},
      {"erode_project_to_ground", &SurfaceErosion::erode_project_to_ground},
      {"erode_lateral_scale", &SurfaceErosion::erode_lateral_scale},
      {"erode_front_scale", &SurfaceErosion::erode_front_scale},
  };
  const SurfaceErosion defaults;
  for (const Key& k : keys) {
    SCOPED_TRACE(k.keyword);
    // A good value, then two bad ones that leave it in place.
    std::string kw = k.keyword;
    SurfaceRead r = read_surfaces(kw + " 77.25\n" + kw + " soft\n" + kw + " nan\naddtile\n");
    std::string warning = "tileinfo warning: bad " + kw + "\n";
    EXPECT_EQ(r.posted, (Warnings{warning, warning}));
    ASSERT_EQ(surfaces_count(r.table), 1);
    const SurfaceErosion& e = r.table.surfaces[0].erosion;
    EXPECT_EQ(e.*k.field, 77.25f);
    for (const Key& other : keys) {
      if (other.field != k.field) EXPECT_EQ(e.*other.field, defaults.*other.field) << other.keyword;
    }
  }
}

TEST(SurfaceTileinfo, RoostWordsFillTheKind) {
  struct RoostCase {
    const char* what;
    std::string words;
    Warnings warnings;
    std::function<void(const RoostKind&)> check;
  };
  const RoostCase cases[] = {
      {"no words: a kind of defaults, kind 0", "", {},
       [](const RoostKind& k) {
         EXPECT_EQ(k.kind, ROOST_NONE);
         EXPECT_EQ(k.count, 10.0f);
       }},
      {"words start a dirt kind", "count=3.5 dig=0.25 size=0.5", {},
       [](const RoostKind& k) {
         EXPECT_EQ(k.kind, ROOST_DIRT);
         EXPECT_EQ(k.count, 3.5f);
         EXPECT_EQ(k.dig, 0.25f);
         EXPECT_EQ(k.size, 0.5f);
         EXPECT_EQ(k.grow, 4.0f);
       }},
      {"splash=1 makes a splash, splash=0 does not", "splash=1", {},
       [](const RoostKind& k) { EXPECT_EQ(k.kind, ROOST_SPLASH); }},
      {"splash=0", "splash=0\tgrow=2", {}, [](const RoostKind& k) { EXPECT_EQ(k.kind, ROOST_DIRT); }},
      {"every float word", "slip_threshold=1 slow_angle=2 fast_angle=3 slow_speed=4 fast_speed=5 grow=6 drag=7 vscale=8 randomize=9",
       {},
       [](const RoostKind& k) {
         std::vector<float> got = {k.slip_threshold, k.slow_angle, k.fast_angle, k.slow_speed, k.fast_speed,
                                   k.grow, k.drag, k.vscale, k.randomize};
         EXPECT_EQ(got, (std::vector<float>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
       }},
      {"colours take the integer part, clamped to a byte", "r=12.9 g=300 b=-5 a=1e300", {},
       [](const RoostKind& k) {
         EXPECT_EQ(std::vector<int>(k.colour, k.colour + 4), (std::vector<int>{12, 255, 0, 255}));
       }},
      {"fades are per second, stored per tic and clamped", "fade_r=256 fade_g=-100000 fade_b=127 fade_a=-256", {},
       [](const RoostKind& k) {
         EXPECT_EQ(std::vector<int>(k.fade, k.fade + 4), (std::vector<int>{2, -128, 0, -2}));
       }},
      {"the count is kept within the particle pool", "count=1e9", {},
       [](const RoostKind& k) { EXPECT_EQ(k.count, 2000.0f); }},
      {"a negative count throws nothing", "count=-4", {}, [](const RoostKind& k) { EXPECT_EQ(k.count, 0.0f); }},
      {"numbers follow strtod", "count=5abc size=0x1p-2", {},
       [](const RoostKind& k) {
         EXPECT_EQ(k.count, 5.0f);
         EXPECT_EQ(k.size, 0.25f);
       }},
      {"unknown words", "colour=1 dirt count", {"tileinfo warning: unknown roost parameter 'colour=1'\n",
                                                "tileinfo warning: unknown roost parameter 'dirt'\n",
                                                "tileinfo warning: unknown roost parameter 'count'\n"},
       [](const RoostKind& k) { EXPECT_EQ(k.kind, ROOST_DIRT); }},
      {"an unknown word is quoted to 40 characters", std::string(50, 'q'),
       {"tileinfo warning: unknown roost parameter '" + std::string(40, 'q') + "'\n"}, nullptr},
  };
  for (const RoostCase& c : cases) {
    SCOPED_TRACE(c.what);
    SurfaceRead r = read_surfaces("roost " + c.words + "\naddtile\n");
    EXPECT_EQ(r.posted, c.warnings);
    ASSERT_EQ(surfaces_count(r.table), 1);
    ASSERT_EQ(r.table.surfaces[0].roost_count, 1);
    if (c.check) c.check(r.table.surfaces[0].roost[0]);
  }
}

TEST(SurfaceTileinfo, RoostNumbersThatDoNotConvertBecomeZeroWithTheirWarning) {
  const char* words[] = {"count", "dig", "slip_threshold", "slow_angle", "fast_angle", "slow_speed", "fast_speed",
                         "size", "grow", "drag", "vscale", "randomize", "r", "g", "b", "a",
                         "fade_r", "fade_g", "fade_b", "fade_a"};
  std::string line = "roost";
  Warnings want;
  for (const char* w : words) {
    line += std::string(" ") + w + (w[0] == 'f' && w[1] == 'a' && w[2] == 'd' ? "=inf" : "=x");
    want.push_back(std::string("tileinfo warning: bad ") + w + "\n");
  }
  SurfaceRead r = read_surfaces(line + "\naddtile\n");
  EXPECT_EQ(r.posted, want);
  const RoostKind& k = r.table.surfaces[0].roost[0];
  std::vector<float> floats = {k.count, k.dig, k.slip_threshold, k.slow_angle, k.fast_angle, k.slow_speed,
                               k.fast_speed, k.size, k.grow, k.drag, k.vscale, k.randomize};
  EXPECT_EQ(floats, std::vector<float>(12, 0.0f));
  EXPECT_EQ(std::vector<int>(k.colour, k.colour + 4), std::vector<int>(4, 0));
  EXPECT_EQ(std::vector<int>(k.fade, k.fade + 4), std::vector<int>(4, 0));
}

TEST(SurfaceTileinfo, RoostTexturesAndTheFifthKind) {
  SurfaceRead r = read_surfaces(
      "texture @mud.png\n"
      "roost texture=\"@spray drops.png\" splash=1\n"
      "roost \"texture=@clod s.png\" \"count=2\"\n"
      "roost texture=@missing.png\n"
      "roost\n"
      "roost count=1\n"
      "addtile\n");
  EXPECT_EQ(r.posted, Warnings{"tileinfo warning: too many roost types\n"});
  const Surface& s = r.table.surfaces[0];
  ASSERT_EQ(s.roost_count, 4);
  EXPECT_EQ(s.roost[0].texture_name, "@spray drops.png");
  EXPECT_EQ(s.roost[0].kind, ROOST_SPLASH);
  EXPECT_EQ(s.roost[1].texture_name, "@clod s.png");
  EXPECT_EQ(s.roost[1].count, 2.0f);
  EXPECT_EQ(s.roost[2].texture, 0u);  // could not be loaded: kept by name only
  EXPECT_EQ(s.roost[2].texture_name, "@missing.png");
  EXPECT_EQ(s.roost[3].kind, ROOST_NONE);
  EXPECT_EQ(s.roost[3].texture_name, "@roost.png");
  std::vector<std::pair<std::string, int>> asked = {
      {"@mud.png", SURFACE_GROUND_TEXTURE_FLAGS},
      {"@spray drops.png", SURFACE_ROOST_TEXTURE_FLAGS},
      {"@clod s.png", SURFACE_ROOST_TEXTURE_FLAGS},
      {"@missing.png", SURFACE_ROOST_TEXTURE_FLAGS},
      {"@roost.png", SURFACE_ROOST_TEXTURE_FLAGS},
  };
  EXPECT_EQ(r.textures.asked, asked);
  EXPECT_EQ(s.texture, 100u);
  EXPECT_EQ(s.roost[0].texture, 101u);
  EXPECT_EQ(s.roost[3].texture, 103u);
}

TEST(SurfaceTileinfo, SurfacesAreCommittedInOrderAndStartAfresh) {
  SurfaceRead r = read_surfaces(
      "name first\ntexture @a.png\nfriction 0.5 3\nslip_function 1\nroost count=1\nerode_limit 1 1 1\n"
      "erode_limit 2 1 1\nerode_depth 3\naddtile\n"
      "texture @b.png\naddtile\n"
      "name dangling\nfriction 9 9\n");  // after the last addtile: no effect
  EXPECT_TRUE(r.posted.empty());
  ASSERT_EQ(surfaces_count(r.table), 2);
  const Surface& b = r.table.surfaces[1];
  EXPECT_EQ(r.table.surfaces[0].name, "first");
  EXPECT_EQ(b.name, "@b.png");
  EXPECT_EQ(b.friction[0].key, 1.0f);
  EXPECT_EQ(b.slip_function, 0);
  EXPECT_EQ(b.roost_count, 0);
  EXPECT_EQ(b.erosion.erode_limit_count, 1);
  EXPECT_EQ(b.erosion.erode_depth, 1.0f);
  EXPECT_EQ(r.progress, 13);
}

TEST(SurfaceTileinfo, ReadingStopsAt256Surfaces) {
  std::string text;
  for (int i = 0; i < 300; ++i) text += "name s" + std::to_string(i) + "\naddtile\n";
  text += "bogus line never read\n";
  SurfaceRead r = read_surfaces(text);
  EXPECT_TRUE(r.posted.empty());
  ASSERT_EQ(surfaces_count(r.table), 256);
  EXPECT_EQ(r.table.surfaces[255].name, "s255");
  EXPECT_EQ(r.progress, 512);
}

TEST(SurfaceTileinfo, FileWithoutAddtileStillGivesEveryTileASurface) {
  for (const char* text : {"", "texture @dirt.png\nfriction 2 2\n", "\n\n  \t\n"}) {
    SCOPED_TRACE(text);
    SurfaceRead r = read_surfaces(text);
    EXPECT_EQ(r.posted, Warnings{"tileinfo warning: no addtile, using a default surface\n"});
    ASSERT_EQ(surfaces_count(r.table), 1);
    const Surface& s = surfaces_get(r.table, 255);  // what a clamped tile map index reads
    EXPECT_EQ(&s, &r.table.surfaces[0]);
    EXPECT_EQ(s.friction[0].value, 1.0f);  // the pending surface is not committed
    EXPECT_EQ(s.texture, 0u);
    EXPECT_EQ(s.erosion.erode_limit_count, 1);
  }
}

TEST(SurfaceTileinfo, DamagedFilesWarnAndNeverReadOutOfBounds) {
  std::string nul_line = std::string("name ab\0cd\naddtile\n", 19);
  std::string long_line = "name " + std::string(3000, 'x') + "\naddtile\n";  // read in 1023-byte pieces
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary.push_back(char((i * 7919) >> 3));
  std::string unknown = std::string(1200, 'k') + "\naddtile\n";
  for (const std::string& text : {nul_line, long_line, binary, unknown, std::string("addtile")}) {
    SurfaceRead r = read_surfaces(text);
    EXPECT_GE(surfaces_count(r.table), 1);
    for (const Surface& s : r.table.surfaces) EXPECT_LE(s.name.size(), 47u);
  }
  SurfaceRead nul = read_surfaces(nul_line);
  EXPECT_EQ(nul.table.surfaces[0].name, "ab");
  SurfaceRead lng = read_surfaces(long_line);
  EXPECT_EQ(lng.table.surfaces[0].name, std::string(47, 'x'));
  EXPECT_EQ(lng.posted.size(), 2u);  // the two continuation pieces are unknown identifiers
  SurfaceRead unk = read_surfaces(unknown);
  // The 1023-byte first piece, then the rest; each quoted to 950 characters.
  ASSERT_EQ(unk.posted.size(), 2u);
  EXPECT_EQ(unk.posted[0], "tileinfo warning: Unknown identifier '" + std::string(950, 'k') + "'\n");
  EXPECT_EQ(unk.posted[1], "tileinfo warning: Unknown identifier '" + std::string(1200 - 1023, 'k') + "'\n");
}

TEST(SurfaceTexturelist, LinesBecomeSurfacesWithConstantCurves) {
  SurfaceRead r = read_surfaces(
      "0.8 4 12 dirt.png\r\n"
      "\n"
      "   \t\n"
      "grass.png\n"
      "1.5 2\n"
      "-1 -2 3  sand-dirt-1100.png",  // no line end: the name keeps its last character
      true);
  EXPECT_TRUE(r.posted.empty());
  ASSERT_EQ(surfaces_count(r.table), 4);
  EXPECT_TRUE(r.table.from_texturelist);
  EXPECT_EQ(r.progress, 6);
  const Surface& dirt = r.table.surfaces[0];
  EXPECT_EQ(dirt.texture_name, "@dirt.png");
  EXPECT_EQ(dirt.name, "@dirt.png");
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(dirt.friction[i].value, 0.8f);
    EXPECT_EQ(dirt.friction[i].key, i == 0 ? 1.0f : 1048576.0f);
    EXPECT_EQ(dirt.roll_resist[i].first, 4.0f);
    EXPECT_EQ(dirt.roll_resist[i].second, 12.0f);
    EXPECT_EQ(dirt.roll_resist[i].key, i == 0 ? 1.0f : 0.0f);
  }
  EXPECT_EQ(dirt.slip_function, 0);
  ASSERT_EQ(dirt.roost_count, 1);
  EXPECT_EQ(dirt.roost[0].kind, ROOST_DIRT);
  EXPECT_EQ(dirt.roost[0].texture_name, "@roost.png");
  EXPECT_EQ(dirt.erosion.erode_limit_count, 1);
  EXPECT_EQ(dirt.erosion.erode_limit_outer[0], 1.0f);

  const Surface& grass = r.table.surfaces[1];
  EXPECT_EQ(grass.texture_name, "@grass.png");
  EXPECT_EQ(grass.friction[3].value, 1.0f);
  EXPECT_EQ(grass.roll_resist[0].first, 5.0f);
  EXPECT_EQ(grass.roll_resist[0].second, 15.0f);
  // Fewer than three numbers: the whole line is the name.
  EXPECT_EQ(r.table.surfaces[2].texture_name, "@1.5 2");
  EXPECT_EQ(r.table.surfaces[2].friction[0].value, 1.0f);
  const Surface& sand = r.table.surfaces[3];
  EXPECT_EQ(sand.texture_name, "@sand-dirt-1100.png");
  EXPECT_EQ(sand.friction[0].value, 0.0f);  // negative friction is kept at 0
  EXPECT_EQ(sand.roll_resist[0].first, 0.0f);
  EXPECT_EQ(sand.roll_resist[0].second, 3.0f);
  // "sand" names no surface: the blend falls back to the surface itself.
  EXPECT_EQ(sand.blend_code, (3 << 16) | (3 << 8));

  std::vector<std::pair<std::string, int>> asked;
  for (const char* name : {"@dirt.png", "@grass.png", "@1.5 2", "@sand-dirt-1100.png"}) {
    asked.push_back({name, SURFACE_GROUND_TEXTURE_FLAGS});
    asked.push_back({"@roost.png", SURFACE_ROOST_TEXTURE_FLAGS});
  }
  EXPECT_EQ(r.textures.asked, asked);
}

TEST(SurfaceTexturelist, LimitsAndDamage) {
  std::string many;
  for (int i = 0; i < 260; ++i) many += "1 5 15 t" + std::to_string(i) + ".png\n";
  SurfaceRead r = read_surfaces(many, true);
  EXPECT_EQ(surfaces_count(r.table), 256);
  EXPECT_EQ(r.table.surfaces[255].texture_name, "@t255.png");

  SurfaceRead empty = read_surfaces("\n \r\n", true);
  EXPECT_EQ(empty.posted, Warnings{"texturelist warning: no textures, using a default surface\n"});
  ASSERT_EQ(surfaces_count(empty.table), 1);

  SurfaceRead nan = read_surfaces("nan 2 inf mud.png\n", true);
  EXPECT_EQ(nan.posted, Warnings{"texturelist warning: bad numbers\n"});
  ASSERT_EQ(surfaces_count(nan.table), 1);
  EXPECT_EQ(nan.table.surfaces[0].texture_name, "@mud.png");
  EXPECT_EQ(nan.table.surfaces[0].friction[0].value, 1.0f);
  EXPECT_EQ(nan.table.surfaces[0].roll_resist[0].first, 2.0f);
  EXPECT_EQ(nan.table.surfaces[0].roll_resist[0].second, 15.0f);

  SurfaceRead bare = read_surfaces("1 2 3\n", true);  // numbers and no name: nothing to ask for
  ASSERT_EQ(surfaces_count(bare.table), 1);
  EXPECT_EQ(bare.textures.asked.size(), 1u);  // only the roost texture
}

TEST(SurfaceBlend, CodesFromTextureNames) {
  const char* names[] = {
      "@dirt.png",                    // 0
      "@grass.png",                   // 1
      "@dirt-grass-0011.png",         // 2: corners from the mask
      "@dirt-grass.png",              // 3: no mask
      "@dirt-grass-01x1.png",         // 4: bad mask characters
      "@dirt-alt1.png",               // 5: another look of dirt
      "@mud-grass-1111.png",          // 6: "mud" names no surface
      "@dirt-rock-1000.png",          // 7: "rock" names no surface
      "@tracks/mx/grass-dirt-1000.png",  // 8: folders are not part of the name
      "@stone",                       // 9: no "-"
      "@dirt-grass-00110.png",        // 10: five mask characters
      "@grass-dirt-1001",             // 11: no extension
      "",                             // 12: no texture at all
      "@-grass.png",                  // 13: empty first part
      "@dirt--0110.png",              // 14: empty second part
  };
  std::string text;
  for (const char* n : names) text += std::string(*n ? "texture " : "name x") + n + "\naddtile\n";
  SurfaceRead r = read_surfaces(text);
  EXPECT_TRUE(r.posted.empty());
  std::vector<int> got;
  for (const Surface& s : r.table.surfaces) got.push_back(s.blend_code);
  std::vector<int> want = {
      0,
      (1 << 16) | (1 << 8),
      (0 << 16) | (1 << 8) | 3,
      (0 << 16) | (1 << 8),
      (0 << 16) | (1 << 8),
      (0 << 16) | (0 << 8),
      (6 << 16) | (6 << 8),
      -256,
      (1 << 16) | (0 << 8) | 8,
      (9 << 16) | (9 << 8),
      (0 << 16) | (1 << 8),
      (1 << 16) | (0 << 8) | 9,
      (12 << 16) | (12 << 8),
      (13 << 16) | (13 << 8),
      -256,
  };
  EXPECT_EQ(got, want);
  EXPECT_EQ(r.table.surfaces[8].short_name, "grass-dirt-1000.png");
}

TEST(SurfaceTable, LookupsAndLoadingFromATrackFolder) {
  SurfaceTable none;
  EXPECT_EQ(surfaces_get(none, 3).friction[0].key, 1.0f);  // defaults, not a missing record

  TempDir dir;
  std::string game = dir / "game/";
  write_file(game + "tracks/new/tileinfo", "texture @a.png\naddtile\ntexture @b.png\naddtile\n");
  write_file(game + "tracks/new/texturelist", "c.png\n");
  write_file(game + "tracks/old/texturelist", "1 5 15 c.png\n");
  write_file(game + "tracks/empty/desc", "nothing\n");
  Vfs vfs;
  vfs_set_folders(vfs, "", game);
  SurfaceRead r;
  SurfaceLoader loader = recording_loader(r);
  EXPECT_EQ(surfaces_load(r.table, vfs, "tracks/new", loader), 1);
  ASSERT_EQ(surfaces_count(r.table), 2);
  EXPECT_EQ(surfaces_get(r.table, 1).texture_name, "@b.png");
  EXPECT_EQ(surfaces_get(r.table, 255).texture_name, "@b.png");
  EXPECT_EQ(surfaces_get(r.table, -1).texture_name, "@a.png");
  EXPECT_EQ(surfaces_load(r.table, vfs, "tracks/old", loader), 2);
  EXPECT_EQ(surfaces_get(r.table, 0).texture_name, "@c.png");
  EXPECT_EQ(surfaces_load(r.table, vfs, "tracks/empty", loader), 0);

  SurfaceReadTarget target{&r.table, loader};
  EXPECT_EQ(surfaces_read_named(&target, vfs, "@tracks/new/tileinfo", false), 2);
  EXPECT_EQ(surfaces_read_named(&target, vfs, "@tracks/old/texturelist", true), 1);
  EXPECT_EQ(surfaces_read_named(&target, vfs, "@tracks/empty/tileinfo", false), -1);

  SurfaceTable table;
  EXPECT_FALSE(surfaces_read_tileinfo(table, nullptr, loader));
  EXPECT_FALSE(surfaces_read_texturelist(table, nullptr, loader));
  vfs_shutdown(vfs);
}
