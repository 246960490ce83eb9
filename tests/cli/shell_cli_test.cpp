// The shell commands through the binaries, as a person uses them: serve
// --virtual-c64 running in the background with its own program directory and
// runtime directory, exec handing it strings, settings showing and changing
// Status.ini, serve --drive for one run. Every wait is bounded.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "cli_runner.h"

namespace brimwick::cli {
namespace {

namespace fs = std::filesystem;
using brimwick::testing::TempDir;
using testing::CliResult;
using testing::runProgram;
using namespace std::chrono_literals;

constexpr auto kPatience = 20s;  // the longest any step may take

std::string text(const std::string& path) {
    std::vector<std::uint8_t> bytes = TempDir::read(path);
    return std::string(bytes.begin(), bytes.end());
}

class ShellCli : public ::testing::Test {
  protected:
    TempDir scratch;
    std::string home = scratch.file("home");
    std::string runtime = scratch.file("run");
    std::string games = scratch.file("games");
    pid_t server = -1;

    ShellCli() {
        fs::create_directory(home);
        fs::create_directory(runtime);
        fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
        fs::create_directory(games);
        scratch.write("games/GAME.PRG", std::vector<std::uint8_t>{0x01, 0x08, 0x60});
    }
    ~ShellCli() override {
        if (server > 0) stop();
    }

    // brimwick-cli with this test's program and runtime directories, at most
    // a minute long.
    CliResult cli(const std::vector<std::string>& args) {
        std::vector<std::string> all = {"60", "env", "BRIMWICK_HOME=" + home,
                                        "XDG_RUNTIME_DIR=" + runtime, BRIMWICK_CLI};
        all.insert(all.end(), args.begin(), args.end());
        return runProgram(scratch, "timeout", all);
    }

