#include "restore/ReportBox.h"

#include "common/Titles.h"
#include "restore/Report.h"
#include "win32/Handle.h"
#include "win32/Text.h"

#include <algorithm>
#include <cstddef>

namespace {

// A 1366 x 768 laptop screen less its taskbar: the largest box wanted even on a
// larger screen.
constexpr int kLargestBoxWidth = 1366;
constexpr int kLargestBoxHeight = 728;
// Wine's box wraps its text at 176 dialog units of the message font, Windows' wider.
// Heights measured a little narrower than both can only come out too high.
constexpr int kWrapDialogUnits = 172;
// What the box adds around its text: title, margins, icon and OK button, 74 by 73
// pixels under Wine and more under Windows. It grows with the font.
constexpr int kFrameLines = 10;
constexpr int kLeastFrame = 150;

// The flags the box wraps its text with.
constexpr UINT kBoxTextFlags = DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX;

// A memory DC with the message boxes' font selected into it while it lives.
class MessageFontDc {
  public:
    MessageFontDc() : dc_(CreateCompatibleDC(nullptr)) {
        NONCLIENTMETRICSW metrics{};
        // The size Windows XP knows; later versions take it too.
        metrics.cbSize = offsetof(NONCLIENTMETRICSW, lfMessageFont) + sizeof(LOGFONTW);
        if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) {
            font_.Reset(CreateFontIndirectW(&metrics.lfMessageFont));
        }
        if (dc_ && font_) {
            previous_ = SelectObject(dc_.Get(), font_.Get());
        }
    }
    ~MessageFontDc() {
        if (previous_) {
            SelectObject(dc_.Get(), previous_);
        }
    }
    MessageFontDc(const MessageFontDc&) = delete;
    MessageFontDc& operator=(const MessageFontDc&) = delete;

    HDC Get() const { return dc_.Get(); }

  private:
    win32::MemoryDc dc_;
    win32::FontHandle font_;
    HGDIOBJ previous_ = nullptr;
};

std::wstring Wide(const std::u16string& text) {
    return std::wstring(text.begin(), text.end());
}

int TextHeight(HDC dc, int wrapWidth, const std::u16string& text) {
    const std::wstring wide = Wide(text);
    RECT rect{0, 0, wrapWidth, 0};
    DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &rect, kBoxTextFlags | DT_CALCRECT);
    return rect.bottom;
}

int TextWidth(HDC dc, const std::u16string& text) {
    const std::wstring wide = Wide(text);
    RECT rect{0, 0, 0, 0};
    DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &rect,
              kBoxTextFlags | DT_CALCRECT | DT_SINGLELINE);
    return rect.right;
}

// The width of 4 dialog units in the DC's font, as dialogs work it out.
int DialogBaseUnitX(HDC dc) {
    const wchar_t letters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE size{};
    GetTextExtentPoint32W(dc, letters, 52, &size);
    return (size.cx / 26 + 1) / 2;
}

ReportLayout BoxLayout(HDC dc) {
    ReportLayout layout;
    layout.widen = [](const std::string& text) {
        const std::wstring wide = win32::Widened(text);
        return std::u16string(wide.begin(), wide.end());
    };
    layout.width = [dc](const std::u16string& text) { return TextWidth(dc, text); };
    layout.wrapWidth = kWrapDialogUnits * DialogBaseUnitX(dc) / 4;
    layout.height = [dc, wrap = layout.wrapWidth](const std::u16string& text) {
        return TextHeight(dc, wrap, text);
    };

    RECT work{0, 0, kLargestBoxWidth, kLargestBoxHeight};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int frame = std::max(kLeastFrame, kFrameLines * TextHeight(dc, layout.wrapWidth, u"X"));
    layout.maxWidth = std::min<int>(work.right - work.left, kLargestBoxWidth) - frame;
    layout.maxHeight = std::min<int>(work.bottom - work.top, kLargestBoxHeight) - frame;
    return layout;
}

} // namespace

void ShowCompletionReport(const std::string& sourceText, const std::string& destinationText,
                          const std::vector<RestoreFailure>& failures) {
    const UINT type = failures.empty() ? MB_OK : MB_OK | MB_ICONWARNING;
    std::wstring text;
    {
        const MessageFontDc dc;
        if (dc.Get()) {
            text =
                Wide(FitCompletionText(sourceText, destinationText, failures, BoxLayout(dc.Get())));
        } else {
            // Nothing to measure with: the plain text, as the system widens it.
            text = win32::Widened(CompletionText(sourceText, destinationText, failures));
        }
    }
    MessageBoxW(nullptr, text.c_str(), win32::Widened(kProgramTitle).c_str(), type);
}
