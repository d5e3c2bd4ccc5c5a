// Reading PNG, PPM and PGM images from the virtual file system, and writing
// binary PPM and PGM.
#include "render/image_file.h"

#include "platform/log.h"
#include "platform/messages.h"
#include "vfs/vfs.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

// ---------------------------------------------------------------------------
// PNG

// What one PNG decoding produces. It lives in the caller's frame, outside the
// function that holds the setjmp, so its containers stay valid after libpng
// jumps back on an error.
struct PngDecode {
  VfsFile* file;                       // the stream being read
  bool grey16;                         // decode to 16-bit grey (else 8-bit RGB/RGBA)
  int width, height;                   // pixels
  int channels;                        // samples per decoded pixel
  int bit_depth;                       // bits per decoded sample: 8 or 16
  std::vector<uint8_t>* rows;          // decoded rows, top first, appended as they come
  std::vector<uint8_t>* row_buffer;    // one row for non-interlaced reading
  std::vector<png_bytep>* row_pointers;  // every row, for interlaced reading
  std::string* text;                   // text chunks, or none
};

static void png_vfs_read(png_structp png, png_bytep data, png_size_t length) {
  VfsFile* f = (VfsFile*)png_get_io_ptr(png);
  if (vfs_read(f, data, int(length)) != int(length)) png_error(png, "unexpected end of file");
}

static void png_error_jump(png_structp png, png_const_charp text) {
  log_message("PNG error: %s\n", text);
  png_longjmp(png, 1);
}

static void png_warning_ignore(png_structp, png_const_charp) {}

static void png_collect_text(png_structp png, png_infop info, std::string* out) {
  if (!out || !info) return;
  png_textp text = nullptr;
  int count = 0;
  if (png_get_text(png, info, &text, &count) <= 0) return;
  for (int i = 0; i < count; ++i)
    if (text[i].text) out->append(text[i].text, text[i].text_length ? text[i].text_length : strlen(text[i].text));
}

