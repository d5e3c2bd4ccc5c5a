// The generated tracks read back with small readers of the track file
// formats, written here from the formats alone: terrain, tile map and tile
// list, shading and shadows, timing gates, scenery, cameras, lighting, and
// every image, model and shape they name.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "gamedata_read.h"

using namespace gdtest;

namespace {

const double pi = 3.14159265358979323846;

std::vector<std::string> lines_of(const GdBytes& b) {
  std::vector<std::string> out;
  std::string line;
  for (unsigned char c : b) {
    if (c == '\n') {
      out.push_back(line);
      line.clear();
    } else {
      line += char(c);
    }
  }
  if (!line.empty()) out.push_back(line);
  return out;
}

std::string first_word(const std::string& line) {
  size_t a = line.find_first_not_of(" \t\r");
  if (a == std::string::npos) return "";
  size_t b = line.find_first_of(" \t\r", a);
  return line.substr(a, b == std::string::npos ? std::string::npos : b - a);
}

std::string rest_of(const std::string& line) {
  std::string w = first_word(line);
  size_t at = line.find(w) + w.size();
  size_t a = line.find_first_not_of(" \t", at);
  if (a == std::string::npos) return "";
  size_t b = line.find_last_not_of(" \t\r");
  return line.substr(a, b - a + 1);
}

bool power_of_two(int v) { return v > 0 && (v & (v - 1)) == 0; }

// PNG signature, then the IHDR chunk first.
bool png_header(const GdBytes& b, int& w, int& h, int& depth, int& colour) {
  static const unsigned char sig[8] = {137, 80, 78, 71, 13, 10, 26, 10};
  if (b.size() < 33 || memcmp(b.data(), sig, 8) != 0 || memcmp(b.data() + 12, "IHDR", 4) != 0) return false;
  auto be = [&](size_t at) { return int(b[at]) << 24 | int(b[at + 1]) << 16 | int(b[at + 2]) << 8 | int(b[at + 3]); };
  w = be(16), h = be(20), depth = b[24], colour = b[25];
  return true;
}

// Binary PNM: magic, width, height, maximum, one white-space byte, samples.
bool pnm_header(const GdBytes& b, std::string& magic, int& w, int& h, int& max, size_t& data) {
  std::string s(b.begin(), b.begin() + std::min<size_t>(b.size(), 64));
  char m[3] = {};
  int used = 0;
  if (sscanf(s.c_str(), "%2s %d %d %d%n", m, &w, &h, &max, &used) != 4) return false;
  magic = m;
  data = size_t(used) + 1;
  return data <= b.size();
}

// One generated track, read through its files.
struct Track {
  std::string dir;  // "tracks/x/"
  int e = 0, n = 0;
  float spacing = 0, lo = 0, hi = 0;
  std::vector<float> h;  // n x n heights
  // Tile list: texture names (without "@") in order.
  std::vector<std::string> tiles;
  GdBytes tilemap;
  struct Gate {
    float x, y, z, heading;
  };
  struct Checkpoint {
    float size, x, y, z, dx, dy, dz;
  };
  std::vector<Gate> gates;
  std::vector<Checkpoint> checkpoints;
  std::vector<int> first_lap, normal_lap;

