#include "gamedata/gd_plan.h"

#include <cstdio>

#include "gamedata/gd_archive.h"
#include "gamedata/gd_file.h"

void gd_plan_add(GdPlan& plan, const std::string& archive, const std::string& name, GdEncoding encoding,
                 GdBytes plain) {
  plan.items.push_back({archive, name, encoding, std::move(plain)});
}

void gd_plan_add_text(GdPlan& plan, const std::string& archive, const std::string& name,
                      GdEncoding encoding, const std::string& text) {
  gd_plan_add(plan, archive, name, encoding, GdBytes(text.begin(), text.end()));
}

std::string gd_item_stored_name(const GdItem& item) { return item.name + gd_encoding_suffix(item.encoding); }

static bool write_archive(const GdPlan& plan, const std::string& archive, const std::string& folder) {
  GdArchive a;
  for (const GdItem& item : plan.items) {
    if (item.archive != archive) continue;
    std::string stored = gd_item_stored_name(item);
    GdBytes bytes;
    if (!gd_encode(item.plain, item.encoding, stored, bytes)) {
      fprintf(stderr, "can't encode '%s'\n", stored.c_str());
      return false;
    }
    if (!gd_archive_add(a, stored, std::move(bytes))) {
      fprintf(stderr, "can't store '%s' in '%s'\n", stored.c_str(), archive.c_str());
      return false;
    }
  }
  GdBytes bytes;
  if (!gd_archive_bytes(a, bytes)) {
    fprintf(stderr, "'%s' is too large\n", archive.c_str());
    return false;
  }
  return gd_write_file(folder + "/" + archive, bytes);
}

bool gd_plan_write(const GdPlan& plan, const std::string& folder) {
  std::vector<std::string> archives;
  for (const GdItem& item : plan.items) {
    if (item.archive.empty()) {
      if (!gd_write_encoded(folder, item.name, item.plain, item.encoding)) return false;
      continue;
    }
    bool seen = false;
    for (const std::string& a : archives) seen = seen || a == item.archive;
    if (!seen) archives.push_back(item.archive);
  }
  for (const std::string& a : archives)
    if (!write_archive(plan, a, folder)) return false;
  return true;
}
