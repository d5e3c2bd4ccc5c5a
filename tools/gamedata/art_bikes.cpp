// The bike and rider files as the catalogue names them: the names are taken
// from the catalogue's records, so that every one of them resolves.
#include "gamedata/art_bikes.h"

#include <cstdio>
#include <cstring>
#include <set>

// A rectangle of a 128-pixel image one pixel inside its edges, so that
// filtering does not reach the next rectangle.
static GdUv cell(double u0, double y0, double u1, double y1) {
  const double pixel = 1.0 / 128;
  return {u0 + pixel, y0 + pixel, u1 - pixel, y1 - pixel};
}

// Livery: a grid of 32-pixel cells on a 128 x 128 image.
const GdUv gd_livery_plastic = cell(0, 0, 0.25, 0.25);
const GdUv gd_livery_graphic = cell(0.25, 0, 0.75, 0.25);
const GdUv gd_livery_tank = cell(0.75, 0, 1, 0.25);
const GdUv gd_livery_seat = cell(0, 0.25, 0.25, 0.5);
const GdUv gd_livery_frame = cell(0.25, 0.25, 0.5, 0.5);
const GdUv gd_livery_engine = cell(0.5, 0.25, 0.75, 0.5);
const GdUv gd_livery_exhaust = cell(0.75, 0.25, 1, 0.5);
const GdUv gd_livery_fork_tube = cell(0, 0.5, 0.25, 0.75);
const GdUv gd_livery_guard = cell(0.25, 0.5, 0.5, 0.75);
const GdUv gd_livery_swingarm = cell(0.5, 0.5, 0.75, 0.75);
const GdUv gd_livery_black = cell(0.75, 0.5, 1, 0.75);
const GdUv gd_livery_second = cell(0, 0.75, 0.25, 1);
const GdUv gd_livery_bar = cell(0.25, 0.75, 0.5, 1);
const GdUv gd_livery_grille = cell(0.5, 0.75, 0.75, 1);
const GdUv gd_livery_plate = cell(0.75, 0.75, 1, 1);

// Wheels, 128 x 128.
const GdUv gd_wheels_tyre = cell(0, 0, 0.5, 0.5);
const GdUv gd_wheels_rim = cell(0.5, 0, 1, 0.25);
const GdUv gd_wheels_spoke = cell(0.5, 0.25, 0.75, 0.5);
const GdUv gd_wheels_hub = cell(0.75, 0.25, 1, 0.5);
const GdUv gd_wheels_disc = cell(0, 0.5, 0.5, 1);
const GdUv gd_wheels_sprocket = cell(0.5, 0.5, 1, 1);

// Riding gear, 128 x 128.
const GdUv gd_gear_jersey = cell(0, 0, 0.5, 0.5);
const GdUv gd_gear_back = cell(0.5, 0, 0.75, 0.25);
const GdUv gd_gear_sleeve = cell(0.75, 0, 1, 0.25);
const GdUv gd_gear_glove = cell(0.5, 0.25, 0.75, 0.5);
const GdUv gd_gear_pad = cell(0.75, 0.25, 1, 0.5);
const GdUv gd_gear_pants = cell(0, 0.5, 0.5, 1);
const GdUv gd_gear_boot = cell(0.5, 0.5, 1, 1);

// Helmet, 128 x 128.
const GdUv gd_helmet_shell = cell(0, 0, 1, 0.5);
const GdUv gd_helmet_peak = cell(0, 0.5, 0.5, 0.75);
const GdUv gd_helmet_chin = cell(0.5, 0.5, 1, 0.75);
const GdUv gd_helmet_lens = cell(0, 0.75, 0.5, 1);

const GdUv gd_uv_whole = {0, 0, 1, 1};

static GdVec vec(const float v[3]) { return {v[0], v[1], v[2]}; }

GdBikeRest gd_bike_rest(const BikeSpec& b) {
  GdBikeRest r{};
  r.frame = vec(b.frame_position);
  r.fork_upper = vec(b.fork_upper_position);
  r.fork_lower = vec(b.fork_lower_position);
  r.swingarm = vec(b.swingarm_position);
  r.pivot = vec(b.swingarm_pivot);
  r.rider = vec(b.rider_position);
  r.front_axle = vec(b.front_wheel.axle);
  r.rear_axle = vec(b.rear_wheel.axle);
  r.front_rim = b.front_wheel.rim_radius, r.front_tyre = b.front_wheel.tyre_radius;
  r.rear_rim = b.rear_wheel.rim_radius, r.rear_tyre = b.rear_wheel.tyre_radius;
  r.fork_spacing = b.fork_leg_spacing;
  r.grip[0] = vec(b.attachment + BIKE_ATTACH_LEFT_GRIP);
  r.grip[1] = vec(b.attachment + BIKE_ATTACH_RIGHT_GRIP);
  r.peg[0] = vec(b.attachment + BIKE_ATTACH_LEFT_FRAME);
  r.peg[1] = vec(b.attachment + BIKE_ATTACH_RIGHT_FRAME);
  for (int i = 0; i < GD_RIDER_BONES; ++i) r.bone_centre[i] = vec(b.attachment + BIKE_ATTACH_DRAWING_POINTS + 3 * i);
  const float* lengths = b.attachment + BIKE_ATTACH_LENGTHS;
  r.upper_arm = lengths[0], r.forearm = lengths[1], r.thigh = lengths[2], r.shin = lengths[3];
  return r;
}

