// The real-mouse bridge as a user runs it: a recording replayed into a feed of the test's own
// (a listening socket on 127.0.0.1), and every refusal with its message and exit code. The
// live path is not run: it would take a mouse of the machine's away from its desktop.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <grp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string Recordings = QM_SOURCE_DIR "/tests/fixtures/recordings/";

// A feed of the test's own: a listening socket on a free loopback port.
struct Feed {
    int listener = -1;
    int port = 0;
    Feed()
    {
        listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a = {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof(a);
        if (bind(listener, (sockaddr *)&a, sizeof(a)) == 0 && listen(listener, 1) == 0 &&
            getsockname(listener, (sockaddr *)&a, &size) == 0)
            port = ntohs(a.sin_port);
    }
    ~Feed() { close(listener); }
    // The bridge's connection, waited for up to 10 s; a read from it gives up after 30 s of
    // silence, so that a bridge that hangs fails the test instead of holding it.
    int Accept()
    {
        pollfd p = {listener, POLLIN, 0};
        int connection = poll(&p, 1, 10000) == 1 ? accept(listener, nullptr, nullptr) : -1;
        timeval patience = {30, 0};
        if (connection >= 0)
            setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof(patience));
        return connection;
    }
};

// A port nothing listens on: one the system gave and took back.
int ClosedPort()
{
    Feed f;
    return f.port;
}

struct BridgeRun {
    pid_t pid = -1;
    std::string errorPath;
    // unprivileged: as a user of no group, even when the test runs as root (who may open
    // anything).
    explicit BridgeRun(const std::vector<std::string> &args, bool unprivileged = false)
    {
        char name[] = "/tmp/mouse_bridge_test.XXXXXX";
        int err = mkstemp(name);
        errorPath = name;
        std::vector<char *> argv{(char *)QM_MOUSE_BRIDGE};
        for (const std::string &a : args)
            argv.push_back((char *)a.c_str());
        argv.push_back(nullptr);
        pid = fork();
        if (pid == 0) {
            dup2(err, 2);
            const uid_t nobody = 65534;
            if (unprivileged && geteuid() == 0 &&
                (setgroups(0, nullptr) != 0 || setgid(nobody) != 0 || setuid(nobody) != 0))
                _exit(126);
            execv(QM_MOUSE_BRIDGE, argv.data());
            _exit(127);
        }
        close(err);
    }
    ~BridgeRun()
    {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        unlink(errorPath.c_str());
    }
    // The exit code; -1 when the bridge is still running after 30 s (then ended), so that a
    // bridge that hangs fails the test instead of holding it.
    int Wait()
    {
        int status = 0;
        pid_t ended = 0;
        for (int i = 0; i < 3000 && (ended = waitpid(pid, &status, WNOHANG)) == 0; i++)
            usleep(10000);
        if (ended == 0) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            pid = -1;
            return -1;
        }
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::string Said() const
    {
        std::ifstream file(errorPath);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }
};

// Everything the connection carries until the bridge closes it; *firstMs and *lastMs when
// the first and the last bytes came, after the start.
std::string ReadAll(int connection, long *firstMs = nullptr, long *lastMs = nullptr)
{
    auto start = std::chrono::steady_clock::now();
    std::string bytes;
    char buffer[4096];
    ssize_t n;
    while ((n = read(connection, buffer, sizeof(buffer))) > 0) {
        long ms = (long)std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                      .count();
        if (bytes.empty() && firstMs)
            *firstMs = ms;
        if (lastMs)
            *lastMs = ms;
        bytes.append(buffer, (size_t)n);
    }
    close(connection);
    return bytes;
}

std::string Reports(std::initializer_list<std::array<int, 4>> reports)
{
    std::string bytes;
    for (const auto &r : reports)
        for (int v : r)
            bytes += (char)(uint8_t)(int8_t)v;
    return bytes;
}

} // namespace

TEST(MouseBridge, AReplayGivesTheFeedItsReports)
{
    Feed feed;
    ASSERT_NE(0, feed.port);
    BridgeRun bridge({"--port", std::to_string(feed.port), "--fast", "--replay", Recordings + "fast_move.evemu"});
    int connection = feed.Accept();
    ASSERT_GE(connection, 0) << bridge.Said();
    EXPECT_EQ(Reports({{0, 100, -14, 0}, {0, 100, -13, 0}, {0, 100, -13, 0}, {0, -125, 0, 0}, {0, -125, 0, 0},
                       {0, -125, 0, 0}, {0, -125, 0, 0}, {0, 5, 2, 0}}),
              ReadAll(connection));
    EXPECT_EQ(0, bridge.Wait()) << bridge.Said();
}

TEST(MouseBridge, AReplayKeepsTheRecordingsPauses)
{
    // click.evemu: the left button at 0 ms, let go at 96, the right at 508, let go at 596.
    Feed feed;
    BridgeRun bridge({"--port", std::to_string(feed.port), "--replay", Recordings + "click.evemu"});
    int connection = feed.Accept();
    ASSERT_GE(connection, 0) << bridge.Said();
    long first = -1, last = -1;
    EXPECT_EQ(Reports({{1, 0, 0, 0}, {0, 0, 0, 0}, {2, 0, 0, 0}, {0, 0, 0, 0}}), ReadAll(connection, &first, &last));
    EXPECT_GE(last - first, 590) << "the last report came " << last - first << " ms after the first";
    EXPECT_EQ(0, bridge.Wait()) << bridge.Said();
}

