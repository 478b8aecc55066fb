// Framing of the reader's replies to settings commands. Platform-free.
#pragma once

enum class ReplyKind : int { Unrecognized = 0, UnknownCommand = 1, WriteAck = 2, ReadData = 3 };

constexpr int ReplyBufferSize = 64;

// Fixed command texts; each is sent as its 12 bytes, without terminator.
constexpr int CommandLength = 12;
constexpr char ReadEhxCommand[] = "AT+READS_EHX";
constexpr char ReadUsbCommand[] = "AT+READS_USB";
constexpr char ReadIdsCommand[] = "AT+READS_IDS";

// Firmware versions each family accepts, in the order they are tried.
constexpr int FirmwareVersionCount = 2;
constexpr const char* EhxFirmwareVersions[FirmwareVersionCount] = {"1.00", "1.10"};
constexpr const char* UsbFirmwareVersions[FirmwareVersionCount] = {"1.00", "1.10"};

// Scans `length` bytes of `buffer` for the first complete marker.
// For ReadData: *modelCode gets byte 13 as received, the payload after the
// marker is moved to the start of the buffer and *firmwareVersion gets the
// version in hundredths. Neither output is touched for other kinds.
// No byte at or past `length` is read.
ReplyKind ClassifyReplyBytes(unsigned char* buffer, int length, char* modelCode, int* firmwareVersion);

// The version in hundredths from its four characters ("1.10" gives 110).
int FirmwareVersionOf(const unsigned char* text);

// 0 when the first four characters of `text` are a supported version of
// `family` ("1.00" or "1.10"), -1 otherwise (also for an unknown family).
int CheckFirmwareText(const char* text, int family);
