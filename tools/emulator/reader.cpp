#include "reader.h"

#include <cstdio>

namespace kvemu {
namespace {

const char kReadEhx[] = "AT+READS_EHX";
const char kReadUsb[] = "AT+READS_USB";
const char kReadIds[] = "AT+READS_IDS";
const char kAckTail[] = " - OK!";
const char kDataTail[] = " - OK! >> ";
const char kRejectTail[] = " - UNKNOWN CMD!";
const char kCardHead[] = "\n\rAT+IDS - OK! >> ";
constexpr int kLongDefault = 80;
constexpr std::uint64_t kTenDigitsMax = 9999999999ull;
// Echoes of unknown frames are capped so line noise cannot make a huge reply.
constexpr std::size_t kEchoMax = 32;

struct Field {
  const char* name;
  Family family;
  std::size_t offset;  // within the option letters, after the version
  std::size_t width;
};

const Field kFields[] = {
    {"interface", Family::Ehx, 0, 3}, {"indication", Family::Ehx, 3, 1},
    {"standby", Family::Ehx, 4, 1},   {"poll", Family::Ehx, 5, 1},
    {"mode", Family::Usb, 0, 1},      {"format", Family::Usb, 1, 2},
    {"type", Family::Usb, 3, 1},      {"bytes", Family::Usb, 4, 1},
    {"cards", Family::Usb, 5, 2},
};

const Field* FindField(const std::string& name) {
  for (const Field& f : kFields)
    if (name == f.name) return &f;
  return nullptr;
}

bool OneOf(const std::string& s, std::size_t pos, std::size_t len,
           std::initializer_list<const char*> options) {
  std::string part = s.substr(pos, len);
  for (const char* o : options)
    if (part == o) return true;
  return false;
}

bool ParseUnsigned(const std::string& s, std::uint64_t max, std::uint64_t& out) {
  if (s.empty() || s.size() > 19) return false;
  std::uint64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (v > max) return false;
  out = v;
  return true;
}

bool ParseInt(const std::string& s, int max, int& out) {
  std::uint64_t v = 0;
  if (!ParseUnsigned(s, static_cast<std::uint64_t>(max), v)) return false;
  out = static_cast<int>(v);
  return true;
}

bool ParseFaultOn(const std::string& value, unsigned& mask) {
  unsigned m = 0;
  std::size_t start = 0;
  while (start <= value.size()) {
    std::size_t comma = value.find(',', start);
    if (comma == std::string::npos) comma = value.size();
    std::string item = value.substr(start, comma - start);
    if (item == "read") m |= kOnRead;
    else if (item == "write") m |= kOnWrite;
    else if (item == "ids") m |= kOnIds;
    else if (item == "unknown") m |= kOnUnknown;
    else if (item == "all") m |= kOnAll;
    else return false;
    start = comma + 1;
  }
  mask = m;
  return true;
}

// "head<separator>tail"; without the separator all of it is the head and
// the result is false.
bool SplitAt(const std::string& value, char separator, std::string& head, std::string& tail) {
  std::size_t at = value.find(separator);
  head = value.substr(0, at);
  tail = at == std::string::npos ? std::string() : value.substr(at + 1);
  return at != std::string::npos;
}

bool ParseFault(const std::string& value, Config& cfg, std::string& err) {
  std::string name, arg;
  SplitAt(value, ':', name, arg);
  int n = 0;
  if (!arg.empty() && !ParseInt(arg, 100000, n)) {
    err = "bad number in fault: " + value;
    return false;
  }
  Shape shape;
  if (name == "none") shape = Shape::None;
  else if (name == "silent") shape = Shape::Silent;
  else if (name == "garbage") shape = Shape::Garbage;
  else if (name == "cut") shape = Shape::Cut;
  else if (name == "long") shape = Shape::Long;
  else if (name == "gap") shape = Shape::Gap;
  else {
    err = "unknown fault: " + value;
    return false;
  }
  if ((shape == Shape::Cut || shape == Shape::Gap) && arg.empty()) {
    err = name + " needs a byte count, e.g. " + name + ":10";
    return false;
  }
  if (shape == Shape::Long && arg.empty()) n = kLongDefault;
  cfg.shape = shape;
  cfg.shapeArg = n;
  return true;
}

}  // namespace

Family FamilyOf(char model) { return model == 'B' ? Family::Usb : Family::Ehx; }

bool ValidLetters(Family family, const std::string& l) {
  if (family == Family::Ehx) {
    return l.size() == 6 && OneOf(l, 0, 3, {"TMX", "W26", "W44", "W58"}) &&
           OneOf(l, 3, 1, {"1", "0"}) && OneOf(l, 4, 1, {"D", "S", "A"}) &&
           OneOf(l, 5, 1, {"O", "F"});
  }
  return l.size() == 7 && OneOf(l, 0, 1, {"W", "A"}) &&
         OneOf(l, 1, 3, {"HDH", "HDD", "TMX"}) &&
         OneOf(l, 4, 1, {"7", "5", "4", "3", "2"}) &&
         OneOf(l, 5, 2, {"EM", "EX", "XM"});
}

bool IsCompleteCommand(const std::string& buf, Family family) {
  if (buf == kReadEhx || buf == kReadUsb || buf == kReadIds) return true;
  return buf.compare(0, 3, "AT+") == 0 && buf.size() > 3 &&
         ValidLetters(family, buf.substr(3));
}

std::vector<std::string> Framer::Add(const std::string& bytes, std::int64_t nowMs,
                                     Family family, int idleMs) {
  std::vector<std::string> frames;
  for (char c : bytes) {
    pending_ += c;
    if (IsCompleteCommand(pending_, family) || pending_.size() >= kFrameMax) {
      frames.push_back(pending_);
      pending_.clear();
    }
  }
  deadline_ = nowMs + idleMs;
  return frames;
}

bool Framer::Expire(std::int64_t nowMs, std::string& frame) {
  if (pending_.empty() || nowMs < deadline_) return false;
  frame.swap(pending_);
  pending_.clear();
  return true;
}

CmdKind Reader::Classify(const std::string& frame, Family family) {
  if (frame == kReadEhx) return family == Family::Ehx ? CmdKind::Read : CmdKind::Unknown;
  if (frame == kReadUsb) return family == Family::Usb ? CmdKind::Read : CmdKind::Unknown;
  if (frame == kReadIds) return CmdKind::Ids;
  if (frame.size() > 3 && frame.compare(0, 3, "AT+") == 0 &&
      ValidLetters(family, frame.substr(3)))
    return CmdKind::Write;
  return CmdKind::Unknown;
}

std::string Reader::SettingsReply() const {
  Family fam = FamilyOf(cfg_.model);
  std::string echo = fam == Family::Usb ? std::string(kReadUsb)
                                        : std::string(kReadEhx, 11) + cfg_.model;
  std::string payload;
  if (cfg_.payloadOverride) {
    payload = cfg_.payload;
  } else {
    std::string letters = fam == Family::Usb ? cfg_.usbLetters : cfg_.ehxLetters;
    for (const auto& [name, value] : cfg_.badFields) {
      const Field* f = FindField(name);
      if (f && f->family == fam) letters.replace(f->offset, f->width, value);
    }
    payload = cfg_.firmware + letters;
  }
  return "\n\r" + echo + kDataTail + payload;
}

std::string Reader::CardReply() const {
  char digits[32];
  std::snprintf(digits, sizeof digits, "%010llu %010llu",
                static_cast<unsigned long long>(cfg_.cardNumber),
                static_cast<unsigned long long>(cfg_.cipherId));
  return cfg_.idsPrefix + kCardHead + digits + static_cast<char>(cfg_.idsEnd);
}

std::uint32_t Reader::NextRandom() {
  if (!rngSeeded_) {
    rng_ = cfg_.seed;
    rngSeeded_ = true;
  }
  rng_ = rng_ * 1664525u + 1013904223u;
  return rng_ >> 8;
}

void Reader::ShapeReply(std::string reply, std::vector<Chunk>& out) {
  const std::size_t n = static_cast<std::size_t>(cfg_.shapeArg);
  switch (cfg_.shape) {
    case Shape::None:
      break;
    case Shape::Silent:
      return;
    case Shape::Garbage: {
      std::size_t len = n > 0 ? n : reply.size();
      reply.clear();
      while (reply.size() < len) {
        char c = static_cast<char>(NextRandom() & 0xFF);
        // Without blanks and dashes no reply marker can ever form.
        if (c != ' ' && c != '-') reply += c;
      }
      break;
    }
    case Shape::Cut:
      if (n < reply.size()) reply.resize(n);
      if (reply.empty()) return;
      break;
    case Shape::Long:
      if (n > reply.size()) reply.append(n - reply.size(), '*');
      break;
    case Shape::Gap:
      if (n > 0 && n < reply.size()) {
        out.push_back({cfg_.delayMs, reply.substr(0, n)});
        out.push_back({cfg_.gapMs, reply.substr(n)});
        return;
      }
      break;
  }
  out.push_back({cfg_.delayMs, reply});
}

Response Reader::Handle(const std::string& frame) {
  Family fam = FamilyOf(cfg_.model);
  Response r;
  r.kind = Classify(frame, fam);
  std::string reply;
  switch (r.kind) {
    case CmdKind::Read:
      reply = SettingsReply();
      break;
    case CmdKind::Ids:
      reply = CardReply();
      break;
    case CmdKind::Write:
      // Stored even if a fault then spoils the acknowledgement; a reader
      // that ignores writes acknowledges them all the same.
      if (!cfg_.ignoreWrites) (fam == Family::Usb ? cfg_.usbLetters : cfg_.ehxLetters) = frame.substr(3);
      reply = "\n\r" + frame + kAckTail;
      break;
    case CmdKind::Unknown:
      reply = "\n\r" + frame.substr(0, kEchoMax) + kRejectTail;
      break;
  }
  unsigned bit = r.kind == CmdKind::Read    ? kOnRead
                 : r.kind == CmdKind::Write ? kOnWrite
                 : r.kind == CmdKind::Ids   ? kOnIds
                                            : kOnUnknown;
  if (cfg_.faultOn & bit) {
    ShapeReply(reply, r.chunks);
  } else {
    r.chunks.push_back({0, reply});
  }
  return r;
}

bool Unescape(const std::string& in, std::string& out) {
  std::string s;
  for (std::size_t i = 0; i < in.size(); ++i) {
    if (in[i] != '\\') {
      s += in[i];
      continue;
    }
    if (++i >= in.size()) return false;
    switch (in[i]) {
      case 'n': s += '\n'; break;
      case 'r': s += '\r'; break;
      case 't': s += '\t'; break;
      case '\\': s += '\\'; break;
      case 'x': {
        if (i + 2 >= in.size()) return false;
        unsigned v = 0;
        for (int k = 1; k <= 2; ++k) {
          char c = in[i + k];
          v <<= 4;
          if (c >= '0' && c <= '9') v |= static_cast<unsigned>(c - '0');
          else if (c >= 'a' && c <= 'f') v |= static_cast<unsigned>(c - 'a' + 10);
          else if (c >= 'A' && c <= 'F') v |= static_cast<unsigned>(c - 'A' + 10);
          else return false;
        }
        s += static_cast<char>(v);
        i += 2;
        break;
      }
      default:
        return false;
    }
  }
  out = s;
  return true;
}

namespace {

void AppendHex(std::string& s, unsigned char c) {
  static const char digits[] = "0123456789ABCDEF";
  s += digits[c >> 4];
  s += digits[c & 15];
}

}  // namespace

std::string Escape(const std::string& bytes) {
  std::string s;
  for (char ch : bytes) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c == '\n') s += "\\n";
    else if (c == '\r') s += "\\r";
    else if (c == '\t') s += "\\t";
    else if (c == '\\') s += "\\\\";
    else if (c >= 0x20 && c < 0x7F) s += ch;
    else {
      s += "\\x";
      AppendHex(s, c);
    }
  }
  return s;
}

