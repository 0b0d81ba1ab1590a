// Usage: tarnwick_demo_tour <archive dir> <destination dir> <picture.bmp>
//
// Starts tarnwick.exe (beside this program), chooses the archive through the
// folder browser, moves every folder to the restore list, chooses the
// destination, presses Restore and saves the screen area of the dialog and the
// completion box, frames included, as a 24-bit BMP. Prints the box's text and
// exits 0 when the box reported success.
#include "Driver.h"

#include <cstdio>
#include <fstream>
#include <vector>

namespace {

bool SaveScreenArea(const RECT& area, const char* path) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    SelectObject(memory, previous);

    BITMAPINFOHEADER info{};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height; // bottom-up, as BMP files store rows
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const DWORD rowBytes = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    std::vector<unsigned char> pixels(rowBytes * static_cast<DWORD>(height));
    const int rows = GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(),
                               reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (rows != height) {
        return false;
    }

    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof(file));
    out.write(reinterpret_cast<const char*>(&info), sizeof(info));
    out.write(reinterpret_cast<const char*>(pixels.data()),
              static_cast<std::streamsize>(pixels.size()));
    return static_cast<bool>(out);
}

RECT ScreenWindowRect(HWND window) {
    RECT area{};
    GetWindowRect(window, &area);
    return area;
}

int Fail(const char* step, const std::string& why) {
    std::fprintf(stderr, "demo tour: %s failed: %s\n", step, why.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: tarnwick_demo_tour <archive> <destination> <picture.bmp>\n");
        return 2;
    }
    e2e::TarnwickProcess program;
    if (!program.Start()) {
        return Fail("start", program.Error());
    }
    if (!program.BrowseSource(argv[1])) {
        return Fail("choosing the archive", program.Error());
    }
    program.Click(IDC_ADD_ALL);
    if (!program.BrowseDestination(argv[2])) {
        return Fail("choosing the destination", program.Error());
    }
    program.Click(IDC_RESTORE);
    HWND box = program.WaitForMessageBox(kProgramTitle);
    if (!box) {
        return Fail("restore", "no completion box");
    }
    const std::string text = e2e::MessageBoxText(box);
    std::printf("%s\n", text.c_str());

    // Whole windows, caption bars included: run inside a Wine virtual desktop,
    // which draws the frames (on a bare X display nothing does).
    RECT dialog = ScreenWindowRect(program.Dialog());
    RECT boxArea = ScreenWindowRect(box);
    RECT both{};
    UnionRect(&both, &dialog, &boxArea);
    Sleep(500); // let the box finish painting
    const bool saved = SaveScreenArea(both, argv[3]);

    e2e::DismissMessageBox(box);
    e2e::WaitUntilGone(box);
    program.CloseAndWait();
    if (!saved) {
        return Fail("saving the picture", argv[3]);
    }
    return text.rfind("Mail files copied from ", 0) == 0 ? 0 : 1;
}
