// Formatted text appended to a string, for the writers of track files.
#pragma once
#include <string>

void track_appendf(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