std::string Hex(const std::string& bytes) {
  std::string s;
  for (char ch : bytes) AppendHex(s, static_cast<unsigned char>(ch));
  return s;
}

bool ApplyOption(Config& cfg, const std::string& name, const std::string& value,
                 std::string& err) {
  Config c = cfg;
  if (name == "model") {
    if (value.size() != 1 || std::string("UMXB").find(value[0]) == std::string::npos) {
      err = "model must be U, M, X or B";
      return false;
    }
    c.model = value[0];
  } else if (name == "ignore-writes") {
    if (value != "0" && value != "1") {
      err = "ignore-writes must be 0 or 1";
      return false;
    }
    c.ignoreWrites = value == "1";
  } else if (name == "firmware") {
    if (value.size() != 4) {
      err = "firmware must be 4 characters, e.g. 1.10";
      return false;
    }
    c.firmware = value;
  } else if (name == "settings") {
    if (ValidLetters(Family::Ehx, value)) c.ehxLetters = value;
    else if (ValidLetters(Family::Usb, value)) c.usbLetters = value;
    else {
      err = "settings must be 6 valid EHU/EHM or 7 valid USB letters";
      return false;
    }
  } else if (name == "card") {
    std::string number, cipher;
    bool withCipher = SplitAt(value, ',', number, cipher);
    if (value == "none") {
      c.cardNumber = c.cipherId = 0;
    } else if (!ParseUnsigned(number, kTenDigitsMax, c.cardNumber) ||
               (withCipher && !ParseUnsigned(cipher, kTenDigitsMax, c.cipherId))) {
      err = "card must be NUMBER or NUMBER,CIPHER (at most 10 digits each) or none";
      return false;
    }
  } else if (name == "cipher") {
    if (!ParseUnsigned(value, kTenDigitsMax, c.cipherId)) {
      err = "cipher must be a number of at most 10 digits";
      return false;
    }
  } else if (name == "fault") {
    if (!ParseFault(value, c, err)) return false;
  } else if (name == "fault-on") {
    if (!ParseFaultOn(value, c.faultOn)) {
      err = "fault-on takes read,write,ids,unknown,all";
      return false;
    }
  } else if (name == "gap-ms" || name == "delay" || name == "idle-ms") {
    int v = 0;
    if (!ParseInt(value, 600000, v)) {
      err = name + " must be a number of milliseconds";
      return false;
    }
    (name == "gap-ms" ? c.gapMs : name == "delay" ? c.delayMs : c.idleMs) = v;
    if (c.idleMs < 1) c.idleMs = 1;
  } else if (name == "seed") {
    std::uint64_t v = 0;
    if (!ParseUnsigned(value, 0xFFFFFFFFu, v)) {
      err = "seed must be a number";
      return false;
    }
    c.seed = static_cast<std::uint32_t>(v);
  } else if (name == "bad-field") {
    if (value == "none") {
      c.badFields.clear();
    } else {
      std::size_t eq = value.find('=');
      const Field* f = eq == std::string::npos ? nullptr : FindField(value.substr(0, eq));
      std::string letters;
      if (!f || !Unescape(value.substr(eq + 1), letters) || letters.size() != f->width) {
        err = "bad-field takes FIELD=LETTERS with the field's width, or none";
        return false;
      }
      c.badFields[f->name] = letters;
    }
  } else if (name == "payload") {
    if (value == "none") {
      c.payloadOverride = false;
      c.payload.clear();
    } else if (!Unescape(value, c.payload)) {
      err = "bad escape in payload";
      return false;
    } else {
      c.payloadOverride = true;
    }
  } else if (name == "ids-prefix") {
    if (!Unescape(value, c.idsPrefix)) {
      err = "bad escape in ids-prefix";
      return false;
    }
  } else if (name == "ids-end") {
    std::string b;
    if (!Unescape(value, b) || b.size() != 1) {
      err = "ids-end must be one byte";
      return false;
    }
    c.idsEnd = static_cast<unsigned char>(b[0]);
  } else {
    err = "unknown option: " + name;
    return false;
  }
  cfg = c;
  return true;
}

}  // namespace kvemu
