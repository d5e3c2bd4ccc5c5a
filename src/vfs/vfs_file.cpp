// Opening, reading and writing streams: plain, gzip, scrambled or both.
#include "vfs/vfs.h"

#include "platform/mem.h"

#include <cctype>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

static bool vfs_is_write_mode(const char* mode) { return !strchr(mode, 'r') || strchr(mode, '+'); }

static VfsFile* vfs_new_file(FILE* file) {
  VfsFile* f = new VfsFile;
  f->file = file;
  return f;
}

// Stored bytes, read from the file without passing the data's end and
// descrambled when the stream is scrambled.
static int vfs_read_stored(VfsFile* f, unsigned char* buffer, int n) {
  int left = f->limit - f->stored;
  if (n > left) n = left;
  if (n <= 0) return 0;
  int got = int(fread(buffer, 1, size_t(n), f->file));
  if (got <= 0) return 0;
  f->stored += got;
  if (f->scrambled) vfs_scramble_apply(f->scrambler, buffer, size_t(got));
  return got;
}

static bool vfs_refill_input(VfsFile* f) {
  int got = vfs_read_stored(f, f->in, VFS_IN_BUFFER);
  f->zs.next_in = f->in;
  f->zs.avail_in = unsigned(got);
  return got > 0;
}

// One byte of the gzip header, refilling the input as needed; -1 at end.
static int vfs_header_byte(VfsFile* f) {
  if (f->zs.avail_in == 0 && !vfs_refill_input(f)) return -1;
  --f->zs.avail_in;
  return *f->zs.next_in++;
}

static bool vfs_header_skip(VfsFile* f, long n) {
  for (long i = 0; i < n; ++i)
    if (vfs_header_byte(f) < 0) return false;
  return true;
}

static bool vfs_header_skip_string(VfsFile* f) {
  for (;;) {
    int c = vfs_header_byte(f);
    if (c < 0) return false;
    if (c == 0) return true;
  }
}

// Reads the gzip header and starts a raw inflate of what follows. The
// optional fields are read byte by byte through the input buffer, so they
// may run past its first fill.
static bool vfs_start_gzip(VfsFile* f) {
  f->in = (unsigned char*)mem_alloc(VFS_IN_BUFFER);
  f->out = (unsigned char*)mem_alloc(VFS_OUT_WINDOW);
  if (!f->in || !f->out) mem_out_of_memory();
  f->zs.next_in = f->in;
  f->zs.avail_in = 0;
  if (vfs_header_byte(f) != 31 || vfs_header_byte(f) != 139 || vfs_header_byte(f) != 8) return false;
  int flags = vfs_header_byte(f);
  if (flags < 0 || flags >= 32) return false;
  if (!vfs_header_skip(f, 6)) return false;
  if (flags & 4) {
    int lo = vfs_header_byte(f), hi = vfs_header_byte(f);
    if (lo < 0 || hi < 0 || !vfs_header_skip(f, lo | hi << 8)) return false;
  }
  if ((flags & 8) && !vfs_header_skip_string(f)) return false;
  if ((flags & 16) && !vfs_header_skip_string(f)) return false;
  if ((flags & 2) && !vfs_header_skip(f, 2)) return false;
  f->zs.zalloc = Z_NULL;
  f->zs.zfree = Z_NULL;
  f->zs.opaque = Z_NULL;
  if (inflateInit2(&f->zs, -MAX_WBITS) != Z_OK) return false;
  f->compressed = true;
  return true;
}

static bool vfs_start_scramble(VfsFile* f) {
  unsigned char header[VFS_SCRAMBLE_HEADER];
  int got = vfs_read_stored(f, header, VFS_SCRAMBLE_HEADER);
  if (!vfs_scramble_start(f->scrambler, header, size_t(got))) return false;
  f->scrambled = true;
  return true;
}

static void vfs_free(VfsFile* f) {
  if (f->compressed) inflateEnd(&f->zs);
  if (f->file) fclose(f->file);
  mem_free(f->in);
  mem_free(f->out);
  delete f;
}

void vfs_close(VfsFile* f) {
  if (f) vfs_free(f);
}

// Sets up the layers of a stream positioned at its data's start.
static VfsFile* vfs_start_layers(VfsFile* f, bool compressed, bool scrambled) {
  if (scrambled && !vfs_start_scramble(f)) {
    vfs_free(f);
    return nullptr;
  }
  if (compressed && !vfs_start_gzip(f)) {
    vfs_free(f);
    return nullptr;
  }
  f->position = 0;
  return f;
}

