// Images the generator writes: 8-bit grey, RGB or RGBA pixels, rows from the
// top, stored as PNG or as binary PGM/PPM.
#pragma once
#include <vector>

#include "gamedata/gd_codec.h"

struct GdImage {
  int width = 0, height = 0;          // pixels
  int channels = 0;                   // 1 grey, 3 RGB, 4 RGBA
  std::vector<unsigned char> pixels;  // rows from the top, channels interleaved
};

// A width x height image of the given channel count, every byte set to fill.
void gd_image_make(GdImage& image, int width, int height, int channels, unsigned char fill);
// The first byte of pixel (x, y); x and y must lie inside the image.
unsigned char* gd_image_pixel(GdImage& image, int x, int y);
const unsigned char* gd_image_pixel(const GdImage& image, int x, int y);
// 8-bit PNG (grey, RGB or RGBA by the channel count), no time or text
// chunks, so the same pixels always give the same bytes. False for an empty
// image or when libpng fails.
bool gd_image_png(const GdImage& image, GdBytes& out);
// Binary PGM ("P5", grey) or PPM ("P6", RGB) with maximum 255. False for
// other channel counts.
bool gd_image_pnm(const GdImage& image, GdBytes& out);
