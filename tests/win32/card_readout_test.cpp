// "Read ID" with a temporary file standing in for the port: the command that
// is sent, the three outcomes of the reply, and the result window.
#include <cstring>
#include <string>
#include <vector>

#include "check.h"
#include "fixture.h"
#include "flows.h"

namespace {

// The command overwrites twelve placeholder bytes in front of the reply.
const std::string Placeholder(12, '#');
std::string PortPath;

void OpenIdPort(const std::string& reply) { PortPath = OpenFilePort(Placeholder + reply); }

// Closes the "port" and returns the twelve bytes the program sent.
std::string CloseIdPort() { return ClosePortFile(PortPath, Placeholder.size()); }

const std::string Prefix = "\n\rAT+IDS - OK! >> ";

std::vector<HWND> ChildrenOf(HWND parent, const char* className)
{
    std::vector<HWND> found;
    for (HWND w = FindWindowExA(parent, nullptr, className, nullptr); w;
         w = FindWindowExA(parent, w, className, nullptr)) {
        found.push_back(w);
    }
    return found;
}

void CloseIdWindow()
{
    if (IdWindow) DestroyWindow(IdWindow);
    IdWindow = nullptr;
}

}  // namespace

TEST_CASE("firmware 1.00 refuses the readout without sending anything")
{
    struct Row {
        int version;
        bool sent;
    };
    const Row rows[] = {{100, false}, {110, true}, {0, true}, {101, true}};
    for (const Row& row : rows) {
        OpenTestMainWindow(Ehx);
        OpenIdPort("");
        AppState.firmwareVersion = row.version;
        ReadIdCommand();
        if (row.sent) {
            CheckBoxes({{MsgNoReply, IconRetry}});
        } else {
            CheckBoxes({{MsgCommandNotSupported, IconError}});
        }
        CHECK_EQ(CloseIdPort(), row.sent ? "AT+READS_IDS" : "############");
        CloseTestMainWindow();
    }
}

TEST_CASE("reply outcomes")
{
    struct Row {
        std::string reply;
        std::vector<Box> boxes;
        bool window;
        unsigned card;
        unsigned cipher;
    };
    const Row rows[] = {
        {Prefix + "0000000255 0168496141.", {}, true, 255u, 168496141u},
        {Prefix + "0000000255 0168496141,", {{MsgReplyUnrecognized, IconError}}, false, 255u, 168496141u},
        {"x" + Prefix + "0000000255 0168496141.", {{MsgInvalidCommand, IconError}}, false, 0u, 0u},
        {"\n\rAT+READS_IDS - UNKNOWN CMD!", {{MsgInvalidCommand, IconError}}, false, 0u, 0u},
        {"", {{MsgNoReply, IconRetry}}, false, 0u, 0u},
    };
    for (const Row& row : rows) {
        OpenTestMainWindow(Ehx);
        AppState.cardNumber = 77;
        AppState.cipherId = 88;
        OpenIdPort(row.reply);
        ReadCardId();
        CheckBoxes(row.boxes);
        CHECK_EQ(IdWindow != nullptr, row.window);
        CHECK_EQ(IsWindowEnabled(MainWindow) != FALSE, !row.window);
        CHECK_EQ(AppState.cardNumber, row.card);
        CHECK_EQ(AppState.cipherId, row.cipher);
        CHECK_EQ(AppState.portOpen, 1);  // the link is kept in every case
        CHECK_EQ(CloseIdPort(), "AT+READS_IDS");
        CloseIdWindow();
        CloseTestMainWindow();
    }
}

TEST_CASE("a failed command write drops the link")
{
    OpenTestMainWindow(Ehx);
    SetWindowTextA(Ctl(VersionValue), "1.10");
    AppState.portOpen = 0;
    ReadCardId();
    CheckBoxes({});
    CHECK_EQ(WindowText(Ctl(VersionValue)), "x.xx");
    CHECK(IdWindow == nullptr);
    CloseTestMainWindow();
}