  double height(double x, double z) const {
    double u = std::clamp(x / spacing, 0.0, double(n - 1)), v = std::clamp(z / spacing, 0.0, double(n - 1));
    int i = std::min(n - 2, int(u)), k = std::min(n - 2, int(v));
    double fu = u - i, fv = v - k;
    auto H = [&](int a, int b) { return double(h[size_t(b) * n + a]); };
    return (1 - fv) * ((1 - fu) * H(i, k) + fu * H(i + 1, k)) + fv * ((1 - fu) * H(i, k + 1) + fu * H(i + 1, k + 1));
  }
  double extent() const { return (n - 1) * double(spacing); }
  // Texture name of the tile under (x, z).
  const std::string& tile_at(double x, double z) const {
    int side = 1 << e;
    int ti = std::clamp(int(x / (2 * spacing)), 0, side - 1), tk = std::clamp(int(z / (2 * spacing)), 0, side - 1);
    return tiles[std::min<size_t>(tilemap[size_t(tk) * side + ti], tiles.size() - 1)];
  }
};

// Kinds at a tile's corners (top left, top right, bottom left, bottom
// right; top is the smaller z) read from its texture name: "A.png",
// "A-altN.png" or "A-B-wxyz.png", a digit 1 showing B.
bool corners_of(const std::string& texture, std::string c[4]) {
  std::string base = texture.substr(0, texture.find('.'));
  size_t d1 = base.find('-');
  if (d1 == std::string::npos) {
    for (int j = 0; j < 4; ++j) c[j] = base;
    return true;
  }
  std::string a = base.substr(0, d1), rest = base.substr(d1 + 1);
  if (rest.size() == 4 && rest.compare(0, 3, "alt") == 0 && isdigit((unsigned char)rest[3])) {
    for (int j = 0; j < 4; ++j) c[j] = a;
    return true;
  }
  size_t d2 = rest.find('-');
  if (d2 == std::string::npos || rest.size() != d2 + 5) return false;
  std::string b = rest.substr(0, d2), mask = rest.substr(d2 + 1);
  for (int j = 0; j < 4; ++j) {
    if (mask[j] != '0' && mask[j] != '1') return false;
    c[j] = mask[j] == '1' ? b : a;
  }
  return true;
}

class GeneratedTrack : public GeneratedFolder {
 protected:
  static const GdBytes& file(const std::string& name) {
    static const GdBytes none;
    const Seen* s = find(name);
    return s ? s->plain : none;
  }
  static bool exists(const std::string& at_name) {
    return at_name.size() > 1 && at_name[0] == '@' && find(at_name.substr(1)) != nullptr;
  }
  // Reads the terrain, tile list, tile map and timing gates of a track.
  static ::testing::AssertionResult load(const std::string& folder, Track& t) {
    t = Track{};
    t.dir = "tracks/" + folder + "/";
    std::string hf = text(file(t.dir + "terrain.hf"));
    int used = 0;
    if (sscanf(hf.c_str(), "%d %f %f %f %n", &t.e, &t.spacing, &t.lo, &t.hi, &used) != 4 || hf[size_t(used)] != ':')
      return ::testing::AssertionFailure() << "terrain header";
    t.n = (1 << (t.e + 1)) + 1;
    size_t count = size_t(t.n) * t.n;
    if (hf.size() != used + 1 + 2 * count) return ::testing::AssertionFailure() << "terrain size";
    const unsigned char* at = file(t.dir + "terrain.hf").data() + used + 1;
    t.h.resize(count);
    for (size_t j = 0; j < count; ++j) t.h[j] = t.lo + (t.hi - t.lo) * float(at[2 * j] | at[2 * j + 1] << 8) / 65535;
    for (const std::string& line : lines_of(file(t.dir + "tileinfo")))
      if (first_word(line) == "texture") t.tiles.push_back(rest_of(line).substr(1));
    t.tilemap = file(t.dir + "tilemap");
    if (t.tiles.empty() || t.tilemap.size() != size_t(1) << (2 * t.e))
      return ::testing::AssertionFailure() << "tile list or map";

    // timing_gates, section by section.
    std::vector<std::string> lines = lines_of(file(t.dir + "timing_gates"));
    size_t i = 0;
    if (i < lines.size() && first_word(lines[i]) == "startinggate:") {
      for (++i; i < lines.size() && first_word(lines[i]) != "checkpoints:"; ++i) {
        Track::Gate g;
        char model[1024], texture[1024], shape[1024];
        if (sscanf(lines[i].c_str(), " [ %f %f %f ] %f %1023s %1023s %1023s", &g.x, &g.y, &g.z, &g.heading, model,
                   texture, shape) != 7)
          return ::testing::AssertionFailure() << "gate line '" << lines[i] << "'";
        if (!exists(model) || !exists(texture) || strcmp(shape, "null") != 0)
          return ::testing::AssertionFailure() << "gate names '" << lines[i] << "'";
        t.gates.push_back(g);
      }
    }
    if (i < lines.size() && first_word(lines[i]) == "checkpoints:") {
      for (++i; i < lines.size() && first_word(lines[i]) != "firstlap:"; ++i) {
        Track::Checkpoint c;
        if (sscanf(lines[i].c_str(), "%f [ %f %f %f ] [ %f %f %f ]", &c.size, &c.x, &c.y, &c.z, &c.dx, &c.dy, &c.dz) != 7)
          return ::testing::AssertionFailure() << "checkpoint line '" << lines[i] << "'";
        t.checkpoints.push_back(c);
      }
    }
    for (const char* section : {"firstlap:", "normallap:"}) {
      if (i >= lines.size() || first_word(lines[i]) != section)
        return ::testing::AssertionFailure() << "no " << section;
      std::vector<int>& seq = section[0] == 'f' ? t.first_lap : t.normal_lap;
      std::istringstream in(i + 1 < lines.size() ? lines[i + 1] : "");
      for (int k; in >> k;) seq.push_back(k);
      i += 2;
    }
    return ::testing::AssertionSuccess();
  }
  static std::vector<std::string> track_folders() {
    std::vector<std::string> out;
    for (const auto& [name, s] : seen_)
      if (name.compare(0, 7, "tracks/") == 0 && ends_with(name, "/terrain.hf"))
        out.push_back(name.substr(7, name.size() - 7 - 11));
    return out;
  }
};

TEST_F(GeneratedTrack, EveryTrackHasItsFiles) {
  std::vector<std::string> folders = track_folders();
  ASSERT_EQ(folders, (std::vector<std::string>{"claypit", "sandhill"}));
  for (const std::string& folder : folders) {
    SCOPED_TRACE(folder);
    for (const char* f : {"desc", "terrain.hf", "tilemap", "tileinfo", "shadingx2.ppm", "shading.ppm", "shadows.pgm",
                          "lighting", "timing_gates", "statues", "billboards", "flaggers", "decals", "cameras",
                          "map.png"}) {
      const Seen* s = find("tracks/" + folder + "/" + f);
      ASSERT_NE(s, nullptr) << f;
      EXPECT_FALSE(s->plain.empty()) << f;
    }
    std::string desc = text(file("tracks/" + folder + "/desc"));
    EXPECT_GT(desc.find('\n'), 0u);
  }
  EXPECT_EQ(find("tracks/claypit/terrain.hf")->source, "");
  EXPECT_EQ(find("tracks/sandhill/terrain.hf")->source, "base.saf");
}

// Clay Pit is the full-size track: at least 513 x 513 points, with its
// jumps, berms and whoops in the racing line, rideable everywhere.
TEST_F(GeneratedTrack, TerrainIsLargeAndRideable) {
  for (const std::string& folder : track_folders()) {
    SCOPED_TRACE(folder);
    Track t;
    ASSERT_TRUE(load(folder, t));
    if (folder == "claypit") {
      EXPECT_GE(t.n, 513);
    }
    ASSERT_LT(t.lo, t.hi);
    EXPECT_FLOAT_EQ(t.spacing, 2.0f);
    // No step between neighbours steeper than about 50 degrees, which also
    // rules out seams where the track meets itself or a pad.
    float steepest = 0;
    for (int k = 0; k < t.n; ++k)
      for (int i = 0; i + 1 < t.n; ++i) {
        steepest = std::max(steepest, std::fabs(t.h[size_t(k) * t.n + i + 1] - t.h[size_t(k) * t.n + i]));
        steepest = std::max(steepest, std::fabs(t.h[size_t(i + 1) * t.n + k] - t.h[size_t(i) * t.n + k]));
      }
    EXPECT_LT(steepest, 1.2f * t.spacing);
    // The racing line's tiles carry the jumps: heights over them span
    // several feet more than the ground's own roll along the line.
    int side = 1 << t.e;
    float lo = 1e9f, hi = -1e9f;
    for (int tk = 0; tk < side; ++tk)
      for (int ti = 0; ti < side; ++ti) {
        const std::string& tile = t.tiles[t.tilemap[size_t(tk) * side + ti]];
        if (tile.find("grass") != std::string::npos) continue;
        float centre = t.h[size_t(2 * tk + 1) * t.n + 2 * ti + 1];
        lo = std::min(lo, centre), hi = std::max(hi, centre);
      }
    EXPECT_GT(hi - lo, 6.0f);
  }
}

// A minimal "tileinfo" reader that flags whatever the game's reader would
// warn about: unknown keywords, malformed numbers, too many points, names
// too long, properties after the last "addtile", textures that are missing.
TEST_F(GeneratedTrack, TileListIsCleanAndNamesItsTextures) {
  static const std::set<std::string> scalars = {
      "erode_depth",      "erode_lower",           "erode_upper",         "erode_displacement",
      "erode_radius",     "erode_inner_depth",     "erode_inner_radius",  "erode_min_slope",
      "erode_max_slope",  "erode_off_speed",       "erode_on_speed",      "erode_slip_lower",
      "erode_slip_upper", "erode_slip_base_scale", "erode_slip_scale",    "erode_downhill_scale",
      "erode_project_to_ground", "erode_lateral_scale", "erode_front_scale"};
  static const std::set<std::string> roost_keys = {
      "texture", "splash", "count", "dig", "slip_threshold", "slow_angle", "fast_angle", "slow_speed", "fast_speed",
      "size", "grow", "drag", "vscale", "randomize", "r", "g", "b", "a", "fade_r", "fade_g", "fade_b", "fade_a"};
  for (const std::string& folder : track_folders()) {
    SCOPED_TRACE(folder);
    int tiles = 0, friction = 0, roll = 0, roosts = 0, limits = 0, pending = 0;
    double last_limit = -1e9;
    bool textured = false;
    for (const std::string& line : lines_of(file("tracks/" + folder + "/tileinfo"))) {
      std::string key = first_word(line), arg = rest_of(line);
      if (key.empty()) continue;
      ++pending;
      float a, b, c;
      int i;
      if (key == "name") {
        EXPECT_LE(arg.size(), 47u) << line;
      } else if (key == "texture") {
        EXPECT_TRUE(exists(arg)) << line;
        textured = true;
      } else if (key == "friction") {
        EXPECT_EQ(sscanf(arg.c_str(), "%f %f", &a, &b), 2) << line;
        EXPECT_LT(++friction, 9) << line;
      } else if (key == "roll_resist") {
        EXPECT_EQ(sscanf(arg.c_str(), "%f %f %f", &a, &b, &c), 3) << line;
        EXPECT_LT(++roll, 9) << line;
      } else if (key == "slip_function") {
        EXPECT_TRUE(sscanf(arg.c_str(), "%d", &i) == 1 && i >= 0 && i <= 2) << line;
      } else if (key == "roost") {
        EXPECT_LT(++roosts, 5) << line;
        std::istringstream words(arg);
        for (std::string w; words >> w;) {
          size_t eq = w.find('=');
          ASSERT_NE(eq, std::string::npos) << w;
          std::string k = w.substr(0, eq), v = w.substr(eq + 1);
          EXPECT_EQ(roost_keys.count(k), 1u) << w;
          if (k == "texture") EXPECT_TRUE(exists(v)) << w;
          else EXPECT_TRUE(!v.empty() && (isdigit((unsigned char)v[0]) || v[0] == '-' || v[0] == '.')) << w;
        }
      } else if (key == "erode_limit") {
        EXPECT_EQ(sscanf(arg.c_str(), "%f %f %f", &a, &b, &c), 3) << line;
        EXPECT_GT(a, last_limit) << line;
        last_limit = a;
        EXPECT_LT(++limits, 9) << line;
      } else if (scalars.count(key)) {
        EXPECT_EQ(sscanf(arg.c_str(), "%f", &a), 1) << line;
      } else if (key == "addtile") {
        EXPECT_TRUE(textured) << "tile " << tiles;
        ++tiles;
        friction = roll = roosts = limits = pending = 0;
        last_limit = -1e9;
        textured = false;
      } else {
        ADD_FAILURE() << "unknown keyword in '" << line << "'";
      }
    }
    EXPECT_EQ(pending, 0) << "properties after the last addtile";
    EXPECT_GE(tiles, 4);
    EXPECT_LE(tiles, 256);
  }
}

// Tiles' corners agree with their neighbours' (the blends follow the
// masks' corner order), blends appear where surfaces meet, and the plain
// surfaces come first in the list.
TEST_F(GeneratedTrack, TileMapBlendsWhereSurfacesMeet) {
  for (const std::string& folder : track_folders()) {
    SCOPED_TRACE(folder);
    Track t;
    ASSERT_TRUE(load(folder, t));
    int side = 1 << t.e;
    std::vector<std::array<std::string, 4>> corners(t.tiles.size());
    std::set<std::string> kinds;
    bool plain_run = true;
    size_t plain = 0;
    for (size_t i = 0; i < t.tiles.size(); ++i) {
      ASSERT_TRUE(corners_of(t.tiles[i], corners[i].data())) << t.tiles[i];
      bool is_plain = t.tiles[i].find('-') == std::string::npos;
      if (is_plain && plain_run) ++plain;
      else if (is_plain) ADD_FAILURE() << t.tiles[i] << " after a blend";
      else plain_run = false;
      for (const std::string& c : corners[i]) kinds.insert(c);
    }
    EXPECT_GE(kinds.size(), folder == "claypit" ? 4u : 3u);
    EXPECT_EQ(plain, kinds.size());
    size_t blends = 0, mismatches = 0;
    std::set<std::string> used;
    for (int tk = 0; tk < side; ++tk)
      for (int ti = 0; ti < side; ++ti) {
        unsigned at = t.tilemap[size_t(tk) * side + ti];
        ASSERT_LT(at, t.tiles.size());
        const auto& c = corners[at];
        used.insert(c[0]), used.insert(c[1]), used.insert(c[2]), used.insert(c[3]);
        blends += !(c[0] == c[1] && c[1] == c[2] && c[2] == c[3]);
        if (ti + 1 < side) {
          const auto& r = corners[t.tilemap[size_t(tk) * side + ti + 1]];
          mismatches += c[1] != r[0] || c[3] != r[2];
        }
        if (tk + 1 < side) {
          const auto& b = corners[t.tilemap[size_t(tk + 1) * side + ti]];
          mismatches += c[2] != b[0] || c[3] != b[1];
        }
      }
    // Only where a section of the racing line starts or ends at its edge do
    // three kinds meet in one tile, which a blend of two cannot show: a few
    // tiles at each such place. A wrong corner order would give thousands.
    EXPECT_LE(mismatches, 40u);
    EXPECT_GT(blends, size_t(side));  // the track's edges at least
    EXPECT_EQ(used, kinds);
  }
}

TEST_F(GeneratedTrack, ShadingAndShadowsMatchTheGrid) {
  for (const std::string& folder : track_folders()) {
    SCOPED_TRACE(folder);
    Track t;
    ASSERT_TRUE(load(folder, t));
    std::string magic[3];
    int w[3], h[3], max[3];
    size_t data[3];
    const char* names[3] = {"shadingx2.ppm", "shading.ppm", "shadows.pgm"};
    for (int f = 0; f < 3; ++f) {
      const GdBytes& b = file(t.dir + names[f]);
      ASSERT_TRUE(pnm_header(b, magic[f], w[f], h[f], max[f], data[f])) << names[f];
      EXPECT_EQ(magic[f], f == 2 ? "P5" : "P6");
      EXPECT_EQ(w[f], t.n);
      EXPECT_EQ(h[f], t.n);
      EXPECT_EQ(max[f], 255);
      EXPECT_EQ(b.size() - data[f], size_t(t.n) * t.n * (f == 2 ? 1 : 3)) << names[f];
    }
    const GdBytes& x2 = file(t.dir + "shadingx2.ppm");
    const GdBytes& full = file(t.dir + "shading.ppm");
    const GdBytes& shadow = file(t.dir + "shadows.pgm");
    size_t lit = 0, dark = 0;
    for (size_t j = 0; j < size_t(t.n) * t.n * 3; ++j) {
      unsigned s = x2[data[0] + j];
      ASSERT_EQ(unsigned(full[data[1] + j]), s >= 128 ? 255u : 2 * s) << j;
    }
    for (size_t j = 0; j < size_t(t.n) * t.n; ++j) {
      lit += shadow[data[2] + j] == 255;
      dark += shadow[data[2] + j] < 128;
    }
    // Mostly sunlit, with the jumps' and the rim's shadows.
    EXPECT_GT(lit, size_t(t.n) * t.n * 7 / 10);
    EXPECT_GT(dark, 50u);
  }
}

// Gates across the track facing the first checkpoint, checkpoints in
// riding order with their directions along the course, discs that cover
// the track without reaching others, and laps that list every checkpoint.
TEST_F(GeneratedTrack, TimingGatesFollowTheCourse) {
  for (const std::string& folder : track_folders()) {
    SCOPED_TRACE(folder);
    Track t;
    ASSERT_TRUE(load(folder, t));
    size_t m = t.checkpoints.size();
    ASSERT_GE(t.gates.size(), 8u);
    ASSERT_GE(m, 3u);
    // Riders face -(sin h, cos h); the gates stand in a line across that.
    const Track::Gate& g0 = t.gates.front();
    double fx = -std::sin(g0.heading), fz = -std::cos(g0.heading), mx = 0, mz = 0;
    for (const Track::Gate& g : t.gates) {
      EXPECT_LE(std::fabs(g.heading), pi);
      EXPECT_NEAR(g.heading, g0.heading, 1e-4);
      EXPECT_NEAR((g.x - g0.x) * fx + (g.z - g0.z) * fz, 0, 0.01);
      EXPECT_NEAR(g.y, t.height(g.x, g.z), 0.3);
      mx += g.x / t.gates.size(), mz += g.z / t.gates.size();
    }
    double spread = std::hypot(t.gates.back().x - g0.x, t.gates.back().z - g0.z);
    EXPECT_GT(spread, 2.5 * (t.gates.size() - 1));
    const Track::Checkpoint& c0 = t.checkpoints.front();
    EXPECT_GT((c0.x - mx) * fx + (c0.z - mz) * fz, 20);
    EXPECT_GT(c0.dx * fx + c0.dz * fz, 0.9);
    // The finish line lies shortly before the gates, facing them.
    const Track::Checkpoint& fin = t.checkpoints.back();
    EXPECT_GT((mx - fin.x) * fin.dx + (mz - fin.z) * fin.dz, 0);
    EXPECT_LT(std::hypot(mx - fin.x, mz - fin.z), 400);
    size_t forward = 0;
    for (size_t i = 0; i < m; ++i) {
      const Track::Checkpoint& c = t.checkpoints[i];
      const Track::Checkpoint& next = t.checkpoints[(i + 1) % m];
      EXPECT_NEAR(std::hypot(c.dx, c.dz), 1, 1e-3);
      EXPECT_EQ(c.dy, 0);
      EXPECT_NEAR(c.y, t.height(c.x, c.z), 0.3);
      EXPECT_GE(c.size, 10);
      forward += (next.x - c.x) * c.dx + (next.z - c.z) * c.dz > 0;
      for (size_t j = 0; j < m; ++j) {
        if (j == i) continue;
        EXPECT_GT(std::hypot(t.checkpoints[j].x - c.x, t.checkpoints[j].z - c.z), c.size + t.checkpoints[j].size)
            << i << " and " << j;
      }
      // The crossing line's ends lie on the track or its edge, not in grass.
      for (double side : {-1.0, 1.0}) {
        double ex = c.x - c.dz * side * 0.35 * c.size, ez = c.z + c.dx * side * 0.35 * c.size;
        EXPECT_EQ(t.tile_at(ex, ez).find("tile_grass."), std::string::npos) << i;
      }
    }
    EXPECT_GE(forward, m * 8 / 10);
    std::vector<int> every;
    for (size_t i = 0; i < m; ++i) every.push_back(int(i));
    EXPECT_EQ(t.first_lap, every);
    EXPECT_EQ(t.normal_lap, every);
  }
}

TEST_F(GeneratedTrack, LightingUsesKnownKeywordsAndExistingImages) {
  static const std::set<std::string> known = {
      "sun_vector", "sun_color", "ambient", "global_ambient", "sky_n", "sky_e", "sky_s", "sky_w", "sky_u", "sky_env",
      "flare_element", "flare_point", "flare_vector", "fog", "dynamic_lighting", "near_plane", "far_plane"};
  for (const std::string& folder : track_folders()) {
    SCOPED_TRACE(folder);
    std::set<std::string> seen;
    float sun[3] = {};
    for (const std::string& line : lines_of(file("tracks/" + folder + "/lighting"))) {
      std::string key = first_word(line), arg = rest_of(line);
      if (key.empty()) continue;
      ASSERT_EQ(known.count(key), 1u) << line;  // anything else ends the reading
      seen.insert(key);
      float v[8];
      char texture[1024];
      if (key == "sun_vector") {
        ASSERT_EQ(sscanf(arg.c_str(), " [ %f %f %f ]", &sun[0], &sun[1], &sun[2]), 3);
      } else if (key == "sun_color" || key == "ambient" || key == "global_ambient" || key == "flare_vector") {
        EXPECT_EQ(sscanf(arg.c_str(), " [ %f %f %f ]", &v[0], &v[1], &v[2]), 3) << line;
      } else if (key.compare(0, 4, "sky_") == 0) {
        EXPECT_TRUE(exists(arg)) << line;
      }
      if (key == "flare_element") {
        ASSERT_EQ(sscanf(arg.c_str(), " [ %f %f ] [ %f %f %f ] %f %1023s", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5],
                         texture),
                  7)
            << line;
        EXPECT_TRUE(exists(texture)) << line;
      }
      if (key == "fog") {
        EXPECT_EQ(sscanf(arg.c_str(), " [ %f %f %f ] %f", &v[0], &v[1], &v[2], &v[3]), 4) << line;
      }
    }
    for (const char* k : {"sun_vector", "sun_color", "ambient", "sky_n", "sky_e", "sky_s", "sky_w", "sky_u", "sky_env",
                          "fog", "dynamic_lighting", "far_plane"})
      EXPECT_EQ(seen.count(k), 1u) << k;
    EXPECT_GT(sun[1], 0);
  }
}

