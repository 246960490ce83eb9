// The execute-string socket: strings handed over, run and answered with
// their result, the limit of 519 characters, strings dropped at once while a
// dialog is open, silent clients, the client's time limit, stale and foreign
// socket files, the socket's directory, and other users kept out both ways.
#include "shell/execute_socket.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <future>

#include "c64/vc64/virtual_setup.h"
#include "platform/trace_log.h"
#include "recording_dialogs.h"
#include "shell/link_thread.h"
#include "shell/running_instance.h"
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

    // Hands `text` over from another thread while the server takes strings;
    // each string taken is answered by `respond` (done when none).
    std::pair<DeliveryResult, std::vector<std::string>> handOver(
        ExecuteServer& server, const std::string& text, const DropCheck& drop = {},
        const std::function<void(Arrival&)>& respond = {}) {
        auto client = std::async(std::launch::async, [&] { return sendExecuteString(path, text); });
        std::vector<std::string> taken;
        auto deadline = std::chrono::steady_clock::now() + 10s;
        while (client.wait_for(0ms) != std::future_status::ready &&
               std::chrono::steady_clock::now() < deadline) {
            for (Arrival& a : server.takeStrings(50, drop)) {
                taken.push_back(a.text());
                if (respond)
                    respond(a);
                else
                    a.answer(true);
            }
        }
        return {client.get(), taken};
    }
};

TEST_F(ExecuteSocketTest, StringsAreRunThenAnsweredWithTheirResultAndLongOnesRefusedWhole) {
    ExecuteServer server(path);
    EXPECT_FALSE(server.replacedStale());
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    const struct {
        std::string sent;
        bool done;             // how the string is answered when it runs
        bool taken;            // it reaches the commands
        Delivery outcome;      // what the client learns
        const char* detail;    // and in its detail
    } cases[] = {
        {"L___/games/GAME.PRG", true, true, Delivery::Done, ""},
        {"ID__/x.d64", false, true, Delivery::Failed, "could not be read\nsecond line"},
        {"ID__/" + std::string(515, 'x'), true, false, Delivery::Failed, "too long"},
        {"CT__/" + std::string(509, 'd') + "/dump.bin.new", true, false, Delivery::Failed,
         "too long"},
        {std::string("ID__/a.d64\0junk", 15), true, false, Delivery::Failed, "NUL"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sent.substr(0, 20));
        auto [result, taken] = handOver(server, c.sent, {}, [&](Arrival& a) {
            a.answer(c.done, c.done ? "" : "could not be read\nsecond line");
        });
        EXPECT_EQ(result.outcome, c.outcome) << result.detail;
        EXPECT_NE(result.detail.find(c.detail), std::string::npos) << result.detail;
        EXPECT_EQ(taken.size(), c.taken ? 1u : 0u);
        if (c.taken && !taken.empty()) {
            EXPECT_EQ(taken[0], c.sent);
        }
    }
}

TEST_F(ExecuteSocketTest, AStringArrivingWhileADialogIsOpenIsDroppedAtOnce) {
    ExecuteServer server(path);
    testing::InstalledDialogs installed;
    c64::vc64::VirtualSetup setup;
    ShellCommands commands(setup.dispatcher);
    DropCheck drop = [&]() -> std::optional<std::string> {
        if (commands.dialogOpen()) return std::string("a message box is open");
        return std::nullopt;
    };
    DeliveryResult second;
    std::vector<std::string> takenMeanwhile;
    // The illegal device's message box is open while the second string comes.
    installed.dialogs.whileOpen = [&] {
        auto [result, taken] = handOver(server, "IPD_/x/9.dev", drop);
        second = result;
        takenMeanwhile = taken;
    };
    auto [first, taken] = handOver(server, "IPD_/x/4.dev", drop, [&](Arrival& a) {
        CommandResult r = commands.execute(a.text());
        a.answer(r.outcome == Outcome::Done, r.message);
    });
    EXPECT_EQ(first.outcome, Delivery::Failed);
    EXPECT_NE(first.detail.find("Illegal Device"), std::string::npos) << first.detail;
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(second.outcome, Delivery::Dropped);
    EXPECT_EQ(second.detail, "a message box is open");
    EXPECT_TRUE(takenMeanwhile.empty());
    EXPECT_EQ(setup.settings.realDevice[3], 8) << "the dropped string never ran";
    EXPECT_FALSE(commands.dialogOpen());
}

