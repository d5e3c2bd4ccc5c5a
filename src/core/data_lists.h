// Name lists collected from the file index at start-up: demos, points series
// and the texture choices for rider gear, helmets, bikes and wheels.
#pragma once
#include <string>
#include <vector>

struct Vfs;

struct DemoName {
  std::string full;   // file-index name, "demos/....lrdemo"
  std::string short_name;  // after the last "/" up to the last "."
};

// One choice of a texture list: (none, "default") first, then one per image.
struct TextureChoice {
  std::string image;    // "@" + file name without a final ".scram"; "" for default
  std::string display;  // name after the prefix without ".png" / ".scram"
};

struct DataLists {
  std::vector<DemoName> demos;
  std::vector<std::string> series;  // ".series" files found
  std::vector<TextureChoice> rider_bodies, rider_heads, bike_textures, wheel_textures;
  int rider_body = 0, rider_head = 0, bike_texture = 0, wheel_texture = 0;  // selected entries
};

void data_lists_collect_demos(DataLists& d, Vfs& vfs, int verbosity);
void data_lists_collect_series(DataLists& d, Vfs& vfs);
// Builds one texture choice list for the images whose base name starts with prefix.
std::vector<TextureChoice> data_lists_textures(Vfs& vfs, const std::string& prefix);
// Index of the choice with this display text, or 0 (default).
int data_lists_find(const std::vector<TextureChoice>& list, const std::string& display);
void data_lists_free(DataLists& d);
