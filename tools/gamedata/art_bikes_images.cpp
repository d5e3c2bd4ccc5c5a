// The bike and rider images: a livery per family in its make's colours,
// the wheels, the riding gear and the helmet. Each is a 128 x 128 RGB image
// cut into the rectangles the models map (art_bikes.cpp).
#include <cmath>
#include <cstdio>

#include "gamedata/art_bikes.h"
#include "gamedata/gd_draw.h"
#include "gamedata/gd_noise.h"

namespace {

const int side = 128;

// A make's paint.
struct MakeColours {
  GdColour main;    // plastics
  GdColour second;  // rear fender and graphics
  GdColour accent;  // stripes
  GdColour frame;   // frame tubes
  GdColour fork;    // fork tubes
  GdColour guard;   // fork guards
  GdColour seat;    // seat cover
  GdColour plate;   // number plate background
  GdColour number;  // number colour
};

const GdColour white = {0.95, 0.95, 0.95, 1}, black = {0.07, 0.07, 0.08, 1};
const GdColour alloy = {0.74, 0.75, 0.77, 1}, gold = {0.82, 0.63, 0.24, 1};

MakeColours make_colours(GdMake make) {
  switch (make) {
    case GD_HONDA: {
      GdColour red = {0.84, 0.05, 0.07, 1};
      return {red, white, black, alloy, gold, red, black, red, white};
    }
    case GD_KAWASAKI: {
      GdColour green = {0.40, 0.76, 0.10, 1};
      return {green, black, black, alloy, gold, green, black, green, black};
    }
    case GD_SUZUKI: {
      GdColour yellow = {0.98, 0.82, 0.05, 1}, blue = {0.12, 0.20, 0.60, 1};
      return {yellow, blue, blue, alloy, gold, black, black, yellow, black};
    }
    case GD_YAMAHA: {
      GdColour blue = {0.06, 0.22, 0.72, 1};
      return {blue, white, white, alloy, gold, white, {0.06, 0.08, 0.22, 1}, blue, white};
    }
    case GD_KTM: {
      GdColour orange = {0.98, 0.42, 0.02, 1};
      return {orange, white, black, orange, {0.86, 0.52, 0.14, 1}, black, black, black, white};
    }
    case GD_HUSQVARNA:
      break;
  }
  GdColour blue = {0.08, 0.20, 0.50, 1}, yellow = {0.98, 0.80, 0.10, 1};
  return {white, blue, yellow, {0.10, 0.25, 0.62, 1}, gold, white, blue, white, blue};
}

// A cell of the image from its (inset) texture rectangle.
struct Area {
  double x0, y0, x1, y1;  // pixels
};

Area area(const GdUv& uv) {
  return {std::round(uv.u0 * side) - 1, std::round(uv.y0 * side) - 1, std::round(uv.u1 * side) + 1,
          std::round(uv.y1 * side) + 1};
}

void fill(GdImage& im, const Area& a, GdColour c) { gd_draw_rect(im, a.x0, a.y0, a.x1, a.y1, c); }

GdColour shade(GdColour c, double f) {
  return {std::fmin(1.0, c.r * f), std::fmin(1.0, c.g * f), std::fmin(1.0, c.b * f), c.a};
}

// Multiplies each pixel of the area by 1 - depth + 2 depth n for noise n.
void grain(GdImage& im, const Area& a, double depth, int cells, uint32_t seed) {
  for (int y = int(a.y0); y < int(a.y1); ++y)
    for (int x = int(a.x0); x < int(a.x1); ++x) {
      double n = gd_fbm(double(x) / side, double(y) / side, cells, 3, seed);
      unsigned char* p = gd_image_pixel(im, x, y);
      for (int k = 0; k < 3; ++k) p[k] = gd_byte(p[k] / 255.0 * (1 - depth + 2 * depth * n));
    }
}

// A colour that brightens from the left edge to the middle and darkens to
// the right: the look of a round part that the texture wraps.
void rounded(GdImage& im, const Area& a, GdColour c) {
  for (int x = int(a.x0); x < int(a.x1); ++x) {
    double t = (x + 0.5 - a.x0) / (a.x1 - a.x0);
    double f = 0.7 + 0.5 * std::sin(t * 3.14159265358979);
    gd_draw_rect(im, x, a.y0, x + 1, a.y1, shade(c, f));
  }
}

uint32_t name_hash(const std::string& s) {
  uint32_t h = 2166136261u;
  for (unsigned char ch : s) h = (h ^ ch) * 16777619u;
  return h;
}

// The shroud graphic: the main colour with one of four stripe patterns
// chosen by the family's name.
void graphic(GdImage& im, const Area& a, const MakeColours& m, uint32_t pattern) {
  fill(im, a, m.main);
  double w = a.x1 - a.x0, h = a.y1 - a.y0;
  auto band = [&](double k, double width, GdColour c) {
    gd_draw_shape(
        im, a.x0, a.y0, a.x1, a.y1,
        [&](double x, double y) {
          double d = (x - a.x0) - k * w - (y - a.y0) * 0.8;
          return d >= 0 && d < width;
        },
        c);
  };
  switch (pattern % 4) {
    case 0:  // two slanted stripes
      band(0.25, 7, m.second);
      band(0.45, 4, m.accent);
      break;
    case 1:  // a band low along the shroud and a thin line above it
      gd_draw_rect(im, a.x0, a.y0 + h * 0.62, a.x1, a.y0 + h * 0.85, m.second);
      gd_draw_rect(im, a.x0, a.y0 + h * 0.5, a.x1, a.y0 + h * 0.56, m.accent);
      break;
    case 2:  // a swoosh
      gd_draw_ellipse(im, a.x0 + w * 0.7, a.y0 + h * 1.1, w * 0.6, h * 0.6, m.second);
      gd_draw_ellipse(im, a.x0 + w * 0.75, a.y0 + h * 1.2, w * 0.55, h * 0.55, m.main);
      band(0.1, 3, m.accent);
      break;
    default:  // chevrons
      for (int k = 0; k < 3; ++k) {
        double cx = a.x0 + w * (0.3 + 0.2 * k);
        gd_draw_triangle(im, cx - 6, a.y0 + h * 0.2, cx + 4, a.y0 + h * 0.5, cx - 6, a.y0 + h * 0.8, m.second);
        gd_draw_triangle(im, cx - 10, a.y0 + h * 0.2, cx, a.y0 + h * 0.5, cx - 10, a.y0 + h * 0.8, m.main);
      }
      gd_draw_rect(im, a.x0, a.y0 + h * 0.88, a.x1, a.y1, m.accent);
      break;
  }
}

GdImage blank() {
  GdImage im;
  gd_image_make(im, side, side, 3, 0);
  return im;
}

std::string colour_text(GdColour c) {
  char text[64];
  snprintf(text, sizeof text, "%.3f,%.3f,%.3f", c.r, c.g, c.b);
  return text;
}

}  // namespace

