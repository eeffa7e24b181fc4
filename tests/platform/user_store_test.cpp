#include "platform/user_store.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

namespace kx::platform {
namespace {

namespace fs = std::filesystem;
constexpr const char* kKey = "Software\\Halvex\\Korvalinx\\Settings";

class UserStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "kx-userstore-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
    path_ = (dir_ / "korvalinx" / "registry.json").string();
  }
  void TearDown() override { fs::remove_all(dir_); }

  static std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::vector<fs::path> CorruptCopies() const {
    std::vector<fs::path> found;
    for (const auto& e : fs::directory_iterator(fs::path(path_).parent_path()))
      if (e.path().filename().string().rfind("registry.json.corrupt-", 0) == 0)
        found.push_back(e.path());
    return found;
  }

  fs::path dir_;
  std::string path_;
};

TEST_F(UserStoreTest, ValuesSurviveInTheFileAsWritten) {
  {
    UserRegistryStore store(path_);
    std::string name = "Müller-Łukasz", empty, withZero("a\0b", 3);
    EXPECT_TRUE(SetRegString(store, HKEY_CURRENT_USER, kKey, "Calendar", name));
    EXPECT_TRUE(SetRegString(store, HKEY_CURRENT_USER, kKey, "ResourceFilter", empty));
    EXPECT_TRUE(SetRegString(store, HKEY_CURRENT_USER, kKey, "Zero", withZero));
    EXPECT_TRUE(store.Write(HKEY_CURRENT_USER, kKey, "Number", {REG_DWORD, "", 0xFFFFFFFEu}));
    EXPECT_TRUE(store.Write(HKEY_CURRENT_USER, kKey, "Expand", {REG_EXPAND_SZ, "%APPDATA%", 0}));
    std::string overwritten = "7";
    EXPECT_TRUE(SetRegString(store, HKEY_CURRENT_USER, kKey, "COLOR", overwritten));
    overwritten = "8";
    EXPECT_TRUE(SetRegString(store, HKEY_CURRENT_USER, kKey, "Color", overwritten));
  }
  UserRegistryStore store(path_);  // a new object reads the file
  EXPECT_EQ(GetRegString(store, HKEY_CURRENT_USER, kKey, "Calendar"), "Müller-Łukasz");
  EXPECT_EQ(GetRegString(store, HKEY_CURRENT_USER, kKey, "ResourceFilter"), " ");
  EXPECT_EQ(GetRegString(store, HKEY_CURRENT_USER, kKey, "Zero"), "a");
  EXPECT_EQ(store.Read(HKEY_CURRENT_USER, kKey, "Zero")->text, std::string("a\0b", 3));
  EXPECT_EQ(GetRegString(store, HKEY_CURRENT_USER, kKey, "Number"), "-2");
  EXPECT_EQ(GetRegString(store, HKEY_CURRENT_USER, kKey, "Expand"), "%APPDATA%");
  EXPECT_EQ(
      GetRegString(store, HKEY_CURRENT_USER, "SOFTWARE\\halvex\\Korvalinx\\Settings", "color"),
      "8");

  // The file keeps the key path with its backslashes, one value per name, readable UTF-8.
  const auto doc = nlohmann::json::parse(Slurp(path_));
  const auto& key = doc.at("HKEY_CURRENT_USER").at(kKey);
  EXPECT_EQ(key.size(), 6u);
  EXPECT_EQ(key.at("COLOR").at("data"), "8");
  EXPECT_NE(Slurp(path_).find("Müller-Łukasz"), std::string::npos);
}

TEST_F(UserStoreTest, ReadingCreatesNothingAndLimitsApply) {
  UserRegistryStore store(path_);
  EXPECT_EQ(GetRegString(store, HKEY_CURRENT_USER, kKey, "Color"), "");
  EXPECT_FALSE(store.KeyExists(HKEY_CURRENT_USER, kKey));
  EXPECT_FALSE(fs::exists(fs::path(path_).parent_path()));

  std::string fits(1023, 'x'), tooLong(1024, 'x');
  SetRegString(store, HKEY_CURRENT_USER, kKey, "Fits", fits);
  SetRegString(store, HKEY_CURRENT_USER, kKey, "TooLong", tooLong);
  EXPECT_EQ(GetRegString(store, HKEY_CURRENT_USER, kKey, "Fits"), fits);
  EXPECT_EQ(GetRegString(store, HKEY_CURRENT_USER, kKey, "TooLong"), "");
  EXPECT_TRUE(store.KeyExists(HKEY_CURRENT_USER, kKey));
  EXPECT_FALSE(store.KeyExists(HKEY_CURRENT_USER, "Software\\Halvex"));
}