TEST_CASE("the result window shows the four fields under their labels")
{
    struct Row {
        std::string numbers;
        char model;
        int version;
        const char* title;
        const char* texts[4];
    };
    const Row rows[] = {
        {"0000000255 0168496141.", 'M', 110, "Varko-7EHM ver.1.10", {"0000000255", "000000FF", "0168496141", "10.11.12.13"}},
        {"9999999999 4294967295.", 'X', 0, "Varko-7xxx ver.0.00", {"4294967295", "FFFFFFFF", "4294967295", "255.255.255.255"}},
        {"0000000000 0000000001.", 'B', 110, "Varko-7-USB ver.1.10", {"0000000000", "00000000", "0000000001", "0.0.0.1"}},
    };
    for (const Row& row : rows) {
        OpenTestMainWindow(Ehx, Ru);
        OpenIdPort(Prefix + row.numbers);
        AppState.modelCode = row.model;
        AppState.firmwareVersion = row.version;
        ReadCardId();
        CHECK(IdWindow != nullptr);
        if (!IdWindow) {
            CloseIdPort();
            CloseTestMainWindow();
            continue;
        }
        CHECK_EQ(WindowText(IdWindow), row.title);
        char className[64] = {};
        GetClassNameA(IdWindow, className, sizeof className);
        CHECK_EQ(std::string(className), "my Child Window");
        CHECK(GetWindow(IdWindow, GW_OWNER) == MainWindow);
        CHECK(IsWindowVisible(IdWindow));
        const LONG style = GetWindowLongA(IdWindow, GWL_STYLE);
        CHECK((style & WS_SYSMENU) != 0);
        CHECK((style & (WS_THICKFRAME | WS_CHILD | WS_MINIMIZEBOX)) == 0);
        RECT r;
        GetWindowRect(IdWindow, &r);
        CHECK_EQ(r.right - r.left, 302);
        CHECK_EQ(r.bottom - r.top, 160);
        CHECK_EQ(static_cast<int>(r.left), GetSystemMetrics(SM_CXSCREEN) / 2 - 151);
        CHECK_EQ(static_cast<int>(r.top), GetSystemMetrics(SM_CYSCREEN) / 2 - 80);

        const std::vector<HWND> labels = ChildrenOf(IdWindow, "Static");
        const TextKey labelKeys[] = {LblBarcode, LblBarcodeHex, LblCipherId, LblCipherIdDotted};
        CHECK_EQ(labels.size(), 4u);
        for (size_t n = 0; n < labels.size() && n < 4; ++n) CHECK_EQ(WindowText(labels[n]), Text(labelKeys[n]));

        const std::vector<HWND> edits = ChildrenOf(IdWindow, "Edit");
        const POINT places[] = {{10, 37}, {160, 37}, {10, 89}, {160, 89}};
        CHECK_EQ(edits.size(), 4u);
        for (size_t n = 0; n < edits.size() && n < 4; ++n) {
            CHECK_EQ(WindowText(edits[n]), row.texts[n]);
            const LONG editStyle = GetWindowLongA(edits[n], GWL_STYLE);
            CHECK((editStyle & (ES_READONLY | ES_RIGHT | WS_BORDER)) == (ES_READONLY | ES_RIGHT | WS_BORDER));
            CHECK((GetWindowLongA(edits[n], GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0);
            RECT e;
            GetWindowRect(edits[n], &e);
            MapWindowPoints(nullptr, IdWindow, reinterpret_cast<POINT*>(&e), 2);
            CHECK_EQ(static_cast<int>(e.left), static_cast<int>(places[n].x));
            CHECK_EQ(static_cast<int>(e.top), static_cast<int>(places[n].y));
            CHECK_EQ(e.right - e.left, 125);
            CHECK_EQ(e.bottom - e.top, 20);
        }
        CloseIdPort();
        CloseIdWindow();
        CloseTestMainWindow();
    }
}

TEST_CASE("the result fields are black on a fresh white brush; labels keep the default")
{
    OpenTestMainWindow(Ehx);
    OpenIdPort(Prefix + "0000000255 0168496141.");
    ReadCardId();
    CHECK(IdWindow != nullptr);
    const std::vector<HWND> edits = ChildrenOf(IdWindow, "Edit");
    const std::vector<HWND> labels = ChildrenOf(IdWindow, "Static");
    if (edits.size() == 4 && labels.size() == 4) {
        HBRUSH previous = nullptr;
        for (HWND edit : edits) {
            HDC dc = GetDC(edit);
            SetTextColor(dc, RGB(1, 2, 3));
            const LRESULT brush = SendMessageA(IdWindow, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                               reinterpret_cast<LPARAM>(edit));
            CHECK(brush != 0);
            CHECK(reinterpret_cast<HBRUSH>(brush) == AppState.labelBrush);
            CHECK_EQ(GetTextColor(dc), RGB(0, 0, 0));
            CHECK_EQ(GetBkColor(dc), RGB(255, 255, 255));
            LOGBRUSH info = {};
            GetObjectA(AppState.labelBrush, sizeof info, &info);
            CHECK_EQ(info.lbColor, RGB(255, 255, 255));
            // The brush handed out before is deleted, not leaked.
            if (previous) CHECK_EQ(GetObjectType(previous), 0u);
            previous = AppState.labelBrush;
            ReleaseDC(edit, dc);
        }
        HDC dc = GetDC(labels[0]);
        const LRESULT brush = SendMessageA(IdWindow, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                           reinterpret_cast<LPARAM>(labels[0]));
        CHECK(reinterpret_cast<HBRUSH>(brush) != AppState.labelBrush);
        CHECK(AppState.labelBrush == previous);
        ReleaseDC(labels[0], dc);
    }
    CloseIdPort();
    CloseIdWindow();
    CloseTestMainWindow();
}

TEST_CASE("closing the result window gives the main window back")
{
    OpenTestMainWindow(Ehx);
    OpenIdPort(Prefix + "0000000255 0168496141.");
    ReadCardId();
    CHECK(IdWindow != nullptr);
    CHECK(!IsWindowEnabled(MainWindow));
    SendMessageA(IdWindow, WM_CLOSE, 0, 0);
    CHECK(IsWindowEnabled(MainWindow));
    CHECK(GetFocus() == MainWindow);
    // A second readout registers the class again and still opens a window.
    CloseIdPort();
    OpenIdPort(Prefix + "0000000001 0000000002.");
    ReadCardId();
    CHECK(IdWindow != nullptr);
    CloseIdPort();
    CloseIdWindow();
    CloseTestMainWindow();
}

TEST_MAIN()
