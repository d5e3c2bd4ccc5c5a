// The collision shapes in use, loaded once per file name and shared by every
// body and scenery object that names them. A handle is a uint32: 0 means
// "none or could not be loaded", so callers go on without a shape.
//
// A failed name is remembered too: asking for it again gives 0 at once
// without reading the file or repeating the warning.
#pragma once
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "bike/shape.h"

struct Vfs;

// A name that did not give a shape.
struct ShapeFailure {
  std::string name;    // the name as asked for
  ShapeResult result;  // SHAPE_MISSING or SHAPE_DAMAGED
  std::string error;   // what was wrong with a damaged file, "" when missing
};

struct ShapeCache {
  Vfs* vfs = nullptr;                        // where shape files are read from
  std::deque<Shape> shapes;                  // loaded shapes; handle h is shapes[h - 1]
  std::vector<std::string> names;            // file name of each loaded shape, by handle - 1
  std::map<std::string, uint32_t> by_name;   // every name asked for: its handle, 0 when it failed
  std::vector<ShapeFailure> failures;        // the failed names in the order they were first asked for
};

// Empties the cache and makes it read through vfs.
void shape_cache_init(ShapeCache& cache, Vfs& vfs);
// Drops every shape and every remembered failure; old handles become invalid.
void shape_cache_free(ShapeCache& cache);
// The handle of the named shape, loading it on first use; 0 for an empty
// name and for a file that is missing ("Can't open shape file %s" logged)
// or damaged ("Warning: bad shape file %.900s: %s" posted), each reported
// only the first time the name is asked for.
uint32_t shape_cache_load(ShapeCache& cache, const char* name);
// The shape of a handle, or null for 0 and for handles this cache never
// gave. The shape stays where it is until shape_cache_free.
const Shape* shape_cache_get(const ShapeCache& cache, uint32_t handle);
// The file name a handle was loaded from, or null.
const char* shape_cache_name(const ShapeCache& cache, uint32_t handle);
// Forgets the failed names so that the next request reads the file again
// (for files that may have arrived since, such as a downloaded track).
void shape_cache_forget_failures(ShapeCache& cache);

// shape_cache_load in the form of the track asset loader's shape hook
// (TrackAssets::shape in track/track_assets.h); context is the ShapeCache.
uint32_t shape_cache_hook(void* context, const char* name);
