// The run record's file: lines appended run after run, and a new file begun at 1 MB.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <string>

#include "update/RunRecord.h"

namespace {
std::string Contents(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}
}  // namespace

TEST(RunRecordTest, AFileOfOneMegabyteBecomesTheOnlyOldRecord) {
  char temp[MAX_PATH];
  ASSERT_NE(::GetTempPathA(sizeof temp, temp), 0u);
  const std::string base = std::string(temp) + "zk-run-record";
  const std::string folder = base + "\\Haldren\\ZK-4100 Update";
  for (const std::string& path : {base, base + "\\Haldren", folder}) ::CreateDirectoryA(path.c_str(), nullptr);
  const std::string log = folder + "\\update.log", old = folder + "\\update.old.log";
  std::ofstream(log, std::ios::binary) << std::string(1024 * 1024, 'x');
  std::ofstream(old, std::ios::binary) << "an older record";
  ASSERT_TRUE(::SetEnvironmentVariableA("LOCALAPPDATA", base.c_str()));

  CRunRecord record;
  for (int run : {1, 2}) {  // the first run finds 1 MB, the second its own short file
    record.Open();
    record.Write("run %d", run);
    record.Close();
  }
  EXPECT_EQ(Contents(old), std::string(1024 * 1024, 'x'));
  const std::string stamp = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} )";
  EXPECT_TRUE(std::regex_match(Contents(log), std::regex(stamp + "run 1\r\n" + stamp + "run 2\r\n"))) << Contents(log);

  for (const std::string& path : {log, old}) ::DeleteFileA(path.c_str());
  for (const std::string& path : {folder, base + "\\Haldren", base}) ::RemoveDirectoryA(path.c_str());
}