// Scenery lines in their formats, naming files that exist, placed inside
// the field; trees and hay bales stand off the racing line.
TEST_F(GeneratedTrack, SceneryFilesParseAndNameExistingFiles) {
  for (const std::string& folder : track_folders()) {
    SCOPED_TRACE(folder);
    Track t;
    ASSERT_TRUE(load(folder, t));
    auto inside = [&](double x, double z) { return x >= 0 && z >= 0 && x <= t.extent() && z <= t.extent(); };
    size_t trees = 0, bales = 0;
    for (const std::string& line : lines_of(file(t.dir + "statues"))) {
      float x, y, z, angle;
      char model[1024], texture[1024], shape[1024];
      ASSERT_EQ(sscanf(line.c_str(), " [ %f %f %f ] %f %1023s %1023s %1023s", &x, &y, &z, &angle, model, texture, shape),
                7)
          << line;
      EXPECT_TRUE(inside(x, z)) << line;
      EXPECT_TRUE(exists(model) && exists(texture)) << line;
      EXPECT_TRUE(strcmp(shape, "null") == 0 || exists(shape)) << line;
      std::string m = model;
      if (m.find("tree") != std::string::npos || m.find("haybale") != std::string::npos) {
        (m.find("tree") != std::string::npos ? trees : bales) += 1;
        EXPECT_NE(t.tile_at(x, z).find("grass"), std::string::npos) << line;
      }
    }
    EXPECT_GT(trees, 5u);
    EXPECT_GT(bales, 20u);
    size_t boards = 0;
    for (const std::string& line : lines_of(file(t.dir + "billboards"))) {
      float x, y, z, size, aspect;
      char image[1024];
      ASSERT_EQ(sscanf(line.c_str(), " [ %f %f %f ] %f %f %1023s", &x, &y, &z, &size, &aspect, image), 6) << line;
      std::string name = image;
      if (name[0] == '#') {
        ASSERT_TRUE(name.size() > 8 && name[7] == '#') << line;
        EXPECT_EQ(name.find_first_not_of("0123456789abcdef", 1), 7u) << line;
        name = name.substr(8);
      }
      EXPECT_TRUE(exists(name)) << line;
      EXPECT_TRUE(inside(x, z)) << line;
      EXPECT_GT(size, 0);
      EXPECT_GT(aspect, 0);
      ++boards;
    }
    EXPECT_GT(boards, 10u);
    std::vector<std::string> flaggers = lines_of(file(t.dir + "flaggers"));
    ASSERT_GE(flaggers.size(), 3u);
    float v[10];
    int c[4], used = 0;
    ASSERT_EQ(sscanf(flaggers[0].c_str(), " [ %f %f %f ] [ %f %f %f ] %f %f %f %n", &v[0], &v[1], &v[2], &v[3], &v[4],
                     &v[5], &v[6], &v[7], &v[8], &used),
              9);
    std::istringstream start(flaggers[0].substr(size_t(used)));
    int images = 0;
    for (std::string w; start >> w; ++images) EXPECT_TRUE(exists(w)) << w;
    EXPECT_EQ(images, 5);
    ASSERT_EQ(sscanf(flaggers[1].c_str(), " [ %f %f %f ] %f %f %n", &v[0], &v[1], &v[2], &v[3], &v[4], &used), 5);
    std::istringstream second(flaggers[1].substr(size_t(used)));
    images = 0;
    for (std::string w; second >> w; ++images) EXPECT_TRUE(exists(w)) << w;
    EXPECT_EQ(images, 5);
    for (size_t i = 2; i < flaggers.size(); ++i) {
      char a[1024], b[1024];
      ASSERT_EQ(sscanf(flaggers[i].c_str(), " [ %f %f %f ] %f %f %d %d %d %d %1023s %1023s", &v[0], &v[1], &v[2], &v[3],
                       &v[4], &c[0], &c[1], &c[2], &c[3], a, b),
                11)
          << flaggers[i];
      for (int k : c) EXPECT_TRUE(k >= -1 && k < int(t.checkpoints.size())) << flaggers[i];
      EXPECT_TRUE(exists(a) && exists(b)) << flaggers[i];
    }
    size_t decals = 0;
    for (const std::string& line : lines_of(file(t.dir + "decals"))) {
      float x, z, angle, size, aspect;
      char image[1024];
      ASSERT_EQ(sscanf(line.c_str(), " [ %f %f ] %f %f %f %1023s", &x, &z, &angle, &size, &aspect, image), 6) << line;
      EXPECT_TRUE(exists(image) && inside(x, z) && size > 0 && aspect > 0) << line;
      ++decals;
    }
    EXPECT_GT(decals, 5u);
  }
}

