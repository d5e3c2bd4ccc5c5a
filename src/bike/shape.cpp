#include "bike/shape.h"

#include <cmath>

#include "vfs/vfs.h"

const char* const SHAPE_BUILTIN_NAMES[SHAPE_BUILTIN_COUNT] = {
    "@generic_frame.shp",    "@generic_fork_upper.shp", "@generic_fork_lower.shp", "@generic_swingarm.shp",
    "@front_wheel.shp",      "@rear_wheel.shp",         "@generic_rider.shp",
};

static bool shape_fail(Shape& shape, std::string& error, std::string text) {
  error = std::move(text);
  shape = Shape{};
  return false;
}

float shape_bound_radius(const std::vector<ShapeSphere>& spheres) {
  double bound = 0;
  for (const ShapeSphere& s : spheres) {
    double reach = std::sqrt(double(s.x) * s.x + double(s.y) * s.y + double(s.z) * s.z) + s.radius;
    if (reach > bound) bound = reach;
  }
  return float(bound);
}

// Whether the sphere's numbers can go to the contact code: every number
// finite except mu, which may be +infinity (friction without a limit), and
// none negative except the centre's.
static const char* shape_sphere_fault(const ShapeSphere& s) {
  if (!std::isfinite(s.x) || !std::isfinite(s.y) || !std::isfinite(s.z) || !std::isfinite(s.radius) ||
      std::isnan(s.mu) || !std::isfinite(s.kp) || !std::isfinite(s.kd))
    return "a number that is not finite";
  if (s.radius < 0) return "a negative radius";
  if (s.mu < 0) return "a negative friction";
  if (s.kp < 0) return "a negative stiffness";
  if (s.kd < 0) return "a negative damping";
  return nullptr;
}

bool shape_read(Shape& shape, VfsFile* f, std::string& error) {
  shape = Shape{};
  error.clear();
  // Read wide so that a count past the int range is seen as too large rather
  // than cut down to a small number.
  long long count = 0;
  if (vfs_scanf(f, " %lld", &count) != 1) return shape_fail(shape, error, "no sphere count");
  if (count < 0 || count > SHAPE_MAX_SPHERES)
    return shape_fail(shape, error,
                      "sphere count " + std::to_string(count) + " is out of range (0 to " +
                          std::to_string(SHAPE_MAX_SPHERES) + ")");
  int after = vfs_peekc(f);
  if (after >= 0 && after != ' ' && after != '\t' && after != '\n' && after != '\r' && after != '\v' && after != '\f')
    return shape_fail(shape, error, "sphere count is not a whole number");

  std::vector<ShapeSphere> spheres;
  spheres.reserve(size_t(count));
  for (long long i = 0; i < count; ++i) {
    ShapeSphere s;
    if (vfs_scanf(f, "%f %f %f %f %f %f %f", &s.x, &s.y, &s.z, &s.radius, &s.mu, &s.kp, &s.kd) != 7)
      return shape_fail(shape, error,
                        "sphere " + std::to_string(i + 1) + " of " + std::to_string(count) + " is cut short");
    if (const char* fault = shape_sphere_fault(s))
      return shape_fail(shape, error, "sphere " + std::to_string(i + 1) + " has " + fault);
    spheres.push_back(s);
  }
  float bound = shape_bound_radius(spheres);
  if (!std::isfinite(bound)) return shape_fail(shape, error, "spheres reach too far from the body");
  shape.spheres = std::move(spheres);
  shape.bound_radius = bound;
  return true;
}

ShapeResult shape_load(Shape& shape, Vfs& vfs, const char* name, std::string& error) {
  shape = Shape{};
  error.clear();
  VfsFile* f = vfs_open(vfs, name, "rb");
  if (!f) return SHAPE_MISSING;
  bool ok = shape_read(shape, f, error);
  vfs_close(f);
  return ok ? SHAPE_OK : SHAPE_DAMAGED;
}
