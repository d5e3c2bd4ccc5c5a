// Small helpers shared by the tests: temporary folders and files.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <vector>

#include <zlib.h>

// A fresh folder under /tmp, removed with everything in it at the end.
struct TempDir {
  std::string path;  // ends without "/"
  TempDir() {
    char name[] = "/tmp/lrtest-XXXXXX";
    path = mkdtemp(name);
  }
  ~TempDir() {
    std::string cmd = "rm -rf '" + path + "'";
    if (system(cmd.c_str()) != 0) {
    }
  }
  std::string operator/(const std::string& rel) const { return path + "/" + rel; }
};

inline void test_mkdirs(const std::string& path) {
  for (size_t i = 1; i < path.size(); ++i)
    if (path[i] == '/') mkdir(path.substr(0, i).c_str(), 0755);
}

inline void write_file(const std::string& path, const std::string& data) {
  test_mkdirs(path);
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) abort();
  fwrite(data.data(), 1, data.size(), f);
  fclose(f);
}

inline std::string read_file(const std::string& path) {
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return "<missing>";
  std::string out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  fclose(f);
  return out;
}

inline bool file_exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

// A raw deflate stream of data.
inline std::string deflate_raw(const std::string& data) {
  z_stream zs{};
  deflateInit2(&zs, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(compressBound(uLong(data.size())) + 64, '\0');
  zs.next_in = (Bytef*)data.data();
  zs.avail_in = uInt(data.size());
  zs.next_out = (Bytef*)out.data();
  zs.avail_out = uInt(out.size());
  deflate(&zs, Z_FINISH);
  out.resize(zs.total_out);
  deflateEnd(&zs);
  return out;
}

// A gzip file image with optional header fields (extra bytes, name, comment,
// header CRC) before the deflate data; the trailer is left off when asked.
inline std::string gzip_bytes(const std::string& data, size_t extra = 0, const std::string& name = "",
                              const std::string& comment = "", bool hcrc = false) {
  std::string out = {char(31), char(139), char(8)};
  int flags = (extra ? 4 : 0) | (!name.empty() ? 8 : 0) | (!comment.empty() ? 16 : 0) | (hcrc ? 2 : 0);
  out.push_back(char(flags));
  out.append(6, '\0');
  if (extra) {
    out.push_back(char(extra & 255));
    out.push_back(char(extra >> 8));
    out.append(extra, 'x');
  }
  if (!name.empty()) out += name + std::string(1, '\0');
  if (!comment.empty()) out += comment + std::string(1, '\0');
  if (hcrc) out.append(2, '\0');
  out += deflate_raw(data);
  uLong crc = crc32(0, (const Bytef*)data.data(), uInt(data.size()));
  for (int i = 0; i < 4; ++i) out.push_back(char(crc >> (8 * i)));
  for (int i = 0; i < 4; ++i) out.push_back(char(data.size() >> (8 * i)));
  return out;
}

// The X window id of the first window whose title matches, asked of
// xdotool; "" when there is none.
inline std::string xdotool_window_id(const char* title) {
  std::string cmd = std::string("timeout 10 xdotool search --name '") + title + "' 2>/dev/null";
  FILE* p = popen(cmd.c_str(), "r");
  char line[64] = "";
  if (p && !fgets(line, sizeof line, p)) line[0] = 0;
  if (p) pclose(p);
  std::string id = line;
  while (!id.empty() && (id.back() == '\n' || id.back() == ' ')) id.pop_back();
  return id;
}

// A shell command's exit status (128 + signal when killed) and its output.
struct CommandRun {
  int status = -1;
  std::string out;
};
inline CommandRun run_command(const std::string& cmd) {
  CommandRun r;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128;
  return r;
}