static bool vfs_file_exists(const char* path) {
  struct stat st;
  return stat(path, &st) == 0;
}

// Copies path to its first free backup name "%s.~%d~".
static bool vfs_backup(const char* path) {
  char backup[1100];
  int k = 1;
  for (; k <= 9999; ++k) {
    snprintf(backup, sizeof backup, "%s.~%d~", path, k);
    if (!vfs_file_exists(backup)) break;
  }
  if (k > 9999) return false;
  FILE* in = fopen(path, "rb");
  if (!in) return false;
  FILE* out = fopen(backup, "wb");
  if (!out) {
    fclose(in);
    return false;
  }
  bool ok = true;
  std::vector<char> chunk(65536);
  size_t n;
  while ((n = fread(chunk.data(), 1, chunk.size(), in)) > 0)
    if (fwrite(chunk.data(), 1, n, out) != n) {
      ok = false;
      break;
    }
  if (ferror(in)) ok = false;
  fclose(in);
  if (fclose(out) != 0) ok = false;
  return ok;
}

static VfsFile* vfs_open_write(const char* path, const char* mode) {
  size_t len = strlen(path);
  if (len <= VFS_PATH_MAX) vfs_make_parents(path);
  if (mode[0] == '~') {
    ++mode;
    if (len > 1000) return nullptr;
    if (vfs_file_exists(path) && !vfs_backup(path)) return nullptr;
  }
  FILE* file = fopen(path, mode);
  if (!file) return nullptr;
  VfsFile* f = vfs_new_file(file);
  f->writing = true;
  return f;
}

VfsFile* vfs_open_path(const char* path, const char* mode) {
  const char* plain_mode = mode[0] == '~' ? mode + 1 : mode;
  if (vfs_is_write_mode(plain_mode)) return vfs_open_write(path, mode);
  static const char* const suffixes[] = {"", ".gz", ".scram", ".gz.scram"};
  size_t len = strlen(path);
  for (int i = 0; i < 4; ++i) {
    std::string name = std::string(path) + suffixes[i];
    if (i > 0 && name.size() >= 1024) continue;
    if (i == 0 && len > VFS_PATH_MAX) return nullptr;
    FILE* file = fopen(name.c_str(), plain_mode);
    if (!file) continue;
    struct stat st;
    if (fstat(fileno(file), &st) != 0 || S_ISDIR(st.st_mode)) {
      fclose(file);  // a folder is not a file, whatever fopen says
      continue;
    }
    // The first candidate that opens decides, even when its layers fail.
    return vfs_start_layers(vfs_new_file(file), i == 1 || i == 3, i == 2 || i == 3);
  }
  return nullptr;
}

// Opens the index entry with the best precedence among name and its variants.
static VfsFile* vfs_open_indexed(Vfs& vfs, const char* name) {
  static const char* const suffixes[] = {"", ".gz", ".scram", ".gz.scram"};
  int best = -1, best_suffix = 0;
  for (int i = 0; i < 4; ++i) {
    std::string candidate = std::string(name) + suffixes[i];
    int k = vfs_lookup(vfs, candidate.c_str());
    if (k < 0) continue;
    if (best < 0 || vfs.index[size_t(k)].precedence < vfs.index[size_t(best)].precedence) {
      best = k;
      best_suffix = i;
    }
  }
  if (best < 0) return nullptr;
  const VfsEntry& e = vfs.index[size_t(best)];
  FILE* file = fopen(e.source.c_str(), "rb");
  if (!file) return nullptr;
  if (fseek(file, e.offset, SEEK_SET) != 0) {
    fclose(file);
    return nullptr;
  }
  VfsFile* f = vfs_new_file(file);
  f->base = e.offset;
  f->limit = e.size;
  return vfs_start_layers(f, best_suffix == 1 || best_suffix == 3, best_suffix == 2 || best_suffix == 3);
}

VfsFile* vfs_open(Vfs& vfs, const char* name, const char* mode) {
  if (name[0] != '@') return vfs_open_path(name, mode);
  const char* rest = name + 1;
  const char* plain = mode[0] == '~' ? mode + 1 : mode;
  bool writing = vfs_is_write_mode(plain);
  // Writes go to the home folder only: a home folder that refuses the file
  // must not send it into the game data instead.
  for (int i = 0; const char* folder = vfs_search_folder(vfs, i); ++i) {
    if (writing && i > 0) return nullptr;
    std::string path = std::string(folder) + rest;
    // A name that does not fit is not opened at all: cutting it could name
    // (and overwrite) a different file.
    if (path.size() > VFS_NAME_MAX) return nullptr;
    if (VfsFile* f = vfs_open_path(path.c_str(), mode)) return f;
  }
  if (writing || !vfs.index_ready) return nullptr;
  return vfs_open_indexed(vfs, rest);
}

