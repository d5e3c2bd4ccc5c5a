// Collision shapes (".shp"): sets of spheres fixed to a body, used for the
// contacts of bike parts, riders and scenery objects with the terrain and
// with each other.
//
// The file is text: a whole-number sphere count n, then n spheres, each
// "X Y Z RADIUS MU KP KD" (numbers read as "%f"): the centre in body
// coordinates (feet), the radius (feet), the friction coefficient and the
// contact stiffness and damping. Anything after the last sphere is ignored.
// A file that cannot be read in full is rejected whole.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Vfs;
struct VfsFile;

enum {
  SHAPE_MAX_SPHERES = 4096,  // most spheres one shape file may hold
};

// One sphere of a shape.
struct ShapeSphere {
  float x = 0, y = 0, z = 0;  // centre in body coordinates, feet
  float radius = 0;           // feet, >= 0
  float mu = 0;               // friction coefficient, >= 0 (may be +infinity: no slipping)
  float kp = 0;               // contact stiffness, lbf/ft, >= 0
  float kd = 0;               // contact damping, lbf.s/ft, >= 0
};

// A whole shape as read from one file.
struct Shape {
  std::vector<ShapeSphere> spheres;  // in file order
  float bound_radius = 0;            // max(|centre| + radius) over the spheres, feet; 0 when empty
};

// How reading a shape file went.
enum ShapeResult {
  SHAPE_OK,       // read in full
  SHAPE_MISSING,  // the file could not be opened
  SHAPE_DAMAGED,  // opened, but its contents were rejected
};

// The seven built-in shapes of the bike and rider, in the order the start-up
// check of the fixed files reads them: frame, fork upper, fork lower,
// swingarm, front wheel, rear wheel, rider.
enum { SHAPE_BUILTIN_COUNT = 7 };
extern const char* const SHAPE_BUILTIN_NAMES[SHAPE_BUILTIN_COUNT];

// Reads a shape from an open stream. On failure the shape is left empty,
// false is returned and error says what was wrong ("sphere 3 of 8 is cut
// short"). Nothing is allocated before the count has been checked.
bool shape_read(Shape& shape, VfsFile* f, std::string& error);
// Opens a file by name ("@scenery/haybale.shp") and reads it. error is set
// for SHAPE_DAMAGED and left empty otherwise.
ShapeResult shape_load(Shape& shape, Vfs& vfs, const char* name, std::string& error);
// The bounding radius of the spheres as shape_read computes it.
float shape_bound_radius(const std::vector<ShapeSphere>& spheres);
