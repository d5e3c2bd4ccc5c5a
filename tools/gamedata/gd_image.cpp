#include "gamedata/gd_image.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>

void gd_image_make(GdImage& image, int width, int height, int channels, unsigned char fill) {
  image.width = width > 0 ? width : 0;
  image.height = height > 0 ? height : 0;
  image.channels = channels;
  image.pixels.assign(size_t(image.width) * image.height * channels, fill);
}

unsigned char* gd_image_pixel(GdImage& image, int x, int y) {
  return image.pixels.data() + (size_t(y) * image.width + x) * image.channels;
}

const unsigned char* gd_image_pixel(const GdImage& image, int x, int y) {
  return image.pixels.data() + (size_t(y) * image.width + x) * image.channels;
}

static void png_to_bytes(png_structp png, png_bytep data, png_size_t length) {
  GdBytes* out = (GdBytes*)png_get_io_ptr(png);
  out->insert(out->end(), data, data + length);
}

static void png_no_flush(png_structp) {}

bool gd_image_png(const GdImage& image, GdBytes& out) {
  out.clear();
  int colour = image.channels == 1   ? PNG_COLOR_TYPE_GRAY
               : image.channels == 3 ? PNG_COLOR_TYPE_RGB
               : image.channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA
                                     : -1;
  if (colour < 0 || image.width <= 0 || image.height <= 0 ||
      image.pixels.size() != size_t(image.width) * image.height * image.channels)
    return false;
  std::vector<png_bytep> rows(size_t(image.height));
  for (int y = 0; y < image.height; ++y)
    rows[size_t(y)] = (png_bytep)(image.pixels.data() + size_t(y) * image.width * image.channels);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  // libpng reports errors by jumping back here; nothing with a destructor is
  // made between this point and the calls that may jump.
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    out.clear();
    return false;
  }
  png_set_write_fn(png, &out, png_to_bytes, png_no_flush);
  png_set_compression_level(png, 6);
  png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), 8, colour, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

bool gd_image_pnm(const GdImage& image, GdBytes& out) {
  out.clear();
  if ((image.channels != 1 && image.channels != 3) || image.width <= 0 || image.height <= 0) return false;
  char header[64];
  int len = snprintf(header, sizeof header, "%s\n%d %d\n255\n", image.channels == 1 ? "P5" : "P6", image.width,
                     image.height);
  out.assign(header, header + len);
  out.insert(out.end(), image.pixels.begin(), image.pixels.end());
  return true;
}
