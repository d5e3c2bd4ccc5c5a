// Height, normal and sphere queries and height edits on terrains built in memory.
#include "track/terrain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <set>

namespace {

// A terrain as the loader leaves it, with heights from h(i, k).
Terrain make_terrain(int e, float d, const std::function<float(int, int)>& h) {
  Terrain t;
  t.exponent = e;
  t.size = (1 << (e + 1)) + 1;
  t.tile_side = 1 << e;
  t.spacing = d;
  t.inv_spacing = 1 / d;
  t.extent = float(t.size - 1) * d;
  t.tile_size = 2 * d;
  int n = t.size;
  size_t points = size_t(n) * size_t(n), triangles = 2 * size_t(n - 1) * size_t(n - 1);
  for (int k = 0; k < n; ++k)
    for (int i = 0; i < n; ++i) t.heights.push_back(h(i, k));
  t.min_height = *std::min_element(t.heights.begin(), t.heights.end());
  t.max_height = *std::max_element(t.heights.begin(), t.heights.end());
  t.base_heights = t.heights;
  t.shading.assign(3 * points, 128);
  t.shadows.assign(points, 0);
  t.tiles.assign(size_t(t.tile_side) * size_t(t.tile_side), 0);
  t.tile_count = 1;
  terrain_bits_init(t.reshade, points, false);
  terrain_bits_init(t.triangle_dirty, triangles, true);
  t.triangle_normals.assign(3 * triangles, 0);
  return t;
}

std::function<float(int, int)> random_heights(unsigned seed) {
  auto rng = std::make_shared<std::mt19937>(seed);
  auto table = std::make_shared<std::vector<float>>();
  for (int j = 0; j < 33 * 33; ++j) table->push_back(float((*rng)() % 1000) / 100);
  return [table](int i, int k) { return (*table)[size_t(k) * 33 + size_t(i)]; };
}

std::set<size_t> set_bits(const std::vector<uint32_t>& bits, size_t count) {
  std::set<size_t> out;
  for (size_t j = 0; j < count; ++j)
    if (terrain_bit(bits, j)) out.insert(j);
  return out;
}

void expect_vec_near(TerrainVec a, TerrainVec b, float tolerance) {
  EXPECT_NEAR(a.x, b.x, tolerance);
  EXPECT_NEAR(a.y, b.y, tolerance);
  EXPECT_NEAR(a.z, b.z, tolerance);
}

TerrainVec unit(float x, float y, float z) {
  float len = std::sqrt(x * x + y * y + z * z);
  return TerrainVec{x / len, y / len, z / len};
}

TEST(TerrainHeight, EveryGridPointGivesItsSample) {
  Terrain t = make_terrain(2, 2.5f, random_heights(1));
  for (int k = 0; k < t.size; ++k)
    for (int i = 0; i < t.size; ++i)
      EXPECT_NEAR(terrain_height(t, float(i) * 2.5f, float(k) * 2.5f), terrain_sample(t, i, k), 1e-5) << i << "," << k;
}

TEST(TerrainHeight, CellsSplitAlongTheCheckerboardDiagonals) {
  // One raised corner in a cell: on a triangle containing that corner the
  // height rises towards it; on the other triangle it stays 0. Bilinear
  // interpolation (or the other diagonal) gives different values.
  struct Case {
    int cell_i, cell_k;   // the cell: (0, 0) has i + k even, (1, 0) odd
    int raised_i, raised_k;
    float fu, fv;
    float expected;
  } cases[] = {
      // Even cell: diagonal from (0, 0) to (1, 1).
      {0, 0, 1, 1, 0.5f, 0.25f, 0.25f},
      {0, 0, 1, 1, 0.25f, 0.5f, 0.25f},
      {0, 0, 1, 1, 0.5f, 0.5f, 0.5f},
      {0, 0, 1, 0, 0.5f, 0.25f, 0.25f},
      {0, 0, 1, 0, 0.25f, 0.5f, 0.0f},
      {0, 0, 0, 1, 0.25f, 0.5f, 0.25f},
      {0, 0, 0, 1, 0.5f, 0.25f, 0.0f},
      // Odd cell: diagonal from (2, 0) to (1, 1).
      {1, 0, 2, 1, 0.5f, 0.25f, 0.0f},
      {1, 0, 2, 1, 0.75f, 0.75f, 0.5f},
      {1, 0, 1, 0, 0.25f, 0.25f, 0.5f},
      {1, 0, 1, 0, 0.75f, 0.75f, 0.0f},
      {1, 0, 2, 0, 0.5f, 0.5f, 0.5f},
      {1, 0, 2, 0, 0.75f, 0.0f, 0.75f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "cell " << c.cell_i << "," << c.cell_k << " raised " << c.raised_i << ","
                                    << c.raised_k << " at " << c.fu << "," << c.fv);
    Terrain t = make_terrain(1, 2, [&](int i, int k) { return i == c.raised_i && k == c.raised_k ? 1.0f : 0.0f; });
    EXPECT_NEAR(terrain_height(t, (float(c.cell_i) + c.fu) * 2, (float(c.cell_k) + c.fv) * 2), c.expected, 1e-6);
  }
}

TEST(TerrainHeight, ContinuousAcrossEdgesAndDiagonals) {
  Terrain t = make_terrain(2, 2, random_heights(7));
  const float eps = 1e-4f;
  // The steepest slope is under 10 per 2 units, so eps apart the heights
  // differ by well under 1e-3 unless the surface tears.
  for (int k = 0; k + 1 < t.size; ++k)
    for (int i = 0; i + 1 < t.size; ++i)
      for (float s = 0.1f; s < 1; s += 0.2f) {
        float x0 = float(i) * 2, z0 = float(k) * 2;
        // Across the row-k edge, the column-i edge and the cell's diagonal.
        EXPECT_NEAR(terrain_height(t, x0 + 2 * s, z0 - eps), terrain_height(t, x0 + 2 * s, z0 + eps), 1e-3);
        EXPECT_NEAR(terrain_height(t, x0 - eps, z0 + 2 * s), terrain_height(t, x0 + eps, z0 + 2 * s), 1e-3);
        // Even cells' diagonal runs along (1, 1), odd cells' along (-1, 1).
        bool odd = (i + k) & 1;
        float dx = odd ? 2 * (1 - s) : 2 * s, dz = 2 * s, across = odd ? eps : -eps;
        EXPECT_NEAR(terrain_height(t, x0 + dx + across, z0 + dz + eps),
                    terrain_height(t, x0 + dx - across, z0 + dz - eps), 1e-3);
      }
}

TEST(TerrainHeight, BeyondTheGridTheEdgesContinueFlat) {
  Terrain t = make_terrain(1, 2, random_heights(3));
  float far = t.extent;  // 8
  struct Case {
    float x, z;            // outside
    float inside_x, inside_z;  // the edge point with the same height
  } cases[] = {
      {-50, 3, 0, 3},      {3, -50, 3, 0},        {far + 50, 5, far, 5},
      {5, far + 0.5f, 5, far}, {-50, -50, 0, 0},      {1e30f, 1e30f, far, far},
      {-1e30f, far + 9, 0, far},
  };
  for (const Case& c : cases)
    EXPECT_FLOAT_EQ(terrain_height(t, c.x, c.z), terrain_height(t, c.inside_x, c.inside_z)) << c.x << "," << c.z;
  EXPECT_TRUE(std::isfinite(terrain_height(t, NAN, 2)));
  EXPECT_TRUE(std::isfinite(terrain_height(t, INFINITY, -INFINITY)));
}

TEST(TerrainNormal, PlaneGivesOneNormalEverywhere) {
  // h = 0.5 x + 0.25 z + 3 in world units.
  Terrain t = make_terrain(2, 2, [](int i, int k) { return 0.5f * float(i) * 2 + 0.25f * float(k) * 2 + 3; });
  TerrainVec expected = unit(-0.5f, 1, -0.25f);
  for (float z = 0.3f; z < t.extent; z += 1.7f)
    for (float x = 0.1f; x < t.extent; x += 1.3f) {
      expect_vec_near(terrain_normal(t, x, z), expected, 1e-6f);
      int tri = terrain_triangle_at(t, x, z);
      ASSERT_GE(tri, 0);
      expect_vec_near(terrain_triangle_normal(t, tri), expected, 1e-6f);
    }
  for (int k = 0; k < t.size; ++k)
    for (int i = 0; i < t.size; ++i) expect_vec_near(terrain_vertex_normal(t, i, k), expected, 1e-6f);
}

TEST(TerrainNormal, TrianglesAreNumberedByCellAndHalf) {
  Terrain t = make_terrain(1, 2, random_heights(5));  // 4 x 4 cells, 8 triangles a row
  struct Case {
    float fu, fv;
    int cell_i, cell_k;
    int triangle;
  } cases[] = {
      {0.5f, 0.2f, 0, 0, 0},  {0.2f, 0.5f, 0, 0, 1},  // even cell: below / above its diagonal
      {0.2f, 0.2f, 1, 0, 2},  {0.8f, 0.8f, 1, 0, 3},  // odd cell
      {0.2f, 0.2f, 3, 2, 22}, {0.9f, 0.95f, 3, 3, 31},
  };
  for (const Case& c : cases) {
    float x = (float(c.cell_i) + c.fu) * 2, z = (float(c.cell_k) + c.fv) * 2;
    EXPECT_EQ(terrain_triangle_at(t, x, z), c.triangle);
    expect_vec_near(terrain_triangle_normal(t, c.triangle), terrain_normal(t, x, z), 1e-6f);
  }
  EXPECT_EQ(terrain_triangle_at(t, t.extent, t.extent), 30);  // the far corner belongs to the last cell
  EXPECT_EQ(terrain_triangle_at(t, -0.1f, 1), -1);
  EXPECT_EQ(terrain_triangle_at(t, 1, t.extent + 0.1f), -1);
}

TEST(TerrainNormal, SymmetricPeakPointsUpAndItsSlopesLean) {
  // A peak at (2, 2), where i + k is even and all eight triangles meet.
  Terrain t = make_terrain(1, 2, [](int i, int k) { return i == 2 && k == 2 ? 2.0f : 0.0f; });
  expect_vec_near(terrain_vertex_normal(t, 2, 2), TerrainVec{0, 1, 0}, 1e-6f);
  // Right of the peak the ground falls with x: slope -1 along x.
  expect_vec_near(terrain_normal(t, 4.5f, 4.1f), unit(1, 1, 0), 1e-6f);
  TerrainVec side = terrain_vertex_normal(t, 3, 2);
  EXPECT_GT(side.x, 0.1f);
  EXPECT_NEAR(side.z, 0, 1e-6);
}

TEST(TerrainSphere, ContactsOnFlatSlopedAndRidgedGround) {
  auto flat = [](int, int) { return 5.0f; };
  auto slope = [](int i, int) { return 0.5f * float(i) * 2; };  // h = 0.5 x
  auto ridge = [](int i, int) { return -std::fabs(float(i) * 2 - 4); };  // peak along x = 4
  TerrainVec up{0, 1, 0};
  float s = 0.8f / std::sqrt(2.0f);
  struct Case {
    const char* what;
    std::function<float(int, int)> heights;
    TerrainVec centre;
    float radius;
    bool touches;
    float depth;
    TerrainVec normal;
  } cases[] = {
      {"resting on flat ground", flat, {4, 5.5f, 4}, 1, true, 0.5f, up},
      {"above flat ground", flat, {4, 6.5f, 4}, 1, false, 0, up},
      {"centre below the ground", flat, {4, 3, 4}, 1, true, 3, up},
      {"beyond the grid's edge", flat, {-30, 5.9f, 4}, 1, true, 0.1f, up},
      {"far beyond the grid", flat, {1e9f, 5.5f, -1e9f}, 1, true, 0.5f, up},
      {"on a slope", slope, {4, 2.5f, 4}, 1, true, 1 - 0.5f / std::sqrt(1.25f), unit(-0.5f, 1, 0)},
      // Beside the ridge the other slope's plane passes over the sphere;
      // only the slope it rests on counts.
      {"on one side of a ridge", ridge, {6 + s, -2 + s, 4}, 1, true, 0.2f, unit(1, 1, 0)},
      {"on the crest of a ridge", ridge, {4, 0.8f, 4}, 1, true, 0.2f, up},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Terrain t = make_terrain(1, 2, c.heights);
    TerrainContact contact;
    ASSERT_EQ(terrain_sphere_contact(t, c.centre, c.radius, contact), c.touches);
    if (!c.touches) {
      EXPECT_EQ(contact.depth, 0);
      continue;
    }
    EXPECT_NEAR(contact.depth, c.depth, 1e-4);
    expect_vec_near(contact.normal, c.normal, 1e-4f);
    // The deepest point of the sphere, below its centre along the normal.
    expect_vec_near(contact.point,
                    TerrainVec{c.centre.x - c.normal.x * c.radius, c.centre.y - c.normal.y * c.radius,
                               c.centre.z - c.normal.z * c.radius},
                    1e-3f);
  }
}

TEST(TerrainSphere, RefusesBadInput) {
  Terrain t = make_terrain(1, 2, [](int, int) { return 0.0f; });
  TerrainContact contact;
  EXPECT_FALSE(terrain_sphere_contact(t, {4, 0, 4}, 0, contact));
  EXPECT_FALSE(terrain_sphere_contact(t, {4, 0, 4}, NAN, contact));
  EXPECT_FALSE(terrain_sphere_contact(t, {NAN, 0, 4}, 1, contact));
  EXPECT_FALSE(terrain_sphere_contact(Terrain(), {4, 0, 4}, 1, contact));
}

TEST(TerrainSmoothHeight, AveragesNearbyPointsAndFallsBackFarAway) {
  Terrain flat = make_terrain(3, 2, [](int, int) { return 7.0f; });
  EXPECT_FLOAT_EQ(terrain_smooth_height(flat, 13.3f, 5.1f), 7);
  // A plane's weighted mean around a grid point is the plane's height there
  // (the weights are symmetric about it).
  Terrain plane = make_terrain(3, 2, [](int i, int k) { return float(i) * 0.5f - float(k) * 0.25f; });
  EXPECT_NEAR(terrain_smooth_height(plane, 16, 16), 8 * 0.5f - 8 * 0.25f, 1e-4);
  // Points between 10 and 10 + d count partly: a spike 11 units away weighs
  // half of one 9 units away.
  Terrain spike = make_terrain(3, 2, [](int i, int k) { return i == 8 && k == 8 ? 1.0f : 0.0f; });
  float near = terrain_smooth_height(spike, 16 + 9, 16), far = terrain_smooth_height(spike, 16 + 11, 16);
  EXPECT_GT(near, 0);
  EXPECT_GT(far, 0);
  EXPECT_LT(far, near);
  EXPECT_EQ(terrain_smooth_height(spike, 16 + 12.5f, 16), 0);
  // Far from the grid no point is near: the clamped point at
  // (floor((x - 10) / d), floor((z - 10) / d)) is used.
  Terrain rows = make_terrain(3, 2, [](int i, int k) { return float(k * 100 + i); });
  EXPECT_EQ(terrain_smooth_height(rows, -1000, 40), 15 * 100);
  EXPECT_EQ(terrain_smooth_height(rows, -1000, -1000), 0);
  EXPECT_EQ(terrain_smooth_height(rows, 1e9f, 1e9f), 16 * 100 + 16);
}

TEST(TerrainEdit, SetPointMarksItsNeighbourhood) {
  struct Case {
    int i, k;
    std::set<size_t> points;     // reshade bits, as k n + i
    std::set<size_t> triangles;  // dirty triangle bits
  } cases[] = {
      {2, 2, {6, 7, 8, 11, 12, 13, 16, 17, 18}, {10, 11, 12, 13, 18, 19, 20, 21}},
      {0, 0, {0, 1, 5, 6}, {0, 1}},
      {4, 4, {18, 19, 23, 24}, {30, 31}},
      {4, 0, {3, 4, 8, 9}, {6, 7}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.i << "," << c.k);
    Terrain t = make_terrain(1, 2, [](int, int) { return 1.0f; });  // 5 x 5 points, 32 triangles
    terrain_bits_init(t.triangle_dirty, 32, false);
    t.packed_normals.assign(75, 0);
    terrain_bits_init(t.normal_dirty, 25, false);
    terrain_set_point(t, c.i, c.k, 4);
    EXPECT_EQ(terrain_sample(t, c.i, c.k), 4);
    EXPECT_EQ(t.modified, TERRAIN_MODIFIED_ALL);
    EXPECT_EQ(t.max_height, 4);
    EXPECT_EQ(set_bits(t.reshade, 25), c.points);
    EXPECT_EQ(set_bits(t.normal_dirty, 25), c.points);
    EXPECT_EQ(set_bits(t.triangle_dirty, 32), c.triangles);
  }
}

TEST(TerrainEdit, IgnoredOutsideTheGridUnderTheLockAndForNonNumbers) {
  struct Case {
    const char* what;
    int i, k;
    float height;
    int lock;
  } cases[] = {
      {"column -1", -1, 2, 3, 0}, {"row 5", 2, 5, 3, 0},   {"edit lock", 2, 2, 3, 1},
      {"nan", 2, 2, NAN, 0},      {"infinite", 2, 2, -INFINITY, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Terrain t = make_terrain(1, 2, [](int, int) { return 1.0f; });
    t.edit_lock = c.lock;
    std::vector<float> before = t.heights;
    terrain_set_point(t, c.i, c.k, c.height);
    EXPECT_EQ(t.heights, before);
    EXPECT_EQ(t.modified, 0);
    EXPECT_EQ(t.max_height, 1);
    EXPECT_EQ(t.min_height, 1);
    EXPECT_TRUE(set_bits(t.reshade, 25).empty());
  }
}

TEST(TerrainEdit, EditsLowerTheMinimumAndRefreshCachedNormals) {
  Terrain t = make_terrain(1, 2, [](int, int) { return 1.0f; });
  int tri = terrain_triangle_at(t, 4.5f, 4.2f);
  expect_vec_near(terrain_triangle_normal(t, tri), TerrainVec{0, 1, 0}, 1e-6f);  // now cached
  terrain_set_point(t, 3, 2, -1);
  EXPECT_EQ(t.min_height, -1);
  EXPECT_EQ(t.max_height, 1);
  TerrainVec after = terrain_triangle_normal(t, tri);
  expect_vec_near(after, terrain_normal(t, 4.5f, 4.2f), 1e-6f);
  EXPECT_LT(after.y, 0.9f);
}

TEST(TerrainEdit, FlushHandsEachMarkedPointOnceAndClears) {
  Terrain t = make_terrain(2, 2, [](int, int) { return 0.0f; });  // 9 x 9
  std::multiset<std::pair<int, int>> seen;
  t.render.context = &seen;
  t.render.reshade_point = [](void* c, Terrain&, int i, int k) {
    ((std::multiset<std::pair<int, int>>*)c)->insert({i, k});
  };
  terrain_set_point(t, 0, 0, 1);
  terrain_set_point(t, 1, 0, 1);  // overlaps the first
  terrain_set_point(t, 8, 8, 1);
  terrain_flush_reshade(t);
  std::multiset<std::pair<int, int>> expected = {{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1},
                                                 {7, 7}, {8, 7}, {7, 8}, {8, 8}};
  EXPECT_EQ(seen, expected);
  EXPECT_TRUE(set_bits(t.reshade, 81).empty());
  seen.clear();
  terrain_flush_reshade(t);
  EXPECT_TRUE(seen.empty());
}

TEST(TerrainEdit, PackedNormalsCarryDirectionAndLight) {
  Terrain t = make_terrain(1, 2, [](int i, int) { return float(i) * 2; });  // slope 1 along x
  t.packed_normals.assign(75, 0);
  t.shadows[12] = 55;
  terrain_pack_normal(t, 2, 2);
  // x = -0.7071 -> trunc(-89.8) = -89 -> 39; light 255 - 55; z = 0 -> 128.
  EXPECT_EQ(t.packed_normals[36], 39);
  EXPECT_EQ(t.packed_normals[37], 200);
  EXPECT_EQ(t.packed_normals[38], 128);
}

}  // namespace
