#include "gamedata/art_scenery.h"

bool gd_art_add_png(GdPlan& plan, const std::string& archive, const char* name, const GdImage& image) {
  GdBytes png;
  if (!gd_image_png(image, png)) return false;
  gd_plan_add(plan, archive, name[0] == '@' ? name + 1 : name, GD_PLAIN, std::move(png));
  return true;
}

bool gd_art_plan(GdPlan& plan, const std::string& archive) {
  return gd_art_models(plan, archive) && gd_art_sprites(plan, archive) && gd_art_sky(plan, archive);
}
