#include "settings/settings.h"

struct GraphicsPreset {
  int reshade_delay, roost_density, model_detail;
  bool shader_flare_reflections;
  const char* render_texture;
  int texture_compress, ground_texture_dim, texture_detail, ground_detail;
};

static const GraphicsPreset graphics_presets[4] = {
    {8, 1000, 50, true, "Software", 0, 1, 9, 70},
    {10, 0, 25, false, "Hardware/Direct", 1, 1, 7, 50},
    {8, 1000, 50, true, "Shaders/Direct", 1, 2, 9, 70},
    {0, 1000, 75, true, "Shaders/Direct", 0, 3, 10, 90},
};

void settings_apply_preset(Settings& s, int preset) {
  if (preset < 0 || preset > 3) return;
  const GraphicsPreset& p = graphics_presets[preset];
  s.reshade_delay = p.reshade_delay;
  s.roost_density = p.roost_density;
  s.model_detail = p.model_detail;
  s.use_shader = s.lens_flare = s.reflections = p.shader_flare_reflections;
  s.render_texture = p.render_texture;
  s.texture_compress = p.texture_compress;
  s.ground_mipmaps = true;
  s.ground_texture_dim = p.ground_texture_dim;
  s.ground_texture_detail = s.model_texture_detail = p.texture_detail;
  s.ground_detail = p.ground_detail;
}

#include "settings/global_options.h"

#include <algorithm>

void global_options_from_settings(GlobalOptions& g, const Settings& s) {
  g.terrain_detail = s.ground_detail > 0 ? 0.125f / float(s.ground_detail) : 0.125f;
  g.ground_texture_reduction = std::clamp(10 - s.ground_texture_detail, 0, 10);
  g.model_texture_reduction = std::clamp(10 - s.model_texture_detail, 0, 10);
  g.ground_texture_size = 32 << std::clamp(s.ground_texture_dim, 0, 5);
  float scale = float(std::clamp(100 - s.model_detail, 0, 100)) * 0.02f;
  if (scale > 1) scale = scale * scale * scale;
  g.lod_scale = scale;
  g.lod_bias = 50 - 50 * std::clamp(float(s.model_detail - 10) * 0.05f, 0.0f, 1.0f);
  g.roost_frequency = s.roost_density;
  g.texture_compression = s.texture_compress;
  g.reflections = s.reflections ? 1 : 0;
}