TEST_F(GeneratedTrack, CamerasWatchEveryCheckpoint) {
  for (const std::string& folder : track_folders()) {
    SCOPED_TRACE(folder);
    Track t;
    ASSERT_TRUE(load(folder, t));
    std::map<int, int> camera_of;  // checkpoint -> camera
    int cameras = 0;
    for (const std::string& line : lines_of(file(t.dir + "cameras"))) {
      std::string key = first_word(line), arg = rest_of(line);
      float x, y, z, f;
      if (key == "addcamera") {
        ASSERT_EQ(sscanf(arg.c_str(), "%f %f %f", &x, &y, &z), 3) << line;
        EXPECT_TRUE(x >= 0 && z >= 0 && x <= t.extent() && z <= t.extent()) << line;
        EXPECT_GT(y, 2);
        ++cameras;
      } else if (key == "fov" || key == "autofovsize") {
        EXPECT_EQ(sscanf(arg.c_str(), "%f", &f), 1) << line;
      } else if (key == "gate") {
        std::istringstream in(arg);
        for (int g; in >> g;) {
          EXPECT_TRUE(g >= 0 && g < int(t.checkpoints.size())) << line;
          EXPECT_EQ(camera_of.count(g), 0u) << g << " twice";
          camera_of[g] = cameras;
        }
      } else {
        ADD_FAILURE() << line;
      }
    }
    EXPECT_GE(cameras, 3);
    EXPECT_EQ(camera_of.size(), t.checkpoints.size());
    for (const auto& [g, cam] : camera_of) EXPECT_LT(cam, cameras) << g;
  }
}

