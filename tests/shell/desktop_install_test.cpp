// Installing and removing the desktop's file associations: the template's
// expansion and rules, a whole install and uninstall that leave nothing
// behind, and the cases that must change nothing.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/trace_log.h"
#include "recording_dialogs.h"
#include "shell/desktop_install.h"
#include "temp_dir.h"
#include "unprivileged.h"

namespace brimwick::shell {
namespace {

using brimwick::testing::TempDir;

TEST(DesktopTemplateTest, EveryQuestionMarkBecomesTheProgramDirectory) {
    EXPECT_EQ(expandTemplate("a?b?", "/p/"), "a/p/b/p/");
    EXPECT_EQ(expandTemplate("no mark", "/p/"), "no mark");
}

TEST(DesktopTemplateTest, InAnExecLineTheDirectoryIsOneQuotedArgumentWhateverItHolds) {
    EXPECT_EQ(expandTemplate("Name=?x\nExec=\"?brimwick\" %F\n", "/a b/"),
              "Name=/a b/x\nExec=\"/a b/brimwick\" %F\n");
    EXPECT_EQ(execArgumentText("/p\"q`r$s\\t%u/"), "/p\\\\\"q\\\\`r\\\\$s\\\\\\\\t%%u/");
    EXPECT_TRUE(unusableProgramDirectory("/x\ny/"));
    EXPECT_FALSE(unusableProgramDirectory("/x \"$%`\\y/"));
}

TEST(DesktopTemplateTest, EveryEntryWrittenIsValidForAnyProgramDirectory) {
    if (std::system("desktop-file-validate --help >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "desktop-file-validate (desktop-file-utils) is not installed";
    std::vector<std::uint8_t> raw = TempDir::read(std::string(BRIMWICK_SOURCE_DIR) +
                                                  "/src/app/register.txt");
    std::string text(raw.begin(), raw.end());
    TempDir out;
    for (const char* directory :
         {"/opt/brimwick/", "/home/me/my programs/", "/x/\"quoted\"/", "/x/$HOME/", "/x/100%/",
          "/x/`id`/", "/x/back\\slash/", "/x/a \"$%`\\ b/"}) {
        SCOPED_TRACE(directory);
        Associations a = parseAssociations(expandTemplate(text, directory));
        for (const AssociationFile& f : a.files) {
            if (!f.relativePath.ends_with(".desktop")) continue;
            std::string path = out.write("entry.desktop", f.content);
            std::string command = "desktop-file-validate '" + path + "' 2>&1";
            std::string report;
            if (FILE* p = ::popen(command.c_str(), "r")) {
                char buffer[512];
                while (std::fgets(buffer, sizeof buffer, p)) report += buffer;
                EXPECT_EQ(::pclose(p), 0) << f.relativePath << ":\n" << report << f.content;
            }
            EXPECT_NE(f.content.find("\nIcon="), std::string::npos) << f.relativePath;
        }
    }
}

TEST(DesktopTemplateTest, FilesAndDefaultsAreRead) {
    Associations a = parseAssociations(
        "# comment\n@file applications/brimwick_a.desktop\n[Desktop Entry]\nX=1\n"
        "@file mime/packages/brimwick_m.xml\n<m/>\n@default application/x-d64 brimwick_a.desktop\n");
    ASSERT_EQ(a.files.size(), 2u);
    EXPECT_EQ(a.files[0].relativePath, "applications/brimwick_a.desktop");
    EXPECT_EQ(a.files[0].content, "[Desktop Entry]\nX=1\n");
    EXPECT_EQ(a.files[1].content, "<m/>\n");
    ASSERT_EQ(a.defaults.size(), 1u);
    EXPECT_EQ(a.defaults[0], std::make_pair(std::string("application/x-d64"),
                                            std::string("brimwick_a.desktop")));
}

TEST(DesktopTemplateTest, UnsafeOrForeignTemplatesAreRefused) {
    for (const char* text : {
             "@file applications/other.desktop\nx\n",           // not brimwick_
             "@file ../brimwick_x.desktop\nx\n",                // leaves the directory
             "@file /etc/brimwick_x\nx\n",                      // absolute
             "@file a/brimwick_x\n@file a/brimwick_x\n",        // twice
             "stray text\n",                                    // outside a file
             "@file a/brimwick_x\n@default text/x b.desktop\n", // unknown entry
             "@include x\n",                                    // unknown line
             "# nothing\n",                                     // no file
         })
        EXPECT_THROW(parseAssociations(text), TemplateError) << text;
}

class DesktopInstallTest : public ::testing::Test {
  protected:
    TempDir program;
    TempDir home;
    testing::RecordingDialogs dialogs;
    std::vector<std::vector<std::string>> toolCalls;
    DesktopInstaller installer;

    DesktopInstallTest() {
        platform::traceLog().captureInMemory();
        program.write("register.txt",
                      "@file applications/brimwick_open.desktop\nExec=\"?brimwick\" %F\n"
                      "@file mime/packages/brimwick_c64.xml\n<mime-info/>\n"
                      "@default application/x-d64 brimwick_open.desktop\n");
        installer.programDirectory = program.path() + "/";
        installer.dataDirectory = home.path() + "/.local/share/";
        installer.runTool = [this](const std::vector<std::string>& args) {
            toolCalls.push_back(args);
            return -1;
        };
    }
    ~DesktopInstallTest() override { platform::traceLog().close(); }

    // Every path below the home directory.
    std::vector<std::string> tree() {
        std::vector<std::string> paths;
        for (auto& e : std::filesystem::recursive_directory_iterator(home.path()))
            paths.push_back(e.path().string().substr(home.path().size()));
        std::sort(paths.begin(), paths.end());
        return paths;
    }
};

// The recording dialogs expect the caption "Brimwick"; these boxes have their own.
struct CaptionDialogs : platform::UserDialogs {
    std::vector<std::string> texts;
    std::vector<std::string> captions;
    platform::MessageAnswer answer = platform::MessageAnswer::Ok;  // for questions
    platform::MessageAnswer messageBox(std::string_view text, std::string_view caption,
                                       platform::MessageButtons buttons,
                                       platform::MessageIcon) override {
        texts.emplace_back(text);
        captions.emplace_back(caption);
        return buttons == platform::MessageButtons::Ok ? platform::MessageAnswer::Ok : answer;
    }
    std::optional<int> selectDrive(int) override { return std::nullopt; }
};

TEST_F(DesktopInstallTest, InstallThenUninstallLeavesNothingBehind) {
    CaptionDialogs d;
    installer.install(d);
    ASSERT_EQ(d.texts.size(), 2u);
    EXPECT_EQ(d.captions[0], "INSTALLATION");
    EXPECT_NE(d.texts[0].find("Are you realy sure you want to ''install'' Brimwick?"),
              std::string::npos);
    EXPECT_NE(d.texts[1].find("are installed"), std::string::npos) << d.texts[1];
    std::string entry = home.file(".local/share/applications/brimwick_open.desktop");
    auto bytes = TempDir::read(entry);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
              "Exec=\"" + program.path() + "/brimwick\" %F\n");
    EXPECT_TRUE(std::filesystem::exists(home.file(".local/share/mime/packages/brimwick_c64.xml")));
    EXPECT_NE(platform::traceLog().captured().find("\n path = " + program.path() + "/"),
              std::string::npos);
    // The desktop's tools were asked in order, the default last.
    ASSERT_EQ(toolCalls.size(), 3u);
    EXPECT_EQ(toolCalls[0][0], "update-mime-database");
    EXPECT_EQ(toolCalls[1][0], "update-desktop-database");
    EXPECT_EQ(toolCalls[2], (std::vector<std::string>{"xdg-mime", "default",
                                                      "brimwick_open.desktop", "application/x-d64"}));

    installer.uninstall(d);
    ASSERT_EQ(d.texts.size(), 4u);
    EXPECT_EQ(d.captions[2], "Uninstall");
    EXPECT_NE(d.texts[2].find(entry), std::string::npos) << "the question names the files";
    EXPECT_EQ(d.texts[3], "Brimwick's file associations are removed.");
    // Only the directories that the data directory had anyway stay.
    for (const auto& p : tree())
        EXPECT_EQ(std::filesystem::is_directory(home.path() + p), true) << p;
}

TEST_F(DesktopInstallTest, CancelTwiceAndNotInstalledChangeNothing) {
    CaptionDialogs d;
    d.answer = platform::MessageAnswer::Cancel;
    installer.install(d);
    EXPECT_EQ(d.texts.size(), 1u);
    EXPECT_TRUE(tree().empty());

    installer.uninstall(d);
    ASSERT_EQ(d.texts.size(), 2u);
    EXPECT_NE(d.texts[1].find("are not installed"), std::string::npos);

    d.answer = platform::MessageAnswer::Ok;
    installer.install(d);
    auto installed = tree();
    std::string entry = home.file(".local/share/applications/brimwick_open.desktop");
    TempDir::read(entry);
    program.write("register.txt",
                  "@file applications/brimwick_open.desktop\nExec=changed\n");
    installer.install(d);
    EXPECT_NE(d.texts.back().find("already installed"), std::string::npos) << d.texts.back();
    EXPECT_EQ(tree(), installed);
    auto bytes = TempDir::read(entry);
    EXPECT_NE(std::string(bytes.begin(), bytes.end()), "Exec=changed\n");
}

TEST_F(DesktopInstallTest, AMissingOrBrokenTemplateIsToldAndNothingIsWritten) {
    CaptionDialogs d;
    std::filesystem::remove(program.file("register.txt"));
    installer.install(d);
    ASSERT_EQ(d.texts.size(), 2u);
    EXPECT_NE(d.texts[1].find("Cannot read " + program.path() + "/register.txt"),
              std::string::npos);
    program.write("register.txt", "@file applications/mine.desktop\n");
    installer.install(d);
    EXPECT_NE(d.texts.back().find("does not begin with brimwick_"), std::string::npos);
    EXPECT_TRUE(tree().empty());
}

TEST_F(DesktopInstallTest, AnUnwritableDataDirectoryIsToldAndNothingIsHalfMade) {
    brimwick::testing::Unprivileged user;
    // The data directory exists with applications/ writable and mime/ not:
    // the desktop entry would be written first and must go again.
    std::string share = home.file(".local/share");
    std::filesystem::create_directories(share + "/applications");
    std::filesystem::create_directories(share + "/mime");
    for (auto& p : {home.path(), home.file(".local"), share, share + "/applications", share + "/mime"})
        user.own(p);
    ::chmod((share + "/mime").c_str(), 0555);
    ::chmod(program.path().c_str(), 0755);
    auto seen = user.run([this] {
        CaptionDialogs d;
        installer.install(d);
        std::string result = d.texts.back();
        for (auto& e : std::filesystem::recursive_directory_iterator(home.path()))
            result += "\n" + e.path().string();
        return result;
    });
    ::chmod((share + "/mime").c_str(), 0755);
    if (!seen) GTEST_SKIP() << "cannot drop root's privileges here";
    EXPECT_NE(seen->find("Cannot write " + share + "/mime/packages"), std::string::npos) << *seen;
    EXPECT_NE(seen->find("Nothing was installed."), std::string::npos);
    EXPECT_EQ(seen->find("brimwick_open.desktop"), std::string::npos) << *seen;
    EXPECT_FALSE(std::filesystem::exists(share + "/mime/packages"));
}

}  // namespace
}  // namespace brimwick::shell
