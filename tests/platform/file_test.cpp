// The file layer: errno causes on failure, limits on reading, atomic writes.
#include "platform/file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "../temp_dir.h"
#include "../unprivileged.h"

namespace brimwick::platform {
namespace {

using testing::PermissionScene;
using testing::TempDir;
using testing::Unprivileged;

TEST(File, OpenMissingFileCarriesErrno) {
    TempDir dir;
    try {
        File f(dir.file("missing.prg"), File::Mode::Read);
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(e.cause(), ENOENT);
        EXPECT_EQ(e.operation(), "open");
        EXPECT_EQ(e.path(), dir.file("missing.prg"));
    }
}

TEST(File, OpeningADirectoryForReadingFails) {
    TempDir dir;
    try {
        File f(dir.path(), File::Mode::Read);
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(e.cause(), EISDIR);
    }
}

TEST(File, ReadUpToALimitAndLength) {
    TempDir dir;
    std::string path = dir.write("data", std::string(1000, 'x'));
    EXPECT_EQ(readFile(path, 10).size(), 10u);
    EXPECT_EQ(readFile(path, 5000).size(), 1000u);
    File f(path, File::Mode::Read);
    EXPECT_EQ(f.length(), 1000);
}

TEST(File, CreateTruncateAndAppend) {
    TempDir dir;
    std::string path = dir.write("data", "old content");
    {
        File f(path, File::Mode::CreateTruncate);
        f.write("ab", 2);
        f.close();
    }
    {
        File f(path, File::Mode::Append);
        f.write("cd", 2);
        f.close();
    }
    auto bytes = TempDir::read(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "abcd");
}

TEST(File, FifosDevicesAndSocketsAreRefusedWithoutWaiting) {
    // A FIFO nobody writes would hold open() for good; no test here waits.
    TempDir dir;
    std::string fifo = dir.file("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        std::string path;
        const char* kind;
    } cases[] = {{fifo, "a FIFO"}, {"/dev/null", "a device"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        for (File::Mode mode : {File::Mode::Read, File::Mode::CreateTruncate, File::Mode::Append,
                                File::Mode::ReadWrite}) {
            try {
                File f(c.path, mode);
                ADD_FAILURE() << "opened";
            } catch (const FileError& e) {
                EXPECT_EQ(e.reason(), std::string("it is ") + c.kind + ", not a regular file");
            }
        }
        try {
            writeFileAtomically(c.path, "x", 1);
            ADD_FAILURE() << "written";
        } catch (const FileError& e) {
            EXPECT_NE(e.reason().find(c.kind), std::string::npos) << e.reason();
        }
    }
    struct stat st {};
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the FIFO is not replaced";
}

TEST(File, OurOwnFilesRefuseALinkInTheirPlace) {
    TempDir dir;
    std::string victim = dir.write("victim", "keep");
    std::string link = dir.file("RAM_C1541.prg");
    std::filesystem::create_symlink(victim, link);
    EXPECT_THROW(File(link, File::Mode::CreateTruncate, Links::Refuse), FileError);
    try {
        writeFileAtomically(link, "x", 1, Links::Refuse);
        FAIL() << "written through the link";
    } catch (const FileError& e) {
        EXPECT_NE(e.reason().find("a symbolic link"), std::string::npos) << e.reason();
    }
    auto bytes = TempDir::read(victim);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "keep");
    // A file the person named is written through the link.
    writeFileAtomically(link, "new", 3);
    bytes = TempDir::read(victim);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "new");
}

TEST(File, AtomicWriteReplacesAndLeavesNoTemporary) {
    TempDir dir;
    std::string path = dir.write("disk.d64", "previous");
    writeFileAtomically(path, "new", 3);
    auto bytes = TempDir::read(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "new");
    EXPECT_FALSE(exists(path + ".brimwick-new"));
}

TEST(File, FailedAtomicWriteKeepsTheOldFile) {
    TempDir dir;
    std::string path = dir.write("disk.d64", "previous");
    // A directory in the temporary file's place makes the write fail.
    ASSERT_TRUE(makeDirectory(path + ".brimwick-new"));
    EXPECT_THROW(writeFileAtomically(path, "new", 3), FileError);
    auto bytes = TempDir::read(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "previous");
}

std::string text(const std::string& path) {
    auto bytes = TempDir::read(path);
    return std::string(bytes.begin(), bytes.end());
}

TEST(File, AtomicWriteGoesThroughSymbolicLinksAndKeepsThem) {
    struct Case {
        const char* what;
        std::vector<std::pair<const char*, const char*>> links;  // link name, its target
        const char* written;                                     // the name written to
        const char* target;                                      // the file that changes
    };
    const Case cases[] = {
        {"link to a file in another directory",
         {{"disk.d64", "real/disk.d64"}},
         "disk.d64",
         "real/disk.d64"},
        {"link to a link",
         {{"a.d64", "b.d64"}, {"b.d64", "real/disk.d64"}},
         "a.d64",
         "real/disk.d64"},
        {"absolute link", {{"disk.d64", "@/real/disk.d64"}}, "disk.d64", "real/disk.d64"},
        {"link to a file not there yet", {{"new.d64", "real/new.d64"}}, "new.d64", "real/new.d64"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        ASSERT_TRUE(makeDirectory(dir.file("real")));
        dir.write("real/disk.d64", "previous");
        ::chmod(dir.file("real/disk.d64").c_str(), 0640);
        for (auto [name, to] : c.links) {
            std::string destination = to[0] == '@' ? dir.path() + (to + 1) : to;
            ASSERT_EQ(::symlink(destination.c_str(), dir.file(name).c_str()), 0);
        }
        writeFileAtomically(dir.file(c.written), "new", 3);
        EXPECT_EQ(text(dir.file(c.target)), "new");
        for (auto [name, to] : c.links)
            EXPECT_TRUE(std::filesystem::is_symlink(dir.file(name))) << name;
        EXPECT_FALSE(exists(dir.file(c.target) + kTemporarySuffix));
        struct stat st {};
        ASSERT_EQ(::stat(dir.file("real/disk.d64").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0640u);  // the permissions stay the file's
    }
}

TEST(File, AtomicWriteRespectsPermissions) {
    // Each case in a directory of its own, with the file's and the
    // directory's permission bits; the write runs as a user without root's
    // privileges, for whom the bits hold.
    struct Case {
        const char* what;
        int fileMode;         // 0: no file
        int directoryMode;    // the directory holding it
        const char* outcome;  // what the write does
        const char* content;  // what the file then holds (null: no file)
    };
    const Case cases[] = {
        {"read-only file", 0444, 0755, "Permission denied", "previous content"},
        {"writable file in a read-only directory", 0644, 0555, "written", "new"},
        {"read-only file in a read-only directory", 0444, 0555, "Permission denied",
         "previous content"},
        {"no file in a read-only directory", 0, 0555, "Permission denied", nullptr},
    };
    Unprivileged user;
    const std::string previous = "previous content";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PermissionScene scene(user, {previous.begin(), previous.end()}, c.fileMode,
                              c.directoryMode);
        const std::string& path = scene.file;
        std::optional<std::string> outcome = user.run([&]() -> std::string {
            try {
                writeFileAtomically(path, "new", 3);
                return "written";
            } catch (const FileError& e) {
                return std::strerror(e.cause());
            }
        });
        if (!outcome) GTEST_SKIP() << "running as root and cannot drop root's privileges";
        EXPECT_EQ(*outcome, c.outcome);
        if (c.content != nullptr)
            EXPECT_EQ(text(path), c.content);
        else
            EXPECT_FALSE(exists(path));
        EXPECT_FALSE(exists(path + kTemporarySuffix));
        if (c.fileMode != 0) {
            struct stat st {};
            ASSERT_EQ(::stat(path.c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 0777, static_cast<mode_t>(c.fileMode));
        }
    }
}

TEST(File, DirectoriesAreCreatedWithParents) {
    TempDir dir;
    std::string deep = dir.file("a/b/c");
    EXPECT_FALSE(isDirectory(deep));
    EXPECT_TRUE(makeDirectory(deep));
    EXPECT_TRUE(isDirectory(deep));
    EXPECT_TRUE(makeDirectory(deep));  // already there
}

}  // namespace
}  // namespace brimwick::platform
