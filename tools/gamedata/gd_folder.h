// The stand-in game-data folder: what it holds and where each file goes.
#pragma once
#include <string>

#include "gamedata/gd_plan.h"

// Builds the plan of the whole folder; false when a terrain cannot be made.
bool gd_folder_plan(GdPlan& plan);
// Plans and writes the folder.
bool gd_folder_write(const std::string& folder);
