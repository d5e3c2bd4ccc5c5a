// Reading PNG, PPM and PGM images through the virtual file system.
#include "render/image_file.h"

#include <gtest/gtest.h>
#include <png.h>

#include <string>
#include <vector>

#include "platform/messages.h"
#include "render/png_write.h"
#include "test_util.h"
#include "vfs/vfs.h"

using namespace std::string_literals;

namespace {

// A PNG file image made with libpng: rows of raw samples in the given form.
struct PngSpec {
  int width = 0, height = 0, colour = 0, depth = 0;
  std::vector<uint8_t> data = {};         // rows top first, packed as libpng expects
  std::vector<png_color> palette = {};    // for palette images
  std::vector<uint8_t> trns_alpha = {};   // palette tRNS, or empty
  bool trns_grey = false;                 // a grey tRNS entry for value 0
  bool interlaced = false;
  std::string text = {};                  // one tEXt chunk, or none
};

void png_append(png_structp png, png_bytep data, png_size_t n) {
  ((std::string*)png_get_io_ptr(png))->append((const char*)data, n);
}
void png_no_flush(png_structp) {}

std::string make_png(const PngSpec& s) {
  std::string out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) abort();
  png_set_write_fn(png, &out, png_append, png_no_flush);
  png_set_IHDR(png, info, s.width, s.height, s.depth, s.colour,
               s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!s.palette.empty()) png_set_PLTE(png, info, s.palette.data(), int(s.palette.size()));
  if (!s.trns_alpha.empty()) png_set_tRNS(png, info, s.trns_alpha.data(), int(s.trns_alpha.size()), nullptr);
  png_color_16 grey{};
  if (s.trns_grey) png_set_tRNS(png, info, nullptr, 0, &grey);
  png_text text{};
  std::string key = "Comment";
  if (!s.text.empty()) {
    text.compression = PNG_TEXT_COMPRESSION_NONE;
    text.key = key.data();
    text.text = (char*)s.text.c_str();
    png_set_text(png, info, &text, 1);
  }
  png_write_info(png, info);
  size_t row = s.data.size() / size_t(s.height);
  std::vector<png_bytep> rows;
  for (int y = 0; y < s.height; ++y) rows.push_back((png_bytep)s.data.data() + row * size_t(y));
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

// Gives a PNG file image a new size in its header, with a valid checksum.
std::string with_ihdr_size(std::string png, uint32_t width, uint32_t height) {
  for (int b = 0; b < 4; ++b) {
    png[size_t(16 + b)] = char(width >> (24 - 8 * b));
    png[size_t(20 + b)] = char(height >> (24 - 8 * b));
  }
  uLong crc = crc32(0, (const Bytef*)png.data() + 12, 17);
  for (int b = 0; b < 4; ++b) png[size_t(29 + b)] = char(crc >> (24 - 8 * b));
  return png;
}

class ImageRead : public ::testing::Test {
 protected:
  void SetUp() override {
    vfs_set_folders(vfs_, dir_.path + "/home", dir_.path + "/game");
    message_set_sink([](void* c, const char* t) { ((std::vector<std::string>*)c)->push_back(t); }, &posted_);
  }
  void TearDown() override { message_set_sink(nullptr, nullptr); }
  // Writes the bytes as a game file and opens it.
  VfsFile* open_bytes(const std::string& bytes) {
    write_file(dir_.path + "/game/img", bytes);
    VfsFile* f = vfs_open(vfs_, "@img", "rb");
    EXPECT_NE(f, nullptr);
    return f;
  }
  bool read_rgb(const std::string& bytes, ImageFile& out) {
    VfsFile* f = open_bytes(bytes);
    bool ok = png_read_rgb(f, out);
    vfs_close(f);
    return ok;
  }
  bool read_grey16(const std::string& bytes, ImageGrey16& out) {
    VfsFile* f = open_bytes(bytes);
    bool ok = png_read_grey16(f, out);
    vfs_close(f);
    return ok;
  }
  bool read_pnm(const std::string& bytes, ImageFile& out, bool grey) {
    VfsFile* f = open_bytes(bytes);
    bool ok = grey ? pnm_read_pgm(f, out) : pnm_read_ppm(f, out);
    vfs_close(f);
    return ok;
  }
  TempDir dir_;
  Vfs vfs_;
  std::vector<std::string> posted_;
};

TEST_F(ImageRead, PngFormsExpandToRgbOrRgba) {
  struct Case {
    const char* what;
    PngSpec png;
    int channels;
    std::vector<uint8_t> first_pixel;
  };
  std::vector<Case> cases = {
      {"rgb8", {2, 1, PNG_COLOR_TYPE_RGB, 8, {10, 20, 30, 40, 50, 60}}, 3, {10, 20, 30}},
      {"rgb16 cut to 8 bits", {1, 1, PNG_COLOR_TYPE_RGB, 16, {0x12, 0x34, 0xab, 0xcd, 0xff, 0x00}}, 3, {0x12, 0xab, 0xff}},
      {"grey8", {2, 1, PNG_COLOR_TYPE_GRAY, 8, {7, 9}}, 3, {7, 7, 7}},
      {"grey1 expanded", {8, 1, PNG_COLOR_TYPE_GRAY, 1, {0x80}}, 3, {255, 255, 255}},
      {"grey alpha", {1, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, {5, 99}}, 4, {5, 5, 5, 99}},
      {"rgba", {1, 1, PNG_COLOR_TYPE_RGBA, 8, {1, 2, 3, 4}}, 4, {1, 2, 3, 4}},
      {"palette", {2, 1, PNG_COLOR_TYPE_PALETTE, 8, {1, 0}, {{0, 0, 0}, {200, 100, 50}}}, 3, {200, 100, 50}},
      {"palette with tRNS", {2, 1, PNG_COLOR_TYPE_PALETTE, 8, {1, 0}, {{0, 0, 0}, {200, 100, 50}}, {255, 77}}, 4,
       {200, 100, 50, 77}},
      {"grey with tRNS", {2, 1, PNG_COLOR_TYPE_GRAY, 8, {0, 9}, {}, {}, true}, 4, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ImageFile image;
    ASSERT_TRUE(read_rgb(make_png(c.png), image));
    EXPECT_EQ(image.width, c.png.width);
    EXPECT_EQ(image.height, 1);
    EXPECT_EQ(image.channels, c.channels);
    ASSERT_EQ(image.pixels.size(), size_t(c.png.width * c.channels));
    EXPECT_EQ(std::vector<uint8_t>(image.pixels.begin(), image.pixels.begin() + c.channels), c.first_pixel);
  }
}

TEST_F(ImageRead, PngInterlacedRowsAndTextChunks) {
  PngSpec s{5, 4, PNG_COLOR_TYPE_RGB, 8, {}};
  for (int j = 0; j < 5 * 4 * 3; ++j) s.data.push_back(uint8_t(j * 3));
  s.interlaced = true;
  s.text = "[compress] leafy";
  ImageFile image;
  ASSERT_TRUE(read_rgb(make_png(s), image));
  EXPECT_EQ(image.pixels, s.data);
  EXPECT_EQ(image.text, "[compress] leafy");
}

TEST_F(ImageRead, PngGrey16WidensAndConvertsColour) {
  ImageGrey16 g;
  // 16-bit grey exactly, as the terrain saver writes it.
  std::vector<uint16_t> samples = {0, 1, 65535, 0x1234, 40000, 7};
  write_file(dir_.path + "/home/g.png", "");
  VfsFile* w = vfs_open(vfs_, "@g.png", "wb");
  ASSERT_TRUE(png_write_grey16(w, 3, 2, samples.data()));
  vfs_close(w);
  VfsFile* r = vfs_open(vfs_, "@g.png", "rb");
  ASSERT_TRUE(png_read_grey16(r, g));
  vfs_close(r);
  EXPECT_EQ(g.width, 3);
  EXPECT_EQ(g.height, 2);
  EXPECT_EQ(g.samples, samples);

  ASSERT_TRUE(read_grey16(make_png({3, 1, PNG_COLOR_TYPE_GRAY, 8, {0, 1, 255}}), g));
  EXPECT_EQ(g.samples, (std::vector<uint16_t>{0, 257, 65535}));
  // Colour becomes grey: white stays white, black stays black, a grey stays itself.
  ASSERT_TRUE(read_grey16(make_png({3, 1, PNG_COLOR_TYPE_RGB, 8, {255, 255, 255, 0, 0, 0, 100, 100, 100}}), g));
  EXPECT_EQ(g.samples, (std::vector<uint16_t>{65535, 0, 100 * 257}));
  ASSERT_TRUE(read_grey16(make_png({1, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, {80, 3}}), g));
  EXPECT_EQ(g.samples, (std::vector<uint16_t>{80 * 257}));
}

TEST_F(ImageRead, DamagedPngsFail) {
  std::string good = make_png({4, 4, PNG_COLOR_TYPE_RGB, 8, std::vector<uint8_t>(48, 9)});
  std::string bad_crc = good;
  bad_crc[30] ^= 1;  // inside the IHDR chunk
  std::string big = with_ihdr_size(good, 16384, 16384);  // no data behind the claim
  std::string huge = with_ihdr_size(good, 16385, 4);    // a side past the limit
  ImageFile same;
  ASSERT_TRUE(read_rgb(with_ihdr_size(good, 4, 4), same));  // the rewritten header itself is sound
  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"not a png", "P6\n1 1\n255\nabc"},
      {"signature only", good.substr(0, 8)},
      {"truncated data", good.substr(0, good.size() - 30)},
      {"bad header crc", bad_crc},
      {"claims a large image", big},
      {"side past the limit", huge},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ImageFile image;
    ImageGrey16 g;
    EXPECT_FALSE(read_rgb(c.bytes, image));
    EXPECT_EQ(image.width, 0);
    EXPECT_TRUE(image.pixels.empty());
    EXPECT_FALSE(read_grey16(c.bytes, g));
  }
}

