// kv-emulator: plays one reader on a pty or tty. This file holds only the
// line, timing, signal, log and control-file plumbing; the reader itself
// lives in reader.cpp.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fstream>
#include <sstream>
#include <string>

#include "reader.h"

namespace {

volatile sig_atomic_t g_stop = 0;
volatile sig_atomic_t g_reload = 0;

void OnStop(int) { g_stop = 1; }
void OnHup(int) { g_reload = 1; }

std::int64_t NowMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

const std::int64_t g_start = NowMs();

class Log {
 public:
  bool Open(const std::string& path) {
    f_ = std::fopen(path.c_str(), "a");
    return f_ != nullptr;
  }
  ~Log() {
    if (f_) std::fclose(f_);
  }
  // "TAG escaped<TAB>hex=..<TAB>ms=.." for traffic; the escaped form never
  // holds a raw tab, so splitting on tabs is safe.
  void Bytes(const char* tag, const std::string& bytes, const char* extra = "") {
    if (!f_) return;
    std::fprintf(f_, "%s %s\thex=%s\tms=%lld%s\n", tag, kvemu::Escape(bytes).c_str(),
                 kvemu::Hex(bytes).c_str(), static_cast<long long>(NowMs() - g_start),
                 extra);
    std::fflush(f_);
  }
  void Line(const char* tag, const std::string& text) {
    if (!f_) return;
    std::fprintf(f_, "%s %s\tms=%lld\n", tag, kvemu::Escape(text).c_str(),
                 static_cast<long long>(NowMs() - g_start));
    std::fflush(f_);
  }

 private:
  std::FILE* f_ = nullptr;
};

Log g_log;

const char* KindName(kvemu::CmdKind k) {
  switch (k) {
    case kvemu::CmdKind::Read: return "read";
    case kvemu::CmdKind::Write: return "write";
    case kvemu::CmdKind::Ids: return "ids";
    case kvemu::CmdKind::Unknown: break;
  }
  return "unknown";
}

int OpenLine(const std::string& path) {
  int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return -1;
  termios tio;
  if (tcgetattr(fd, &tio) == 0) {
    cfmakeraw(&tio);
    cfsetispeed(&tio, B19200);
    cfsetospeed(&tio, B19200);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSANOW, &tio) != 0) {
      close(fd);
      return -1;
    }
  }
  return fd;
}

// Time the bytes spend on a real 19200 8N1 wire (10 bits each), so a gap is
// measured from the last stop bit rather than from the write call.
std::int64_t WireMs(std::size_t n) { return static_cast<std::int64_t>(n) * 10 * 1000 / 19200; }

// Writes all bytes; false when the line went away.
bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  std::int64_t giveUp = NowMs() + 500;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      if (NowMs() > giveUp) return false;
      pollfd p{fd, POLLOUT, 0};
      poll(&p, 1, 10);
    } else {
      return false;
    }
  }
  return true;
}

struct Pending {
  bool startsReply;      // delay counts from when the command arrived
  std::int64_t due;      // absolute, for the first chunk of a reply
  int delayMs;           // after the previous chunk, for the others
  std::string bytes;
};

struct Control {
  std::string path;
  std::string lastContent;
  std::int64_t nextCheck = 0;
};

bool SplitOption(const std::string& line, std::string& name, std::string& value) {
  std::string s = line;
  while (!s.empty() && (s.back() == '\r' || s.back() == ' ')) s.pop_back();
  std::size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos || s[b] == '#') return false;
  s = s.substr(b);
  if (s.compare(0, 2, "--") == 0) s = s.substr(2);
  std::size_t sep = s.find_first_of(" =");
  name = s.substr(0, sep);
  value = sep == std::string::npos ? std::string() : s.substr(sep + 1);
  return true;
}

// Re-applies every line of the control file whenever its content changes.
// Lines only set values, so applying a half-written file and then the whole
// file gives the same end state.
void PollControl(Control& ctl, kvemu::Reader& reader, const kvemu::Config& startup,
                 bool force) {
  if (ctl.path.empty()) return;
  std::ifstream in(ctl.path, std::ios::binary);
  if (!in) return;
  std::stringstream ss;
  ss << in.rdbuf();
  std::string content = ss.str();
  if (!force && content == ctl.lastContent) return;
  ctl.lastContent = content;
  std::istringstream lines(content);
  std::string line;
  while (std::getline(lines, line)) {
    std::string name, value, err;
    if (!SplitOption(line, name, value)) continue;
    if (name == "reset") {
      reader.config() = startup;
      g_log.Line("CTL", line);
    } else if (kvemu::ApplyOption(reader.config(), name, value, err)) {
      g_log.Line("CTL", line);
    } else {
      g_log.Line("CTL-ERR", line + " : " + err);
      std::fprintf(stderr, "kv-emulator: control: %s\n", err.c_str());
    }
  }
}

void Usage() {
  std::printf(
      "usage: kv-emulator [options] PORT\n"
      "  --port PATH        pty or tty to open (or give it as the last argument)\n"
      "  --log PATH         log of received and sent bytes\n"
      "  --control PATH     control file, re-read when it changes or on SIGHUP\n"
      "  --ready-file PATH  written once the port is open\n"
      "  --model U|M|X|B    --firmware TEXT   --settings LETTERS\n"
      "  --card N[,C]|none  --cipher C\n"
      "  --fault none|silent|garbage[:N]|cut:N|long[:N]|gap:N\n"
      "  --fault-on read,write,ids,unknown,all   --gap-ms MS   --delay MS\n"
      "  --bad-field FIELD=LETTERS|none   --payload TEXT|none\n"
      "  --ids-prefix TEXT  --ids-end BYTE   --idle-ms MS   --seed N   --ignore-writes 0|1\n"
      "See README.md beside the sources for details.\n");
}

}  // namespace

