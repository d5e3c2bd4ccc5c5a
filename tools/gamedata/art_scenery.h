// The shared scenery files every track uses: models with their textures and
// collision shapes, billboard and flagger sprites, decals, roost and flare
// images, and the sky. All are drawn from plain shapes and noise.
#pragma once
#include <string>

#include "gamedata/gd_image.h"
#include "gamedata/gd_plan.h"

// Adds every shared scenery file to the plan (loose when archive is "").
// False when an image cannot be encoded.
bool gd_art_plan(GdPlan& plan, const std::string& archive);
// Adds one image as a PNG under the "@" name (stored without the "@").
bool gd_art_add_png(GdPlan& plan, const std::string& archive, const char* name, const GdImage& image);

// The parts, each adding its files.
bool gd_art_models(GdPlan& plan, const std::string& archive);
bool gd_art_sprites(GdPlan& plan, const std::string& archive);
bool gd_art_sky(GdPlan& plan, const std::string& archive);
