#include <windows.h>

#include "restore/ReportBox.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

// The first visible "#32770" window of this process with that title (nullptr:
// any). Other tests' programs may show their own boxes on the same display.
HWND OwnDialog(const char* title) {
    for (HWND window = FindWindowExA(nullptr, nullptr, "#32770", title); window;
         window = FindWindowExA(nullptr, window, "#32770", title)) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId() && IsWindowVisible(window)) {
            return window;
        }
    }
    return nullptr;
}

// The report's box as shown: found and read from another thread while
// ShowCompletionReport waits in it, then closed with OK.
struct Shown {
    RECT window{};
    RECT okButton{};
    std::string text;
};

Shown ShowAndRead(const std::string& source, const std::string& destination,
                  const std::vector<RestoreFailure>& failures) {
    Shown shown;
    std::thread reader([&] {
        HWND box = nullptr;
        for (int tries = 0; tries < 500 && !box; ++tries) {
            Sleep(20);
            box = OwnDialog("Tarnwick");
        }
        if (!box) {
            // Not the box looked for: closed all the same, so that the test ends.
            PostMessageA(OwnDialog(nullptr), WM_COMMAND, IDOK, 0);
            return;
        }
        GetWindowRect(box, &shown.window);
        GetWindowRect(GetDlgItem(box, IDOK), &shown.okButton);
        char text[16384] = {};
        GetWindowTextA(GetDlgItem(box, 0xFFFF), text, sizeof text);
        shown.text = text;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    ShowCompletionReport(source, destination, failures);
    reader.join();
    return shown;
}

std::vector<RestoreFailure> Failures(std::size_t count, const std::string& name,
                                     const std::string& reason = "File not found.") {
    std::vector<RestoreFailure> failures;
    for (std::size_t i = 0; i < count; ++i) {
        failures.push_back({std::to_string(i) + name, reason});
    }
    return failures;
}

bool Within(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom && inner.bottom > inner.top;
}

// Whatever the report holds, its box fits a 1366 x 768 laptop screen with its
// taskbar and the work area here, OK button included; paths that fit stay whole.
TEST(CompletionReport, BoxFitsTheScreenWhateverItReports) {
    std::string deep = "Z:\\";
    std::string spaced = "Z:\\";
    std::string cjk = "Z:\\";
    char wide[16] = {}; // two CJK characters and a pair, "?" where the code page has none
    WideCharToMultiByte(CP_ACP, 0, L"\x65E5\x672C\xD83D\xDCE7", 4, wide, 15, nullptr, nullptr);
    while (cjk.size() < 250) {
        deep += "ArchivedMail2006";
        spaced += "Mail Archive ";
        cjk += wide;
    }
    deep.resize(259);
    spaced.resize(259);
    const std::string fitting = "Z:\\home\\user\\Mail archive of the sales office\\restored";
    const std::string reason = "BAK-Minutes of the sales meeting 06-03.PMM in the destination is "
                               "read-only and was not replaced";
    struct Case {
        const char* what;
        std::string source, destination;
        std::vector<RestoreFailure> failures;
    };
    const Case cases[] = {
        {"30 failures, 150-character paths", spaced.substr(0, 150), deep.substr(0, 150),
         Failures(30, "Minutes of the sales meeting 06-03.PMM", reason)},
        {"259-character paths, 1,000 255-character names", deep, deep,
         Failures(1000, deep.substr(3, 251) + ".PMM")},
        {"names with spaces, long reasons", spaced, spaced,
         Failures(60, spaced.substr(3, 251) + ".PMM", deep + reason)},
        {"wide characters", cjk, cjk, Failures(25, cjk.substr(3) + ".PMM")},
        {"success, 259-character paths", deep, spaced, {}},
        {"paths that fit", fitting, fitting + "\\x", Failures(20, "FOL00001.PMM")},
    };
    RECT work{};
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Shown shown = ShowAndRead(c.source, c.destination, c.failures);
        const RECT& box = shown.window;
        std::printf("[ box      ] %s: %ld x %ld\n", c.what, box.right - box.left,
                    box.bottom - box.top);
        EXPECT_LE(box.right - box.left, 1366);
        EXPECT_LE(box.bottom - box.top, 728);
        EXPECT_TRUE(Within(box, work))
            << box.left << ", " << box.top << " to " << box.right << ", " << box.bottom;
        EXPECT_TRUE(Within(shown.okButton, screen)) << "OK at " << shown.okButton.top;
        if (c.source == fitting) {
            EXPECT_EQ(shown.text.substr(0, shown.text.find("\r\n")),
                      "Not all mail files were copied from " + c.source + " to " + c.destination);
        }
    }
}

} // namespace
