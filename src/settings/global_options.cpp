#include "settings/global_options.h"

#include "settings/settings.h"

#include <algorithm>

void global_options_from_settings(GlobalOptions& g, const Settings& s) {
  // A ground detail of 0 would divide by zero: it means the coarsest terrain.
  g.terrain_detail = s.ground_detail.value > 0 ? float(0.125 / s.ground_detail.value) : 0.125f;
  g.ground_texture_reduction = std::clamp(10 - int(s.ground_texture_detail.value), 0, 10);
  g.model_texture_reduction = std::clamp(10 - int(s.model_texture_detail.value), 0, 10);
  g.ground_texture_size = 32 << std::clamp(s.ground_texture_dim.selected, 0, 5);
  double scale = std::clamp(100 - s.model_detail.value, 0.0, 100.0) * 0.02;
  if (scale > 1) scale = scale * scale * scale;
  g.lod_scale = float(scale);
  g.lod_bias = float(50 - 50 * std::clamp((s.model_detail.value - 10) * 0.05, 0.0, 1.0));
  g.roost_frequency = int(s.roost_density.value);
  g.texture_compression = s.texture_compress.selected;
  g.reflections = s.reflections.selected;
}