    // Starts `brimwick-cli serve ARGS` in the background and waits until it
    // is up.
    void start(const std::vector<std::string>& args, const std::string& ready) {
        fs::remove(scratch.file("serve.out"));
        server = ::fork();
        ASSERT_GE(server, 0);
        if (server == 0) {
            ::setenv("BRIMWICK_HOME", home.c_str(), 1);
            ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
            if (::chdir(scratch.path().c_str()) != 0) ::_exit(127);
            if (!std::freopen(scratch.file("serve.out").c_str(), "w", stdout) ||
                !std::freopen(scratch.file("serve.err").c_str(), "w", stderr))
                ::_exit(127);
            std::vector<std::string> words = {BRIMWICK_CLI, "serve"};
            words.insert(words.end(), args.begin(), args.end());
            std::vector<char*> argv;
            for (std::string& w : words) argv.push_back(w.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ASSERT_TRUE(waitFor(ready)) << output() << text(scratch.file("serve.err"));
    }
    std::string output() { return text(scratch.file("serve.out")); }
    // Waits until the server has printed `wanted`.
    bool waitFor(const std::string& wanted) {
        auto deadline = std::chrono::steady_clock::now() + kPatience;
        while (std::chrono::steady_clock::now() < deadline) {
            if (output().find(wanted) != std::string::npos) return true;
            std::this_thread::sleep_for(20ms);
        }
        return false;
    }
    // SIGTERM, then its exit status (-1 when it had to be killed).
    int stop() {
        ::kill(server, SIGTERM);
        auto deadline = std::chrono::steady_clock::now() + kPatience;
        int status = 0;
        while (::waitpid(server, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(server, SIGKILL);
                ::waitpid(server, &status, 0);
                server = -1;
                return -1;
            }
            std::this_thread::sleep_for(20ms);
        }
        server = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

TEST_F(ShellCli, ExecLoadsAndRunsOnTheVirtualC64AndStatusIniKeepsTheDirectory) {
    start({"--virtual-c64"}, "virtual C64 at READY");
    EXPECT_NE(output().find("execute strings: " + runtime + "/brimwick.sock"), std::string::npos);
    CliResult r = cli({"exec", "L___" + games + "/GAME.PRG"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "done by the running Brimwick\n");
    ASSERT_TRUE(waitFor("keys: ")) << output();
    EXPECT_NE(output().find("reset\nkeys: load\"GAME\",8,1:\u23CErun:\u23CE\n"), std::string::npos)
        << output();
    EXPECT_EQ(stop(), 0) << text(scratch.file("serve.err"));
    EXPECT_FALSE(fs::exists(runtime + "/brimwick.sock"));

    CliResult shown = cli({"settings"});
    EXPECT_EQ(shown.status, 0);
    EXPECT_NE(shown.out.find("device 8: directory " + games + "/\n"), std::string::npos)
        << shown.out;
    // The next start serves it.
    start({"--virtual-c64"}, "virtual C64 at READY");
    EXPECT_NE(output().find("device 8: directory " + games + "/\n"), std::string::npos);
    EXPECT_EQ(stop(), 0);
}

TEST_F(ShellCli, ServeExitsNonZeroAndNamesAnImageItCouldNotSaveAtTheEnd) {
    std::string disks = scratch.file("disks");
    fs::create_directory(disks);
    start({"--virtual-c64"}, "virtual C64 at READY");
    // The disk copier gets a new image for device 9, saved at the end beside
    // the .cdd file; the copier's keys show that the string has run.
    CliResult r = cli({"exec", "CDD_" + disks + "/9.cdd"});
    EXPECT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(waitFor("keys: ")) << output();
    fs::remove_all(disks);
    EXPECT_EQ(stop(), 1);
    std::string err = text(scratch.file("serve.err"));
    EXPECT_NE(err.find("The disk image " + disks +
                       "/drv8.d64 could not be saved: No such file or directory."),
              std::string::npos)
        << err;
}

TEST_F(ShellCli, ExecWithoutARunningInstanceRunsTheStringHere) {
    CliResult r = cli({"exec", "L___games/GAME.PRG"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("nothing was typed"), std::string::npos) << r.out;
    EXPECT_NE(cli({"settings"}).out.find("device 8: directory " + games + "/\n"), std::string::npos)
        << "a relative path is taken from where exec runs";

    // A message box goes to stderr, once.
    r = cli({"exec", "IPD_/x/15.dev"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Brimwick: Illegal Device \n \nDevice number must be in the range 5-14\n");
}

TEST_F(ShellCli, ExecExitsZeroOnlyWhenTheCommandDidItsWork) {
    scratch.write("games/x\ry.prg", std::vector<std::uint8_t>{0x01, 0x08});
    const struct {
        std::string text;
        int status;
        const char* err;  // in stderr ("" for nothing)
    } cases[] = {
        {"IPD_/x/9.dev", 0, ""},
        {"ID__" + games + "/missing.d64", 1, "missing.d64 could not be read: No such file"},
        {"XYZW/x/9.dev", 1, "unknown code 'XYZW'"},
        {"ID", 1, "shorter than a code"},
        {"CT__/" + std::string(509, 'd') + "/dump.bin.new", 1, "too long"},
        {"L___" + games + "/x\ry.prg", 1, "cannot be typed into the C64: it holds a carriage return"},
    };
    auto check = [&](const char* where) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(where) + ": " + c.text.substr(0, 30));
            CliResult r = cli({"exec", c.text});
            EXPECT_EQ(r.status, c.status) << r.err;
            EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
            if (c.status != 0) {
                EXPECT_FALSE(r.err.empty());
            }
        }
    };
    check("here");
    start({"--virtual-c64"}, "virtual C64 at READY");
    check("handed over");
    EXPECT_EQ(stop(), 0) << text(scratch.file("serve.err"));
    EXPECT_EQ(output().find("keys: "), std::string::npos) << "nothing was typed: " << output();
}

TEST_F(ShellCli, BadExecInputGetsAClearError) {
    CliResult r = cli({"exec", ""});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("the execute string is empty"), std::string::npos);

    // A socket file left by an instance that was killed.
    {
        int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::string path = runtime + "/brimwick.sock";
        std::strcpy(address.sun_path, path.c_str());
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    }
    r = cli({"exec", "IPD_/x/9.dev"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("stale socket " + runtime + "/brimwick.sock"), std::string::npos) << r.err;
    EXPECT_NE(cli({"settings"}).out.find("device 8: passed through to the real device 9"),
              std::string::npos);
    // The next start replaces it.
    start({"--virtual-c64"}, "virtual C64 at READY");
    EXPECT_EQ(cli({"exec", "IPD_/x/10.dev"}).out, "done by the running Brimwick\n");
    EXPECT_EQ(stop(), 0);
    EXPECT_EQ(text(scratch.file("serve.err")), "");

    // No socket directory.
    runtime = scratch.file("missing");
    r = cli({"exec", "IPD_/x/11.dev"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("XDG_RUNTIME_DIR names " + runtime + ", which is not a directory"),
              std::string::npos)
        << r.err;
    EXPECT_NE(cli({"settings"}).out.find("device 8: passed through to the real device 11"),
              std::string::npos);
}

TEST_F(ShellCli, AFifoIsRefusedAtOnceWhereverAFileIsRead) {
    // Opened for reading, a FIFO nobody writes blocks for good; `timeout`
    // (exit 124) would end such a run after a minute.
    std::string fifo = scratch.file("pipe.d64");
    std::string source = scratch.file("pipe.a64");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(source.c_str(), 0600), 0);
    std::string disk = scratch.file("disk.d64");
    ASSERT_EQ(cli({"d64", "new", disk}).status, 0);
    const std::vector<std::vector<std::string>> cases = {
        {"d64", "list", fifo},
        {"d64", "add", disk, fifo},
        {"d64", "extract", fifo, scratch.file("out")},
        {"settings", "set", "drive.8=" + fifo},
        {"serve", "--virtual-c64", "--drive", "8=" + fifo},
        {"exec", "ID__" + fifo},
        {"exec", "UD__" + fifo},
        {"exec", "CT__" + fifo},
        {"exec", "CASC" + fifo},
        {"exec", "ADD_" + fifo},
        {"exec", "ASS_" + source},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(args[0] + " " + args[1]);
        CliResult r = cli(args);
        EXPECT_NE(r.status, 0);
        EXPECT_NE(r.status, 124) << "it hung";
        EXPECT_NE(r.err.find("FIFO"), std::string::npos) << r.err;
    }
}

TEST_F(ShellCli, ServeRefusesAMessageTxtThatIsALinkAndStillEndsOnSigterm) {
    std::string victim = scratch.write("victim.txt", std::vector<std::uint8_t>{'k', 'e', 'e', 'p'});
    fs::create_symlink(victim, scratch.file("message.txt"));
    start({"--virtual-c64"}, "virtual C64 at READY");
    EXPECT_EQ(stop(), 0);
    EXPECT_EQ(text(victim), "keep") << "nothing truncated through the link";
    EXPECT_NE(text(scratch.file("serve.err"))
                  .find("cannot write trace file message.txt: it is a symbolic link"),
              std::string::npos)
        << text(scratch.file("serve.err"));

    fs::remove(scratch.file("message.txt"));
    ASSERT_EQ(::mkfifo(scratch.file("message.txt").c_str(), 0600), 0);
    start({"--virtual-c64"}, "virtual C64 at READY");
    EXPECT_EQ(stop(), 0) << "a FIFO named message.txt holds nothing up";
}

TEST_F(ShellCli, ABrokenStatusIniIsToldAndKeptBeforeANewOneIsWritten) {
    std::string status = home + "/Status.ini";
    const struct {
        std::size_t size;
        const char* why;
        const char* kept;  // where its bytes go
    } cases[] = {
        {300, "it is cut short: 300 bytes, the settings alone take 620", "/Status.ini.broken"},
        {0, "it is empty", "/Status.ini.broken.2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        std::vector<std::uint8_t> broken(c.size, 0x41);
        scratch.write("home/Status.ini", broken);
        CliResult r = cli({"exec", "IPD_/x/9.dev"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.err.find("The settings file " + status + " is broken: " + c.why),
                  std::string::npos)
            << r.err;
        EXPECT_EQ(TempDir::read(home + c.kept), broken);
        EXPECT_GE(TempDir::read(status).size(), 620u) << "a fresh Status.ini";
    }
    EXPECT_EQ(TempDir::read(home + "/Status.ini.broken").size(), 300u) << "never overwritten";
    EXPECT_EQ(cli({"settings"}).err, "") << "a sound file is taken without a word";
}

TEST_F(ShellCli, SettingsShowsAPathWithControlBytesEscaped) {
    std::string odd = games + "/a\nb";
    fs::create_directory(odd);
    ASSERT_EQ(cli({"settings", "set", "drive.8=" + odd + "/"}).status, 0);
    std::string shown = cli({"settings"}).out;
    EXPECT_NE(shown.find("device 8: directory " + games + "/a\\x0Ab/\n"), std::string::npos)
        << shown;
}

TEST_F(ShellCli, SettingsSetChecksEverythingBeforeSaving) {
    CliResult r = cli({"settings", "set", "port=2", "drive.8=games/", "drive.10=pass:9",
                       "reset.1=sys64738\\r", "reset=1", "start-assembled=1"});
    EXPECT_EQ(r.status, 0) << r.err;
    std::string saved = text(home + "/Status.ini");
    EXPECT_NE(r.out.find("port: 2 (0x378)\n"), std::string::npos);
    CliResult shown = cli({"settings"});
    EXPECT_EQ(shown.out, r.out);
    for (const char* line :
         {"device 8: directory ", "device 10: passed through to the real device 9",
          "reset sequence 1: \"sys64738\\r\" (typed after a reset)",
          "start the assembled program: yes"})
        EXPECT_NE(shown.out.find(line), std::string::npos) << line;

    for (const char* bad : {"port=9", "drive.15=games/", "volume=3", "reset.7=x"}) {
        SCOPED_TRACE(bad);
        r = cli({"settings", "set", "port=1", bad});
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("nothing was saved"), std::string::npos) << r.err;
        EXPECT_EQ(text(home + "/Status.ini"), saved);
    }
}

TEST_F(ShellCli, SettingsSetDosKeepsItInTheTextSettingsBesideStatusIni) {
    ASSERT_EQ(cli({"settings", "set", "port=1"}).status, 0);
    std::string status = text(home + "/Status.ini");
    // Refused with another change that is bad: neither file changes.
    CliResult r = cli({"settings", "set", "dos=1541", "port=9"});
    EXPECT_EQ(r.status, 2);
    EXPECT_FALSE(fs::exists(home + "/brimwick.ini"));
    r = cli({"settings", "set", "port=2", "dos=1571"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("bad value '1571' for dos"), std::string::npos) << r.err;
    EXPECT_EQ(text(home + "/Status.ini"), status);
    EXPECT_FALSE(fs::exists(home + "/brimwick.ini"));
    EXPECT_NE(cli({"settings"}).out.find("DOS of the drives: original\n"), std::string::npos);

    // Alone it writes brimwick.ini only; Status.ini keeps its bytes.
    r = cli({"settings", "set", "dos=1541"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(text(home + "/brimwick.ini"), "dos=1541\n");
    EXPECT_EQ(text(home + "/Status.ini"), status);
    EXPECT_NE(r.out.find("DOS of the drives: 1541\n"), std::string::npos) << r.out;
    EXPECT_EQ(cli({"dos"}).out, "dos=1541\n");
    // The dos command and the settings agree both ways.
    ASSERT_EQ(cli({"dos", "original"}).status, 0);
    EXPECT_NE(cli({"settings"}).out.find("DOS of the drives: original\n"), std::string::npos);
    r = cli({"settings", "set", "dos=1541", "port=3"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(cli({"dos"}).out, "dos=1541\n");
    EXPECT_NE(cli({"settings"}).out.find("port: 3 (0x3BC)\n"), std::string::npos);
}

TEST_F(ShellCli, SettingsSetWhileAnInstanceRunsIsRefusedNotLostAtItsExit) {
    ASSERT_EQ(cli({"settings", "set", "port=1"}).status, 0);
    start({"--virtual-c64"}, "virtual C64 at READY");
    CliResult r = cli({"settings", "set", "port=2", "dos=1541"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("a running Brimwick writes Status.ini when it ends"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("nothing was saved"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(home + "/brimwick.ini"));
    // The text settings are not written at its end: a DOS change alone goes on.
    EXPECT_EQ(cli({"settings", "set", "dos=1541"}).status, 0);
    EXPECT_EQ(stop(), 0);
    std::string shown = cli({"settings"}).out;
    EXPECT_NE(shown.find("port: 1 (0x278)\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("DOS of the drives: 1541\n"), std::string::npos) << shown;
    // Once it is gone, the change is made.
    EXPECT_EQ(cli({"settings", "set", "port=2"}).status, 0);
    EXPECT_NE(cli({"settings"}).out.find("port: 2 (0x378)\n"), std::string::npos);
}

TEST_F(ShellCli, ServeDriveIsForOneRunUnlessSaved) {
    std::string disk = scratch.file("disk.d64");
    ASSERT_EQ(cli({"d64", "new", disk}).status, 0);
    ASSERT_EQ(cli({"settings", "set", "drive.8=" + disk}).status, 0);

    start({"--virtual-c64", "--drive", "8=games/", "--drive", "9=" + disk}, "virtual C64 at READY");
    EXPECT_NE(output().find("device 8: directory " + games + "/\ndevice 9: image " + disk),
              std::string::npos)
        << output();
    EXPECT_EQ(stop(), 0);
    std::string shown = cli({"settings"}).out;
    EXPECT_NE(shown.find("device 8: image " + disk), std::string::npos) << shown;
    EXPECT_NE(shown.find("device 9: passed through to the real device 9"), std::string::npos);

    start({"--virtual-c64", "--drive", "8=games/", "--save"}, "virtual C64 at READY");
    EXPECT_EQ(stop(), 0);
    EXPECT_NE(cli({"settings"}).out.find("device 8: directory " + games + "/"), std::string::npos);

    CliResult r = cli({"serve", "--virtual-c64", "--drive", "16=games/"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--drive: no drive for device '16'"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace brimwick::cli
