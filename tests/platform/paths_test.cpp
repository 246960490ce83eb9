// Where settings, the person's files and the program's own files are found:
// the base directory variables and their defaults, BRIMWICK_HOME narrowing
// to the person's side, the installed data directory beside bin/, the
// lookup that prefers the person's files, and the one-time takeover of
// settings that an earlier version kept beside the program.
#include "platform/paths.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "platform/xdg_directories.h"
#include "temp_dir.h"

namespace brimwick::platform {
namespace {

using brimwick::testing::TempDir;

constexpr std::array<const char*, 5> kVariables = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME",
                                                   "XDG_STATE_HOME", kHomeVariable};

// Sets the variables of one case and puts the old values back afterwards.
class PathsTest : public ::testing::Test {
  protected:
    PathsTest() {
        for (std::size_t i = 0; i < kVariables.size(); ++i) {
            const char* v = std::getenv(kVariables[i]);
            saved_[i] = v ? std::optional<std::string>(v) : std::nullopt;
            ::unsetenv(kVariables[i]);
        }
    }
    ~PathsTest() override {
        for (std::size_t i = 0; i < kVariables.size(); ++i) {
            if (saved_[i])
                ::setenv(kVariables[i], saved_[i]->c_str(), 1);
            else
                ::unsetenv(kVariables[i]);
        }
    }
    static void set(const char* name, const char* value) {
        if (value == nullptr)
            ::unsetenv(name);
        else
            ::setenv(name, value, 1);
    }

  private:
    std::array<std::optional<std::string>, kVariables.size()> saved_;
};

TEST_F(PathsTest, SettingsDataAndStateFollowTheBaseDirectories) {
    struct Case {
        const char* home;
        const char* config;
        const char* data;
        const char* state;
        const char* brimwickHome;
        const char* settings;  // expected results
        const char* ownData;
        const char* stateDir;
    };
    const Case cases[] = {
        // The defaults below the home directory.
        {"/h", nullptr, nullptr, nullptr, nullptr, "/h/.config/brimwick/",
         "/h/.local/share/brimwick/", "/h/.local/state/brimwick/"},
        {"/h/", nullptr, nullptr, nullptr, nullptr, "/h/.config/brimwick/",
         "/h/.local/share/brimwick/", "/h/.local/state/brimwick/"},
        // The variables, when absolute, win; a relative one is ignored.
        {"/h", "/c", "/d/", "/s", nullptr, "/c/brimwick/", "/d/brimwick/", "/s/brimwick/"},
        {"/h", "c", "", "s", nullptr, "/h/.config/brimwick/", "/h/.local/share/brimwick/",
         "/h/.local/state/brimwick/"},
        // BRIMWICK_HOME is the person's one directory; state stays XDG's.
        {"/h", "/c", "/d", "/s", "/p", "/p/", "/p/", "/s/brimwick/"},
        {"/h", nullptr, nullptr, nullptr, "/p/", "/p/", "/p/", "/h/.local/state/brimwick/"},
        // An empty BRIMWICK_HOME counts as unset.
        {"/h", "/c", nullptr, nullptr, "", "/c/brimwick/", "/h/.local/share/brimwick/",
         "/h/.local/state/brimwick/"},
    };
    for (const Case& c : cases) {
        set("HOME", c.home);
        set("XDG_CONFIG_HOME", c.config);
        set("XDG_DATA_HOME", c.data);
        set("XDG_STATE_HOME", c.state);
        set(kHomeVariable, c.brimwickHome);
        SCOPED_TRACE(std::string("HOME=") + c.home +
                     " BRIMWICK_HOME=" + (c.brimwickHome ? c.brimwickHome : "(unset)"));
        EXPECT_EQ(settingsDirectory(), c.settings);
        EXPECT_EQ(userDataDirectory(), c.ownData);
        EXPECT_EQ(stateDirectory(), c.stateDir);
    }
}

TEST_F(PathsTest, WithoutHomeTheAccountsDirectoryIsUsed) {
    // HOME unset: the password database still knows the home directory.
    std::string home = homeDirectory();
    ASSERT_FALSE(home.empty());
    EXPECT_EQ(xdgConfigHome(), withTrailingSeparator(home) + ".config");
}

TEST_F(PathsTest, InstalledDataLiesInShareBesideBin) {
    std::string exe = executableDirectory();
    ASSERT_EQ(exe.back(), kPathSeparator);
    std::filesystem::path expected =
        (std::filesystem::path(exe) / ".." / "share" / "brimwick").lexically_normal();
    EXPECT_EQ(installedDataDirectory(), expected.string() + "/");
    // BRIMWICK_HOME does not move the program's own files.
    set(kHomeVariable, "/p");
    EXPECT_EQ(installedDataDirectory(), expected.string() + "/");
    EXPECT_EQ(installedDataFile("kernels/link.prg"), expected.string() + "/kernels/link.prg");
    // Nor the executable's own directory.
    EXPECT_EQ(executableDirectory(), exe);
}

TEST_F(PathsTest, ThePersonsFilesComeBeforeTheInstalledOnes) {
    TempDir own;
    set(kHomeVariable, own.path().c_str());
    // Neither has it: the person's place, for the message.
    EXPECT_EQ(findDataFile("kernels/ks.rom"), own.path() + "/kernels/ks.rom");
    std::filesystem::create_directories(own.file("kernels"));
    own.write("kernels/ks.rom", "x");
    EXPECT_EQ(findDataFile("kernels/ks.rom"), own.path() + "/kernels/ks.rom");
}

TEST_F(PathsTest, EarlierSettingsBesideTheProgramAreTakenOverOnce) {
    // The test's executable stands for the program; the file names are the
    // test's own so that nothing real is touched.
    const std::string name = "paths-test-takeover-Status.ini";
    const std::string old = executableDirectory() + name;
    TempDir config;
    set("XDG_CONFIG_HOME", config.path().c_str());
    set("HOME", config.path().c_str());
    EXPECT_EQ(takeOverEarlierSettings({name}), "") << "nothing beside the program";

    TempDir scratch;
    std::filesystem::copy_file(scratch.write("x", "old settings"), old,
                               std::filesystem::copy_options::overwrite_existing);
    // With BRIMWICK_HOME the settings have their place already.
    set(kHomeVariable, config.path().c_str());
    EXPECT_EQ(takeOverEarlierSettings({name}), "");
    EXPECT_FALSE(std::filesystem::exists(config.file(name)));
    set(kHomeVariable, nullptr);

    std::string line = takeOverEarlierSettings({name});
    EXPECT_NE(line.find("took over " + name), std::string::npos) << line;
    EXPECT_NE(line.find(config.path() + "/brimwick/"), std::string::npos) << line;
    EXPECT_EQ(TempDir::read(config.file("brimwick/" + name)), TempDir::read(old));
    EXPECT_TRUE(std::filesystem::exists(old)) << "the old file stays where it was";
    // Once: the new place has its file now, and its changes are kept.
    config.write("brimwick/" + name, "changed since");
    EXPECT_EQ(takeOverEarlierSettings({name}), "");
    EXPECT_EQ(TempDir::read(config.file("brimwick/" + name)),
              std::vector<std::uint8_t>(
                  {'c', 'h', 'a', 'n', 'g', 'e', 'd', ' ', 's', 'i', 'n', 'c', 'e'}));
    std::filesystem::remove(old);
}

}  // namespace
}  // namespace brimwick::platform
