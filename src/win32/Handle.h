#pragma once
#include <windows.h>

#include <objbase.h>

#include <utility>

namespace win32 {

// Owns one handle and releases it on every path. Traits name the value that means
// "no handle" (INVALID_HANDLE_VALUE for files and searches, NULL elsewhere) and
// the call that releases it. Move-only, so that nothing is released twice.
template <typename Traits>
class UniqueHandle {
  public:
    using Value = typename Traits::Value;

    UniqueHandle() = default;
    explicit UniqueHandle(Value value) : value_(value) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : value_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Value Get() const { return value_; }
    bool IsValid() const { return value_ != Traits::Invalid() && value_ != Value{}; }
    explicit operator bool() const { return IsValid(); }

    Value Release() { return std::exchange(value_, Traits::Invalid()); }
    void Reset(Value value = Traits::Invalid()) {
        if (IsValid()) {
            Traits::Close(value_);
        }
        value_ = value;
    }

  private:
    Value value_ = Traits::Invalid();
};

struct FileHandleTraits {
    using Value = HANDLE;
    static Value Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Value value) { CloseHandle(value); }
};

struct FindHandleTraits {
    using Value = HANDLE;
    static Value Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Value value) { FindClose(value); }
};

// Memory the system allocated for the caller, such as the folder browser's item
// list.
template <typename Pointer>
struct CoTaskMemTraits {
    using Value = Pointer;
    static Value Invalid() { return nullptr; }
    static void Close(Value value) { CoTaskMemFree(value); }
};

// A memory device context, and a font or other drawing object.
struct DcTraits {
    using Value = HDC;
    static Value Invalid() { return nullptr; }
    static void Close(Value value) { DeleteDC(value); }
};

template <typename Object>
struct GdiObjectTraits {
    using Value = Object;
    static Value Invalid() { return nullptr; }
    static void Close(Value value) { DeleteObject(value); }
};

using FileHandle = UniqueHandle<FileHandleTraits>;
using FindHandle = UniqueHandle<FindHandleTraits>;
template <typename T>
using CoTaskMemPtr = UniqueHandle<CoTaskMemTraits<T*>>;
using MemoryDc = UniqueHandle<DcTraits>;
using FontHandle = UniqueHandle<GdiObjectTraits<HFONT>>;

} // namespace win32
