// The generated game-data folder read back: every planned file and only
// those, each stored form, determinism; the codecs, the archive writer and
// lr-pack.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "gamedata/gd_archive.h"
#include "gamedata/gd_codec.h"
#include "gamedata/gd_folder.h"
#include "gamedata/gd_pack.h"
#include "gamedata_read.h"

namespace fs = std::filesystem;
using namespace gdtest;

namespace {

TEST_F(GeneratedFolder, ReadsBackAsPlannedAndNothingElse) {
  GdPlan plan;
  ASSERT_TRUE(gd_folder_plan(plan));
  std::map<std::string, std::vector<std::string>> order;  // archive -> stored names in plan order
  for (const GdItem& item : plan.items) {
    std::string stored = gd_item_stored_name(item);
    bool found = false;
    auto range = seen_.equal_range(item.name);
    for (auto it = range.first; it != range.second; ++it) {
      if (it->second.source != item.archive) continue;
      found = true;
      EXPECT_EQ(it->second.stored, stored);
      EXPECT_TRUE(it->second.plain == item.plain) << stored << " in '" << item.archive << "'";
    }
    EXPECT_TRUE(found) << stored << " in '" << item.archive << "'";
    if (!item.archive.empty()) order[item.archive].push_back(stored);
  }
  EXPECT_EQ(seen_.size(), plan.items.size());
  EXPECT_GE(order.size(), 2u);
  EXPECT_EQ(order.count("zzzz.saf"), 1u);
  for (const auto& [archive, names] : order) {
    std::vector<Entry> entries;
    ASSERT_TRUE(parse_archive(read_bytes(fs::path(root_) / archive), entries)) << archive;
    ASSERT_EQ(entries.size(), names.size()) << archive;
    for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(entries[i].name, names[i]) << archive;
  }
}

// Each stored form appears both loose and inside an archive, loose files sit
// at the top and in sub-folders, and one name is both loose and archived.
TEST_F(GeneratedFolder, ExercisesEveryKindOfStoredFile) {
  std::set<std::string> kinds;
  bool top = false, nested = false, shadowed = false, empty = false;
  for (const auto& [name, s] : seen_) {
    std::string suffix = s.stored.substr(name.size());
    kinds.insert((s.source.empty() ? "loose" : "archived") + suffix);
    if (s.source.empty()) (name.find('/') == std::string::npos ? top : nested) = true;
    shadowed = shadowed || seen_.count(name) > 1;
    empty = empty || (!s.source.empty() && s.plain.empty());
  }
  for (const char* where : {"loose", "archived"})
    for (const char* suffix : {"", ".gz", ".scram", ".gz.scram"})
      EXPECT_EQ(kinds.count(std::string(where) + suffix), 1u) << where << suffix;
  EXPECT_TRUE(top && nested && shadowed && empty);
}

TEST_F(GeneratedFolder, SecondRunWritesTheSameBytes) {
  std::string again = make_temp_folder();
  ASSERT_FALSE(again.empty());
  ASSERT_TRUE(gd_folder_write(again));
  size_t files = 0;
  for (const auto& f : fs::recursive_directory_iterator(root_)) {
    if (!f.is_regular_file()) continue;
    ++files;
    fs::path twin = fs::path(again) / fs::relative(f.path(), root_);
    EXPECT_TRUE(read_bytes(f.path()) == read_bytes(twin)) << twin;
  }
  size_t files_again = 0;
  for (const auto& f : fs::recursive_directory_iterator(again)) files_again += f.is_regular_file();
  EXPECT_EQ(files, files_again);
  fs::remove_all(again);
}

TEST(GamedataCodec, EveryFormDecodesToTheInput) {
  GdBytes big(200000);
  uint32_t x = 1;
  for (unsigned char& b : big) b = (unsigned char)((x = x * 1103515245u + 12345u) >> 24);
  for (const GdBytes& input : {GdBytes{}, GdBytes{'x'}, big}) {
    for (GdEncoding encoding : {GD_PLAIN, GD_GZ, GD_SCRAM, GD_GZ_SCRAM}) {
      std::string name = std::string("data") + gd_encoding_suffix(encoding);
      SCOPED_TRACE(name + " of " + std::to_string(input.size()) + " bytes");
      GdBytes stored, plain;
      ASSERT_TRUE(gd_encode(input, encoding, name, stored));
      if (encoding == GD_SCRAM || encoding == GD_GZ_SCRAM) {
        ASSERT_GE(stored.size(), 8u);
        EXPECT_EQ(memcmp(stored.data(), "LRSC", 4), 0);
      }
      if (encoding == GD_GZ) {
        ASSERT_GE(stored.size(), 10u);
        EXPECT_EQ(stored[0], 0x1f);
        EXPECT_EQ(stored[1], 0x8b);
        EXPECT_EQ(stored[4] | stored[5] | stored[6] | stored[7], 0);  // no time stamp
      }
      ASSERT_TRUE(decode(name, stored, plain));
      EXPECT_TRUE(plain == input);
    }
  }
}

TEST(GamedataArchive, RefusesNamesTheHeaderCannotCarry) {
  const std::string too_long = std::string(600, 'a');
  for (const std::string& name : {std::string(""), std::string("/abs"), std::string("a//b"),
                                  std::string("a/"), std::string("a/../b"), std::string("./a"),
                                  std::string("new\nline"), std::string(" lead"), std::string("trail "),
                                  std::string("back\\slash"), too_long}) {
    GdArchive a;
    EXPECT_FALSE(gd_archive_add(a, name, {})) << name;
    EXPECT_TRUE(a.entries.empty());
  }
  GdArchive a;
  EXPECT_TRUE(gd_archive_add(a, "tracks/x/desc", {}));
  EXPECT_TRUE(gd_archive_add(a, "with space/ok.txt", {}));
  EXPECT_FALSE(gd_archive_add(a, "Tracks/X/DESC", {}));  // the game's index ignores case
  EXPECT_EQ(a.entries.size(), 2u);
}

class PackTool : public ::testing::Test {
 protected:
  void SetUp() override {
    // Runs in root_/work, with a file beside it to reach through "..".
    root_ = make_temp_folder();
    ASSERT_FALSE(root_.empty());
    folder_ = root_ + "/work";
    fs::create_directories(folder_);
    write_bytes(fs::path(root_) / "escape", "x");
    ASSERT_TRUE(getcwd(previous_, sizeof previous_));
    ASSERT_EQ(chdir(folder_.c_str()), 0);
    write_bytes("desc", "Test Track\n");
    write_bytes("sub/heights.bin", std::string("\0\1\2\n-\n", 6));
  }
  void TearDown() override {
    EXPECT_EQ(chdir(previous_), 0);
    fs::remove_all(root_);
  }
  std::string root_, folder_;
  char previous_[4096] = {};
};

TEST_F(PackTool, PacksFilesUnderTheirRelativeNamesInOrder) {
  ASSERT_EQ(gd_pack_run({"out.saf", "sub//heights.bin", "./desc"}), 0);
  GdBytes a = read_bytes("out.saf");
  std::vector<Entry> entries;
  ASSERT_TRUE(parse_archive(a, entries));
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, "sub/heights.bin");
  EXPECT_EQ(entries[1].name, "desc");
  EXPECT_EQ(std::string(a.begin() + entries[0].offset, a.begin() + entries[0].offset + entries[0].size),
            std::string("\0\1\2\n-\n", 6));
  EXPECT_EQ(std::string(a.begin() + entries[1].offset, a.begin() + entries[1].offset + entries[1].size),
            "Test Track\n");
}

TEST_F(PackTool, ScrambledCopyDescrambles) {
  ASSERT_EQ(gd_pack_run({"--scramble", "desc", "out/desc.scram"}), 0);
  GdBytes plain;
  ASSERT_TRUE(descramble(read_bytes("out/desc.scram"), plain));
  EXPECT_EQ(text(plain), "Test Track\n");
}

TEST_F(PackTool, FailsWithoutWritingOnBadArguments) {
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"out.saf"},
      {"-v", "out.saf", "desc"},
      {"--scramble", "desc"},
      {"--scramble", "missing", "out.saf"},
      {"out.saf", "desc", "missing"},
      {"out.saf", "desc", "desc"},
      {"out.saf", "../escape"},
      {"out.saf", (fs::path(folder_) / "desc").string()},
      {"out.saf", "sub"},
  };
  for (const auto& args : bad) {
    std::string shown;
    for (const std::string& a : args) shown += " " + a;
    EXPECT_EQ(gd_pack_run(args), 1) << shown;
    EXPECT_FALSE(fs::exists("out.saf")) << shown;
  }
}

}  // namespace