static bool starts(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

GdMake gd_bike_make(const std::string& family) {
  if (starts(family, "cr")) return GD_HONDA;  // cr and crf
  if (starts(family, "kx")) return GD_KAWASAKI;
  if (starts(family, "rm")) return GD_SUZUKI;  // rm and rmz
  if (starts(family, "yz")) return GD_YAMAHA;
  if (starts(family, "fc")) return GD_HUSQVARNA;
  return GD_KTM;  // the families named by size: 125sx, 250sxf, 350sxf, 450sxf
}

std::vector<GdBikeFamily> gd_bike_families() {
  std::vector<GdBikeFamily> out;
  std::set<std::string> seen;
  const BikeSpec* records = bike_catalogue();
  for (int i = 0; i < BIKE_MODELS; ++i) {
    const char* prefix = bike_graphics_prefix(records[i].name);
    if (!prefix || strlen(prefix) < 2) continue;
    std::string name(prefix, strlen(prefix) - 1);
    if (!seen.insert(name).second) continue;
    const char* c = records[i].engine_class;
    bool two_stroke = strcmp(c, "125") == 0 || strcmp(c, "250") == 0 || strcmp(c, "50") == 0;
    out.push_back({name, gd_bike_make(name), two_stroke, i});
  }
  return out;
}

// The "@" name a record holds, as the file is stored (without the "@").
static std::string stored(const char* at_name) { return at_name[0] == '@' ? at_name + 1 : at_name; }

static bool add_png(GdPlan& plan, const std::string& archive, const char* at_name, const GdImage& image) {
  GdBytes png;
  if (!gd_image_png(image, png)) {
    fprintf(stderr, "can't make the image '%s'\n", at_name);
    return false;
  }
  gd_plan_add(plan, archive, stored(at_name), GD_PLAIN, std::move(png));
  return true;
}

bool gd_bikes_plan(GdPlan& plan, const std::string& archive) {
  const BikeSpec* records = bike_catalogue();
  const BikeSpec& first = records[0];
  GdBikeRest rest = gd_bike_rest(first);

  // Each family's parts, compressed: most families share their shapes, so
  // the files are many and alike.
  for (const GdBikeFamily& family : gd_bike_families()) {
    const BikeSpec& r = records[family.record];
    auto model = [&](const char* name, const GdModel& m) {
      gd_plan_add_text(plan, archive, stored(name), GD_GZ, gd_model_text(m));
    };
    model(r.frame_model, gd_bike_frame_model(rest, family));
    model(r.fork_upper_model, gd_bike_fork_upper_model(rest));
    model(r.fork_lower_model, gd_bike_fork_lower_model(rest));
    model(r.swingarm_model, gd_bike_swingarm_model(rest));
    model(r.side_plates_model, gd_bike_side_plates_model(rest));
    model(r.front_plate_model, gd_bike_front_plate_model(rest));
    if (!add_png(plan, archive, r.bike_texture, gd_bike_livery(family))) return false;
    gd_plan_add_text(plan, archive, stored(r.bike_texture) + ".info", GD_PLAIN, gd_bike_livery_info(family));
  }

  // Shared by every bike.
  gd_plan_add_text(plan, archive, stored(first.front_wheel_model), GD_PLAIN,
                   gd_model_text(gd_bike_wheel_model(rest.front_rim, rest.front_tyre, false)));
  gd_plan_add_text(plan, archive, stored(first.rear_wheel_model), GD_PLAIN,
                   gd_model_text(gd_bike_wheel_model(rest.rear_rim, rest.rear_tyre, true)));
  gd_plan_add_text(plan, archive, stored(first.rider_body_model), GD_PLAIN,
                   gd_skinned_text(gd_rider_body_model(rest, false)));
  gd_plan_add_text(plan, archive, stored(first.first_person_model), GD_PLAIN,
                   gd_skinned_text(gd_rider_body_model(rest, true)));
  gd_plan_add_text(plan, archive, stored(first.rider_plate_model), GD_PLAIN,
                   gd_skinned_text(gd_rider_plate_model(rest)));
  gd_plan_add_text(plan, archive, stored(first.head_model), GD_PLAIN, gd_model_text(gd_rider_head_model(rest)));
  return add_png(plan, archive, first.wheel_texture, gd_bike_wheels_image()) &&
         add_png(plan, archive, first.rider_texture, gd_rider_gear_image()) &&
         add_png(plan, archive, first.head_texture, gd_rider_helmet_image()) &&
         add_png(plan, archive, GD_NUMBERS_FONT, gd_numbers_font(false)) &&
         add_png(plan, archive, GD_NUMBERS_CONDENSED_FONT, gd_numbers_font(true));
}
