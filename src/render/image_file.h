// Image files read and written without GL: PNG through libpng, binary and
// ASCII PPM and PGM. Every reader takes an open stream of the virtual file
// system, reads the whole image or fails, and never reads past what the file
// holds. The texture cache and the terrain files are built on these.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct VfsFile;

// Sides above this are refused by every reader (no texture or terrain image
// is larger), so a damaged header cannot ask for gigabytes.
enum { IMAGE_SIDE_MAX = 16384 };

// An image of 8-bit samples.
struct ImageFile {
  int width = 0;                // pixels per row
  int height = 0;               // rows
  int channels = 0;             // samples per pixel: 1 grey, 3 RGB, 4 RGBA
  std::vector<uint8_t> pixels;  // width x height x channels bytes, rows top first
  std::string text;             // PNG text chunks, concatenated in file order (empty for PNM)
};

// An image of 16-bit grey samples.
struct ImageGrey16 {
  int width = 0;                  // pixels per row
  int height = 0;                 // rows
  std::vector<uint16_t> samples;  // width x height values 0..65535, rows top first
};

// PNG as 8-bit RGB or RGBA: palette, grey and low-bit-depth images are
// expanded to RGB, 16-bit samples cut to 8 bits, and a tRNS chunk becomes an
// alpha channel. Four channels when the image has alpha or tRNS, else three.
// The file must begin with the PNG signature. False on any decoding error.
bool png_read_rgb(VfsFile* f, ImageFile& out);
// PNG as 16-bit grey: 8-bit (and smaller) grey samples are widened as
// v x 257, colour images are converted to grey, alpha is dropped.
bool png_read_grey16(VfsFile* f, ImageGrey16& out);

// PPM, "P6" (binary) or "P3" (ASCII), as 3 channels; PGM, "P5" or "P2", as 1
// channel. The header is the token, width, height and maximum value, with
// "#" comment lines allowed before each number; binary data starts after
// one white-space byte. Samples are scaled by 255 / maximum when the maximum
// is not 255 (a maximum above 255 means two bytes per sample, high first).
// A bad header posts "Can't get PPM dimensions" / "Can't get PGM dimensions";
// short data fails quietly.
bool pnm_read_ppm(VfsFile* f, ImageFile& out);
bool pnm_read_pgm(VfsFile* f, ImageFile& out);

// Binary writers: "P6\n%d %d\n255\n" or "P5\n%d %d\n255\n", then the rows
// top first. False when a write fails.
bool pnm_write_ppm(VfsFile* f, int width, int height, const uint8_t* rgb);
bool pnm_write_pgm(VfsFile* f, int width, int height, const uint8_t* grey);