int main(int argc, char** argv) {
  kvemu::Config cfg;
  std::string port, logPath, readyFile;
  Control ctl;

  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      Usage();
      return 0;
    }
    if (arg.compare(0, 2, "--") != 0) {
      port = arg;
      continue;
    }
    std::string name = arg.substr(2), value;
    std::size_t eq = name.find('=');
    if (eq != std::string::npos) {
      value = name.substr(eq + 1);
      name = name.substr(0, eq);
    } else if (i + 1 < argc) {
      value = argv[++i];
    } else {
      std::fprintf(stderr, "kv-emulator: --%s needs a value\n", name.c_str());
      return 2;
    }
    std::string err;
    if (name == "port") port = value;
    else if (name == "log") logPath = value;
    else if (name == "control") ctl.path = value;
    else if (name == "ready-file") readyFile = value;
    else if (!kvemu::ApplyOption(cfg, name, value, err)) {
      std::fprintf(stderr, "kv-emulator: %s\n", err.c_str());
      return 2;
    }
  }
  if (port.empty()) {
    Usage();
    return 2;
  }
  if (!logPath.empty() && !g_log.Open(logPath)) {
    std::fprintf(stderr, "kv-emulator: cannot open log %s: %s\n", logPath.c_str(),
                 std::strerror(errno));
    return 2;
  }

  struct sigaction sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sa_handler = OnStop;  // no SA_RESTART: poll() must wake up
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  sa.sa_handler = OnHup;
  sigaction(SIGHUP, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);

  kvemu::Reader reader(cfg);
  const kvemu::Config startup = cfg;
  kvemu::Framer framer;
  std::deque<Pending> out;
  std::int64_t lastWriteEnd = 0;
  int fd = -1;
  bool announced = false;
  PollControl(ctl, reader, startup, false);

  while (!g_stop) {
    std::int64_t now = NowMs();
    if (g_reload || now >= ctl.nextCheck) {
      PollControl(ctl, reader, startup, g_reload != 0);
      g_reload = 0;
      ctl.nextCheck = now + 20;
    }

    if (fd < 0) {
      fd = OpenLine(port);
      if (fd < 0) {
        poll(nullptr, 0, 50);
        continue;
      }
      g_log.Line("INFO", "open " + port);
      if (!announced) {
        announced = true;
        if (!readyFile.empty()) {
          std::FILE* f = std::fopen(readyFile.c_str(), "w");
          if (f) {
            std::fprintf(f, "%d %s\n", static_cast<int>(getpid()), port.c_str());
            std::fclose(f);
          }
        }
        std::printf("ready %s\n", port.c_str());
        std::fflush(stdout);
      }
    }

    // Send every reply chunk that is due.
    bool lineLost = false;
    while (!out.empty()) {
      Pending& p = out.front();
      std::int64_t due = p.startsReply ? std::max(p.due, lastWriteEnd)
                                       : lastWriteEnd + p.delayMs;
      if (due > now) break;
      if (!WriteAll(fd, p.bytes)) {
        g_log.Bytes("TX-LOST", p.bytes);
        lineLost = true;
        break;
      }
      g_log.Bytes("TX", p.bytes);
      now = NowMs();
      lastWriteEnd = now + WireMs(p.bytes.size());
      out.pop_front();
    }

    std::int64_t wake = now + 20;  // control-file poll period
    if (framer.Deadline() >= 0) wake = std::min(wake, framer.Deadline());
    if (!out.empty()) {
      const Pending& p = out.front();
      wake = std::min(wake, p.startsReply ? std::max(p.due, lastWriteEnd)
                                          : lastWriteEnd + p.delayMs);
    }
    int timeout = static_cast<int>(std::max<std::int64_t>(0, wake - now));

    pollfd pfd{fd, POLLIN, 0};
    int pr = lineLost ? 0 : poll(&pfd, 1, timeout);
    now = NowMs();
    std::string frame;
    std::vector<std::string> frames;
    if (pr > 0 && (pfd.revents & POLLIN)) {
      char buf[256];
      ssize_t n = read(fd, buf, sizeof buf);
      if (n > 0) {
        frames = framer.Add(std::string(buf, static_cast<std::size_t>(n)), now,
                            kvemu::FamilyOf(reader.config().model), reader.config().idleMs);
      } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
        lineLost = true;
      }
    } else if (pr > 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL))) {
      lineLost = true;
    }
    if (lineLost) {
      // The far end closed; a pty gives EIO or EOF until it is opened again.
      g_log.Line("INFO", "line closed, reopening");
      close(fd);
      fd = -1;
      framer.Clear();
      out.clear();
      poll(nullptr, 0, 50);
      continue;
    }
    if (framer.Expire(now, frame)) frames.push_back(frame);

    for (const std::string& f : frames) {
      kvemu::Response r = reader.Handle(f);
      std::string kind = std::string("\tkind=") + KindName(r.kind);
      g_log.Bytes("RX", f, kind.c_str());
      if (r.chunks.empty()) g_log.Line("INFO", "silent");
      for (std::size_t k = 0; k < r.chunks.size(); ++k)
        out.push_back({k == 0, now + r.chunks[k].delayMs, r.chunks[k].delayMs,
                       r.chunks[k].bytes});
    }
  }

  g_log.Line("INFO", "exit");
  if (fd >= 0) close(fd);
  return 0;
}