// Inflates more data into the output window; false at the stream's end.
static bool vfs_inflate_more(VfsFile* f) {
  while (!f->at_end) {
    if (f->zs.avail_in == 0 && !vfs_refill_input(f)) {
      f->at_end = true;  // stored data ran out before the deflate stream ended
      return false;
    }
    f->zs.next_out = f->out;
    f->zs.avail_out = VFS_OUT_WINDOW;
    int rc = inflate(&f->zs, Z_NO_FLUSH);
    f->out_pos = 0;
    f->out_len = VFS_OUT_WINDOW - f->zs.avail_out;
    if (rc == Z_STREAM_END) f->at_end = true;
    else if (rc != Z_OK && rc != Z_BUF_ERROR) f->at_end = true;  // damaged data ends the stream
    if (f->out_len > 0) return true;
  }
  return false;
}

// Bytes from the stream's layers, ignoring any pushed-back byte.
static int vfs_read_raw(VfsFile* f, unsigned char* buffer, int n) {
  if (!f || f->writing || n <= 0) return 0;
  if (!f->compressed) {
    int total = 0;
    while (total < n) {
      int got = vfs_read_stored(f, buffer + total, n - total);
      if (got <= 0) break;
      total += got;
    }
    f->position += total;
    return total;
  }
  int total = 0;
  while (total < n) {
    if (f->out_pos == f->out_len && !vfs_inflate_more(f)) break;
    int take = int(f->out_len - f->out_pos);
    if (take > n - total) take = n - total;
    memcpy(buffer + total, f->out + f->out_pos, size_t(take));
    f->out_pos += unsigned(take);
    total += take;
  }
  f->position += total;
  return total;
}

int vfs_read(VfsFile* f, void* buffer, int n) {
  if (!f || n <= 0) return 0;
  unsigned char* out = (unsigned char*)buffer;
  int total = 0;
  if (f->pushed >= 0) {
    out[total++] = (unsigned char)f->pushed;
    f->pushed = -1;
  }
  return total + vfs_read_raw(f, out + total, n - total);
}

int vfs_getc(VfsFile* f) {
  unsigned char c;
  return vfs_read_raw(f, &c, 1) == 1 ? c : -1;
}

int vfs_getc_pushed(VfsFile* f) {
  if (f->pushed >= 0) {
    int c = f->pushed;
    f->pushed = -1;
    return c;
  }
  return vfs_getc(f);
}

int vfs_peekc(VfsFile* f) {
  int c = vfs_getc_pushed(f);
  f->pushed = c;
  return c;
}

int vfs_skip_space(VfsFile* f) {
  int count = 0;
  for (;;) {
    int c = vfs_getc_pushed(f);
    if (c < 0) return -1;
    if (!isspace(c)) {
      f->pushed = c;
      return count;
    }
    ++count;
  }
}

char* vfs_gets(VfsFile* f, char* buffer, int n) {
  if (n <= 0) return nullptr;
  int len = 0;
  while (len < n - 1) {
    int c = vfs_getc_pushed(f);
    if (c < 0) break;
    buffer[len++] = char(c);
    if (c == '\n') break;
  }
  buffer[len] = 0;
  return len > 0 ? buffer : nullptr;
}

int vfs_putc(VfsFile* f, int c) { return fputc(c, f->file); }
int vfs_puts(VfsFile* f, const char* text) { return fputs(text, f->file); }
int vfs_write(VfsFile* f, const void* bytes, int n) {
  return n <= 0 ? 0 : int(fwrite(bytes, 1, size_t(n), f->file));
}
int vfs_printf(VfsFile* f, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int n = vfprintf(f->file, format, args);
  va_end(args);
  return n;
}
int vfs_flush(VfsFile* f) { return fflush(f->file); }

bool vfs_seek(VfsFile* f, int position) {
  if (!f || f->compressed || f->scrambled) return false;
  if (position < 0 || position >= f->limit) return false;
  if (fseek(f->file, long(f->base) + position, SEEK_SET) != 0) return false;
  f->stored = position;
  f->position = position;
  f->pushed = -1;
  return true;
}