TEST_F(ImageRead, PnmHeadersCommentsAndScaling) {
  struct Case {
    const char* what;
    std::string bytes;
    bool grey;
    int width, height;
    std::vector<uint8_t> pixels;
  } cases[] = {
      {"P6", "P6\n2 1\n255\n\x01\x02\x03\xff\x80\x00"s, false, 2, 1, {1, 2, 3, 255, 128, 0}},
      {"P6 with comments", "P6 # made by hand\n# another\n1 # w\n1\n#max\n255\n\x0a\x0b\x0c"s, false, 1, 1, {10, 11, 12}},
      {"P6 scaled maximum", "P6 1 1 15 \x0f\x05\x00"s, false, 1, 1, {255, 85, 0}},
      {"P6 two-byte samples", "P6 1 1 65535\n\xff\xff\x80\x00\x00\x10"s, false, 1, 1, {255, 127, 0}},
      {"P3 ascii", "P3\n2 1\n255\n1 2 3\n4 5 6\n"s, false, 2, 1, {1, 2, 3, 4, 5, 6}},
      {"P5", "P5\n3 1\n255\n\x00\x7f\xff"s, true, 3, 1, {0, 127, 255}},
      {"P5 samples above the maximum", "P5 2 1 100\n\x32\xc8"s, true, 2, 1, {127, 255}},
      {"P2 ascii", "P2 2 2 255 9 8 7 6"s, true, 2, 2, {9, 8, 7, 6}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ImageFile image;
    ASSERT_TRUE(read_pnm(c.bytes, image, c.grey));
    EXPECT_EQ(image.width, c.width);
    EXPECT_EQ(image.height, c.height);
    EXPECT_EQ(image.channels, c.grey ? 1 : 3);
    EXPECT_EQ(image.pixels, c.pixels);
  }
  EXPECT_TRUE(posted_.empty());
}

TEST_F(ImageRead, DamagedPnmsFail) {
  struct Case {
    const char* what;
    std::string bytes;
    bool grey;
    bool header_message;  // posts "Can't get PPM/PGM dimensions"
  } cases[] = {
      {"empty", ""s, false, true},
      {"wrong token", "P5\n1 1\n255\n\x01"s, false, true},
      {"pgm token for ppm", "P6\n1 1\n255\n\x01\x02\x03"s, true, true},
      {"missing height", "P6\n1\n"s, false, true},
      {"zero width", "P6\n0 1\n255\n"s, false, true},
      {"negative height", "P6\n1 -1\n255\n"s, false, true},
      {"side past the limit", "P6\n16385 1\n255\n"s, false, true},
      {"zero maximum", "P6\n1 1\n0\n\x01\x02\x03"s, false, true},
      {"maximum too large", "P5\n1 1\n65536\n\x01\x02"s, true, true},
      {"short data", "P6\n2 2\n255\n\x01\x02\x03"s, false, false},
      {"no data after the header", "P6\n1 1\n255"s, false, false},
      {"large claim, little data", "P6\n16384 16384\n255\nabc"s, false, false},
      {"short ascii data", "P2 2 1 255 9"s, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    posted_.clear();
    ImageFile image;
    EXPECT_FALSE(read_pnm(c.bytes, image, c.grey));
    EXPECT_TRUE(image.pixels.empty());
    std::vector<std::string> expected;
    if (c.header_message) expected.push_back(c.grey ? "Can't get PGM dimensions" : "Can't get PPM dimensions");
    EXPECT_EQ(posted_, expected);
  }
}

TEST_F(ImageRead, PnmWritersWriteTheHeaderAndRowsAndReadBack) {
  std::vector<uint8_t> rgb = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  std::vector<uint8_t> grey = {200, 0, 13};
  VfsFile* f = vfs_open(vfs_, "@out.ppm", "wb");
  ASSERT_TRUE(pnm_write_ppm(f, 2, 2, rgb.data()));
  vfs_close(f);
  f = vfs_open(vfs_, "@out.pgm", "wb");
  ASSERT_TRUE(pnm_write_pgm(f, 1, 3, grey.data()));
  vfs_close(f);
  EXPECT_EQ(read_file(dir_.path + "/home/out.ppm"), "P6\n2 2\n255\n" + std::string(rgb.begin(), rgb.end()));
  EXPECT_EQ(read_file(dir_.path + "/home/out.pgm"), "P5\n1 3\n255\n" + std::string(grey.begin(), grey.end()));
  ImageFile image;
  ASSERT_TRUE(read_pnm(read_file(dir_.path + "/home/out.pgm"), image, true));
  EXPECT_EQ(image.pixels, grey);
}

}  // namespace
