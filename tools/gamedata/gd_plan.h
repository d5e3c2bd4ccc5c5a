// A game-data folder to write: every file with its plain content, the form
// it is stored in and where it goes, loose in the folder or inside one of
// the folder's archives.
#pragma once
#include <string>
#include <vector>

#include "gamedata/gd_codec.h"

struct GdItem {
  std::string archive;  // archive file at the top of the folder, or "" for a loose file
  std::string name;     // plain name, "/"-separated ("tracks/claypit/terrain.hf")
  GdEncoding encoding;  // the stored name is name + its suffix
  GdBytes plain;        // content as the game reads it
};

struct GdPlan {
  std::vector<GdItem> items;  // archive entries keep this order
};

void gd_plan_add(GdPlan& plan, const std::string& archive, const std::string& name, GdEncoding encoding,
                 GdBytes plain);
void gd_plan_add_text(GdPlan& plan, const std::string& archive, const std::string& name,
                      GdEncoding encoding, const std::string& text);
std::string gd_item_stored_name(const GdItem& item);
// Writes every file and archive under folder (made when missing). Files
// already there are overwritten; others are left alone.
bool gd_plan_write(const GdPlan& plan, const std::string& folder);
