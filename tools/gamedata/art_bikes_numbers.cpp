// The two fonts race numbers are printed with. A font image is read cell by
// cell: the top-left pixel's colour is the separator, the runs of other
// pixels between separators along the top row are the glyph columns and
// those down the left column the glyph rows. Both fonts have one row of ten
// cells, "0" to "9", on a transparent background; the glyphs are black with
// their coverage as alpha, so that the plate printer can colour them.
//
// The plain font's cells are 42 pixels wide, so a three-digit number (126)
// stays inside 9/8 of a 128-pixel plate and longer ones fall to the
// condensed font, whose 24-pixel cells fit five digits across a plate.
#include <cmath>
#include <vector>

#include "gamedata/art_bikes.h"
#include "gamedata/gd_draw.h"

namespace {

const double pi = 3.14159265358979323846;

// A font's cell layout.
struct FontLayout {
  int width, height;   // image size, pixels
  int cell_width;      // glyph cell, pixels
  int cell_height;     // pixels
  double margin_x;     // empty space either side of a glyph, pixels
  double margin_y;     // above and below
  double stroke;       // pen width, pixels
};

const FontLayout plain_layout = {512, 128, 42, 96, 4, 12, 8.5};
const FontLayout condensed_layout = {256, 128, 24, 96, 2.5, 12, 5.5};

const unsigned char separator[4] = {255, 0, 255, 255};

// A pen stroke: a line between two points of the glyph box (0..1 across,
// 0..1 down).
struct Stroke {
  double x0, y0;  // one end
  double x1, y1;  // the other end
};

// An elliptical arc as strokes, angles in degrees (0 right, 90 down).
void arc(std::vector<Stroke>& out, double cx, double cy, double rx, double ry, double from, double to) {
  const int steps = 24;
  for (int k = 0; k < steps; ++k) {
    double a0 = (from + (to - from) * k / steps) * pi / 180, a1 = (from + (to - from) * (k + 1) / steps) * pi / 180;
    out.push_back({cx + rx * std::cos(a0), cy + ry * std::sin(a0), cx + rx * std::cos(a1), cy + ry * std::sin(a1)});
  }
}

std::vector<Stroke> digit(int d) {
  std::vector<Stroke> s;
  switch (d) {
    case 0: arc(s, 0.5, 0.5, 0.38, 0.39, 0, 360); break;
    case 1: s = {{0.56, 0.11, 0.56, 0.89}, {0.56, 0.11, 0.26, 0.32}}; break;
    case 2:
      arc(s, 0.5, 0.31, 0.36, 0.2, 180, 400);
      s.push_back({0.5 + 0.36 * std::cos(40 * pi / 180), 0.31 + 0.2 * std::sin(40 * pi / 180), 0.13, 0.89});
      s.push_back({0.13, 0.89, 0.88, 0.89});
      break;
    case 3:
      arc(s, 0.5, 0.3, 0.34, 0.19, 200, 450);
      arc(s, 0.5, 0.69, 0.38, 0.2, -90, 160);
      break;
    case 4: s = {{0.7, 0.89, 0.7, 0.11}, {0.7, 0.11, 0.12, 0.66}, {0.12, 0.66, 0.9, 0.66}}; break;
    case 5:
      s = {{0.84, 0.11, 0.22, 0.11}, {0.22, 0.11, 0.18, 0.47}};
      arc(s, 0.49, 0.64, 0.37, 0.25, -125, 150);
      break;
    case 6:
      arc(s, 0.5, 0.66, 0.36, 0.23, 0, 360);
      s.push_back({0.15, 0.62, 0.62, 0.11});
      break;
    case 7: s = {{0.12, 0.11, 0.88, 0.11}, {0.88, 0.11, 0.4, 0.89}}; break;
    case 8:
      arc(s, 0.5, 0.29, 0.3, 0.18, 0, 360);
      arc(s, 0.5, 0.69, 0.37, 0.2, 0, 360);
      break;
    default:
      arc(s, 0.5, 0.34, 0.36, 0.23, 0, 360);
      s.push_back({0.85, 0.38, 0.38, 0.89});
      break;
  }
  return s;
}

// Distance from (x, y) to the segment from a to b.
double segment_distance(double x, double y, double ax, double ay, double bx, double by) {
  double dx = bx - ax, dy = by - ay, l = dx * dx + dy * dy;
  double t = l > 0 ? std::fmax(0.0, std::fmin(1.0, ((x - ax) * dx + (y - ay) * dy) / l)) : 0;
  double ex = ax + t * dx - x, ey = ay + t * dy - y;
  return std::sqrt(ex * ex + ey * ey);
}

}  // namespace

GdImage gd_numbers_font(bool condensed) {
  const FontLayout& f = condensed ? condensed_layout : plain_layout;
  GdImage im;
  gd_image_make(im, f.width, f.height, 4, 0);
  for (size_t i = 0; i < im.pixels.size(); i += 4) im.pixels[i] = im.pixels[i + 1] = im.pixels[i + 2] = 255;
  auto mark = [&](int x, int y) {
    unsigned char* p = gd_image_pixel(im, x, y);
    for (int k = 0; k < 4; ++k) p[k] = separator[k];
  };
  // Separators: along the top row before, between and after the ten cells
  // (and to the end of the row); down the left column above and below the
  // row of cells (and to the bottom).
  int end = 10 * (f.cell_width + 1);
  for (int x = 0; x < f.width; ++x)
    if (x % (f.cell_width + 1) == 0 || x >= end) mark(x, 0);
  for (int y = f.cell_height + 1; y < f.height; ++y) mark(0, y);

  for (int d = 0; d < 10; ++d) {
    // The glyph box inside cell d, in pixels.
    double x0 = 1 + d * (f.cell_width + 1) + f.margin_x, x1 = 1 + d * (f.cell_width + 1) + f.cell_width - f.margin_x;
    double y0 = 1 + f.margin_y, y1 = 1 + f.cell_height - f.margin_y;
    std::vector<Stroke> strokes = digit(d);
    for (Stroke& s : strokes) {
      s.x0 = x0 + s.x0 * (x1 - x0), s.x1 = x0 + s.x1 * (x1 - x0);
      s.y0 = y0 + s.y0 * (y1 - y0), s.y1 = y0 + s.y1 * (y1 - y0);
    }
    double r = f.stroke / 2;
    gd_draw_shape(
        im, x0 - r, y0 - r, x1 + r, y1 + r,
        [&](double x, double y) {
          for (const Stroke& s : strokes)
            if (segment_distance(x, y, s.x0, s.y0, s.x1, s.y1) <= r) return true;
          return false;
        },
        {0, 0, 0, 1});
  }
  return im;
}