TEST_F(UserStoreTest, RefusedWritesLeaveTheFileAlone) {
  UserRegistryStore store(path_);
  std::string v = "1";
  ASSERT_TRUE(SetRegString(store, HKEY_CURRENT_USER, kKey, "PlanType", v));
  const std::string before = Slurp(path_);
  std::string invalidUtf8 = "M\xFCller";
  EXPECT_FALSE(SetRegString(store, HKEY_CURRENT_USER, kKey, "Calendar", invalidUtf8));
  EXPECT_FALSE(SetRegString(store, HKEY_LOCAL_MACHINE, kKey, "PlanType", v));
  EXPECT_EQ(Slurp(path_), before);
  EXPECT_EQ(GetRegString(store, HKEY_LOCAL_MACHINE, kKey, "PlanType"), "");

  UserRegistryStore nowhere("");
  EXPECT_FALSE(SetRegString(nowhere, HKEY_CURRENT_USER, kKey, "PlanType", v));
  // A folder where the file should be: not readable as a file, so nothing is written.
  fs::create_directories(dir_ / "blocked" / "registry.json");
  UserRegistryStore blocked((dir_ / "blocked" / "registry.json").string());
  EXPECT_FALSE(SetRegString(blocked, HKEY_CURRENT_USER, kKey, "PlanType", v));
  EXPECT_TRUE(fs::is_directory(dir_ / "blocked" / "registry.json"));
}

TEST_F(UserStoreTest, CorruptFileReadsEmptyAndIsKeptAsideAtTheNextWrite) {
  for (const std::string garbage :
       {"{\"HKEY_CURRENT_USER\": {\"Software", "", "[1, 2, 3]", "{\"HKEY_CURRENT_USER\": 5}"}) {
    fs::remove_all(fs::path(path_).parent_path());
    fs::create_directories(fs::path(path_).parent_path());
    std::ofstream(path_, std::ios::binary) << garbage;

    UserRegistryStore store(path_);
    std::vector<std::string> warnings;
    store.OnWarning([&](const std::string& text) { warnings.push_back(text); });
    EXPECT_EQ(GetRegString(store, HKEY_CURRENT_USER, kKey, "Color"), "") << garbage;
    EXPECT_FALSE(store.KeyExists(HKEY_CURRENT_USER, kKey));
    EXPECT_TRUE(CorruptCopies().empty()) << "a read must not move the file";
    // Said once however often it is read, naming the file.
    ASSERT_EQ(warnings.size(), 1u) << garbage;
    EXPECT_EQ(warnings[0].rfind(path_ + ": die gespeicherten Einstellungen sind beschädigt (", 0),
              0u)
        << warnings[0];

    std::string v = "5";
    ASSERT_TRUE(SetRegString(store, HKEY_CURRENT_USER, kKey, "Color", v)) << garbage;
    const auto copies = CorruptCopies();
    ASSERT_EQ(copies.size(), 1u) << garbage;
    EXPECT_EQ(store.SetAsidePath(), copies[0].string());
    EXPECT_EQ(Slurp(copies[0]), garbage);
    EXPECT_EQ(GetRegString(store, HKEY_CURRENT_USER, kKey, "Color"), "5");
    ASSERT_EQ(warnings.size(), 2u) << garbage;
    EXPECT_NE(warnings[1].find("aufbewahrt"), std::string::npos) << warnings[1];
    EXPECT_NE(warnings[1].find("\"" + copies[0].string() + "\""), std::string::npos) << warnings[1];
  }
  // Kept by a write that comes first, with the reason.
  std::ofstream(path_, std::ios::binary | std::ios::trunc) << "{\"HKEY_CURRENT_USER\": [";
  {
    UserRegistryStore store(path_);
    std::vector<std::string> warnings;
    store.OnWarning([&](const std::string& text) { warnings.push_back(text); });
    std::string v = "7";
    ASSERT_TRUE(SetRegString(store, HKEY_CURRENT_USER, kKey, "Color", v));
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0], path_ +
                               ": die gespeicherten Einstellungen sind beschädigt (kein gültiges "
                               "JSON, Fehler an Byte 24); die Datei wurde als \"" +
                               store.SetAsidePath() + "\" aufbewahrt und wird neu angelegt");
  }
  // A second corrupt file within the same second does not replace the first copy.
  std::ofstream(path_, std::ios::binary | std::ios::trunc) << "kaputt";
  UserRegistryStore store(path_);
  std::string v = "6";
  ASSERT_TRUE(SetRegString(store, HKEY_CURRENT_USER, kKey, "Color", v));
  EXPECT_GE(CorruptCopies().size(), 3u);
}