GdImage gd_bike_livery(const GdBikeFamily& family) {
  MakeColours m = make_colours(family.make);
  uint32_t h = name_hash(family.name);
  GdImage im = blank();
  fill(im, area(gd_livery_plastic), m.main);
  graphic(im, area(gd_livery_graphic), m, h);

  // Tank: the main colour, lit from above.
  Area t = area(gd_livery_tank);
  for (int y = int(t.y0); y < int(t.y1); ++y)
    gd_draw_rect(im, t.x0, y, t.x1, y + 1, shade(m.main, 1.15 - 0.35 * (y - t.y0) / (t.y1 - t.y0)));

  // Seat: grippy cover with a band of the accent along its lower edge.
  Area s = area(gd_livery_seat);
  fill(im, s, m.seat);
  gd_draw_rect(im, s.x0, s.y0 + 24, s.x1, s.y1, m.main);
  grain(im, s, 0.25, 16, h % 1000);

  rounded(im, area(gd_livery_frame), m.frame);

  // Engine: dark cases with cooling fins.
  Area e = area(gd_livery_engine);
  fill(im, e, {0.28, 0.29, 0.31, 1});
  for (double y = e.y0 + 3; y < e.y1; y += 5) gd_draw_rect(im, e.x0, y, e.x1, y + 2, {0.42, 0.43, 0.45, 1});

  // Exhaust: steel with a heat tint towards one side.
  Area x = area(gd_livery_exhaust);
  rounded(im, x, {0.7, 0.7, 0.72, 1});
  gd_draw_rect(im, x.x0, x.y0, x.x1, x.y0 + 10, {0.45, 0.32, 0.40, 0.5});

  rounded(im, area(gd_livery_fork_tube), m.fork);
  fill(im, area(gd_livery_guard), m.guard);
  Area g = area(gd_livery_swingarm);
  fill(im, g, alloy);
  grain(im, g, 0.12, 32, 7);
  Area b = area(gd_livery_black);
  fill(im, b, {0.1, 0.1, 0.11, 1});
  grain(im, b, 0.2, 16, 8);
  fill(im, area(gd_livery_second), m.second);
  rounded(im, area(gd_livery_bar), alloy);

  // Radiator grille: a dark mesh.
  Area r = area(gd_livery_grille);
  fill(im, r, {0.12, 0.12, 0.13, 1});
  for (double k = r.x0; k < r.x1; k += 4) gd_draw_rect(im, k, r.y0, k + 1, r.y1, {0.35, 0.35, 0.37, 1});
  for (double k = r.y0; k < r.y1; k += 4) gd_draw_rect(im, r.x0, k, r.x1, k + 1, {0.35, 0.35, 0.37, 1});

  fill(im, area(gd_livery_plate), m.plate);
  return im;
}

