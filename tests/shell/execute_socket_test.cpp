// The execute-string socket: strings handed over and answered, the limit of
// 519 characters, strings dropped while a dialog is open, stale and foreign
// socket files, the socket's directory, and other users kept out.
#include "shell/execute_socket.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <future>

#include "c64/vc64/virtual_setup.h"
#include "platform/trace_log.h"
#include "recording_dialogs.h"
#include "shell/shell_commands.h"
#include "temp_dir.h"

namespace brimwick::shell {
namespace {

namespace fs = std::filesystem;
using brimwick::testing::TempDir;
using namespace std::chrono_literals;

class ExecuteSocketTest : public ::testing::Test {
  protected:
    TempDir dir;
    std::string path = dir.file(kSocketName);

    ExecuteSocketTest() { platform::traceLog().captureInMemory(); }
    ~ExecuteSocketTest() override { platform::traceLog().close(); }

    // Hands `text` over from another thread while the server takes strings.
    std::pair<DeliveryResult, std::vector<std::string>> handOver(
        ExecuteServer& server, const std::string& text,
        const std::function<bool()>& dialogOpen = {}) {
        auto client = std::async(std::launch::async, [&] { return sendExecuteString(path, text); });
        std::vector<std::string> taken;
        auto deadline = std::chrono::steady_clock::now() + 10s;
        while (client.wait_for(0ms) != std::future_status::ready &&
               std::chrono::steady_clock::now() < deadline) {
            for (auto& s : server.takeStrings(50, dialogOpen)) taken.push_back(s);
        }
        return {client.get(), taken};
    }
};

TEST_F(ExecuteSocketTest, StringsAreAnsweredAndTakenUpTo519Characters) {
    ExecuteServer server(path);
    EXPECT_FALSE(server.replacedStale());
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    const struct {
        std::string sent;
        std::string taken;
    } cases[] = {
        {"L___/games/GAME.PRG", "L___/games/GAME.PRG"},
        {"ID__/" + std::string(700, 'x'), "ID__/" + std::string(514, 'x')},
        {std::string("ID__/a.d64\0junk", 15), "ID__/a.d64"},
    };
    for (const auto& c : cases) {
        auto [result, taken] = handOver(server, c.sent);
        EXPECT_EQ(result.outcome, Delivery::Accepted) << result.detail;
        ASSERT_EQ(taken.size(), 1u);
        EXPECT_EQ(taken[0], c.taken);
    }
}

TEST_F(ExecuteSocketTest, AStringArrivingWhileADialogIsOpenIsDropped) {
    ExecuteServer server(path);
    testing::InstalledDialogs installed;
    c64::vc64::VirtualSetup setup;
    ShellCommands commands(setup.dispatcher);
    auto dialogOpen = [&] { return commands.dialogOpen(); };
    DeliveryResult second;
    std::vector<std::string> takenMeanwhile;
    // The illegal device's message box is open while the second string comes.
    installed.dialogs.whileOpen = [&] {
        auto [result, taken] = handOver(server, "IPD_/x/9.dev", dialogOpen);
        second = result;
        takenMeanwhile = taken;
    };
    auto [first, taken] = handOver(server, "IPD_/x/4.dev", dialogOpen);
    EXPECT_EQ(first.outcome, Delivery::Accepted);
    ASSERT_EQ(taken.size(), 1u);
    commands.execute(taken[0]);
    EXPECT_EQ(second.outcome, Delivery::Dropped);
    EXPECT_TRUE(takenMeanwhile.empty());
    EXPECT_EQ(setup.settings.realDevice[3], 8) << "the dropped string never ran";
    EXPECT_FALSE(commands.dialogOpen());
}

TEST_F(ExecuteSocketTest, StaleSocketFilesAreReplacedOthersAreLeftAlone) {
    EXPECT_EQ(sendExecuteString(path, "ID__/a.d64").outcome, Delivery::NoInstance);
    {
        // A socket file whose listener is gone, as a killed instance leaves it.
        int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, path.c_str());
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    }
    EXPECT_EQ(sendExecuteString(path, "ID__/a.d64").outcome, Delivery::Stale);
    {
        ExecuteServer server(path);
        EXPECT_TRUE(server.replacedStale());
        EXPECT_TRUE(instanceListening(path));
        try {
            ExecuteServer second(path);
            ADD_FAILURE() << "a second instance took over the socket";
        } catch (const SocketError& e) {
            EXPECT_NE(e.message.find("already"), std::string::npos);
        }
        EXPECT_TRUE(instanceListening(path));
    }
    EXPECT_FALSE(fs::exists(path)) << "the instance removes its socket";

    dir.write(kSocketName, "mine");
    EXPECT_THROW(ExecuteServer server(path), SocketError);
    EXPECT_EQ(TempDir::read(path).size(), 4u);
}

TEST_F(ExecuteSocketTest, TheSocketDirectory) {
    const char* saved = std::getenv(kRuntimeDirectoryVariable);
    std::string before = saved ? saved : "";
    ::setenv(kRuntimeDirectoryVariable, dir.path().c_str(), 1);
    EXPECT_EQ(socketPath(true), dir.path() + "/" + kSocketName);
    ::setenv(kRuntimeDirectoryVariable, dir.file("missing").c_str(), 1);
    try {
        socketDirectory(true);
        ADD_FAILURE() << "a missing runtime directory was taken";
    } catch (const SocketError& e) {
        EXPECT_NE(e.message.find("not a directory"), std::string::npos);
    }
    ::unsetenv(kRuntimeDirectoryVariable);
    std::string fallback = socketDirectory(true);
    EXPECT_EQ(fallback, "/tmp/brimwick-" + std::to_string(::geteuid()));
    struct stat st {};
    ASSERT_EQ(::lstat(fallback.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    if (saved) ::setenv(kRuntimeDirectoryVariable, before.c_str(), 1);
}

TEST_F(ExecuteSocketTest, AnotherUserCannotHandOverStrings) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to run a client as a second user";
    constexpr uid_t kNobody = 65534;
    const struct {
        const char* name;
        bool openedUp;  // directory and socket opened to everybody
    } cases[] = {{"private socket", false}, {"socket opened to everybody", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExecuteServer server(path);
        if (c.openedUp) {
            ::chmod(dir.path().c_str(), 0755);
            ::chmod(path.c_str(), 0777);
        }
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(99);
            DeliveryResult r = sendExecuteString(path, "IPD_/x/9.dev", 5000);
            ::_exit(static_cast<int>(r.outcome));
        }
        std::vector<std::string> taken;
        int status = 0;
        auto deadline = std::chrono::steady_clock::now() + 15s;
        while (::waitpid(child, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(child, SIGKILL);
                ::waitpid(child, &status, 0);
                FAIL() << "the second user's client hung";
            }
            for (auto& s : server.takeStrings(20)) taken.push_back(s);
        }
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), static_cast<int>(Delivery::Failed));
        EXPECT_TRUE(taken.empty());
    }
    EXPECT_NE(platform::traceLog().captured().find("\n Execute string refused: user 65534"),
              std::string::npos);
}

}  // namespace
}  // namespace brimwick::shell