// A named pipe in the store's place is refused, never waited on (were it waited on, the alarm
// would end the test program).
TEST_F(UserStoreTest, APipeAsTheFileIsRefusedWithoutWaitingOnIt) {
  fs::create_directories(fs::path(path_).parent_path());
  ASSERT_EQ(::mkfifo(path_.c_str(), 0600), 0);
  ::alarm(20);
  UserRegistryStore store(path_);
  EXPECT_EQ(store.Refusal(), path_ +
                                 ": ist keine gewöhnliche Datei, sondern eine benannte Pipe "
                                 "(FIFO), und wird nicht gelesen");
  EXPECT_EQ(GetRegString(store, HKEY_CURRENT_USER, kKey, "Color"), "");
  std::string v = "5";
  EXPECT_FALSE(SetRegString(store, HKEY_CURRENT_USER, kKey, "Color", v));
  ::alarm(0);
  EXPECT_TRUE(fs::is_fifo(path_));
  EXPECT_TRUE(CorruptCopies().empty());
  EXPECT_EQ(UserRegistryStore((dir_ / "fehlt.json").string()).Refusal(), "");
}

TEST_F(UserStoreTest, SingleMalformedValuesReadAsMissingAndStay) {
  fs::create_directories(fs::path(path_).parent_path());
  std::ofstream(path_) << R"({"HKEY_CURRENT_USER": {"Software\\Halvex\\Korvalinx\\Settings":
      {"Color": {"type": 1, "data": 5}, "PlanType": {"type": 1, "data": "1"}}},
      "Notiz": "bleibt"})";
  UserRegistryStore store(path_);
  EXPECT_EQ(GetRegString(store, HKEY_CURRENT_USER, kKey, "Color"), "");
  EXPECT_EQ(GetRegString(store, HKEY_CURRENT_USER, kKey, "PlanType"), "1");
  std::string v = "2";
  ASSERT_TRUE(SetRegString(store, HKEY_CURRENT_USER, kKey, "PlanDuration", v));
  EXPECT_TRUE(CorruptCopies().empty());
  EXPECT_EQ(nlohmann::json::parse(Slurp(path_)).at("Notiz"), "bleibt");
}

TEST_F(UserStoreTest, TwoProcessesWritingAtTheSameTimeKeepAllTheirValues) {
  constexpr int kValues = 1000;
  std::vector<pid_t> children;
  for (const char* prefix : {"A", "B"}) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      UserRegistryStore store(path_);
      int failures = 0;
      for (int i = 0; i < kValues; ++i) {
        std::string data = std::string(prefix) + "-" + std::to_string(i) + "-ä";
        if (!SetRegString(store, HKEY_CURRENT_USER, kKey, prefix + std::to_string(i), data))
          ++failures;
      }
      ::_exit(failures == 0 ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  // One parse of the file instead of 2,000 reads, each of which parses it.
  const auto key = nlohmann::json::parse(Slurp(path_)).at("HKEY_CURRENT_USER").at(kKey);
  EXPECT_EQ(key.size(), 2u * kValues);
  int missing = 0;
  for (const char* prefix : {"A", "B"})
    for (int i = 0; i < kValues; ++i) {
      const auto value = key.find(prefix + std::to_string(i));
      if (value == key.end() ||
          value->at("data") != std::string(prefix) + "-" + std::to_string(i) + "-ä")
        ++missing;
    }
  EXPECT_EQ(missing, 0);
  UserRegistryStore store(path_);
  EXPECT_EQ(GetRegString(store, HKEY_CURRENT_USER, kKey, "B999"), "B-999-ä");
  EXPECT_TRUE(CorruptCopies().empty());
  for (const auto& e : fs::directory_iterator(fs::path(path_).parent_path()))
    EXPECT_EQ(e.path().filename().string().find(".tmp-"), std::string::npos) << e.path();
}

TEST(UserStorePath, FollowsXdgConfigHomeElseHome) {
  const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
  const char* oldHome = std::getenv("HOME");
  const std::string savedXdg = oldXdg ? oldXdg : "", savedHome = oldHome ? oldHome : "";

  ::setenv("XDG_CONFIG_HOME", "/srv/conf", 1);
  EXPECT_EQ(UserRegistryStore::DefaultPath(), "/srv/conf/korvalinx/registry.json");
  ::setenv("XDG_CONFIG_HOME", "relativ", 1);  // not absolute: ignored
  ::setenv("HOME", "/home/erika", 1);
  EXPECT_EQ(UserRegistryStore::DefaultPath(), "/home/erika/.config/korvalinx/registry.json");
  ::unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(UserRegistryStore::DefaultPath(), "/home/erika/.config/korvalinx/registry.json");

  if (oldXdg) ::setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
  if (oldHome)
    ::setenv("HOME", savedHome.c_str(), 1);
  else
    ::unsetenv("HOME");
}

}  // namespace
}  // namespace kx::platform