std::string gd_bike_livery_info(const GdBikeFamily& family) {
  MakeColours m = make_colours(family.make);
  return "[numberbackground:" + colour_text(m.plate) + "][numberforeground:" + colour_text(m.number) + "]\n";
}

GdImage gd_bike_wheels_image() {
  GdImage im = blank();
  // Tyre: u runs across the tread from bead to bead, each segment of the
  // tyre shows the rectangle's height once: two rows of knobs.
  Area t = area(gd_wheels_tyre);
  double w = t.x1 - t.x0, h = t.y1 - t.y0;
  fill(im, t, {0.09, 0.09, 0.09, 1});
  GdColour knob = {0.17, 0.17, 0.17, 1}, wall = {0.3, 0.3, 0.3, 1};
  gd_draw_rect(im, t.x0 + w * 0.08, t.y0, t.x0 + w * 0.1, t.y1, wall);
  gd_draw_rect(im, t.x0 + w * 0.9, t.y0, t.x0 + w * 0.92, t.y1, wall);
  for (double u : {0.28, 0.58}) gd_draw_rect(im, t.x0 + w * u, t.y0 + h * 0.08, t.x0 + w * (u + 0.14), t.y0 + h * 0.4, knob);
  for (double u : {0.2, 0.43, 0.72})
    gd_draw_rect(im, t.x0 + w * u, t.y0 + h * 0.58, t.x0 + w * (u + 0.1), t.y0 + h * 0.9, knob);

  // Rim: anodised black with a polished edge; spokes and hub.
  Area r = area(gd_wheels_rim);
  fill(im, r, {0.13, 0.13, 0.15, 1});
  gd_draw_rect(im, r.x0, r.y1 - 6, r.x1, r.y1, {0.7, 0.72, 0.75, 1});
  rounded(im, area(gd_wheels_spoke), {0.7, 0.7, 0.72, 1});
  Area hub = area(gd_wheels_hub);
  rounded(im, hub, {0.62, 0.63, 0.66, 1});
  for (double y = hub.y0 + 4; y < hub.y1; y += 8) gd_draw_rect(im, hub.x0, y, hub.x1, y + 1, {0.4, 0.4, 0.42, 1});

  // Brake disc: steel ring with drilled holes around a dark carrier.
  Area d = area(gd_wheels_disc);
  double cx = (d.x0 + d.x1) / 2, cy = (d.y0 + d.y1) / 2, rad = (d.x1 - d.x0) / 2;
  fill(im, d, {0.45, 0.45, 0.47, 1});
  gd_draw_ellipse(im, cx, cy, rad, rad, {0.62, 0.62, 0.64, 1});
  gd_draw_ellipse(im, cx, cy, rad * 0.55, rad * 0.55, {0.25, 0.25, 0.27, 1});
  for (int k = 0; k < 18; ++k) {
    double a = 2 * 3.14159265358979 * k / 18;
    gd_draw_ellipse(im, cx + std::cos(a) * rad * 0.75, cy + std::sin(a) * rad * 0.75, 1.6, 1.6, {0.2, 0.2, 0.2, 1});
  }
  gd_draw_ellipse(im, cx, cy, rad * 0.2, rad * 0.2, {0.5, 0.5, 0.52, 1});

  // Sprocket: anodised, teeth notched round its edge, lightening holes.
  Area s = area(gd_wheels_sprocket);
  cx = (s.x0 + s.x1) / 2, cy = (s.y0 + s.y1) / 2, rad = (s.x1 - s.x0) / 2;
  fill(im, s, {0.15, 0.15, 0.15, 1});
  gd_draw_ellipse(im, cx, cy, rad, rad, {0.78, 0.58, 0.18, 1});
  for (int k = 0; k < 48; ++k) {
    double a = 2 * 3.14159265358979 * k / 48;
    gd_draw_ellipse(im, cx + std::cos(a) * rad, cy + std::sin(a) * rad, 1.6, 1.6, {0.15, 0.15, 0.15, 1});
  }
  for (int k = 0; k < 6; ++k) {
    double a = 2 * 3.14159265358979 * k / 6;
    gd_draw_ellipse(im, cx + std::cos(a) * rad * 0.55, cy + std::sin(a) * rad * 0.55, rad * 0.16, rad * 0.16,
                    {0.15, 0.15, 0.15, 1});
  }
  return im;
}

