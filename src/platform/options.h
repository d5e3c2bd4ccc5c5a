// Platform switches read from the environment variable KELP_OPTIONS, written
// as items "[name:value]", for example "[threaded:on][sound-rate:44100]".
#pragma once

// Read from the process's KELP_OPTIONS (read once, kept).
int option_bool(const char* name, int default_value);
int option_int(const char* name, int default_value);

// The same rules over a given options text (for tests and tools).
int options_text_bool(const char* text, const char* name, int default_value);
int options_text_int(const char* text, const char* name, int default_value);
