#include "render/frame_capture.h"

#include "render/png_write.h"
#include "vfs/vfs.h"

#include <GL/gl.h>

#include <cstring>

std::vector<unsigned char> frame_read_pixels(int width, int height) {
  std::vector<unsigned char> rgb;
  if (width <= 0 || height <= 0) return rgb;
  rgb.resize(size_t(width) * size_t(height) * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  return rgb;
}

bool frame_write_ppm(FILE* out, int width, int height, const std::vector<unsigned char>& rgb) {
  if (width <= 0 || height <= 0 || rgb.size() < size_t(width) * size_t(height) * 3) return false;
  if (fprintf(out, "P6\n%d %d\n255\n", width, height) < 0) return false;
  size_t row = size_t(width) * 3;
  for (int y = height - 1; y >= 0; --y)
    if (fwrite(rgb.data() + size_t(y) * row, 1, row, out) != row) return false;
  return fflush(out) == 0;
}

int frame_first_screenshot_number(const char* const* names) {
  unsigned highest = 0;
  for (; names && *names; ++names) {
    unsigned n;
    if (sscanf(*names, "screenshot%u.ppm", &n) == 1 && n > highest) highest = n;
  }
  return int(highest) + 1;
}

bool frame_save_screenshot(Vfs& vfs, int number, int width, int height, const std::vector<unsigned char>& rgb) {
  char name[64];
  snprintf(name, sizeof name, "@screenshot%03d.png", number);
  VfsFile* f = vfs_open(vfs, name, "wb");
  if (!f) return false;
  bool ok = png_write_rgb(f, width, height, rgb.data());
  vfs_close(f);
  return ok;
}
