// Unit tests of the reader emulator core. Prints "N passed, N failed".
#include <cstdio>
#include <string>

#include "reader.h"

using namespace kvemu;

namespace {

int g_passed = 0;
int g_failed = 0;

void Check(bool ok, const char* what, int line) {
  if (ok) {
    ++g_passed;
  } else {
    ++g_failed;
    std::printf("FAIL line %d: %s\n", line, what);
  }
}

#define CHECK(x) Check((x), #x, __LINE__)
#define CHECK_EQ(a, b) Check((a) == (b), #a " == " #b, __LINE__)

Config With(std::initializer_list<std::pair<const char*, const char*>> opts) {
  Config c;
  for (const auto& [name, value] : opts) {
    std::string err;
    if (!ApplyOption(c, name, value, err)) std::printf("setup: %s\n", err.c_str());
  }
  return c;
}

std::string Joined(const Response& r) {
  std::string s;
  for (const Chunk& c : r.chunks) s += c.bytes;
  return s;
}

void SettingsReplyPerModel() {
  Reader u(With({{"model", "U"}}));
  CHECK_EQ(Joined(u.Handle("AT+READS_EHX")), std::string("\n\rAT+READS_EHU - OK! >> 1.10TMX1AF"));
  CHECK_EQ(u.SettingsReply().size(), 34u);

  Reader m(With({{"model", "M"}, {"firmware", "1.00"}, {"settings", "W581DO"}}));
  CHECK_EQ(Joined(m.Handle("AT+READS_EHX")), std::string("\n\rAT+READS_EHM - OK! >> 1.00W581DO"));

  Reader x(With({{"model", "X"}, {"firmware", "1.20"}}));
  CHECK_EQ(Joined(x.Handle("AT+READS_EHX")), std::string("\n\rAT+READS_EHX - OK! >> 1.20TMX1AF"));

  Reader b(With({{"model", "B"}}));
  std::string usb = Joined(b.Handle("AT+READS_USB"));
  CHECK_EQ(usb, std::string("\n\rAT+READS_USB - OK! >> 1.10WHDH5EM"));
  CHECK_EQ(usb.size(), 35u);
  CHECK_EQ(usb[13], 'B');

  // Each family refuses the other's read command.
  CHECK_EQ(Joined(u.Handle("AT+READS_USB")), std::string("\n\rAT+READS_USB - UNKNOWN CMD!"));
  CHECK(b.Handle("AT+READS_EHX").kind == CmdKind::Unknown);
}

void WriteThenReadBack() {
  Reader ehx(With({{"model", "M"}}));
  Response w = ehx.Handle("AT+W581DO");
  CHECK(w.kind == CmdKind::Write);
  CHECK_EQ(Joined(w), std::string("\n\rAT+W581DO - OK!"));
  CHECK(Joined(w).find(" >> ") == std::string::npos);
  CHECK_EQ(Joined(ehx.Handle("AT+READS_EHX")), std::string("\n\rAT+READS_EHM - OK! >> 1.10W581DO"));

  Reader usb(With({{"model", "B"}}));
  CHECK_EQ(Joined(usb.Handle("AT+ATMX7XM")), std::string("\n\rAT+ATMX7XM - OK!"));
  CHECK_EQ(Joined(usb.Handle("AT+READS_USB")).substr(24), std::string("1.10ATMX7XM"));

  // A write whose acknowledgement is lost still changes the reader.
  Reader lossy(With({{"fault", "silent"}, {"fault-on", "write"}}));
  CHECK(lossy.Handle("AT+W441SO").chunks.empty());
  CHECK_EQ(Joined(lossy.Handle("AT+READS_EHX")).substr(24), std::string("1.10W441SO"));
}

void InvalidLettersAreRejected() {
  const char* badEhx[] = {"AT+W271DO", "AT+TMX2AF", "AT+TMX1XF", "AT+TMX1AD",
                          "AT+TMX1A", "AT+TMX1AFO", "AT+WHDH5EM", "at+TMX1AF"};
  Reader ehx{Config{}};
  for (const char* cmd : badEhx) {
    Response r = ehx.Handle(cmd);
    CHECK(r.kind == CmdKind::Unknown);
    CHECK_EQ(Joined(r), "\n\r" + std::string(cmd) + " - UNKNOWN CMD!");
  }
  const char* badUsb[] = {"AT+XHDH5EM", "AT+WTMH5EM", "AT+WHDX5EM", "AT+WHDH6EM",
                          "AT+WHDH5XX", "AT+TMX1AF"};
  Reader usb(With({{"model", "B"}}));
  for (const char* cmd : badUsb) CHECK(usb.Handle(cmd).kind == CmdKind::Unknown);
  // Rejected writes leave the stored letters alone.
  CHECK_EQ(Joined(ehx.Handle("AT+READS_EHX")).substr(28), std::string("TMX1AF"));
  CHECK_EQ(Joined(usb.Handle("AT+READS_USB")).substr(28), std::string("WHDH5EM"));
}

void CardReplyLayout() {
  Reader r(With({{"card", "255,168496141"}}));
  std::string s = Joined(r.Handle("AT+READS_IDS"));
  CHECK_EQ(s, std::string("\n\rAT+IDS - OK! >> 0000000255 0168496141."));
  CHECK_EQ(s.size(), 40u);
  CHECK_EQ(s[39], '.');

  Reader none{Config{}};
  CHECK_EQ(Joined(none.Handle("AT+READS_IDS")).substr(18), std::string("0000000000 0000000000."));

  // Ten digits above 32 bits are allowed; eleven are not.
  Config c;
  std::string err;
  CHECK(ApplyOption(c, "card", "9999999999", err));
  CHECK(!ApplyOption(c, "card", "10000000000", err));
  CHECK(ApplyOption(c, "cipher", "4294967296", err));
  Reader big(c);
  CHECK_EQ(Joined(big.Handle("AT+READS_IDS")).substr(18, 21), std::string("9999999999 4294967296"));

  Reader shifted(With({{"card", "1,2"}, {"ids-prefix", "\\x00"}, {"ids-end", ","}}));
  std::string t = Joined(shifted.Handle("AT+READS_IDS"));
  CHECK_EQ(t.size(), 41u);
  CHECK_EQ(t[0], '\0');
  CHECK_EQ(t.substr(1, 2), std::string("\n\r"));
  CHECK_EQ(t[40], ',');
  // Both families answer the card command.
  Reader usb(With({{"model", "B"}}));
  CHECK(usb.Handle("AT+READS_IDS").kind == CmdKind::Ids);
}

void FaultShaping() {
  const std::string clean = "\n\rAT+READS_EHU - OK! >> 1.10TMX1AF";

  Reader cut(With({{"fault", "cut:10"}}));
  Response r = cut.Handle("AT+READS_EHX");
  CHECK_EQ(r.chunks.size(), 1u);
  CHECK_EQ(Joined(r), clean.substr(0, 10));
  CHECK(Reader(With({{"fault", "cut:0"}})).Handle("AT+READS_EHX").chunks.empty());

  std::string lng = Joined(Reader(With({{"fault", "long"}})).Handle("AT+READS_EHX"));
  CHECK(lng.size() > 64);
  CHECK_EQ(lng.substr(0, clean.size()), clean);
  CHECK_EQ(Joined(Reader(With({{"fault", "long:100"}})).Handle("AT+READS_EHX")).size(), 100u);

  Reader gap(With({{"fault", "gap:20"}, {"delay", "5"}}));
  r = gap.Handle("AT+READS_EHX");
  CHECK_EQ(r.chunks.size(), 2u);
  if (r.chunks.size() == 2) {
    CHECK_EQ(r.chunks[0].bytes, clean.substr(0, 20));
    CHECK_EQ(r.chunks[0].delayMs, 5);
    CHECK_EQ(r.chunks[1].bytes, clean.substr(20));
    CHECK_EQ(r.chunks[1].delayMs, 150);
  }
  // A gap position past the end leaves the reply whole.
  CHECK_EQ(Reader(With({{"fault", "gap:34"}})).Handle("AT+READS_EHX").chunks.size(), 1u);

  Reader g1(With({{"fault", "garbage"}, {"seed", "7"}}));
  Reader g2(With({{"fault", "garbage"}, {"seed", "7"}}));
  std::string a = Joined(g1.Handle("AT+READS_EHX"));
  CHECK_EQ(a, Joined(g2.Handle("AT+READS_EHX")));
  CHECK_EQ(a.size(), clean.size());
  CHECK(a.find(' ') == std::string::npos && a.find('-') == std::string::npos);
  CHECK_EQ(Joined(g1.Handle("AT+READS_EHX")).size(), clean.size());

  // --fault-on limits faults to one kind of command.
  Reader idsOnly(With({{"fault", "silent"}, {"delay", "300"}, {"fault-on", "ids"}}));
  r = idsOnly.Handle("AT+READS_EHX");
  CHECK_EQ(Joined(r), clean);
  CHECK_EQ(r.chunks[0].delayMs, 0);
  CHECK(idsOnly.Handle("AT+READS_IDS").chunks.empty());
  Reader readWrite(With({{"fault", "cut:3"}, {"fault-on", "read,write"}}));
  CHECK_EQ(Joined(readWrite.Handle("AT+TMX1AF")).size(), 3u);
  CHECK_EQ(Joined(readWrite.Handle("AT+NOPE")).size(), 24u);
}

void BadFieldsAndPayload() {
  Reader ehx(With({{"bad-field", "interface=W27"}, {"bad-field", "poll=X"},
                   {"bad-field", "bytes=6"}}));
  CHECK_EQ(Joined(ehx.Handle("AT+READS_EHX")).substr(24), std::string("1.10W271AX"));
  // The fault shapes the reply only, not the stored letters.
  ehx.config().badFields.clear();
  CHECK_EQ(Joined(ehx.Handle("AT+READS_EHX")).substr(24), std::string("1.10TMX1AF"));

  Reader usb(With({{"model", "B"}, {"firmware", "1.00"}, {"bad-field", "type=X"},
                   {"bad-field", "bytes=6"}, {"bad-field", "cards=XX"}}));
  CHECK_EQ(Joined(usb.Handle("AT+READS_USB")).substr(24), std::string("1.00WHDX6XX"));
  Reader fmt(With({{"model", "B"}, {"bad-field", "format=TX"}, {"bad-field", "mode=Q"}}));
  CHECK_EQ(Joined(fmt.Handle("AT+READS_USB")).substr(28), std::string("QTXH5EM"));

  Reader raw(With({{"payload", ""}}));
  CHECK_EQ(Joined(raw.Handle("AT+READS_EHX")), std::string("\n\rAT+READS_EHU - OK! >> "));
  Reader raw2(With({{"payload", "1.20TMX1DO"}, {"bad-field", "poll=X"}}));
  CHECK_EQ(Joined(raw2.Handle("AT+READS_EHX")).substr(24), std::string("1.20TMX1DO"));

  Config c;
  std::string err;
  CHECK(!ApplyOption(c, "bad-field", "interface=W2", err));
  CHECK(!ApplyOption(c, "bad-field", "colour=R", err));
  CHECK(ApplyOption(c, "bad-field", "standby=Z", err));
  CHECK(ApplyOption(c, "bad-field", "none", err));
  CHECK(c.badFields.empty());
}

void Framing() {
  Framer f;
  // A complete known command is a frame at once, without the idle wait.
  auto frames = f.Add("AT+READS_EHX", 1000, Family::Ehx, 30);
  CHECK_EQ(frames.size(), 1u);
  CHECK_EQ(f.Deadline(), -1);
  frames = f.Add("AT+TMX1AF", 1000, Family::Ehx, 30);
  CHECK_EQ(frames.size(), 1u);

  // A Usb write is not complete for an Ehx reader: it waits for silence.
  frames = f.Add("AT+WHDH5", 2000, Family::Ehx, 30);
  CHECK(frames.empty());
  frames = f.Add("EM", 2010, Family::Ehx, 30);
  CHECK(frames.empty());
  std::string frame;
  CHECK(!f.Expire(2039, frame));
  CHECK(f.Expire(2040, frame));
  CHECK_EQ(frame, std::string("AT+WHDH5EM"));
  CHECK_EQ(f.Deadline(), -1);

  frames = f.Add("AT+WHDH5EM", 3000, Family::Usb, 30);
  CHECK_EQ(frames.size(), 1u);

  // Back-to-back commands in one read split where each one completes.
  frames = f.Add("AT+READS_IDSAT+READS_EHXAT+W", 4000, Family::Ehx, 30);
  CHECK_EQ(frames.size(), 2u);
  CHECK(f.Expire(4030, frame));
  CHECK_EQ(frame, std::string("AT+W"));

  // A read command split over two reads is still recognised.
  CHECK(f.Add("AT+READS", 5000, Family::Usb, 30).empty());
  frames = f.Add("_USB", 5005, Family::Usb, 30);
  CHECK(frames.size() == 1 && frames[0] == "AT+READS_USB");

  // Endless noise is cut into 64-byte frames.
  frames = f.Add(std::string(130, 'z'), 6000, Family::Ehx, 30);
  CHECK_EQ(frames.size(), 2u);
  CHECK(f.Expire(6030, frame) && frame.size() == 2);
}

void OptionErrorsLeaveConfigAlone() {
  Config c = With({{"model", "M"}, {"fault", "gap:5"}});
  const Config before = c;
  std::string err;
  const std::pair<const char*, const char*> bad[] = {
      {"model", "Q"},        {"model", "UM"},      {"firmware", "1.1"},
      {"settings", "TMX1A"}, {"settings", "W58"},  {"card", "12a"},
      {"card", "1,"},        {"fault", "cut"},     {"fault", "gap"},
      {"fault", "boom"},     {"fault", "cut:x"},   {"fault-on", "read,bogus"},
      {"delay", "-1"},       {"ids-end", "ab"},    {"payload", "\\q"},
      {"ids-prefix", "\\x4"}, {"nosuch", "1"}};
  for (const auto& [name, value] : bad) {
    err.clear();
    bool ok = ApplyOption(c, name, value, err);
    Check(!ok && !err.empty(), name, __LINE__);
  }
  CHECK(c.model == before.model && c.shape == before.shape && c.shapeArg == before.shapeArg &&
        c.firmware == before.firmware && c.faultOn == before.faultOn);
  // Settings letters pick their slot by family, whatever the model.
  CHECK(ApplyOption(c, "settings", "AHDD2XM", err));
  CHECK_EQ(c.usbLetters, std::string("AHDD2XM"));
  CHECK_EQ(c.ehxLetters, std::string("TMX1AF"));
}

void EscapeRoundTrip() {
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  std::string back;
  CHECK(Unescape(Escape(all), back));
  CHECK(back == all);
  std::string e = Escape("\n\rAT+X\t\\");
  CHECK_EQ(e, std::string("\\n\\rAT+X\\t\\\\"));
  CHECK_EQ(Hex("\n\rA"), std::string("0A0D41"));
}

}  // namespace

int main() {
  SettingsReplyPerModel();
  WriteThenReadBack();
  InvalidLettersAreRejected();
  CardReplyLayout();
  FaultShaping();
  BadFieldsAndPayload();
  Framing();
  OptionErrorsLeaveConfigAlone();
  EscapeRoundTrip();
  std::printf("%d passed, %d failed\n", g_passed, g_failed);
  return g_failed == 0 ? 0 : 1;
}
