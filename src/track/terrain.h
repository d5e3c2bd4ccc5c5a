// The terrain of a track: a square grid of heights with a fixed spacing,
// split into triangles, with its shading, shadows and tile map; the files it
// is loaded from and saved to; and the height, normal and sphere queries of
// physics, cameras and scripts.
//
// Grid point (column i, row k) lies at world (x, z) = (i d, k d); heights
// are world y values. Cell (i, k) lies between columns i, i + 1 and rows
// k, k + 1 and is split by one diagonal: where i + k is even it joins
// (i, k) and (i + 1, k + 1), where i + k is odd it joins (i + 1, k) and
// (i, k + 1). Its two triangles are numbers k x 2(n - 1) + 2i (the one on
// the row-k edge) and k x 2(n - 1) + 2i + 1 (the one on the row-k+1 edge).
//
// Nothing here touches GL: what the renderer builds at load time (quadtree,
// ground and low-detail textures) and the colour of a reshaded point come
// through TerrainRenderHooks, which tests and tools leave empty.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct Vfs;
struct VfsFile;
struct Terrain;

enum {
  TERRAIN_EXPONENT_MIN = 1,    // smallest size exponent accepted from "terrain.hf" (5 x 5 grid)
  TERRAIN_EXPONENT_MAX = 12,   // largest (8193 x 8193 grid)
  TERRAIN_MODIFIED_ALL = 7,    // modified flags after a height edit
  TERRAIN_MODIFIED_UNSAVED = 2,  // the modified bit meaning "changed since the last save"
};

// Texture rendering methods of the ground textures.
enum {
  TERRAIN_TEXTURE_SOFTWARE = 1,  // composed on the CPU, uploaded with TexSubImage
  TERRAIN_TEXTURE_COPY = 2,      // composed in the back buffer, CopyTexSubImage
  TERRAIN_TEXTURE_DIRECT = 3,    // composed into the texture through framebuffer objects
};

// Where the heights of the last load came from.
enum TerrainHeightSource {
  TERRAIN_HEIGHTS_INLINE,  // the samples after ":" in "terrain.hf"
  TERRAIN_HEIGHTS_IMAGE,   // "terrain.png"
  TERRAIN_HEIGHTS_FLAT,    // "terrain.png" could not be read: every height is the minimum
};

struct TerrainVec {
  float x, y, z;  // world units
};

// What the renderer does for the terrain. Every hook may be null (tests,
// tools): the step is then skipped. The loader keeps the record in the
// terrain so that flushing and freeing reach the same renderer.
struct TerrainRenderHooks {
  void* context = nullptr;  // handed to every hook
  // After the heights: builds the quadtree arrays (kept in terrain.render_data).
  void (*build_quadtree)(void* context, Terrain& terrain) = nullptr;
  // Method 3 asks whether framebuffer objects exist and one could be created;
  // false (or no hook) falls back to method 1.
  bool (*framebuffer_ready)(void* context, Terrain& terrain) = nullptr;
  // Texture memory in bytes, for the loader's diagnostic lines.
  unsigned long (*texture_memory)(void* context) = nullptr;
  // "Creating low detail textures" (methods 2 and 3): fills the shading
  // textures and logs how many it needed.
  void (*low_detail_textures)(void* context, Terrain& terrain) = nullptr;
  // "Creating LOD textures" (methods 2 and 3).
  void (*lod_textures)(void* context, Terrain& terrain) = nullptr;
  // terrain_flush_reshade: recompute the shading of point (i, k).
  void (*reshade_point)(void* context, Terrain& terrain, int i, int k) = nullptr;
  // terrain_free: delete the GL textures and whatever render_data holds.
  // Also called when a load fails part way, so render_data may be null.
  void (*release)(void* context, Terrain& terrain) = nullptr;
};

// The decal list belongs to the scenery code; the terrain only carries it.
// Null hooks skip the step.
struct TerrainDecalHooks {
  void* context = nullptr;  // handed to every hook
  // Reads an open "decals" file into terrain.decals.
  void (*read)(void* context, Terrain& terrain, Vfs& vfs, VfsFile* file) = nullptr;
  // Writes terrain.decals to an open file; false when writing failed.
  bool (*write)(void* context, const Terrain& terrain, VfsFile* file) = nullptr;
  // Frees terrain.decals (terrain_free).
  void (*release)(void* context, Terrain& terrain) = nullptr;
};

