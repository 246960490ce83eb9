// The trace log: file truncation at open, links and FIFOs in place of
// message.txt, capture in memory, decimal numbers.
#include "platform/trace_log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "../temp_dir.h"

namespace brimwick::platform {
namespace {

using testing::TempDir;

TEST(TraceLog, CapturesLinesWithDecimalNumbers) {
    TraceLog log;
    log.captureInMemory();
    log << "\n C1541-ERROR = "
        << "62,FILE NOT FOUND"
        << "\n bytes " << 0x1234 << ' ' << -5;
    EXPECT_EQ(log.captured(), "\n C1541-ERROR = 62,FILE NOT FOUND\n bytes 4660 -5");
    log.clearCaptured();
    EXPECT_EQ(log.captured(), "");
}

TEST(TraceLog, OpenTruncatesAndCloseFlushes) {
    TempDir dir;
    std::string path = dir.write("message.txt", "old run");
    TraceLog log;
    ASSERT_TRUE(log.open(path));
    log << "\nstart";
    log.close();
    log << "\nafter close is discarded";
    auto bytes = TempDir::read(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "\nstart");
}

TEST(TraceLog, EveryWriteReachesTheFileAtOnce) {
    // What `tail -f message.txt` shows during a session: each line as it is
    // written, long before the log is closed.
    TempDir dir;
    TraceLog log;
    ASSERT_TRUE(log.open(dir.file("message.txt")));
    log << "\n first line " << 8;
    auto bytes = TempDir::read(dir.file("message.txt"));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "\n first line 8");
    log << "\n second";
    bytes = TempDir::read(dir.file("message.txt"));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "\n first line 8\n second");
}

TEST(TraceLog, MessageTxtHeldByALinkOrAFifoIsRefusedWithoutWaiting) {
    TempDir dir;
    std::string victim = dir.write("victim", "keep");
    std::string link = dir.file("message.txt");
    std::filesystem::create_symlink(victim, link);
    TraceLog log;
    EXPECT_FALSE(log.open(link, false));
    EXPECT_NE(log.failure().find("symbolic link"), std::string::npos) << log.failure();
    log << "\nnothing";
    log.close();
    auto bytes = TempDir::read(victim);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "keep") << "nothing truncated";
    // A trace file the person names is written through its link.
    EXPECT_TRUE(log.open(link, true));
    log.close();

    std::filesystem::remove(link);
    ASSERT_EQ(::mkfifo(link.c_str(), 0600), 0);
    EXPECT_FALSE(log.open(link, false));
    EXPECT_NE(log.failure().find("FIFO"), std::string::npos) << log.failure();
    EXPECT_FALSE(log.open(link, true));
}

TEST(TraceLog, UnwritablePathDiscards) {
    TraceLog log;
    EXPECT_FALSE(log.open("/nonexistent-dir/message.txt"));
    log << "\nnothing";  // must not crash
}

}  // namespace
}  // namespace brimwick::platform