GdImage gd_rider_gear_image() {
  GdImage im = blank();
  GdColour base = {0.16, 0.17, 0.2, 1}, red = {0.8, 0.1, 0.1, 1};
  // Jersey: charcoal with white panels and a red band across the chest.
  Area j = area(gd_gear_jersey);
  double w = j.x1 - j.x0, h = j.y1 - j.y0;
  fill(im, j, base);
  gd_draw_rect(im, j.x0, j.y0 + h * 0.3, j.x1, j.y0 + h * 0.42, red);
  gd_draw_rect(im, j.x0 + w * 0.4, j.y0, j.x0 + w * 0.6, j.y1, white);
  gd_draw_rect(im, j.x0, j.y0, j.x1, j.y0 + h * 0.06, white);
  fill(im, area(gd_gear_back), base);
  // Sleeve: the texture's height runs along the arm; a white stripe down it and a red cuff.
  Area s = area(gd_gear_sleeve);
  fill(im, s, base);
  gd_draw_rect(im, s.x0 + 14, s.y0, s.x0 + 18, s.y1, white);
  gd_draw_rect(im, s.x0, s.y0, s.x1, s.y0 + 5, red);
  // Gloves, knee braces.
  Area g = area(gd_gear_glove);
  fill(im, g, white);
  gd_draw_rect(im, g.x0, g.y0 + 12, g.x1, g.y0 + 20, red);
  Area k = area(gd_gear_pad);
  fill(im, k, {0.22, 0.22, 0.24, 1});
  grain(im, k, 0.3, 32, 11);
  gd_draw_rect(im, k.x0, k.y0 + 14, k.x1, k.y0 + 18, {0.7, 0.72, 0.75, 1});
  // Pants: charcoal with white side panels and red piping.
  Area p = area(gd_gear_pants);
  w = p.x1 - p.x0;
  fill(im, p, base);
  gd_draw_rect(im, p.x0 + w * 0.35, p.y0, p.x0 + w * 0.65, p.y1, white);
  gd_draw_rect(im, p.x0 + w * 0.33, p.y0, p.x0 + w * 0.35, p.y1, red);
  gd_draw_rect(im, p.x0 + w * 0.65, p.y0, p.x0 + w * 0.67, p.y1, red);
  grain(im, p, 0.06, 16, 12);
  // Boots: white with black buckle straps.
  Area b = area(gd_gear_boot);
  h = b.y1 - b.y0;
  fill(im, b, {0.92, 0.92, 0.9, 1});
  for (double f : {0.2, 0.4, 0.6, 0.8}) gd_draw_rect(im, b.x0, b.y0 + h * f, b.x1, b.y0 + h * f + 4, black);
  gd_draw_rect(im, b.x0, b.y1 - 6, b.x1, b.y1, black);
  return im;
}

GdImage gd_rider_helmet_image() {
  GdImage im = blank();
  GdColour red = {0.8, 0.1, 0.1, 1}, navy = {0.08, 0.12, 0.3, 1};
  // Shell: the ellipsoid's way round runs across, top pole at the top. Red
  // stripes run over the crown front to back (a quarter and three quarters
  // across), the goggle strap round the middle, a navy rim at the bottom.
  Area s = area(gd_helmet_shell);
  double w = s.x1 - s.x0, h = s.y1 - s.y0;
  fill(im, s, white);
  for (double u : {0.25, 0.75}) gd_draw_rect(im, s.x0 + w * (u - 0.03), s.y0, s.x0 + w * (u + 0.03), s.y0 + h * 0.45, red);
  gd_draw_rect(im, s.x0, s.y0 + h * 0.44, s.x1, s.y0 + h * 0.56, black);
  gd_draw_rect(im, s.x0, s.y0 + h * 0.8, s.x1, s.y1, navy);
  Area p = area(gd_helmet_peak);
  fill(im, p, white);
  gd_draw_rect(im, p.x0, p.y0 + 10, p.x1, p.y0 + 18, red);
  Area c = area(gd_helmet_chin);
  fill(im, c, white);
  for (int k = 0; k < 4; ++k) gd_draw_rect(im, c.x0 + 10 + 12 * k, c.y0 + 10, c.x0 + 16 + 12 * k, c.y0 + 22, black);
  // Goggle lens: mirrored, orange to violet.
  Area l = area(gd_helmet_lens);
  for (int y = int(l.y0); y < int(l.y1); ++y) {
    double f = (y - l.y0) / (l.y1 - l.y0);
    gd_draw_rect(im, l.x0, y, l.x1, y + 1, {0.95 - 0.5 * f, 0.55 - 0.4 * f, 0.15 + 0.5 * f, 1});
  }
  return im;
}
