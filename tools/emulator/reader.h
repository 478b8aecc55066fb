// Reader emulator core: one Varko-7 reader as seen from the serial line.
// Nothing here touches the operating system, so the same logic can sit
// behind a pty on Linux or a COM port on Windows.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kvemu {

enum class Family { Ehx, Usb };

// What a received frame asked for; also the selector of --fault-on.
enum class CmdKind { Read, Write, Ids, Unknown };

enum class Shape { None, Silent, Garbage, Cut, Long, Gap };

enum : unsigned {
  kOnRead = 1u << 0,
  kOnWrite = 1u << 1,
  kOnIds = 1u << 2,
  kOnUnknown = 1u << 3,
  kOnAll = kOnRead | kOnWrite | kOnIds | kOnUnknown,
};

struct Config {
  char model = 'U';             // 'U', 'M', 'X' (Ehx family) or 'B' (Usb)
  std::string firmware = "1.10";
  std::string ehxLetters = "TMX1AF";
  std::string usbLetters = "WHDH5EM";
  std::uint64_t cardNumber = 0;  // 0/0 stands for "no card on the reader"
  std::uint64_t cipherId = 0;

  Shape shape = Shape::None;
  int shapeArg = 0;             // cut length, long length, gap position, garbage length
  int gapMs = 150;
  int delayMs = 0;              // before the first byte of a reply
  unsigned faultOn = kOnAll;

  std::map<std::string, std::string> badFields;  // field name -> letters
  bool payloadOverride = false;
  std::string payload;          // whole settings payload (version + letters)
  std::string idsPrefix;        // bytes put before a card reply
  int idsEnd = '.';             // byte at offset 39 of a card reply

  bool ignoreWrites = false;    // acknowledge writes but keep the old letters
  int idleMs = 30;              // framing: a frame ends after this much silence
  std::uint32_t seed = 1;
};

// One piece of a reply: wait delayMs after the previous piece went out
// (or after the command arrived), then write bytes in one call.
struct Chunk {
  int delayMs = 0;
  std::string bytes;
};

struct Response {
  CmdKind kind = CmdKind::Unknown;
  std::vector<Chunk> chunks;  // empty: the reader stays silent
};

Family FamilyOf(char model);
bool ValidLetters(Family family, const std::string& letters);

// True when buf is exactly one command this reader knows to be complete,
// so it can be answered without waiting for the line to fall silent.
bool IsCompleteCommand(const std::string& buf, Family family);

// Sets one option by name ("model", "fault", "card", ...). Used for both the
// command line and the run-time control file. On failure err says why and
// the configuration is unchanged.
bool ApplyOption(Config& cfg, const std::string& name, const std::string& value,
                 std::string& err);

// "\n", "\r", "\t", "\\" and "\xNN" escapes, for options that carry bytes.
bool Unescape(const std::string& in, std::string& out);
// Printable form for the log: the reverse of Unescape.
std::string Escape(const std::string& bytes);
std::string Hex(const std::string& bytes);

// Cuts the received byte stream into frames. Commands carry no terminator:
// a frame ends as soon as it forms a complete known command, when the line
// has been silent for idleMs, or when it reaches kFrameMax bytes.
class Framer {
 public:
  static constexpr std::size_t kFrameMax = 64;
  // Bytes that arrived at nowMs; returns the frames they completed.
  std::vector<std::string> Add(const std::string& bytes, std::int64_t nowMs,
                               Family family, int idleMs);
  // Ends the pending frame if the line has been silent long enough.
  bool Expire(std::int64_t nowMs, std::string& frame);
  // Time at which the pending bytes become a frame; -1 when none pending.
  std::int64_t Deadline() const { return pending_.empty() ? -1 : deadline_; }
  void Clear() { pending_.clear(); }

 private:
  std::string pending_;
  std::int64_t deadline_ = 0;
};

class Reader {
 public:
  explicit Reader(const Config& cfg) : cfg_(cfg) {}
  Config& config() { return cfg_; }
  const Config& config() const { return cfg_; }

  static CmdKind Classify(const std::string& frame, Family family);
  // Answers one complete frame and updates the stored settings.
  Response Handle(const std::string& frame);
  // The settings reply as the reader would send it with no fault.
  std::string SettingsReply() const;
  std::string CardReply() const;

 private:
  void ShapeReply(std::string reply, std::vector<Chunk>& out);
  std::uint32_t NextRandom();

  Config cfg_;
  std::uint32_t rng_ = 0;
  bool rngSeeded_ = false;
};

}  // namespace kvemu
