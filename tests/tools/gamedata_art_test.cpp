// The generator's pieces on small fixtures: light and shadow on a made-up
// terrain, the triangle height query, ground tiles meeting without seams,
// and the tile map's choice of tiles.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "gamedata/art_ground.h"
#include "gamedata/track_light.h"
#include "gamedata/track_surfaces.h"
#include "gamedata/track_terrain.h"

namespace {

// A flat 65 x 65 grid, 2 ft apart, at height 10, with a 12 ft high ridge
// running along z at x = 64 (a raised-cosine cross-section 16 ft wide).
GdTerrain ridge_terrain() {
  GdTerrain t;
  t.exponent = 5;
  t.size = 65;
  t.spacing = 2;
  t.heights.assign(size_t(t.size) * t.size, 10.0f);
  for (int k = 0; k < t.size; ++k)
    for (int i = 0; i < t.size; ++i) {
      double dx = i * t.spacing - 64;
      if (std::fabs(dx) < 8) t.heights[size_t(k) * t.size + i] += float(6 * (1 + std::cos(dx / 8 * M_PI)));
    }
  return t;
}

// Sun from the -x side, 30 degrees up.
GdLighting low_sun() {
  GdLighting l{};
  l.sun[0] = -std::cos(M_PI / 6), l.sun[1] = std::sin(M_PI / 6), l.sun[2] = 0;
  for (int c = 0; c < 3; ++c) l.sun_colour[c] = 0.8, l.ambient[c] = 0.4;
  return l;
}

TEST(GamedataLight, SlopesFacingAwayAreDarkerAndShadowFallsBehindTheRidge) {
  GdTerrain t = ridge_terrain();
  GdLighting l = low_sun();
  std::vector<unsigned char> light, rgb;
  ASSERT_TRUE(gd_shadow_light(t, l, light));
  ASSERT_TRUE(gd_shading(t, l, light, rgb));
  ASSERT_EQ(rgb.size(), size_t(3) * t.size * t.size);
  auto at = [&](double x) { return size_t(32) * t.size + size_t(std::lround(x / t.spacing)); };
  // Flat ground in the sun: (sin 30 * 0.8 + 0.4) * 127.5 = 102.
  EXPECT_EQ(light[at(20)], 255);
  EXPECT_NEAR(rgb[3 * at(20)], 102, 1);
  // The slope facing the sun (x < 64) is brighter than flat ground, the far
  // one (x > 64) darker, down to the ambient light alone.
  EXPECT_GT(rgb[3 * at(60)], rgb[3 * at(20)]);
  EXPECT_LT(rgb[3 * at(68)], rgb[3 * at(20)]);
  EXPECT_GE(rgb[3 * at(68)], 51);
  // The shadow lies behind the ridge, away from the sun: 12 ft high at a
  // 30 degree sun reaches about 20.8 ft past the top.
  EXPECT_LT(light[at(76)], 64);
  EXPECT_LT(light[at(82)], 128);
  EXPECT_EQ(light[at(96)], 255);
  EXPECT_EQ(light[at(48)], 255);  // and not on the sunny side
  EXPECT_NEAR(rgb[3 * at(76)], 51, 2);  // in shadow only the ambient light is left
  // Every byte stays in range: with sun + ambient above 2 the bright
  // slope would pass 255 and is clamped there.
  GdLighting bright = l;
  for (int c = 0; c < 3; ++c) bright.sun_colour[c] = 2.0, bright.ambient[c] = 0.8;
  ASSERT_TRUE(gd_shading(t, bright, light, rgb));
  EXPECT_EQ(rgb[3 * at(60)], 255);
}

TEST(GamedataLight, RefusesSunsBelowTheHorizonAndMismatchedSizes) {
  GdTerrain t = ridge_terrain();
  GdLighting l = low_sun();
  std::vector<unsigned char> light, rgb;
  l.sun[1] = -0.1;
  EXPECT_FALSE(gd_shadow_light(t, l, light));
  l.sun[0] = l.sun[1] = l.sun[2] = 0;  // no direction: straight overhead
  ASSERT_TRUE(gd_shadow_light(t, l, light));
  EXPECT_EQ(light, std::vector<unsigned char>(light.size(), 255));
  light.pop_back();
  EXPECT_FALSE(gd_shading(t, l, light, rgb));
  GdTerrain empty;
  EXPECT_FALSE(gd_shadow_light(empty, l, light));
}

// The triangle split alternates with the cell's parity: a point inside a
// cell takes the height of the triangle it lies in, and the grid extends
// flat past its edges.
TEST(GamedataTerrain, HeightFollowsTheTrianglesAndExtendsFlat) {
  GdTerrain t;
  t.exponent = 4;
  t.size = 3;
  t.spacing = 2;
  // Row k = 0: 0 1 2; row 1: 3 4 5; row 2: 6 7 8 (index k * 3 + i).
  t.heights = {0, 1, 2, 3, 4, 5, 6, 7, 8};
  t.heights[4] = 10;  // a peak in the middle
  struct Case {
    double x, z, h;
  } cases[] = {
      {0, 0, 0},    {2, 2, 10},  {4, 4, 8},  // grid points
      {1.5, 0.5, 3},  // even cell (0, 0), below its diagonal: corner (1, 0): 1 - 0.25 * 1 + 0.25 * 9
      {0.5, 1.5, 4},  // above it: corner (0, 1): 3 + 0.25 * 7 - 0.25 * 3
      {2.5, 0.5, 3.5},  // odd cell (1, 0), corner (1, 0): 1 + 0.25 * 1 + 0.25 * 9
      {-50, 2, 3},  {2, -50, 1}, {50, 50, 8},  // flat past the edges
  };
  for (const Case& c : cases) EXPECT_NEAR(gd_terrain_height(t, c.x, c.z), c.h, 1e-9) << c.x << "," << c.z;
}

// Ground tiles: the inner 7/8 of a tile image is what the game draws, so
// pixel 120 of one tile meets pixel 8 of the next, and a blend shows its
// second kind exactly at the corners its mask names.
class GroundTiles : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { gd_ground_art_init(art_, GD_TILE_PIXELS); }
  static GdImage tile(GdSurfaceKind a, GdSurfaceKind b, int mask, int alt = 0) {
    GdImage im;
    gd_ground_tile(art_, {a, b, mask, alt}, im);
    return im;
  }
  // Largest channel difference between column (or row) p of one image and
  // column (or row) q of another.
  static int edge_difference(const GdImage& x, int p, const GdImage& y, int q, bool columns) {
    int worst = 0;
    for (int s = 0; s < x.width; ++s)
      for (int c = 0; c < 3; ++c) {
        int u = columns ? gd_image_pixel(x, p, s)[c] : gd_image_pixel(x, s, p)[c];
        int v = columns ? gd_image_pixel(y, q, s)[c] : gd_image_pixel(y, s, q)[c];
        worst = std::max(worst, std::abs(u - v));
      }
    return worst;
  }
  inline static GdGroundArt art_;
};

