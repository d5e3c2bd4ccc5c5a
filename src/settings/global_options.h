// Process-wide rendering and detail values, derived from the settings at
// start-up and then overridden by the command line.
#pragma once

struct Settings;

struct GlobalOptions {
  float terrain_detail = 0.125f / 70;  // terrain detail threshold (0.125 / ground_detail)
  float max_detail_distance = 0;       // full-detail distance of the terrain (0 = the renderer's own)
  float fade_distance = 0;             // where terrain detail has faded out (max_detail_distance + 5)
  int ground_texture_reduction = 1;    // mip levels dropped from ground textures, 0..10
  int model_texture_reduction = 1;     // mip levels dropped from model textures, 0..10
  int ground_texture_size = 64;        // pixels per side of a ground texture tile
  float lod_scale = 0;                 // model level-of-detail scale
  float lod_bias = 50;                 // model level-of-detail bias
  int roost_frequency = 1000;          // roost particles, 0..1000
  int texture_compression = 0;         // 0 no, 1 yes, 2 always
  int reflections = 1;                 // 0 off, 1 on
  int erode_strength = 0;              // offline erosion strength in 1/1024 units
  bool flat_shading = false;           // --fugly
  bool no_vertex_arrays = false;       // --novertexarrays
};

// The values that follow from the settings alone.
void global_options_from_settings(GlobalOptions& g, const Settings& s);
