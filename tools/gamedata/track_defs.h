// The tracks the generator writes.
#pragma once
#include "gamedata/track_layout.h"

// The tracks, in a fixed order; count receives how many.
const GdTrack* gd_tracks(int& count);
// The track with this folder name, or null.
const GdTrack* gd_track_find(const char* folder);
