#include <windows.h>

#include <gtest/gtest.h>

namespace {

// A file in the working directory, which the rig gives the test user alone.
class ReadOnlyFile : public ::testing::Test {
  protected:
    void SetUp() override {
        const HANDLE file = CreateFileA(kName, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << "error " << GetLastError();
        CloseHandle(file);
        ASSERT_TRUE(SetFileAttributesA(kName, FILE_ATTRIBUTE_READONLY));
    }

    void TearDown() override {
        SetFileAttributesA(kName, FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(kName);
    }

    static constexpr const char* kName = "rig-readonly.txt";
};

TEST_F(ReadOnlyFile, RefusesWriteAccess) {
    // Run as root, Wine would open it: then no read-only behaviour is tested at all.
    const HANDLE file = CreateFileA(kName, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD error = GetLastError();
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
    }
    EXPECT_EQ(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

// Without a usable display Wine cannot load a graphics driver and every window
// creation fails, which would make each GUI test fail for a reason of the rig.
TEST(Display, TakesAWindow) {
    const HWND window = CreateWindowExA(0, "STATIC", "rig", WS_POPUP, 0, 0, 10, 10, nullptr,
                                        nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr) << "error " << GetLastError();
    DestroyWindow(window);
}

} // namespace
