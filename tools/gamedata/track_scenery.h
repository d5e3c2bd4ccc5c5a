// A track's scenery and its files, placed from the centreline: banners over
// the start and the finish, hay bales behind the berms, tents in the
// paddock, an announcer's tower by the finish, trees (models and
// billboards) around the course, crowds, the flaggers, decals on the ground
// and the trackside cameras. Heights in every file are above the terrain.
//   "statues":    "[X H Z] ANGLE MODEL TEXTURE SHAPE" ("null" for no shape)
//   "billboards": "[X H Z] SIZE ASPECT IMAGE", IMAGE optionally "#rrggbb#" + name
//   "flaggers":   the start flagger "[A] [B] SIZE ASPECT WALK" and five images,
//                 the second flagger "[P] SIZE ASPECT" and five images, then
//                 course flaggers "[P] SIZE ASPECT C1 C2 C3 C4 IMAGE WAVING"
//   "decals":     "[X Z] ANGLE SIZE ASPECT IMAGE"
//   "cameras":    "fov", "autofovsize" and "gate" lines for the camera that
//                 the next "addcamera X H Z" adds
// An object's angle turns its model's +z toward (sin ANGLE, cos ANGLE);
// angles of -2 pi or less keep it upright instead of tilting it with the
// ground.
#pragma once
#include <string>
#include <vector>

#include "gamedata/track_course.h"
#include "gamedata/track_terrain.h"

struct GdStatue {
  double x, height, z;  // feet; height above the terrain
  double angle;         // radians
  std::string model, texture, shape;  // "@" names; shape "null" for none
};

struct GdBillboard {
  double x, height, z;  // feet; height above the terrain of the sprite's foot
  double size;          // sprite height, feet
  double aspect;        // width / height
  std::string image;    // "@" name
  unsigned rgb;         // tint 0xRRGGBB; 0xffffff for none
};

struct GdFlagger {
  double x, height, z;      // where it stands (the start flagger: where it starts)
  double to_x, to_height, to_z;  // the start flagger only: where it walks to
  double size, aspect;      // sprite height (feet) and width / height
  double walk;              // the start flagger only: seconds to walk
  int checkpoints[4];       // course flaggers: the checkpoints they watch, -1 for none
  std::vector<std::string> images;  // 5 for the start and second flaggers, 2 for course flaggers
};

struct GdDecal {
  double x, z;         // centre, feet
  double angle;        // radians; the decal's length runs along (sin, cos)
  double size, aspect;  // width, feet; length / width
  std::string image;
};

struct GdCamera {
  double x, height, z;     // feet; height above the terrain
  double fov;              // degrees
  double autofov;          // automatic field-of-view size, 0 for none
  std::vector<int> gates;  // checkpoints this camera watches
};

struct GdScenery {
  std::vector<GdStatue> statues;
  std::vector<GdBillboard> billboards;
  std::vector<GdFlagger> flaggers;  // start flagger, second flagger, then course flaggers
  std::vector<GdDecal> decals;
  std::vector<GdCamera> cameras;
};

// False for a track without a course.
bool gd_scenery_build(const GdTrack& track, const GdTerrain& terrain, const GdCourse& course, GdScenery& scenery);
// Whether (x, z) lies clear of the track (farther than `margin` feet beyond
// its shoulders or off its reach) and inside the grid.
bool gd_clear_of_track(const GdTrack& track, const GdTerrain& terrain, double x, double z, double margin);

std::string gd_statues_text(const GdScenery& scenery);
std::string gd_billboards_text(const GdScenery& scenery);
std::string gd_flaggers_text(const GdScenery& scenery);
std::string gd_decals_text(const GdScenery& scenery);
std::string gd_cameras_text(const GdScenery& scenery);
