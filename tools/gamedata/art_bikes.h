// The bikes and riders: for every graphics family of the bike catalogue
// (the livery prefix without its "-": "crf250v2018") the frame, fork,
// swingarm and number-plate models and the livery image; shared by every
// bike the two wheels and their image, the rider's body (skinned), the
// first-person body, the helmet, the rider's back plate, the riding gear and
// helmet images, and the two number fonts the plates are printed with.
//
// Every model is in its own body's coordinates at the catalogue's rest pose
// (x to the rider's side, y up, z to the rear, feet): the frame model around
// the frame body, each wheel around its axle, the rider's models around the
// rider body, the helmet included. The plate models are decals a hair
// outside the plate-coloured plastics of the frame and the fork and the
// back of the jersey: the number texture is clear but for its digits.
//
// The rider's body is skinned with nine bones whose rest centres are the
// catalogue's nine drawing points. At rest the rider stands upright with the
// arms straight out to the sides: each bone carries, with weight 1, the limb
// segment that hangs from its centre.
#pragma once
#include <string>
#include <vector>

#include "bike/bike_spec.h"
#include "gamedata/gd_image.h"
#include "gamedata/gd_model.h"
#include "gamedata/gd_plan.h"

enum GdMake { GD_HONDA, GD_KAWASAKI, GD_SUZUKI, GD_YAMAHA, GD_KTM, GD_HUSQVARNA };

// The rider's bones, in the order of the drawing points.
enum {
  GD_BONE_LEFT_FOREARM,    // centre at the left elbow
  GD_BONE_RIGHT_FOREARM,   // centre at the right elbow
  GD_BONE_LEFT_UPPER_ARM,  // centre at the left shoulder
  GD_BONE_RIGHT_UPPER_ARM,
  GD_BONE_LEFT_SHIN,       // centre at the left knee
  GD_BONE_RIGHT_SHIN,
  GD_BONE_LEFT_THIGH,      // centre at the left hip
  GD_BONE_RIGHT_THIGH,
  GD_BONE_TORSO,           // centre at the middle of the hips
  GD_RIDER_BONES
};

#define GD_NUMBERS_FONT "@numbers.png"
#define GD_NUMBERS_CONDENSED_FONT "@numbers-condensed.png"

// The rest pose shared by every record of the catalogue, as the models use it.
struct GdBikeRest {
  GdVec frame, fork_upper, fork_lower, swingarm, pivot, rider;  // body rest positions
  GdVec front_axle, rear_axle;                // wheel body rest positions
  double front_rim, front_tyre;               // front rim-circle and tyre-section radii
  double rear_rim, rear_tyre;                 // rear rim-circle and tyre-section radii
  double fork_spacing;                        // distance between the fork legs
  GdVec grip[2];                              // left, right grip, fork upper coordinates
  GdVec peg[2];                               // left, right foot point, frame coordinates
  GdVec bone_centre[GD_RIDER_BONES];          // rider body coordinates
  double upper_arm, forearm, thigh, shin;     // limb segment lengths
};

// One graphics family: the models and the livery its bikes share.
struct GdBikeFamily {
  std::string name;  // the livery prefix without its "-"
  GdMake make;       // whose colours it wears
  bool two_stroke;   // expansion chamber instead of a four-stroke header
  int record;        // the first catalogue record of the family
};

// A mesh whose vertices follow the rider's bones.
struct GdSkinnedMesh {
  GdMesh mesh;                  // positions and normals at rest
  std::vector<double> weights;  // GD_RIDER_BONES per vertex, in bone order, summing to 1
};

struct GdSkinnedModel {
  std::vector<GdSkinnedMesh> meshes;  // drawn in order
};

// Texture rectangles of the livery (the parts of the frame, fork and
// swingarm), as fractions of the image from its top left; each lies one
// pixel inside its cell of the image, so that filtering stays inside.
extern const GdUv gd_livery_plastic, gd_livery_graphic, gd_livery_tank, gd_livery_seat, gd_livery_frame,
    gd_livery_engine, gd_livery_exhaust, gd_livery_fork_tube, gd_livery_guard, gd_livery_swingarm,
    gd_livery_black, gd_livery_second, gd_livery_bar, gd_livery_grille, gd_livery_plate;
// Of the wheels image.
extern const GdUv gd_wheels_tyre, gd_wheels_rim, gd_wheels_spoke, gd_wheels_hub, gd_wheels_disc,
    gd_wheels_sprocket;
// Of the riding gear image.
extern const GdUv gd_gear_jersey, gd_gear_back, gd_gear_sleeve, gd_gear_glove, gd_gear_pants, gd_gear_boot,
    gd_gear_pad;
// Of the helmet image.
extern const GdUv gd_helmet_shell, gd_helmet_peak, gd_helmet_chin, gd_helmet_lens;
// The whole image (the number texture).
extern const GdUv gd_uv_whole;

GdBikeRest gd_bike_rest(const BikeSpec& record);
// The make a family's name tells.
GdMake gd_bike_make(const std::string& family);
// Every family of the catalogue, in catalogue order of first use; a family
// is a two-stroke when its models are of the 125, 250 or 50 class.
std::vector<GdBikeFamily> gd_bike_families();

// The family's parts (art_bikes_models.cpp).
GdModel gd_bike_frame_model(const GdBikeRest& rest, const GdBikeFamily& family);
GdModel gd_bike_fork_upper_model(const GdBikeRest& rest);
GdModel gd_bike_fork_lower_model(const GdBikeRest& rest);
GdModel gd_bike_swingarm_model(const GdBikeRest& rest);
GdModel gd_bike_side_plates_model(const GdBikeRest& rest);
GdModel gd_bike_front_plate_model(const GdBikeRest& rest);
// A wheel around its axle; the rear one carries the sprocket.
GdModel gd_bike_wheel_model(double rim, double tyre, bool rear);

// The rider (art_bikes_rider.cpp). The first-person body leaves out the
// neck, chest and shoulders that would fill the view from the helmet.
GdSkinnedModel gd_rider_body_model(const GdBikeRest& rest, bool first_person);
GdSkinnedModel gd_rider_plate_model(const GdBikeRest& rest);
GdModel gd_rider_head_model(const GdBikeRest& rest);
// "JM2" text with GD_RIDER_BONES weights per vertex.
std::string gd_skinned_text(const GdSkinnedModel& model);

// Images (art_bikes_images.cpp).
GdImage gd_bike_livery(const GdBikeFamily& family);
// The livery's companion text: the number colours of its plates.
std::string gd_bike_livery_info(const GdBikeFamily& family);
GdImage gd_bike_wheels_image();
GdImage gd_rider_gear_image();
GdImage gd_rider_helmet_image();
// The plate number fonts: one row of ten digit cells, "0" to "9", between
// separator pixels in the top row and the left column (art_bikes_numbers.cpp).
GdImage gd_numbers_font(bool condensed);

// Adds every bike and rider file the catalogue names, and the number fonts,
// at the top of the folder (or of archive). False when an image cannot be
// encoded.
bool gd_bikes_plan(GdPlan& plan, const std::string& archive);
