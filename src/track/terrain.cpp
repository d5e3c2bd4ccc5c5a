// Height edits, reshading and freeing of the terrain.
#include "track/terrain.h"

#include <algorithm>
#include <cmath>

void terrain_bits_init(std::vector<uint32_t>& bits, size_t count, bool set) {
  bits.assign((count + 31) / 32, set ? ~uint32_t(0) : 0);
}

void terrain_free(Terrain& terrain) {
  if (terrain.render.release) terrain.render.release(terrain.render.context, terrain);
  if (terrain.decals && terrain.decal_hooks.release) terrain.decal_hooks.release(terrain.decal_hooks.context, terrain);
  terrain = Terrain();
}

void terrain_set_point(Terrain& t, int i, int k, float height) {
  int n = t.size;
  if (i < 0 || k < 0 || i >= n || k >= n || t.edit_lock || !std::isfinite(height)) return;
  t.modified = TERRAIN_MODIFIED_ALL;
  t.max_height = std::max(t.max_height, height);
  t.min_height = std::min(t.min_height, height);
  t.heights[size_t(k) * size_t(n) + size_t(i)] = height;
  // The shading and vertex normals of the point and its neighbours change.
  bool packed = !t.normal_dirty.empty();
  if (!t.reshade.empty())
    for (int dk = -1; dk <= 1; ++dk)
      for (int di = -1; di <= 1; ++di) {
        int pi = std::clamp(i + di, 0, n - 1), pk = std::clamp(k + dk, 0, n - 1);
        size_t j = size_t(pk) * size_t(n) + size_t(pi);
        terrain_bit_set(t.reshade, j);
        if (packed) terrain_bit_set(t.normal_dirty, j);
      }
  // The triangles of the four cells that share the point.
  if (!t.triangle_dirty.empty()) {
    int per_row = 2 * (n - 1);
    int c0 = std::max(2 * i - 2, 0), c1 = std::min(2 * i + 1, per_row - 1);
    for (int row = std::max(k - 1, 0); row <= std::min(k, n - 2); ++row)
      for (int c = c0; c <= c1; ++c) terrain_bit_set(t.triangle_dirty, size_t(row) * size_t(per_row) + size_t(c));
  }
}

void terrain_flush_reshade(Terrain& t) {
  int n = t.size;
  size_t count = size_t(n) * size_t(n);
  for (size_t w = 0; w < t.reshade.size(); ++w) {
    uint32_t word = t.reshade[w];
    if (!word) continue;
    t.reshade[w] = 0;
    if (!t.render.reshade_point) continue;
    for (int b = 0; b < 32; ++b) {
      size_t j = w * 32 + size_t(b);
      if (!(word >> b & 1) || j >= count) continue;
      t.render.reshade_point(t.render.context, t, int(j % size_t(n)), int(j / size_t(n)));
    }
  }
}

void terrain_pack_normal(Terrain& t, int i, int k) {
  int n = t.size;
  if (t.packed_normals.empty() || i < 0 || k < 0 || i >= n || k >= n) return;
  TerrainVec v = terrain_vertex_normal(t, i, k);
  size_t j = size_t(k) * size_t(n) + size_t(i);
  auto pack = [](float c) { return uint8_t(std::clamp(int(std::trunc(c * 127)), -127, 127) + 128); };
  t.packed_normals[3 * j] = pack(v.x);
  t.packed_normals[3 * j + 1] = uint8_t(255 - (t.shadows.empty() ? 0 : t.shadows[j]));
  t.packed_normals[3 * j + 2] = pack(v.z);
}
