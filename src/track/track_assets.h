// How track data asks for the textures, models and collision shapes it
// names. The renderer supplies the real loaders; tests and tools supply
// loaders that record the names and hand out numbers. A handle of 0 means
// "could not be loaded": the data keeps the name and goes on without it.
#pragma once
#include <cstdint>

enum {
  ASSET_TEXTURE_MIPMAP = 1,   // build mipmaps
  ASSET_TEXTURE_CLAMP = 2,    // clamp at the edges instead of repeating
  ASSET_TEXTURE_ALPHA = 4,    // keep an alpha channel
  ASSET_TEXTURE_GROUND = 8,   // a ground (terrain) texture: ground detail reduction applies
};

struct TrackAssets {
  void* context = nullptr;
  uint32_t (*texture)(void* context, const char* name, int flags) = nullptr;  // ASSET_TEXTURE_* flags
  uint32_t (*model)(void* context, const char* name) = nullptr;               // a ".jm" model
  uint32_t (*shape)(void* context, const char* name) = nullptr;               // a ".shp" collision shape
  bool (*exists)(void* context, const char* name) = nullptr;                  // whether a file can be opened
};

// Asks through the loader, treating a missing loader as "not loaded".
inline uint32_t track_asset_texture(const TrackAssets& a, const char* name, int flags) {
  return a.texture ? a.texture(a.context, name, flags) : 0;
}
inline uint32_t track_asset_model(const TrackAssets& a, const char* name) {
  return a.model ? a.model(a.context, name) : 0;
}
inline uint32_t track_asset_shape(const TrackAssets& a, const char* name) {
  return a.shape ? a.shape(a.context, name) : 0;
}
