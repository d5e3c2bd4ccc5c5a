// The tracks found in the file index: every folder holding a "terrain.hf"
// (plain, ".gz", ".scram" or ".gz.scram").
#pragma once
#include <string>
#include <vector>

struct Vfs;

struct TrackInfo {
  std::string folder;        // folder name, e.g. "tracks/claypit"; what settings store
  std::string display_name;  // first line of the folder's "desc", else the folder name
};

struct TrackList {
  std::vector<TrackInfo> tracks;  // sorted by display name, case-insensitively
};

// Builds the list from the file index; returns the number of tracks. Logs
// "%s -> %s\n" (folder, display name) for each at verbosity 1 or more.
int tracks_scan(TrackList& list, Vfs& vfs, int verbosity);
// Index of the track with this folder name (exact, then case-insensitive), or -1.
int tracks_find(const TrackList& list, const std::string& folder);