TEST_F(GroundTiles, NeighboursMeetWithoutSeams) {
  const GdSurfaceKind G = GD_SURFACE_GRASS, D = GD_SURFACE_DIRT;
  struct Pair {
    GdImage left, right;
    bool beside;  // else one above the other
    int tolerance;
  } pairs[] = {
      {tile(G, G, 0), tile(G, G, 0), true, 0},
      {tile(G, G, 0, 1), tile(G, G, 0, 2), true, 0},  // other looks keep the edges of the plain one
      {tile(G, D, 0b0101), tile(D, D, 0), true, 0},   // right corners dirt, then plain dirt
      {tile(D, D, 0), tile(G, D, 0b1010), true, 0},   // plain dirt, then left corners dirt
      {tile(G, D, 0b0011), tile(G, D, 0b1100), false, 0},  // bottom corners dirt above top corners dirt
      {tile(G, D, 0b0001), tile(G, D, 0b0010), true, 12},  // a mixed edge: grass above, dirt below
  };
  for (const Pair& p : pairs) {
    SCOPED_TRACE(&p - pairs);
    EXPECT_LE(edge_difference(p.left, 120, p.right, 8, p.beside), p.tolerance);
  }
  // A tile also repeats against itself.
  GdImage d = tile(D, D, 0);
  EXPECT_EQ(edge_difference(d, 120, d, 8, true), 0);
  EXPECT_EQ(edge_difference(d, 120, d, 8, false), 0);
}

TEST_F(GroundTiles, MaskBitsNameTheCorners) {
  const GdSurfaceKind G = GD_SURFACE_GRASS, S = GD_SURFACE_SAND;
  GdImage grass = tile(G, G, 0), sand = tile(S, S, 0);
  struct Corner {
    int mask, x, y;
  } corners[] = {{8, 16, 16}, {4, 111, 16}, {2, 16, 111}, {1, 111, 111}};
  for (const Corner& c : corners) {
    GdImage im = tile(G, S, c.mask);
    for (const Corner& d : corners) {
      const unsigned char* p = gd_image_pixel(im, d.x, d.y);
      const unsigned char* want = gd_image_pixel(d.mask == c.mask ? sand : grass, d.x, d.y);
      EXPECT_EQ(memcmp(p, want, 3), 0) << "mask " << c.mask << " at " << d.x << "," << d.y;
    }
  }
}

TEST(GamedataTiles, SetListsPlainLooksThenBlendsAndFindsAnyCornerOrder) {
  GdTileSet set;
  ASSERT_TRUE(gd_tileset_build({GD_SURFACE_GRASS, GD_SURFACE_DIRT, GD_SURFACE_SAND}, set));
  ASSERT_EQ(set.tiles.size(), 3 + 3 * GD_TILE_ALTS + 3 * 14u);
  EXPECT_EQ(gd_tile_texture(set.tiles[0]), "tile_grass.png");
  EXPECT_EQ(gd_tile_texture(set.tiles[3]), "tile_grass-alt1.png");
  int i = gd_tileset_find(set, GD_SURFACE_GRASS, GD_SURFACE_SAND, 0b1001, 0);
  ASSERT_GE(i, 0);
  EXPECT_EQ(gd_tile_texture(set.tiles[size_t(i)]), "tile_grass-tile_sand-1001.png");
  // The same corners named the other way round, and the two ends of a pair.
  EXPECT_EQ(gd_tileset_find(set, GD_SURFACE_SAND, GD_SURFACE_GRASS, 0b0110, 0), i);
  EXPECT_EQ(gd_tileset_find(set, GD_SURFACE_GRASS, GD_SURFACE_SAND, 15, 0), 2);
  EXPECT_EQ(gd_tileset_find(set, GD_SURFACE_SAND, GD_SURFACE_GRASS, 0, 2), 2 + 2 * GD_TILE_ALTS + 2);
  EXPECT_EQ(gd_tileset_find(set, GD_SURFACE_MUD, GD_SURFACE_GRASS, 3, 0), -1);
  // Repeated or unknown kinds are refused.
  EXPECT_FALSE(gd_tileset_build({GD_SURFACE_DIRT, GD_SURFACE_DIRT}, set));
  EXPECT_TRUE(set.tiles.empty());
  EXPECT_FALSE(gd_tileset_build({GdSurfaceKind(GD_SURFACE_KINDS)}, set));
}

}  // namespace