TEST(MouseBridge, CtrlCLetsGoOfTheHeldButtons)
{
    // The left button held for 5 s, then let go with a step right: Ctrl-C comes first.
    char name[] = "/tmp/mouse_bridge_hold.XXXXXX";
    int fd = mkstemp(name);
    std::string hold = "E: 0.000001 0001 0110 0001\nE: 0.000001 0000 0000 0000\n"
                       "E: 5.000001 0001 0110 0000\nE: 5.000001 0002 0000 0001\nE: 5.000001 0000 0000 0000\n";
    ASSERT_EQ((ssize_t)hold.size(), write(fd, hold.data(), hold.size()));
    close(fd);
    Feed feed;
    BridgeRun bridge({"--port", std::to_string(feed.port), "--replay", name});
    int connection = feed.Accept();
    ASSERT_GE(connection, 0) << bridge.Said();
    char report[4];
    ASSERT_EQ(4, read(connection, report, 4));
    ASSERT_EQ(1, report[0]) << "the left button is down";
    kill(bridge.pid, SIGINT);
    EXPECT_EQ(Reports({{0, 0, 0, 0}}), ReadAll(connection)) << "let go where it is, before the recorded release";
    EXPECT_EQ(0, bridge.Wait()) << bridge.Said();
    unlink(name);
}

TEST(MouseBridge, RefusesClearlyWithItsExitCode)
{
    char name[] = "/tmp/mouse_bridge_bad.XXXXXX";
    int fd = mkstemp(name);
    std::string bad = "# EVEMU 1.3\nN: Dalvern Wired Mouse\nE: 0.000001 0002 0000 0001\nE: 0.000001 0000 0000\n";
    ASSERT_EQ((ssize_t)bad.size(), write(fd, bad.data(), bad.size()));
    close(fd);
    char empty[] = "/tmp/mouse_bridge_empty.XXXXXX";
    close(mkstemp(empty));
    const std::string closed = std::to_string(ClosedPort());

    struct Case {
        const char *what;
        std::vector<std::string> args;
        int code;
        std::string says;
    } cases[] = {
        {"an unknown option", {"--speed", "2"}, 1, "usage: mouse_bridge"},
        {"a port out of range", {"--port", "65536", "--replay", Recordings + "click.evemu"}, 1, "usage:"},
        {"a device and a recording", {"/dev/input/event0", "--replay", Recordings + "click.evemu"}, 1, "usage:"},
        {"no such recording", {"--replay", "/nonexistent/mouse.evemu"}, 1,
         "cannot read the recording /nonexistent/mouse.evemu"},
        {"a malformed line", {"--replay", name}, 1,
         std::string(name) + ":4: E: the value must be decimal, -2147483648 to 2147483647"},
        {"a recording of no mouse", {"--replay", Recordings + "keyboard.evemu"}, 1,
         "is a recording of \"Dalvern Keyboard\", which is no mouse (it lacks REL_X, REL_Y or BTN_LEFT)"},
        {"a recording without events", {"--replay", empty}, 1, "has no events"},
        {"no such device", {"/dev/input/event-none"}, 2, "no device /dev/input/event-none: is the mouse connected?"},
        {"no input device", {"/dev/null"}, 2, "/dev/null is no input event device"},
        {"the feed's port closed", {"--port", closed, "--replay", Recordings + "click.evemu"}, 3,
         "the handheld's report feed at 127.0.0.1:" + closed + " refused the connection"},
    };
    for (const Case &c : cases) {
        BridgeRun bridge(c.args);
        EXPECT_EQ(c.code, bridge.Wait()) << c.what;
        EXPECT_NE(std::string::npos, bridge.Said().find(c.says)) << c.what << ": " << bridge.Said();
    }
    unlink(name);
    unlink(empty);
}

TEST(MouseBridge, NoPermissionSaysWhichGroupOrRuleIsNeeded)
{
    // A device node the user may not read, as /dev/input/event* is to a user outside "input".
    char locked[] = "/tmp/mouse_bridge_locked.XXXXXX";
    close(mkstemp(locked));
    ASSERT_EQ(0, chmod(locked, 0));
    BridgeRun bridge({locked}, true);
    EXPECT_EQ(2, bridge.Wait()) << bridge.Said();
    std::string said = bridge.Said();
    EXPECT_NE(std::string::npos, said.find(std::string("no permission to read ") + locked)) << said;
    EXPECT_NE(std::string::npos, said.find("sudo usermod -aG input $USER")) << said;
    EXPECT_NE(std::string::npos, said.find("TAG+=\"uaccess\"")) << said;
    unlink(locked);
}

TEST(MouseBridge, AFeedThatClosesEndsTheReplay)
{
    Feed feed;
    BridgeRun bridge({"--port", std::to_string(feed.port), "--replay", Recordings + "click.evemu"});
    int connection = feed.Accept();
    ASSERT_GE(connection, 0) << bridge.Said();
    close(connection); // the handheld ends while the recording plays
    EXPECT_EQ(3, bridge.Wait());
    EXPECT_NE(std::string::npos, bridge.Said().find("the handheld's report feed closed the connection"))
        << bridge.Said();
}
