#include "gamedata/gd_draw.h"

#include <algorithm>
#include <cmath>

unsigned char gd_byte(double v) {
  double b = std::floor(v * 255 + 0.5);
  return (unsigned char)(b < 0 ? 0 : b > 255 ? 255 : b);
}

void gd_blend_pixel(GdImage& image, int x, int y, GdColour c, double opacity) {
  if (x < 0 || y < 0 || x >= image.width || y >= image.height) return;
  double a = std::clamp(c.a * opacity, 0.0, 1.0);
  if (a <= 0) return;
  unsigned char* p = gd_image_pixel(image, x, y);
  if (image.channels == 1) {
    double grey = (c.r + c.g + c.b) / 3;
    p[0] = gd_byte(p[0] / 255.0 * (1 - a) + grey * a);
    return;
  }
  double src[3] = {c.r, c.g, c.b};
  if (image.channels == 4) {
    // "Over" with straight alpha.
    double da = p[3] / 255.0, oa = a + da * (1 - a);
    for (int k = 0; k < 3; ++k)
      p[k] = gd_byte(oa > 0 ? (src[k] * a + p[k] / 255.0 * da * (1 - a)) / oa : 0);
    p[3] = gd_byte(oa);
    return;
  }
  for (int k = 0; k < 3; ++k) p[k] = gd_byte(p[k] / 255.0 * (1 - a) + src[k] * a);
}

void gd_draw_shape(GdImage& image, double x0, double y0, double x1, double y1, const GdInside& inside,
                   GdColour colour) {
  int i0 = std::max(0, int(std::floor(x0))), i1 = std::min(image.width, int(std::ceil(x1)));
  int j0 = std::max(0, int(std::floor(y0))), j1 = std::min(image.height, int(std::ceil(y1)));
  for (int y = j0; y < j1; ++y)
    for (int x = i0; x < i1; ++x) {
      int hits = 0;
      for (int sy = 0; sy < 4; ++sy)
        for (int sx = 0; sx < 4; ++sx) hits += inside(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4);
      if (hits) gd_blend_pixel(image, x, y, colour, hits / 16.0);
    }
}

void gd_draw_rect(GdImage& image, double x0, double y0, double x1, double y1, GdColour colour) {
  gd_draw_shape(
      image, x0, y0, x1, y1, [&](double x, double y) { return x >= x0 && x < x1 && y >= y0 && y < y1; }, colour);
}

void gd_draw_ellipse(GdImage& image, double cx, double cy, double rx, double ry, GdColour colour) {
  if (rx <= 0 || ry <= 0) return;
  gd_draw_shape(
      image, cx - rx, cy - ry, cx + rx, cy + ry,
      [&](double x, double y) {
        double u = (x - cx) / rx, v = (y - cy) / ry;
        return u * u + v * v <= 1;
      },
      colour);
}

void gd_draw_triangle(GdImage& image, double ax, double ay, double bx, double by, double cx, double cy,
                      GdColour colour) {
  auto side = [](double px, double py, double qx, double qy, double x, double y) {
    return (qx - px) * (y - py) - (qy - py) * (x - px);
  };
  double area = side(ax, ay, bx, by, cx, cy);
  if (area == 0) return;
  gd_draw_shape(
      image, std::min({ax, bx, cx}), std::min({ay, by, cy}), std::max({ax, bx, cx}), std::max({ay, by, cy}),
      [&](double x, double y) {
        double s1 = side(ax, ay, bx, by, x, y), s2 = side(bx, by, cx, cy, x, y), s3 = side(cx, cy, ax, ay, x, y);
        return area > 0 ? (s1 >= 0 && s2 >= 0 && s3 >= 0) : (s1 <= 0 && s2 <= 0 && s3 <= 0);
      },
      colour);
}

void gd_draw_line(GdImage& image, double ax, double ay, double bx, double by, double width, GdColour colour) {
  double r = width / 2, dx = bx - ax, dy = by - ay, len2 = dx * dx + dy * dy;
  gd_draw_shape(
      image, std::min(ax, bx) - r, std::min(ay, by) - r, std::max(ax, bx) + r, std::max(ay, by) + r,
      [&](double x, double y) {
        double t = len2 > 0 ? std::clamp(((x - ax) * dx + (y - ay) * dy) / len2, 0.0, 1.0) : 0;
        double ex = x - (ax + t * dx), ey = y - (ay + t * dy);
        return ex * ex + ey * ey <= r * r;
      },
      colour);
}
