// Light on a terrain: the shadows cast by the sun over the height field, the
// shading of every grid point, and the "lighting" file they come from.
//   "shadows.pgm": 8-bit grey, n x n, 255 where the sun shines fully, lower
//     in shadow; row k = 0 first.
//   "shadingx2.ppm": RGB, n x n, each channel the light at half intensity,
//     clamp((clamp(N.L, 0, 1) * (1 - shadow / 255) * sun + ambient) * 0.5 * 255),
//     N the normalised sum of the normals of the triangles around the point,
//     L the unit sun direction, shadow = 255 - the shadow file's byte; so 128
//     is the ground's own colour. "shading.ppm" holds the same at full
//     intensity: 255 for stored bytes of 128 or more, else twice the byte.
#pragma once
#include <string>
#include <vector>

#include "gamedata/track_terrain.h"

// The unit vector toward the sun; (0, 1, 0) when the given one is zero.
void gd_sun_direction(const GdLighting& lighting, double out[3]);
// Light reaching each point, 255 (full sun) to 0 (deep shadow): rays are
// marched from every point toward the sun over the terrain's triangles, and
// the steepest rise of the ground seen along the ray against the sun's
// elevation gives a soft-edged shadow. False for an empty terrain or a sun
// at or below the horizon.
bool gd_shadow_light(const GdTerrain& terrain, const GdLighting& lighting, std::vector<unsigned char>& light);
// Stored (half-intensity) RGB shading of each point from the light bytes.
bool gd_shading(const GdTerrain& terrain, const GdLighting& lighting, const std::vector<unsigned char>& light,
                std::vector<unsigned char>& rgb);
// Full-intensity bytes of stored shading, as "shading.ppm" holds them.
std::vector<unsigned char> gd_shading_full(const std::vector<unsigned char>& stored);
// The "lighting" file: sun, ambient light, sky box, a lens flare at the sun,
// fog, no dynamic lighting, and the clipping planes.
std::string gd_lighting_text(const GdLighting& lighting);
