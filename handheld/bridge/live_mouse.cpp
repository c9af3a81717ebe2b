// A real mouse through libevdev: opened, checked, grabbed while it drives the handheld, and
// let go on every way out.
#include "handheld/bridge/bridge.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <libevdev/libevdev.h>
#include <poll.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

#define INPUT_FOLDER "/dev/input"

void SayNoPermission(const char *path)
{
    fprintf(stderr,
            "mouse_bridge: no permission to read %s: the user must be in the group that owns it\n"
            "  (usually input: sudo usermod -aG input $USER, then log in again), or a udev rule must\n"
            "  give it to you, e.g. /etc/udev/rules.d/70-mouse-bridge.rules with\n"
            "  SUBSYSTEM==\"input\", KERNEL==\"event*\", ENV{ID_INPUT_MOUSE}==\"1\", TAG+=\"uaccess\"\n",
            path);
}

bool IsMouse(const libevdev *device)
{
    return libevdev_has_event_code(device, EV_REL, REL_X) && libevdev_has_event_code(device, EV_REL, REL_Y) &&
           libevdev_has_event_code(device, EV_KEY, BTN_LEFT);
}

// Opens path as an evdev device: the device, or null with *error the open's or libevdev's
// errno.
libevdev *OpenDevice(const char *path, int *fd, int *error)
{
    *fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (*fd < 0) {
        *error = errno;
        return nullptr;
    }
    libevdev *device = nullptr;
    int rc = libevdev_new_from_fd(*fd, &device);
    if (rc < 0) {
        *error = -rc;
        close(*fd);
        *fd = -1;
        return nullptr;
    }
    return device;
}

// The named device, checked: null with the reason said.
libevdev *OpenNamedMouse(const char *path, int *fd)
{
    int error = 0;
    libevdev *device = OpenDevice(path, fd, &error);
    if (!device) {
        if (error == ENOENT || error == ENODEV || error == ENXIO)
            fprintf(stderr,
                    "mouse_bridge: no device %s: is the mouse connected? Its event device is on the\n"
                    "  Handlers= line of its entry in /proc/bus/input/devices\n",
                    path);
        else if (error == EACCES || error == EPERM)
            SayNoPermission(path);
        else if (error == ENOTTY || error == EINVAL)
            fprintf(stderr, "mouse_bridge: %s is no input event device (/dev/input/event<N>)\n", path);
        else
            fprintf(stderr, "mouse_bridge: cannot open %s: %s\n", path, strerror(error));
        return nullptr;
    }
    if (!IsMouse(device)) {
        fprintf(stderr, "mouse_bridge: %s (\"%s\") is no mouse: it lacks REL_X, REL_Y or BTN_LEFT\n", path,
                libevdev_get_name(device));
        libevdev_free(device);
        close(*fd);
        return nullptr;
    }
    return device;
}

// The first mouse among /dev/input/event*, by number: null with the reason said.
libevdev *FindMouse(std::string *path, int *fd)
{
    std::vector<std::string> names;
    if (DIR *folder = opendir(INPUT_FOLDER)) {
        while (dirent *entry = readdir(folder))
            if (strncmp(entry->d_name, "event", 5) == 0)
                names.push_back(entry->d_name);
        closedir(folder);
    }
    std::sort(names.begin(), names.end(), [](const std::string &a, const std::string &b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b; // event2 before event10
    });
    std::string refused;
    for (const std::string &name : names) {
        std::string candidate = INPUT_FOLDER "/" + name;
        int error = 0;
        libevdev *device = OpenDevice(candidate.c_str(), fd, &error);
        if (!device) {
            if ((error == EACCES || error == EPERM) && refused.empty())
                refused = candidate;
            continue;
        }
        if (IsMouse(device)) {
            *path = candidate;
            return device;
        }
        libevdev_free(device);
        close(*fd);
    }
    if (names.empty())
        fprintf(stderr, "mouse_bridge: no input devices here (" INPUT_FOLDER "/event*): connect a mouse, or replay a\n"
                        "  recording with --replay FILE\n");
    else if (!refused.empty())
        SayNoPermission(refused.c_str());
    else
        fprintf(stderr, "mouse_bridge: none of the %zu input devices in " INPUT_FOLDER " is a mouse (REL_X, REL_Y and BTN_LEFT)\n",
                names.size());
    return nullptr;
}

