#include "gamedata/gd_pack.h"

#include <cstdio>

#include "gamedata/gd_archive.h"
#include "gamedata/gd_codec.h"
#include "gamedata/gd_file.h"

static int usage() {
  fprintf(stderr,
          "usage: lr-pack OUT.saf FILE...    pack files (names relative to this folder)\n"
          "       lr-pack --scramble IN OUT  write a scrambled copy of IN\n");
  return 1;
}

// The stored name of a file argument: "\" read as "/", a leading "./" and
// repeated "/" dropped. Absolute names and ".." parts are refused by the
// archive writer.
static std::string entry_name(const std::string& arg) {
  std::string name;
  for (char c : arg) {
    if (c == '\\') c = '/';
    if (c == '/' && !name.empty() && name.back() == '/') continue;
    name += c;
  }
  while (name.size() > 2 && name.compare(0, 2, "./") == 0) name.erase(0, 2);
  return name;
}

static std::string base_name(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

static int scramble(const std::string& in, const std::string& out) {
  GdBytes plain, stored;
  if (!gd_read_file(in, plain)) return 1;
  gd_scramble(plain.data(), plain.size(), gd_scramble_seed(base_name(out)), stored);
  return gd_write_file(out, stored) ? 0 : 1;
}

static int pack(const std::string& out, const std::vector<std::string>& files) {
  GdArchive archive;
  for (const std::string& file : files) {
    GdBytes data;
    if (!gd_read_file(file, data)) return 1;
    std::string name = entry_name(file);
    if (!gd_archive_add(archive, name, std::move(data))) {
      fprintf(stderr, "can't store '%s': the name is not a plain relative name, or is given twice\n",
              file.c_str());
      return 1;
    }
  }
  GdBytes bytes;
  if (!gd_archive_bytes(archive, bytes)) {
    fprintf(stderr, "'%s' would be too large\n", out.c_str());
    return 1;
  }
  return gd_write_file(out, bytes) ? 0 : 1;
}

int gd_pack_run(const std::vector<std::string>& args) {
  if (args.empty()) return usage();
  if (args[0] == "--scramble") return args.size() == 3 ? scramble(args[1], args[2]) : usage();
  if (args[0].empty() || args[0][0] == '-' || args.size() < 2) return usage();
  return pack(args[0], std::vector<std::string>(args.begin() + 1, args.end()));
}
