// The serial transport on POSIX systems: termios raw mode, and poll() for
// the first byte and for the silence that ends a reply.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "serial_link.h"

namespace {

struct BaudRate {
    unsigned rate;
    speed_t code;
};

constexpr BaudRate kBaudRates[] = {
    {9600, B9600}, {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200},
};

void SetError(int* systemError, int error)
{
    if (systemError) *systemError = error;
}

void Trace(const SerialLink* link, bool sent, const void* bytes, int count)
{
    if (link->trace && count > 0)
        link->trace(link->traceContext, link->name, sent, static_cast<const unsigned char*>(bytes), count);
}

long long NowMs()
{
    timespec now = {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Waits up to `ms` for a byte to read: 1 ready, 0 time-out, -1 error
// (a hang-up counts as an error: the device is gone).
int WaitReadable(int fd, int ms, int* systemError)
{
    pollfd p = {fd, POLLIN, 0};
    for (;;) {
        int n = poll(&p, 1, ms);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            SetError(systemError, errno);
            return -1;
        }
        if (n == 0) return 0;
        if (p.revents & POLLIN) return 1;
        SetError(systemError, (p.revents & POLLHUP) ? EIO : EBADF);
        return -1;
    }
}

}  // namespace

bool SerialOpen(SerialLink* link, const char* name, unsigned baudRate, int* systemError)
{
    link->handle = -1;
    SetError(systemError, 0);
    speed_t speed = 0;
    for (const BaudRate& b : kBaudRates) {
        if (b.rate == baudRate) speed = b.code;
    }
    if (!name || !name[0] || speed == 0) {
        SetError(systemError, EINVAL);
        return false;
    }
    // Non-blocking open: a line without carrier must not hang here.
    int fd = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        SetError(systemError, errno);
        return false;
    }
    termios tio = {};
    bool ok = tcgetattr(fd, &tio) == 0;
    if (ok) {
        cfmakeraw(&tio);
        tio.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CSIZE | CRTSCTS);
        tio.c_cflag |= CS8 | CLOCAL | CREAD;
        tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
        ok = cfsetispeed(&tio, speed) == 0 && cfsetospeed(&tio, speed) == 0 &&
             tcsetattr(fd, TCSANOW, &tio) == 0;
    }
    if (ok && flock(fd, LOCK_EX | LOCK_NB) != 0) {
        // Another program of ours has the line, as a busy COM port on Windows.
        ok = false;
        errno = EBUSY;
    }
    if (ok) ioctl(fd, TIOCEXCL);  // and keep others out while it is open
    // Bytes that came while nobody listened (a late reply to an earlier
    // session: a pty keeps them across closes) are no reply to our commands.
    if (ok) tcflush(fd, TCIFLUSH);
    if (!ok) {
        SetError(systemError, errno);
        close(fd);
        return false;
    }
    link->handle = fd;
    return true;
}

bool SerialRead(SerialLink* link, unsigned char* buffer, int capacity, int firstByteWaitMs, int* received,
                int* systemError)
{
    if (!ReadRoomGiven(buffer, capacity, received, systemError)) return true;
    const int fd = static_cast<int>(link->handle);

    int count = 0;
    bool failed = false;
    const long long deadline = NowMs() + (firstByteWaitMs > LineSilenceMs ? firstByteWaitMs : LineSilenceMs);
    while (count < capacity) {
        int wait = LineSilenceMs;
        if (count == 0) {
            long long left = deadline - NowMs();
            wait = left > 0 ? static_cast<int>(left) : 0;
        }
        int ready = WaitReadable(fd, wait, systemError);
        if (ready < 0) {
            failed = true;
            break;
        }
        if (ready == 0) break;  // silence: the reply is complete
        ssize_t n = read(fd, buffer + count, static_cast<size_t>(capacity - count));
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) {
            SetError(systemError, n == 0 ? EIO : errno);
            failed = true;
            break;
        }
        count += static_cast<int>(n);
    }
    Trace(link, false, buffer, count);
    if (received) *received = count;
    return !failed;
}

bool SerialWrite(SerialLink* link, const void* bytes, int count, int* systemError)
{
    SetError(systemError, 0);
    if (!bytes || count < 0) return false;
    const int fd = static_cast<int>(link->handle);
    const unsigned char* p = static_cast<const unsigned char*>(bytes);
    int done = 0;
    while (done < count) {
        ssize_t n = write(fd, p + done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd w = {fd, POLLOUT, 0};
            if (poll(&w, 1, 1000) > 0) continue;
            SetError(systemError, ETIMEDOUT);
            break;
        }
        if (n <= 0) {
            SetError(systemError, n < 0 ? errno : EIO);
            break;
        }
        done += static_cast<int>(n);
    }
    Trace(link, true, bytes, done);
    if (done == count) tcdrain(fd);
    return done == count;
}

void SerialClose(SerialLink* link)
{
    if (link->handle != -1) close(static_cast<int>(link->handle));
    link->handle = -1;
}

void SerialErrorText(int systemError, char* text, size_t size)
{
    if (!text || size == 0) return;
    std::snprintf(text, size, "%s", std::strerror(systemError));
}
