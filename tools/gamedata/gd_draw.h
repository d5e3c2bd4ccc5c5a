// Painting simple shapes into generated textures: each shape is a test of
// whether a point lies inside, sampled 4 x 4 times per pixel so that edges
// are smooth, and laid over what is there with its coverage as opacity.
#pragma once
#include <functional>

#include "gamedata/gd_image.h"

struct GdColour {
  double r, g, b;  // 0..1
  double a;        // opacity, 0..1
};

// Whether a point (pixel units, x right, y down) is inside the shape.
using GdInside = std::function<bool(double x, double y)>;

// Lays colour over every pixel of the box [x0, x1) x [y0, y1) (clipped to the
// image) in proportion to how much of it the shape covers. Grey images take
// the mean of r, g and b; RGB images ignore the alpha of the result.
void gd_draw_shape(GdImage& image, double x0, double y0, double x1, double y1, const GdInside& inside,
                   GdColour colour);

void gd_draw_rect(GdImage& image, double x0, double y0, double x1, double y1, GdColour colour);
void gd_draw_ellipse(GdImage& image, double cx, double cy, double rx, double ry, GdColour colour);
void gd_draw_triangle(GdImage& image, double ax, double ay, double bx, double by, double cx, double cy,
                      GdColour colour);
// A line of the given thickness with round ends.
void gd_draw_line(GdImage& image, double ax, double ay, double bx, double by, double width, GdColour colour);

// Lays a colour over one pixel with the given opacity.
void gd_blend_pixel(GdImage& image, int x, int y, GdColour colour, double opacity);
// Colour channel in [0, 1] to a byte, rounded and clamped.
unsigned char gd_byte(double v);