// Passes the device's events into the feed until a stop signal, the device going away or the
// feed closing.
int Bridge(libevdev *device, int fd, int feed, ReportGrouping *grouping)
{
    struct pollfd waits[2] = {{fd, POLLIN, 0}, {feed, POLLIN | POLLRDHUP, 0}};
    unsigned flag = LIBEVDEV_READ_FLAG_NORMAL;
    for (;;) {
        input_event e;
        int rc = libevdev_next_event(device, flag, &e);
        if (rc == LIBEVDEV_READ_STATUS_SYNC) {
            // SYN_DROPPED: the kernel's queue overflowed. Its first event is SYN_DROPPED
            // itself, then libevdev gives the changes of state since, ended by a SYN_REPORT;
            // -EAGAIN ends the sync.
            flag = LIBEVDEV_READ_FLAG_SYNC;
        } else if (rc == -EAGAIN) {
            if (flag == LIBEVDEV_READ_FLAG_SYNC) {
                flag = LIBEVDEV_READ_FLAG_NORMAL;
                continue;
            }
            if (WaitForEvents(waits, 2, nullptr) < 0 && StopRequested())
                return BRIDGE_DONE;
            if (waits[1].revents && FeedClosed(feed)) {
                fprintf(stderr, "mouse_bridge: the handheld's report feed closed the connection\n");
                return BRIDGE_NO_FEED;
            }
            continue;
        } else if (rc != LIBEVDEV_READ_STATUS_SUCCESS) {
            fprintf(stderr, "mouse_bridge: the mouse went away (%s)\n", strerror(-rc));
            return BRIDGE_NO_MOUSE;
        }
        if (GroupEvent(grouping, e.type, e.code, e.value) == GROUP_ENDED && !SendGroupReports(feed, grouping))
            return BRIDGE_NO_FEED;
        if (StopRequested())
            return BRIDGE_DONE;
    }
}

} // namespace

int BridgeLiveMouse(const BridgeOptions &options)
{
    int fd = -1;
    std::string found;
    libevdev *device = options.device ? OpenNamedMouse(options.device, &fd) : FindMouse(&found, &fd);
    if (!device)
        return BRIDGE_NO_MOUSE;
    const char *path = options.device ? options.device : found.c_str();

    int feed = ConnectFeed(options.port, options.waitMs);
    if (feed < 0) {
        libevdev_free(device);
        close(fd);
        return BRIDGE_NO_FEED;
    }
    // Grabbed, the desktop's own pointer stays still while the mouse drives the handheld.
    int rc = libevdev_grab(device, LIBEVDEV_GRAB);
    if (rc < 0) {
        fprintf(stderr, "mouse_bridge: cannot take %s for the handheld alone: %s (another program holds it?)\n", path,
                strerror(-rc));
        close(feed);
        libevdev_free(device);
        close(fd);
        return BRIDGE_NO_MOUSE;
    }
    fprintf(stderr, "mouse_bridge: \"%s\" (%s) drives the handheld at 127.0.0.1:%d; Ctrl-C gives it back\n",
            libevdev_get_name(device), path, options.port);
    ReportGrouping grouping;
    StartGrouping(&grouping);
    int result = Bridge(device, fd, feed, &grouping);
    if (result != BRIDGE_NO_FEED)
        SendRelease(feed, &grouping);
    libevdev_grab(device, LIBEVDEV_UNGRAB);
    close(feed);
    libevdev_free(device);
    close(fd);
    return result;
}