// The loading messages of the track loader. Null hooks: begin only logs
// "%s\n", progress and done show nothing.
struct TerrainLoading {
  void* context = nullptr;
  void (*begin)(void* context, const char* text) = nullptr;     // a step starts
  void (*progress)(void* context, const char* text) = nullptr;  // called often; shows at most every 1/8 s
  void (*done)(void* context, const char* text) = nullptr;      // the step ended ("...done")
};

// Reads the surface definitions (the surface code): name is "@<folder>/tileinfo"
// or, when that file is absent, "@<folder>/texturelist" with texturelist set.
// Returns the number of surface tiles, or -1 when reading failed.
using TerrainSurfaceReader = int (*)(void* context, Vfs& vfs, const char* name, bool texturelist);
// RIPEMD-160 of bytes, for the height digest logged at verbosity 2.
using TerrainDigest = void (*)(const void* bytes, size_t length, unsigned char out[20]);

struct TerrainLoadParams {
  std::string folder;             // the track folder, e.g. "tracks/claypit" (files are "@<folder>/<name>")
  int texture_method = TERRAIN_TEXTURE_SOFTWARE;  // from the render_texture setting: 1, 2 or 3
  float detail = 0.125f / 70;     // terrain detail threshold (GlobalOptions terrain_detail)
  bool shader_terrain = false;    // shader terrain drawing enabled and the lighting file asks for it
  int verbosity = 0;              // 0, 1 (--debug) or 2 (--super-debug)
  TerrainSurfaceReader surfaces = nullptr;  // step "Loading tileinfo"; null: take tile_count
  void* surfaces_context = nullptr;
  int tile_count = 256;           // without a surface reader: how many tiles the tile map may index
  TerrainDigest digest = nullptr;  // null: no digest line
  TerrainLoading loading;
  TerrainRenderHooks render;
  TerrainDecalHooks decals;
};

// What the last load found, for summaries and the track checker.
struct TerrainLoadInfo {
  TerrainHeightSource heights = TERRAIN_HEIGHTS_INLINE;  // where the heights came from
  int samples_missing = 0;      // inline samples the file lacked (set to the minimum)
  int image_width = 0;          // "terrain.png" size (0 when not used or unreadable)
  int image_height = 0;
  bool shading_x2 = false;      // shading came from "shadingx2.ppm" (else "shading.ppm")
  bool shadows = false;         // "shadows.pgm" was present
  bool texturelist = false;     // surfaces came from "texturelist" (else "tileinfo")
  int tiles_missing = 0;        // tile map bytes the file lacked (set to tile 0)
  int tiles_clamped = 0;        // tile map bytes at or above the tile count
  bool decals = false;          // a "decals" file was present
};

struct Terrain {
  std::string folder;        // track folder it was loaded from; saves go to "@" + folder
  int exponent = 0;          // size exponent e
  int size = 0;              // n = 2^(e+1) + 1 grid points per side
  int tile_side = 0;         // 2^e tiles per side of the tile map
  float spacing = 0;         // d: world units between neighbouring points
  float inv_spacing = 0;     // 1 / d
  float extent = 0;          // (n - 1) d: world width of the grid
  float tile_size = 0;       // 2d: world width of one tile
  float detail = 0;          // terrain detail threshold copied at load (renderer)
  float max_height = 0;      // highest height (raised by edits, recomputed by saves)
  float min_height = 0;      // lowest height (lowered by edits, recomputed by saves)
  std::vector<float> heights;       // n x n, index k n + i
  std::vector<float> base_heights;  // n x n heights as loaded (terrain deformation)
  std::vector<uint8_t> shading;     // n x n x 3 RGB light at half intensity (128 = full brightness)
  std::vector<uint8_t> shadows;     // n x n: 0 unshadowed, larger darker
  std::vector<uint8_t> tiles;       // 2^e x 2^e surface tile indices, each below tile_count
  int tile_count = 0;               // number of surface tiles the indices refer to
  std::vector<uint32_t> reshade;    // one bit per point: its shading must be recomputed
  std::vector<float> triangle_normals;   // 2 (n - 1)^2 x 3: cached unit normal of each triangle
  std::vector<uint32_t> triangle_dirty;  // one bit per triangle: its cached normal is stale
  std::vector<uint8_t> packed_normals;   // n x n x 3 (shader drawing only): x, light, z as bytes
  std::vector<uint32_t> normal_dirty;    // one bit per point (shader drawing only): repack it
  int texture_method = 0;           // ground texture rendering method actually used: 1, 2 or 3
  int ground_texture_limit = 0;     // largest ground texture side (256 for methods 1 and 2, 0 unlimited)
  bool shader_drawing = false;      // packed normals are kept and drawn with shaders
  void* render_data = nullptr;      // the renderer's arrays and textures (quadtree, ground textures)
  TerrainRenderHooks render;        // how to reach the renderer
  void* decals = nullptr;           // the decal list (scenery code), or none
  TerrainDecalHooks decal_hooks;    // how to read, write and free it
  int modified = 0;                 // 7 after every height edit; bit value 2 = changed since the last save
  int edit_lock = 0;                // while non-zero, height edits are ignored
  TerrainLoadInfo info;             // what the last load found
};

