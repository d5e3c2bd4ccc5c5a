#include "gamedata/gd_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

bool gd_read_file(const std::string& path, GdBytes& out) {
  out.clear();
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) {
    fprintf(stderr, "can't open '%s': %s\n", path.c_str(), strerror(errno));
    return false;
  }
  unsigned char buffer[65536];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, f)) > 0) out.insert(out.end(), buffer, buffer + got);
  bool ok = !ferror(f);
  fclose(f);
  if (!ok) fprintf(stderr, "can't read '%s'\n", path.c_str());
  return ok;
}

bool gd_write_file(const std::string& path, const GdBytes& data) {
  std::filesystem::path parent = std::filesystem::path(path).parent_path();
  std::error_code ec;
  if (!parent.empty()) std::filesystem::create_directories(parent, ec);
  if (ec) {
    fprintf(stderr, "can't make folder '%s': %s\n", parent.c_str(), ec.message().c_str());
    return false;
  }
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) {
    fprintf(stderr, "can't write '%s': %s\n", path.c_str(), strerror(errno));
    return false;
  }
  bool ok = fwrite(data.data(), 1, data.size(), f) == data.size();
  ok = fclose(f) == 0 && ok;
  if (!ok) {
    fprintf(stderr, "can't write '%s'\n", path.c_str());
    if (std::filesystem::is_regular_file(path, ec)) remove(path.c_str());
  }
  return ok;
}

bool gd_write_encoded(const std::string& folder, const std::string& name, const GdBytes& plain,
                      GdEncoding encoding) {
  std::string stored = name + gd_encoding_suffix(encoding);
  GdBytes bytes;
  if (!gd_encode(plain, encoding, stored, bytes)) {
    fprintf(stderr, "can't encode '%s'\n", stored.c_str());
    return false;
  }
  return gd_write_file(folder + "/" + stored, bytes);
}
