#include "bike/shape_cache.h"

#include <cassert>

#include "platform/log.h"
#include "platform/messages.h"

void shape_cache_init(ShapeCache& cache, Vfs& vfs) {
  shape_cache_free(cache);
  cache.vfs = &vfs;
}

void shape_cache_free(ShapeCache& cache) {
  cache.shapes.clear();
  cache.names.clear();
  cache.by_name.clear();
  cache.failures.clear();
}

uint32_t shape_cache_load(ShapeCache& cache, const char* name) {
  if (!name || !name[0]) return 0;
  auto known = cache.by_name.find(name);
  if (known != cache.by_name.end()) return known->second;
  assert(cache.vfs);

  Shape shape;
  std::string error;
  ShapeResult result = shape_load(shape, *cache.vfs, name, error);
  if (result != SHAPE_OK) {
    if (result == SHAPE_MISSING)
      log_message("Can't open shape file %s\n", name);
    else
      message_post("Warning: bad shape file %.900s: %s", name, error.c_str());
    cache.failures.push_back({name, result, error});
    cache.by_name.emplace(name, 0);
    return 0;
  }
  cache.shapes.push_back(std::move(shape));
  cache.names.emplace_back(name);
  uint32_t handle = uint32_t(cache.shapes.size());
  cache.by_name.emplace(name, handle);
  return handle;
}

const Shape* shape_cache_get(const ShapeCache& cache, uint32_t handle) {
  if (handle == 0 || handle > cache.shapes.size()) return nullptr;
  return &cache.shapes[handle - 1];
}

const char* shape_cache_name(const ShapeCache& cache, uint32_t handle) {
  if (handle == 0 || handle > cache.names.size()) return nullptr;
  return cache.names[handle - 1].c_str();
}

void shape_cache_forget_failures(ShapeCache& cache) {
  for (const ShapeFailure& f : cache.failures) cache.by_name.erase(f.name);
  cache.failures.clear();
}

uint32_t shape_cache_hook(void* context, const char* name) {
  return shape_cache_load(*(ShapeCache*)context, name);
}
