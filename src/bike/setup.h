// The player's bike and rider setup: the setup keys with their defaults and
// ranges, read from and written to "key=value" lines (inside "@config" and
// in the setup files of "@setups/").
#pragma once
#include <string>
#include <vector>

struct Vfs;
struct VfsFile;

enum SetupKind { SETUP_NUMBER, SETUP_CHOICE, SETUP_TEXT };

// One setup key.
struct SetupKey {
  const char* key;           // text before "=" in the file
  SetupKind kind;
  double default_value;      // numbers: the default; choices: the default index
  double step, min, max;     // numbers: menu step and the clamp range
  std::vector<const char*> choices;  // choices: the texts in order
  int max_length;            // texts: characters kept
  const char* default_text;  // texts: the default
};

// The setup keys in writing order.
const std::vector<SetupKey>& setup_keys();
// Index of a key in setup_keys(), or -1.
int setup_key_index(const char* key);

struct Setup {
  std::vector<double> numbers;     // per key: the number (SETUP_NUMBER) or choice index (SETUP_CHOICE)
  std::vector<std::string> texts;  // per key: the text (SETUP_TEXT), else empty
};

// Every key at its default (stability 100 gives the advanced defaults).
void setup_defaults(Setup& s);
// Interprets one key and value (the value without its line end); true when
// the key is a setup key, even if the value did not convert.
bool setup_read(Setup& s, const char* key, const char* value);
// Writes every key as "key=value\n" in table order; false when a write fails
// or the setup was never given its defaults.
bool setup_write(const Setup& s, VfsFile* f);
// Recomputes the fifteen advanced keys (leveling .. restricted_lock) from a
// stability value 0..100; a value that is not a number changes nothing.
void setup_apply_stability(Setup& s, double stability);

// Setup files: "@setups/" followed by name (blanks around it removed). Reading
// passes every line holding a "=" to setup_read and posts "Setup updated", or
// "Error reading setup" when the file cannot be opened; writing posts "Setup
// written" or "Error writing setup". Names that are empty or climb out of the
// folder through a ".." part are refused with the same error messages.
bool setup_file_read(Setup& s, Vfs& vfs, const char* name);
bool setup_file_write(const Setup& s, Vfs& vfs, const char* name);

// Accessors by key name (no check beyond a missing key giving 0 / "").
double setup_number(const Setup& s, const char* key);
void setup_set_number(Setup& s, const char* key, double value);
const char* setup_choice(const Setup& s, const char* key);
const std::string& setup_text(const Setup& s, const char* key);

// The 80 bike model names in catalogue order.
const std::vector<const char*>& bike_model_names();
// A legacy name (crf250, kx250f, rmz250, yz250f) as the model it stands for; others unchanged.
const char* bike_legacy_name(const char* name);
