// Registry scaffolding for the Win32 tests of the serial layer: the system's
// serial port map and USB devices as SetupAPI finds them. Every test puts
// back what it found.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

inline const wchar_t* SerialCommPath() { return L"HARDWARE\\DEVICEMAP\\SERIALCOMM"; }
inline const wchar_t* UsbEnumPath() { return L"System\\CurrentControlSet\\Enum\\USB"; }

// One value of the port map. Value names decide the enumeration order.
struct PortValue {
    std::wstring name;
    DWORD type;
    std::vector<BYTE> data;
};

inline PortValue PortText(const std::wstring& name, const std::wstring& text)
{
    const BYTE* p = reinterpret_cast<const BYTE*>(text.c_str());
    return {name, REG_SZ, std::vector<BYTE>(p, p + (text.size() + 1) * sizeof(wchar_t))};
}

// A text stored without its terminator, as some drivers leave it.
inline PortValue PortTextUnterminated(const std::wstring& name, const std::wstring& text)
{
    const BYTE* p = reinterpret_cast<const BYTE*>(text.c_str());
    return {name, REG_SZ, std::vector<BYTE>(p, p + text.size() * sizeof(wchar_t))};
}

inline PortValue PortDword(const std::wstring& name, DWORD value)
{
    const BYTE* p = reinterpret_cast<const BYTE*>(&value);
    return {name, REG_DWORD, std::vector<BYTE>(p, p + sizeof value)};
}

// Port map values named "\Device\Serial00", "\Device\Serial01", ... so that
// they enumerate in the order given.
inline std::vector<PortValue> PortTexts(const std::vector<std::wstring>& texts)
{
    std::vector<PortValue> values;
    for (size_t i = 0; i < texts.size(); ++i) {
        wchar_t name[32];
        swprintf(name, 32, L"\\Device\\Serial%02u", static_cast<unsigned>(i));
        values.push_back(PortText(name, texts[i]));
    }
    return values;
}

inline std::vector<PortValue> ReadPortMap(bool* present)
{
    std::vector<PortValue> values;
    HKEY key;
    *present = RegOpenKeyExW(HKEY_LOCAL_MACHINE, SerialCommPath(), 0, KEY_READ, &key) == ERROR_SUCCESS;
    if (!*present) return values;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        BYTE data[1024];
        DWORD nameChars = 256, dataBytes = sizeof data, type = 0;
        if (RegEnumValueW(key, i, name, &nameChars, nullptr, &type, data, &dataBytes) != ERROR_SUCCESS) break;
        values.push_back({name, type, std::vector<BYTE>(data, data + dataBytes)});
    }
    RegCloseKey(key);
    return values;
}

inline void RemovePortMap()
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, SerialCommPath());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, SerialCommPath());
}

// Replaces the port map with exactly `values` (an empty key when none).
inline bool SetPortMap(const std::vector<PortValue>& values)
{
    RemovePortMap();
    HKEY key;
    // HARDWARE is volatile, so its subkeys must be too.
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, SerialCommPath(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    bool ok = true;
    for (const PortValue& v : values)
        ok = RegSetValueExW(key, v.name.c_str(), 0, v.type, v.data.data(), static_cast<DWORD>(v.data.size())) ==
                 ERROR_SUCCESS && ok;
    RegCloseKey(key);
    return ok;
}

inline bool SetPorts(const std::vector<std::wstring>& texts) { return SetPortMap(PortTexts(texts)); }

// Keeps the port map of the prefix as it was when the test began.
struct SavedPortMap {
    bool present = false;
    std::vector<PortValue> values;
    SavedPortMap() { values = ReadPortMap(&present); }
    ~SavedPortMap()
    {
        if (present)
            SetPortMap(values);
        else
            RemovePortMap();
    }
};

// ---- USB devices ------------------------------------------------------------
// A device under Enum\USB\<hardware key>\<instance>, as SetupAPI walks it.
struct UsbDevice {
    std::wstring hardwareKey;                   // e.g. VID_2E3C&PID_5750&REV_0200
    std::wstring instance;                      // e.g. SIM0001
    std::vector<std::wstring> hardwareIds;      // REG_MULTI_SZ, first one compared
    bool withParameters = true;                 // the "Device Parameters" key
    bool withPortName = true;
    DWORD portNameType = REG_SZ;
    std::wstring portName = L"COM7";
};

inline std::wstring DevicePath(const UsbDevice& d)
{
    return std::wstring(UsbEnumPath()) + L"\\" + d.hardwareKey + L"\\" + d.instance;
}

inline bool AddUsbDevice(const UsbDevice& d)
{
    HKEY key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, DevicePath(d).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    std::wstring multi;
    for (const std::wstring& id : d.hardwareIds) multi += id + L'\0';
    multi += L'\0';
    RegSetValueExW(key, L"HardwareID", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi.data()),
                   static_cast<DWORD>(multi.size() * sizeof(wchar_t)));
    const wchar_t ports[] = L"{4d36e978-e325-11ce-bfc1-08002be10318}";
    RegSetValueExW(key, L"ClassGUID", 0, REG_SZ, reinterpret_cast<const BYTE*>(ports), sizeof ports);
    bool ok = true;
    if (d.withParameters) {
        HKEY params;
        ok = RegCreateKeyExW(key, L"Device Parameters", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &params, nullptr) ==
             ERROR_SUCCESS;
        if (ok && d.withPortName) {
            if (d.portNameType == REG_SZ) {
                RegSetValueExW(params, L"PortName", 0, REG_SZ, reinterpret_cast<const BYTE*>(d.portName.c_str()),
                               static_cast<DWORD>((d.portName.size() + 1) * sizeof(wchar_t)));
            } else {
                DWORD seven = 7;
                RegSetValueExW(params, L"PortName", 0, d.portNameType, reinterpret_cast<const BYTE*>(&seven),
                               sizeof seven);
            }
        }
        if (ok) RegCloseKey(params);
    }
    RegCloseKey(key);
    return ok;
}

// Removes the device and, when nothing else is left in it, its hardware key.
inline void RemoveUsbDevice(const UsbDevice& d)
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, DevicePath(d).c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, DevicePath(d).c_str());
    std::wstring hardware = std::wstring(UsbEnumPath()) + L"\\" + d.hardwareKey;
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, hardware.c_str());  // fails while other instances remain
}

// Devices present for one scope of a test.
struct PluggedDevices {
    std::vector<UsbDevice> devices;
    explicit PluggedDevices(std::vector<UsbDevice> list) : devices(std::move(list))
    {
        for (const UsbDevice& d : devices) AddUsbDevice(d);
    }
    ~PluggedDevices()
    {
        for (auto it = devices.rbegin(); it != devices.rend(); ++it) RemoveUsbDevice(*it);
    }
};

inline UsbDevice Reader(const std::wstring& instance, const std::wstring& portName)
{
    UsbDevice d;
    d.hardwareKey = L"VID_2E3C&PID_5750&REV_0200";
    d.instance = instance;
    d.hardwareIds = {L"USB\\VID_2E3C&PID_5750&REV_0200", L"USB\\VID_2E3C&PID_5750"};
    d.portName = portName;
    return d;
}
