#include "platform/log.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

#include "test_util.h"

TEST(LogStamp, FormatsHoursMinutesSecondsHundredths) {
  struct Case {
    int64_t seconds;
    int32_t micros;
    const char* want;
  } cases[] = {
      {3725, 500000, "[1:02:05.50] "},
      {0, 0, "[0:00:00.00] "},
      {59, 999999, "[0:00:59.99] "},
      {360000, 10000, "[100:00:00.01] "},  // hours are not wrapped
  };
  for (const Case& c : cases) {
    char buf[48];
    log_format_stamp(buf, sizeof buf, c.seconds, c.micros);
    EXPECT_STREQ(buf, c.want) << c.seconds;
  }
}

class LogFile : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("KELP_LOGFILE");
    unsetenv("KELP_LOGFILE_FLAGS");
  }
  void TearDown() override {
    unsetenv("KELP_LOGFILE");
    unsetenv("KELP_LOGFILE_FLAGS");
  }
  TempDir dir;
};

// Strips the time stamps so lines can be compared.
static std::string unstamped(const std::string& text) {
  return std::regex_replace(text, std::regex(R"(\[\d+:\d\d:\d\d\.\d\d\] )"), "");
}

TEST_F(LogFile, RequestOpensNamedFileWithHeaderAndStampedLines) {
  LogState log;
  std::string path = dir / "lastlog.txt";
  log_to(log, "KELP_LOGFILE=%s", path.c_str());
  log_to(log, "Loamrun version %s\n", "x");
  log_to(log, "\x13hidden line\n");
  log_to(log, nullptr);
  log_to(log, "after close\n");
  std::string text = read_file(path);
  EXPECT_EQ(unstamped(text), "Logfile \"" + path + "\" opened\nKELP 0.31\nLoamrun version x\n");
  EXPECT_TRUE(std::regex_search(text, std::regex(R"(^\[\d+:\d\d:\d\d\.\d\d\] Logfile)")));
}

TEST_F(LogFile, EnvironmentNameWithAppendPrefixWinsOverTheRequest) {
  std::string env_path = dir / "env.txt";
  write_file(env_path, "old line\n");
  setenv("KELP_LOGFILE", (">>" + env_path).c_str(), 1);
  LogState log;
  log_to(log, "KELP_LOGFILE=%s", (dir / "asked.txt").c_str());
  log_to(log, "hello\n");
  log_to(log, nullptr);
  EXPECT_FALSE(file_exists(dir / "asked.txt"));
  EXPECT_EQ(unstamped(read_file(env_path)), "old line\nLogfile \"" + env_path + "\" opened\nKELP 0.31\nhello\n");
}

TEST_F(LogFile, FlagsReplaceTheMode) {
  std::string path = dir / "log.txt";
  write_file(path, "kept\n");
  setenv("KELP_LOGFILE_FLAGS", "a", 1);
  LogState log;
  log_to(log, "KELP_LOGFILE=>%s", path.c_str());  // ">" would truncate, the flags say append
  log_to(log, nullptr);
  EXPECT_EQ(read_file(path).substr(0, 5), "kept\n");
}

TEST_F(LogFile, FirstMessageThatIsNoRequestLeavesLoggingOff) {
  LogState log;
  log_to(log, "early message\n");
  log_to(log, "KELP_LOGFILE=%s", (dir / "late.txt").c_str());
  log_to(log, "more\n");
  EXPECT_FALSE(file_exists(dir / "late.txt"));
  EXPECT_EQ(log.file, nullptr);
}

TEST_F(LogFile, FirstOtherMessageIsLoggedAfterTheHeaderWhenEnvironmentNamesAFile) {
  std::string path = dir / "env.txt";
  setenv("KELP_LOGFILE", path.c_str(), 1);
  LogState log;
  log_to(log, "first\n");
  log_to(log, nullptr);
  EXPECT_EQ(unstamped(read_file(path)), "Logfile \"" + path + "\" opened\nKELP 0.31\nfirst\n");
}

TEST_F(LogFile, UnopenableFileLeavesLoggingOffQuietly) {
  LogState log;
  log_to(log, "KELP_LOGFILE=%s", (dir / "no/such/folder/log.txt").c_str());
  log_to(log, "line\n");
  EXPECT_EQ(log.file, nullptr);
}

TEST_F(LogFile, LongLinesAreWrittenWhole) {
  LogState log;
  std::string path = dir / "long.txt";
  log_to(log, "KELP_LOGFILE=%s", path.c_str());
  std::string big(5000, 'q');
  log_to(log, "%s\n", big.c_str());
  log_to(log, nullptr);
  EXPECT_NE(read_file(path).find(big + "\n"), std::string::npos);
}
