#include "render/png_write.h"

#include "vfs/vfs.h"

#include <png.h>

#include <csetjmp>
#include <vector>

static void png_vfs_write(png_structp png, png_bytep data, png_size_t length) {
  VfsFile* f = (VfsFile*)png_get_io_ptr(png);
  if (vfs_write(f, data, int(length)) != int(length)) png_error(png, "write failed");
}

static void png_vfs_flush(png_structp png) { vfs_flush((VfsFile*)png_get_io_ptr(png)); }

// Writes rows with libpng; rows[i] points at row i from the top.
static bool png_write_rows(VfsFile* f, int width, int height, int bit_depth, int colour, png_bytep* rows) {
  if (!f || width <= 0 || height <= 0) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  // libpng reports errors by jumping back here; nothing with a destructor
  // lives between this point and the calls that may jump.
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, f, png_vfs_write, png_vfs_flush);
  png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), bit_depth, colour, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  if (bit_depth == 16) png_set_swap(png);  // samples are in host (little-endian) order
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

bool png_write_rgb(VfsFile* f, int width, int height, const unsigned char* rgb_bottom_up) {
  std::vector<png_bytep> rows(size_t(height > 0 ? height : 0));
  for (int y = 0; y < height; ++y)
    rows[size_t(y)] = (png_bytep)(rgb_bottom_up + size_t(height - 1 - y) * size_t(width) * 3);
  return png_write_rows(f, width, height, 8, PNG_COLOR_TYPE_RGB, rows.data());
}

bool png_write_grey16(VfsFile* f, int width, int height, const uint16_t* samples) {
  std::vector<png_bytep> rows(size_t(height > 0 ? height : 0));
  for (int y = 0; y < height; ++y) rows[size_t(y)] = (png_bytep)(samples + size_t(y) * size_t(width));
  return png_write_rows(f, width, height, 16, PNG_COLOR_TYPE_GRAY, rows.data());
}