TEST_F(ExecuteSocketTest, WhileTheLinkThreadHoldsADialogStringsAreDroppedAtOnceNeverRunLater) {
    // As in the window: the socket is read on a thread of its own and the
    // strings run on the link thread, which a message box holds.
    const char* saved = std::getenv(kRuntimeDirectoryVariable);
    std::string before = saved ? saved : "";
    ::setenv(kRuntimeDirectoryVariable, dir.path().c_str(), 1);
    testing::InstalledDialogs installed;
    c64::vc64::VirtualSetup setup;
    std::atomic<bool> ending{false};
    {
        RunningInstance instance(setup.dispatcher);
        instance.dropCheck = [&]() -> std::optional<std::string> {
            if (ending.load()) return std::string("Brimwick is ending");
            return std::nullopt;
        };
        ASSERT_FALSE(instance.listen());
        LinkThread link(setup.dispatcher, nullptr, [] { return 5; });
        link.start();
        instance.answerOnOwnThread([&](std::shared_ptr<Arrival> arrival) {
            link.post([&instance, arrival] { instance.runArrival(*arrival); });
        });
        DeliveryResult meanwhile;
        installed.dialogs.whileOpen = [&] {
            // Handed over while the illegal device's box holds the link thread.
            meanwhile = sendExecuteString(path, "IPD_/x/9.dev", 10000);
        };
        DeliveryResult first = sendExecuteString(path, "IPD_/x/4.dev", 10000);
        EXPECT_EQ(first.outcome, Delivery::Failed);
        EXPECT_EQ(meanwhile.outcome, Delivery::Dropped) << meanwhile.detail;
        EXPECT_NE(meanwhile.detail.find("message box"), std::string::npos) << meanwhile.detail;
        installed.dialogs.whileOpen = {};
        ending = true;
        DeliveryResult late = sendExecuteString(path, "IPD_/x/10.dev", 10000);
        EXPECT_EQ(late.outcome, Delivery::Dropped);
        EXPECT_EQ(late.detail, "Brimwick is ending");
        instance.stopAnswering();
        link.stop();
    }
    EXPECT_EQ(setup.settings.realDevice[3], 8) << "no dropped string ever ran";
    if (saved)
        ::setenv(kRuntimeDirectoryVariable, before.c_str(), 1);
    else
        ::unsetenv(kRuntimeDirectoryVariable);
}

TEST_F(ExecuteSocketTest, SilentClientsStallNobody) {
    // A deadline far longer than the test: a client is answered while the
    // silent ones are all still open, before any of their deadlines.
    ExecuteServer server(path, 600000);
    constexpr int kSilent = 20;
    std::vector<int> silent;
    for (int i = 0; i < kSilent; ++i) {
        int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, path.c_str());
        ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        silent.push_back(fd);
        // The server takes them in before the client below comes.
        server.takeStrings(0);
    }
    auto [result, taken] = handOver(server, "IPD_/x/9.dev");
    EXPECT_EQ(result.outcome, Delivery::Done) << result.detail;
    ASSERT_EQ(taken.size(), 1u);
    for (int fd : silent) {
        pollfd p{fd, POLLIN, 0};
        EXPECT_EQ(::poll(&p, 1, 0), 0) << "a silent client was answered or closed";
        ::close(fd);
    }
}

TEST_F(ExecuteSocketTest, AClientGivesUpAfterItsTimeLimitAndSaysTheStringMayStillRun) {
    ExecuteServer server(path);
    auto client =
        std::async(std::launch::async, [&] { return sendExecuteString(path, "IPD_/x/9.dev", 300); });
    std::vector<Arrival> held;
    while (client.wait_for(0ms) != std::future_status::ready)
        for (Arrival& a : server.takeStrings(20)) held.push_back(std::move(a));
    EXPECT_EQ(client.get().outcome, Delivery::Unanswered);
    ASSERT_EQ(held.size(), 1u);
    held[0].answer(true);  // too late: nobody listens any more, and nothing breaks
}

TEST_F(ExecuteSocketTest, TheClientHandsNothingToASocketThatIsNotTheUsersOwn) {
    const struct {
        const char* name;
        std::function<void()> prepare;
        const char* why;
    } cases[] = {
        {"directory others may write", [&] { ::chmod(dir.path().c_str(), 0777); },
         "others may write"},
        {"no socket", [&] { dir.write(kSocketName, "x"); }, "is not a socket"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.prepare();
        DeliveryResult r = sendExecuteString(path, "IPD_/x/9.dev", 1000);
        EXPECT_EQ(r.outcome, Delivery::Untrusted);
        EXPECT_NE(r.detail.find(c.why), std::string::npos) << r.detail;
        EXPECT_NE(r.detail.find("nothing was handed over"), std::string::npos) << r.detail;
        ::chmod(dir.path().c_str(), 0700);
        fs::remove(path);
    }
    if (::geteuid() != 0) return;  // the socket of another user needs root to make
    {
        ExecuteServer server(path);
        ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
        DeliveryResult r = sendExecuteString(path, "IPD_/x/9.dev", 1000);
        EXPECT_EQ(r.outcome, Delivery::Untrusted);
        EXPECT_NE(r.detail.find("belongs to user 65534"), std::string::npos) << r.detail;
        EXPECT_TRUE(server.takeStrings(0).empty());
    }
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
            // The client itself refuses the root's socket...
            DeliveryResult r = sendExecuteString(path, "IPD_/x/9.dev", 5000);
            if (r.outcome != Delivery::Untrusted) ::_exit(1);
            if (!c.openedUp) ::_exit(0);
            // ...and the server one that does not ask.
            int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::strcpy(address.sun_path, path.c_str());
            if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
                ::_exit(2);
            ::send(fd, "IPD_/x/9.dev", 12, MSG_NOSIGNAL);  // may be refused already
            ::shutdown(fd, SHUT_WR);
            char answer[16];
            ::_exit(::read(fd, answer, sizeof answer) <= 0 ? 0 : 4);  // unanswered
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
            for (Arrival& a : server.takeStrings(20)) taken.push_back(a.text());
        }
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
        EXPECT_TRUE(taken.empty());
    }
    EXPECT_NE(platform::traceLog().captured().find("\n Execute string refused: user 65534"),
              std::string::npos);
}

}  // namespace
}  // namespace brimwick::shell
