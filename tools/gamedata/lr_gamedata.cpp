// lr-gamedata OUTDIR: writes the stand-in game-data folder.
#include <cstdio>

#include "gamedata/gd_folder.h"

int main(int argc, char** argv) {
  if (argc != 2 || argv[1][0] == '-') {
    fprintf(stderr, "usage: lr-gamedata OUTDIR    write the game-data folder into OUTDIR\n");
    return 1;
  }
  return gd_folder_write(argv[1]) ? 0 : 1;
}