// The result of a sphere query.
struct TerrainContact {
  TerrainVec point;   // deepest point of the sphere inside the ground
  TerrainVec normal;  // unit terrain normal pushing the sphere out
  float depth = 0;    // penetration; 0 or less means no contact
  int triangle = -1;  // triangle touched (cache numbering), -1 beyond the grid
};

// Loading and saving (terrain_load.cpp, terrain_save.cpp). terrain_load
// clears the record first and on failure leaves it freed; every message it
// posts is listed with the steps in terrain_load.cpp.
bool terrain_load(Terrain& terrain, Vfs& vfs, const TerrainLoadParams& params);
// The editor's save into the home folder: "@" + folder + "/terrain.hf",
// "terrain.png", "shading.ppm", "shadingx2.ppm", "tilemap" and, with a decal
// list, "decals". Each file is written under a temporary name and renamed
// over the old one only when complete; "terrain.png" is put in place before
// the "terrain.hf" that gives its scale. False when any file failed.
bool terrain_save(Terrain& terrain, Vfs& vfs);
// Frees every array, the renderer's data and the decal list.
void terrain_free(Terrain& terrain);

// Queries (terrain_query.cpp). Positions beyond the grid see the edge
// heights continued flat.
float terrain_sample(const Terrain& terrain, int i, int k);  // H(i, k), indices clamped to the grid
float terrain_height(const Terrain& terrain, float x, float z);
float terrain_smooth_height(const Terrain& terrain, float x, float z);
// Unit upward normal of the triangle under (x, z).
TerrainVec terrain_normal(const Terrain& terrain, float x, float z);
// Triangle under (x, z), or -1 beyond the grid.
int terrain_triangle_at(const Terrain& terrain, float x, float z);
// Cached unit normal of a triangle (recomputed when its dirty bit is set).
TerrainVec terrain_triangle_normal(Terrain& terrain, int triangle);
// Normalised sum of the normals of the triangles that meet at point (i, k).
TerrainVec terrain_vertex_normal(Terrain& terrain, int i, int k);
// Surface tile under (x, z), indices clamped to the tile map; 0 without one.
int terrain_tile_at(const Terrain& terrain, float x, float z);
// The deepest penetration of a sphere into the triangles near it; false
// (depth 0) when it touches none. Cost grows with (radius / d)^2.
bool terrain_sphere_contact(const Terrain& terrain, TerrainVec centre, float radius, TerrainContact& contact);

// Edits (terrain.cpp).
// One height edit; ignored outside the grid, under the edit lock, or for a
// height that is not a finite number.
void terrain_set_point(Terrain& terrain, int i, int k, float height);
// Hands every point whose reshade bit is set to the renderer, then clears the bits.
void terrain_flush_reshade(Terrain& terrain);
// Packed normal bytes of point (i, k) from its vertex normal and shadow.
void terrain_pack_normal(Terrain& terrain, int i, int k);

// Bits of the bitmaps above.
inline bool terrain_bit(const std::vector<uint32_t>& bits, size_t j) { return bits[j >> 5] >> (j & 31) & 1; }
inline void terrain_bit_set(std::vector<uint32_t>& bits, size_t j) { bits[j >> 5] |= uint32_t(1) << (j & 31); }
inline void terrain_bit_clear(std::vector<uint32_t>& bits, size_t j) { bits[j >> 5] &= ~(uint32_t(1) << (j & 31)); }
// A bitmap of count bits, all set or all clear.
void terrain_bits_init(std::vector<uint32_t>& bits, size_t count, bool set);
