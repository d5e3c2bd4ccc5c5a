// Folders and the desktop shell.
#pragma once
#include <string>

// "$XDG_DATA_HOME/Loamrun/", else "$HOME/.local/share/Loamrun/"; empty when
// neither variable gives a folder.
std::string platform_home_folder();
// The folder holding the running executable, ending in "/"; empty if unknown.
std::string platform_exe_folder();
// Creates one folder; true when it exists afterwards.
bool platform_make_dir(const char* path);
// Asks the desktop to show a folder (xdg-open), without waiting for it.
bool platform_open_folder(const char* path);
