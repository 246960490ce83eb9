// The file layer: errno causes on failure, limits on reading, atomic writes.
#include "platform/file.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "../temp_dir.h"

namespace brimwick::platform {
namespace {

using testing::TempDir;

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

TEST(File, WriteToAFullDiskIsReported) {
    // /dev/full refuses every write with ENOSPC: the error must reach the caller.
    if (!exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    try {
        writeFile("/dev/full", "x", 1);
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(e.cause(), ENOSPC);
    }
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
