// A track's centreline: a closed curve through control points (a centripetal
// Catmull-Rom spline), kept as a fine polyline with the distance along the
// track at each vertex. Places on the track are named by spline parameter:
// control point index plus a fraction of the way to the next one.
#pragma once
#include <vector>

struct GdPoint {
  double x, z;  // world feet; grid column i lies at x = i * spacing, row k at z = k * spacing
};

struct GdLoop {
  std::vector<GdPoint> points;  // polyline vertices; the last joins back to the first
  std::vector<double> along;    // distance along the track at each vertex; along[0] = 0
  double length = 0;            // once round
  int controls = 0;             // control points the curve went through
};

constexpr int GD_LOOP_STEPS = 48;  // polyline vertices per spline segment

// False for fewer than 3 control points or two neighbours in the same place.
bool gd_loop_build(GdLoop& loop, const GdPoint* controls, int count);
// Distance along the track at spline parameter t (taken modulo the control count).
double gd_loop_along(const GdLoop& loop, double t);
// Turn direction around distance s: positive when the track bends toward
// positive lateral offsets (see gd_loop_lateral), negative the other way.
double gd_loop_turn(const GdLoop& loop, double s);
// Signed offset of p from segment a-b: positive to the side of +z when the
// segment heads along +x.
double gd_loop_lateral(GdPoint a, GdPoint b, GdPoint p);
// Wraps a distance into [0, length).
double gd_loop_wrap(const GdLoop& loop, double s);
