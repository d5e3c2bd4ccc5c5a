// Drawing and reading back through a real GL context (needs a display; the
// test command runs the suite under xvfb-run).
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <png.h>

#include <array>
#include <cstdlib>

#include "platform/window.h"
#include "render/frame_capture.h"
#include "render/gl_setup.h"
#include "render/loading_screen.h"
#include "test_util.h"
#include "vfs/vfs.h"

struct GlFixture : ::testing::Test {
  Window* w = nullptr;
  Drawable d;
  void SetUp() override {
    const char* display = getenv("DISPLAY");
    if (!display || !*display) GTEST_SKIP() << "no display";
    w = window_open("Loamrun render test", 200, 150, 24, 0, 16, 0, 0);
    ASSERT_NE(w, nullptr);
    for (int i = 0; i < 100 && !frame_begin(w, d); ++i) clock_sleep(0, 10000);
  }
  void TearDown() override {
    if (w) {
      frame_end(w);
      window_close(w);
    }
  }
  // RGB of the pixel at (x, y) counted from the top-left.
  std::array<int, 3> pixel(const std::vector<unsigned char>& rgb, int x, int y) {
    size_t i = (size_t(d.height - 1 - y) * size_t(d.width) + size_t(x)) * 3;
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
  }
};

TEST_F(GlFixture, LoadingScreenBarsShowTheCounterBits) {
  ASSERT_EQ(d.width, 200);
  loading_screen_draw(d.width, d.height, 0b101, 0.75);  // light wave far from the first bars
  std::vector<unsigned char> rgb = frame_read_pixels(d.width, d.height);
  ASSERT_EQ(rgb.size(), size_t(200 * 150 * 3));
  // Bars sit in a column at the right; bar j's centre.
  float bar_w = 8, bar_h = 3, gap = 1.5f;
  float x0 = 200 - bar_w * 2, y0 = (150 - 32 * (bar_h + gap)) * 0.5f;
  auto bar = [&](int j) { return pixel(rgb, int(x0 + bar_w / 2), int(y0 + j * (bar_h + gap) + bar_h / 2)); };
  EXPECT_NEAR(bar(0)[0], 223, 2);  // lit: 0.875 grey
  EXPECT_NEAR(bar(1)[0], 191, 2);  // unlit: 0.75 grey
  EXPECT_NEAR(bar(2)[0], 223, 2);
  EXPECT_NEAR(bar(3)[0], 191, 2);
  // The background is grey 0.25 or one of the darker fan slices.
  std::array<int, 3> corner = pixel(rgb, 2, 75);
  EXPECT_TRUE(std::abs(corner[0] - 64) <= 2 || std::abs(corner[0] - 51) <= 2) << corner[0];
  EXPECT_EQ(corner[0], corner[1]);
}

// Reads a PNG back: width, height and rows of RGB, top first.
static bool read_png(const std::string& path, int& w, int& h, std::vector<unsigned char>& rgb) {
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return false;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_read_info(png, info);
  w = int(png_get_image_width(png, info));
  h = int(png_get_image_height(png, info));
  bool ok = png_get_color_type(png, info) == PNG_COLOR_TYPE_RGB && png_get_bit_depth(png, info) == 8;
  rgb.assign(size_t(w) * size_t(h) * 3, 0);
  std::vector<png_bytep> rows(static_cast<size_t>(h));
  for (int y = 0; y < h; ++y) rows[size_t(y)] = rgb.data() + size_t(y) * size_t(w) * 3;
  png_read_image(png, rows.data());
  png_destroy_read_struct(&png, &info, nullptr);
  fclose(f);
  return ok;
}

TEST_F(GlFixture, ScreenshotsAndVideoFramesAreTopRowFirst) {
  // Top half red, bottom half blue.
  gl_projection_2d(d.width, d.height);
  glDisable(GL_CULL_FACE);
  glClearColor(0, 0, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glColor3f(1, 0, 0);
  glBegin(GL_QUADS);
  glVertex2f(0, 0);
  glVertex2f(0, 75);
  glVertex2f(200, 75);
  glVertex2f(200, 0);
  glEnd();
  std::vector<unsigned char> rgb = frame_read_pixels(d.width, d.height);

  TempDir dir;
  Vfs vfs;
  vfs_set_folders(vfs, dir.path, "");
  ASSERT_TRUE(frame_save_screenshot(vfs, 12, d.width, d.height, rgb));
  int w2 = 0, h2 = 0;
  std::vector<unsigned char> back;
  ASSERT_TRUE(read_png(dir / "screenshot012.png", w2, h2, back));
  EXPECT_EQ(w2, 200);
  EXPECT_EQ(h2, 150);
  EXPECT_EQ(back[0], 255);  // top-left is red
  EXPECT_EQ(back[2], 0);
  EXPECT_EQ(back[back.size() - 1], 255);  // bottom-right is blue

  char* text = nullptr;
  size_t size = 0;
  FILE* out = open_memstream(&text, &size);
  ASSERT_TRUE(frame_write_ppm(out, d.width, d.height, rgb));
  fclose(out);
  std::string ppm(text, size);
  free(text);
  std::string header = "P6\n200 150\n255\n";
  ASSERT_EQ(ppm.size(), header.size() + 200 * 150 * 3);
  EXPECT_EQ(ppm.substr(0, header.size()), header);
  EXPECT_EQ((unsigned char)ppm[header.size()], 255);                   // first row: red
  EXPECT_EQ((unsigned char)ppm[ppm.size() - 1], 255);                  // last row: blue
  EXPECT_EQ((unsigned char)ppm[ppm.size() - 3], 0);
}

TEST(Screenshots, FirstNumberFollowsTheHighestFound) {
  struct Case {
    std::vector<const char*> names;
    int want;
  } cases[] = {
      {{"screenshot004.png", "screenshot011.png", "tracks/a/desc", nullptr}, 12},
      {{"screenshot7", "screenshotx.png", nullptr}, 8},  // the number counts whatever follows
      {{"demos/screenshot50.png", nullptr}, 1},          // only names at the top
      {{nullptr}, 1},
  };
  for (const Case& c : cases) EXPECT_EQ(frame_first_screenshot_number(c.names.data()), c.want);
}