// Sets the transforms that turn any PNG into the decoding's form.
static void png_choose_transforms(png_structp png, png_infop info, bool grey16) {
  int colour = png_get_color_type(png, info);
  int depth = png_get_bit_depth(png, info);
  if (colour == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (!(colour & PNG_COLOR_MASK_COLOR) && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (grey16) {
    if (colour & PNG_COLOR_MASK_COLOR) png_set_rgb_to_gray_fixed(png, 1, -1, -1);
    if (colour & PNG_COLOR_MASK_ALPHA) png_set_strip_alpha(png);
  } else {
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (depth == 16) png_set_strip_16(png);
    if (!(colour & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(png);
  }
}

// Decodes with libpng. Only plain values live in this frame: libpng's
// errors jump back to the setjmp below.
static bool png_decode(PngDecode* d) {
  unsigned char signature[8];
  if (vfs_read(d->file, signature, 8) != 8 || png_sig_cmp(signature, 0, 8) != 0) return false;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, png_error_jump, png_warning_ignore);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  png_infop end_info = info ? png_create_info_struct(png) : nullptr;
  if (!end_info) {
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, &end_info);
    return false;
  }
  png_set_read_fn(png, d->file, png_vfs_read);
  png_set_sig_bytes(png, 8);
  png_set_user_limits(png, IMAGE_SIDE_MAX, IMAGE_SIDE_MAX);
  png_read_info(png, info);
  png_collect_text(png, info, d->text);
  png_choose_transforms(png, info, d->grey16);
  int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  d->width = int(png_get_image_width(png, info));
  d->height = int(png_get_image_height(png, info));
  d->channels = png_get_channels(png, info);
  d->bit_depth = png_get_bit_depth(png, info);
  size_t row_bytes = png_get_rowbytes(png, info);
  if (row_bytes != size_t(d->width) * size_t(d->channels) * size_t(d->bit_depth / 8)) png_error(png, "bad row size");
  if (passes > 1) {
    // Interlaced images need every row at hand for each pass.
    d->rows->assign(row_bytes * size_t(d->height), 0);
    d->row_pointers->resize(size_t(d->height));
    for (int y = 0; y < d->height; ++y) (*d->row_pointers)[size_t(y)] = d->rows->data() + row_bytes * size_t(y);
    png_read_image(png, d->row_pointers->data());
  } else {
    // Row by row, so a file that claims a large image but ends early never
    // gets its whole size allocated.
    d->row_buffer->assign(row_bytes, 0);
    for (int y = 0; y < d->height; ++y) {
      png_read_row(png, d->row_buffer->data(), nullptr);
      d->rows->insert(d->rows->end(), d->row_buffer->begin(), d->row_buffer->end());
    }
  }
  png_read_end(png, end_info);
  png_collect_text(png, end_info, d->text);
  png_destroy_read_struct(&png, &info, &end_info);
  return true;
}

bool png_read_rgb(VfsFile* f, ImageFile& out) {
  out = ImageFile();
  if (!f) return false;
  std::vector<uint8_t> rows, row_buffer;
  std::vector<png_bytep> row_pointers;
  std::string text;
  PngDecode d{f, false, 0, 0, 0, 0, &rows, &row_buffer, &row_pointers, &text};
  if (!png_decode(&d) || d.bit_depth != 8 || (d.channels != 3 && d.channels != 4)) return false;
  out.width = d.width;
  out.height = d.height;
  out.channels = d.channels;
  out.pixels.swap(rows);
  out.text.swap(text);
  return true;
}

bool png_read_grey16(VfsFile* f, ImageGrey16& out) {
  out = ImageGrey16();
  if (!f) return false;
  std::vector<uint8_t> rows, row_buffer;
  std::vector<png_bytep> row_pointers;
  PngDecode d{f, true, 0, 0, 0, 0, &rows, &row_buffer, &row_pointers, nullptr};
  if (!png_decode(&d) || d.channels != 1 || (d.bit_depth != 8 && d.bit_depth != 16)) return false;
  size_t count = size_t(d.width) * size_t(d.height);
  out.width = d.width;
  out.height = d.height;
  out.samples.resize(count);
  for (size_t j = 0; j < count; ++j)
    out.samples[j] = d.bit_depth == 16 ? uint16_t(rows[2 * j] << 8 | rows[2 * j + 1]) : uint16_t(rows[j] * 257);
  return true;
}

// ---------------------------------------------------------------------------
// PPM and PGM

// One header number, after any "#" comment lines.
static bool pnm_header_number(VfsFile* f, int& value) {
  char hash[2];
  while (vfs_scanf(f, " %1[#]%*[^\n]", hash) == 1) {
  }
  return vfs_scanf(f, "%d", &value) == 1;
}

// Reads a PPM or PGM of the given channel count; binary and ASCII tokens
// are the two accepted for that kind.
static bool pnm_read(VfsFile* f, ImageFile& out, int channels, const char* binary, const char* ascii,
                     const char* failure) {
  out = ImageFile();
  if (!f) return false;
  char token[16];
  int width = 0, height = 0, maximum = 0;
  if (vfs_scanf(f, "%15s", token) != 1 || (strcmp(token, binary) != 0 && strcmp(token, ascii) != 0) ||
      !pnm_header_number(f, width) || !pnm_header_number(f, height) || !pnm_header_number(f, maximum) ||
      width <= 0 || height <= 0 || width > IMAGE_SIDE_MAX || height > IMAGE_SIDE_MAX || maximum <= 0 ||
      maximum > 65535) {
    message_post("%s", failure);
    return false;
  }
  bool is_binary = strcmp(token, binary) == 0;
  size_t row_samples = size_t(width) * size_t(channels);
  int sample_bytes = maximum > 255 ? 2 : 1;
  std::vector<uint8_t> raw(row_samples * size_t(sample_bytes));
  std::vector<uint8_t> pixels;
  if (is_binary && vfs_getc_pushed(f) < 0) return false;  // the one white-space byte after the maximum
  for (int y = 0; y < height; ++y) {
    // Row by row, so that a short file never gets its claimed size allocated.
    size_t at = pixels.size();
    pixels.resize(at + row_samples);
    if (is_binary) {
      if (vfs_read(f, raw.data(), int(raw.size())) != int(raw.size())) return false;
      for (size_t j = 0; j < row_samples; ++j) {
        unsigned v = sample_bytes == 2 ? unsigned(raw[2 * j] << 8 | raw[2 * j + 1]) : raw[j];
        if (maximum != 255) v = v >= unsigned(maximum) ? 255 : v * 255 / unsigned(maximum);
        pixels[at + j] = uint8_t(v);
      }
    } else {
      for (size_t j = 0; j < row_samples; ++j) {
        int v = 0;
        if (vfs_scanf(f, "%d", &v) != 1) return false;
        if (v < 0) v = 0;
        if (maximum != 255) v = v >= maximum ? 255 : int(unsigned(v) * 255 / unsigned(maximum));
        pixels[at + j] = uint8_t(v > 255 ? 255 : v);
      }
    }
  }
  out.width = width;
  out.height = height;
  out.channels = channels;
  out.pixels.swap(pixels);
  return true;
}

bool pnm_read_ppm(VfsFile* f, ImageFile& out) { return pnm_read(f, out, 3, "P6", "P3", "Can't get PPM dimensions"); }

bool pnm_read_pgm(VfsFile* f, ImageFile& out) { return pnm_read(f, out, 1, "P5", "P2", "Can't get PGM dimensions"); }

static bool pnm_write(VfsFile* f, const char* token, int width, int height, int channels, const uint8_t* data) {
  if (!f || width <= 0 || height <= 0 || !data) return false;
  if (vfs_printf(f, "%s\n%d %d\n255\n", token, width, height) < 0) return false;
  size_t row = size_t(width) * size_t(channels);
  for (int y = 0; y < height; ++y)
    if (vfs_write(f, data + row * size_t(y), int(row)) != int(row)) return false;
  return vfs_flush(f) == 0;
}

bool pnm_write_ppm(VfsFile* f, int width, int height, const uint8_t* rgb) {
  return pnm_write(f, "P6", width, height, 3, rgb);
}

bool pnm_write_pgm(VfsFile* f, int width, int height, const uint8_t* grey) {
  return pnm_write(f, "P5", width, height, 1, grey);
}
