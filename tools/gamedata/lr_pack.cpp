#include <string>
#include <vector>

#include "gamedata/gd_pack.h"

int main(int argc, char** argv) { return gd_pack_run(std::vector<std::string>(argv + 1, argv + argc)); }
