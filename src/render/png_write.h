// PNG files written through the virtual file system.
#pragma once
#include <cstdint>

struct VfsFile;

// 8-bit RGB, rows given bottom row first (as GL reads them).
bool png_write_rgb(VfsFile* f, int width, int height, const unsigned char* rgb_bottom_up);
// 16-bit grey, rows top first, samples in host order.
bool png_write_grey16(VfsFile* f, int width, int height, const uint16_t* samples);