// Every image in the folder is an 8-bit PNG with power-of-two sides (the
// game halves other sizes and warns), every scenery model a well-formed
// ".jm" standing on the ground whose triangles face the way their normals
// do, every shape a list of spheres. (The bike and rider models are in
// their bodies' coordinates, the rider skinned: gamedata_bikes_test reads
// those.)
TEST_F(GeneratedTrack, ImagesModelsAndShapesAreWellFormed) {
  size_t pngs = 0, models = 0, shapes = 0;
  for (const auto& [name, s] : seen_) {
    SCOPED_TRACE(name);
    if (ends_with(name, ".png")) {
      int w, h, depth, colour;
      ASSERT_TRUE(png_header(s.plain, w, h, depth, colour));
      EXPECT_EQ(depth, 8);
      EXPECT_TRUE(colour == 0 || colour == 2 || colour == 6) << colour;
      EXPECT_TRUE(power_of_two(w) && power_of_two(h)) << w << "x" << h;
      ++pngs;
    } else if (ends_with(name, ".jm") && name.rfind("scenery/", 0) == 0) {
      std::istringstream in(text(s.plain));
      std::string magic;
      in >> magic;
      ASSERT_EQ(magic, "JM1");
      int meshes = 0;
      float lowest = 1e9f;
      for (;;) {
        float shininess, alpha, r, g, b;
        int v, t;
        if (!(in >> shininess >> alpha >> r >> g >> b >> v >> t)) break;
        ASSERT_GT(v, 0);
        ASSERT_GT(t, 0);
        std::vector<std::array<float, 8>> vert;
        vert.resize(size_t(v));
        for (auto& x : vert)
          for (float& f : x) ASSERT_TRUE(in >> f);
        for (const auto& x : vert) {
          EXPECT_NEAR(std::sqrt(x[3] * x[3] + x[4] * x[4] + x[5] * x[5]), 1, 1e-3);
          lowest = std::min(lowest, x[1]);
        }
        for (int k = 0; k < t; ++k) {
          int a, b2, c;
          ASSERT_TRUE(in >> a >> b2 >> c);
          ASSERT_TRUE(a >= 0 && a < v && b2 >= 0 && b2 < v && c >= 0 && c < v);
          const auto &p = vert[size_t(a)], &q = vert[size_t(b2)], &o = vert[size_t(c)];
          float ux = q[0] - p[0], uy = q[1] - p[1], uz = q[2] - p[2], wx = o[0] - p[0], wy = o[1] - p[1], wz = o[2] - p[2];
          float nx = uy * wz - uz * wy, ny = uz * wx - ux * wz, nz = ux * wy - uy * wx;
          float facing = nx * (p[3] + q[3] + o[3]) + ny * (p[4] + q[4] + o[4]) + nz * (p[5] + q[5] + o[5]);
          EXPECT_GT(facing, 0) << "triangle " << k;
        }
        ++meshes;
      }
      EXPECT_TRUE(in.eof());
      EXPECT_GE(meshes, 1);
      EXPECT_NEAR(lowest, 0, 0.05);  // stands on the ground
      ++models;
    } else if (ends_with(name, ".shp")) {
      std::istringstream in(text(s.plain));
      int count = 0;
      ASSERT_TRUE(in >> count);
      ASSERT_GT(count, 0);
      for (int k = 0; k < count; ++k) {
        float f[7];
        for (float& x : f) ASSERT_TRUE(in >> x);
        EXPECT_GT(f[3], 0);
      }
      std::string extra;
      EXPECT_FALSE(in >> extra);
      ++shapes;
    }
  }
  EXPECT_GT(pngs, 100u);
  EXPECT_GE(models, 6u);
  EXPECT_GE(shapes, 3u);
}

}  // namespace
