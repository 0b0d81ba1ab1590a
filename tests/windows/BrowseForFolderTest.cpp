#include "TestFiles.h"

#include "browse/BrowseForFolder.h"
#include "win32/Handle.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <optional>
#include <string>
#include <type_traits>
#include <vector>

namespace {

// Copying the browser's item list would free it twice.
static_assert(!std::is_copy_constructible_v<win32::CoTaskMemPtr<ITEMIDLIST>>);
static_assert(!std::is_copy_assignable_v<win32::CoTaskMemPtr<ITEMIDLIST>>);

constexpr UINT kWestern = 1252;
constexpr UINT kJapanese = 932;
constexpr UINT kUtf8 = CP_UTF8;

const std::wstring kNichi = L"\x65E5";                          // "day"
const std::wstring kNihon = L"\x65E5\x672C";                    // "Japan"
const std::wstring kArchiv = L"\x0410\x0440\x0445\x0438\x0432"; // "Archive" in Cyrillic
const std::string kNihon932 = "\x93\xFA\x96\x7B";               // Shift-JIS
const std::string kNihonUtf8 = "\xE6\x97\xA5\xE6\x9C\xAC";      // UTF-8
const std::string kNichiUtf8 = "\xE6\x97\xA5";

template <typename String>
String Repeat(const String& part, int times) {
    String whole;
    for (int i = 0; i < times; ++i) {
        whole += part;
    }
    return whole;
}

struct Case {
    const char* what;
    UINT codePage;
    std::wstring path;
    std::optional<std::string> ansi; // nothing: the directory is refused
};

TEST(AnsiDirectoryPath, IsThePathItselfOrNothing) {
    const std::wstring root = L"Z:\\";
    const Case cases[] = {
        {"plain path, Western", kWestern, L"Z:\\tmp\\Archive 2004", "Z:\\tmp\\Archive 2004"},
        {"Japanese name, Japanese", kJapanese, root + kNihon, "Z:\\" + kNihon932},
        {"Cyrillic, Western", kWestern, root + kArchiv, std::nullopt},
        {"best fit would turn A-macron into A", kWestern, L"Z:\\\x0100", std::nullopt},
        {"259 bytes in 131 characters, Japanese", kJapanese, root + Repeat(kNihon, 64),
         "Z:\\" + Repeat(kNihon932, 64)},
        {"260 bytes in 132 characters, Japanese", kJapanese, root + L"a" + Repeat(kNihon, 64),
         std::nullopt},
        {"259 bytes in 89 characters, UTF-8", kUtf8, L"Z:\\a" + Repeat(kNichi, 85),
         "Z:\\a" + Repeat(kNichiUtf8, 85)},
        {"260 bytes in 89 characters, UTF-8", kUtf8, L"Z:\\\x00E9" + Repeat(kNichi, 85),
         std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(IsValidCodePage(c.codePage)) << "code page " << c.codePage;
        EXPECT_EQ(AnsiDirectoryPath(c.path, c.codePage), c.ansi);
    }
}

// Directories whose names the A functions cannot give, made and removed through
// the W ones.
class WideDirectories {
  public:
    ~WideDirectories() {
        for (auto it = made_.rbegin(); it != made_.rend(); ++it) {
            RemoveDirectoryW(it->c_str());
        }
    }
    std::wstring Make(const std::wstring& path) {
        EXPECT_TRUE(CreateDirectoryW(path.c_str(), nullptr)) << "error " << GetLastError();
        made_.push_back(path);
        return path;
    }

  private:
    std::vector<std::wstring> made_;
};

std::wstring Widen(const std::string& ansi) {
    std::wstring wide(ansi.size(), L'\0');
    wide.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(),
                            static_cast<int>(wide.size()))));
    return wide;
}

struct Choice {
    const char* what;
    UINT codePage;
    std::wstring path;
    std::string expected; // "" with unnamable false: taken as Cancel
    bool unnamable;
};

TEST(ChosenDirectoryOf, GivesTheAnsiPathOrRefusesItButNeverCutsIt) {
    const fixtures::TempDir temp("browse");
    WideDirectories directories;
    const std::wstring base = Widen(temp.Path());
    const std::wstring plain = directories.Make(base + L"\\Archive");
    const std::wstring cyrillic = directories.Make(base + L"\\" + kArchiv);
    const std::wstring japanese = directories.Make(base + L"\\" + kNihon);
    // Each part within the 255 bytes a Linux name may have; together well
    // under MAX_PATH characters but over MAX_PATH bytes in 932 and UTF-8.
    std::wstring deep = base;
    for (int part = 0; part < 3; ++part) {
        deep = directories.Make(deep + L"\\" + Repeat(kNichi, 50));
    }
    ASSERT_LT(deep.size(), static_cast<std::size_t>(MAX_PATH - 1));

    const Choice choices[] = {
        {"plain, Western", kWestern, plain, temp.Path() + "\\Archive", false},
        {"Cyrillic, Western", kWestern, cyrillic, "", true},
        {"Japanese, Japanese", kJapanese, japanese, temp.Path() + "\\" + kNihon932, false},
        {"Japanese, UTF-8", kUtf8, japanese, temp.Path() + "\\" + kNihonUtf8, false},
        {"too many bytes, Japanese", kJapanese, deep, "", true},
        {"too many bytes, UTF-8", kUtf8, deep, "", true},
    };
    for (const Choice& c : choices) {
        SCOPED_TRACE(c.what);
        const win32::CoTaskMemPtr<ITEMIDLIST> item(ILCreateFromPathW(c.path.c_str()));
        ASSERT_TRUE(item) << "no item for the directory";
        const ChosenDirectory chosen = ChosenDirectoryOf(item.Get(), c.codePage);
        EXPECT_EQ(chosen.path, c.expected);
        EXPECT_EQ(chosen.unnamable, c.unnamable);
    }
}

// A directory whose UTF-16 path is longer than 259 characters: Windows' shell
// gives no path for it, Wine's may cut it; only the parsing name is whole.
TEST(ChosenDirectoryFrom, RefusesAPathTooLongWhateverTheShellMadeOfIt) {
    const std::wstring longest = L"Z:\\" + std::wstring(MAX_PATH - 1 - 3, L'd');
    const std::wstring tooLong = longest + L"\\e";
    const std::string longestAnsi = "Z:\\" + std::string(MAX_PATH - 1 - 3, 'd');
    const struct {
        const char* what;
        std::optional<std::wstring> shellPath;
        std::wstring parsingName;
        std::string expected;
        bool unnamable;
    } cases[] = {
        {"no path from the shell", std::nullopt, tooLong, "", true},
        {"the path cut by the shell", longest, tooLong, "", true},
        {"259 characters", longest, longest, longestAnsi, false},
        {"no file-system path", std::nullopt, L"", "", false},
        {"a plain path", std::wstring(L"Z:\\tmp\\Archive"), L"", "Z:\\tmp\\Archive", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const ChosenDirectory chosen = ChosenDirectoryFrom(c.shellPath, c.parsingName, kWestern);
        EXPECT_EQ(chosen.path, c.expected);
        EXPECT_EQ(chosen.unnamable, c.unnamable);
    }
}

} // namespace
