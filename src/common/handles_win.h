// Owners of Win32 handles, GDI objects, COM interfaces and heap blocks, so that
// every path releases what it opened.
#pragma once

#include <windows.h>

// How each kind of handle is told from none and released.
struct KernelObjectTraits {
  using Handle = HANDLE;
  // Both null and INVALID_HANDLE_VALUE mean none.
  static bool IsSet(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
  static void Release(HANDLE handle) { CloseHandle(handle); }
};

struct RegistryKeyTraits {
  using Handle = HKEY;
  static bool IsSet(HKEY key) { return key != nullptr; }
  static void Release(HKEY key) { RegCloseKey(key); }
};

// A font, brush or bitmap.
struct GdiObjectTraits {
  using Handle = HGDIOBJ;
  static bool IsSet(HGDIOBJ object) { return object != nullptr; }
  static void Release(HGDIOBJ object) { DeleteObject(object); }
};

// A device context made by CreateCompatibleDC.
struct MemoryDcTraits {
  using Handle = HDC;
  static bool IsSet(HDC dc) { return dc != nullptr; }
  static void Release(HDC dc) { DeleteDC(dc); }
};

template <typename Interface>
struct ComInterfaceTraits {
  using Handle = Interface*;
  static bool IsSet(Interface* pointer) { return pointer != nullptr; }
  static void Release(Interface* pointer) { pointer->Release(); }
};

struct HeapBlockTraits {
  using Handle = void*;
  static bool IsSet(void* block) { return block != nullptr; }
  static void Release(void* block) { HeapFree(GetProcessHeap(), 0, block); }
};

// Holds one handle: reset() releases it (and may take another), release()
// gives it up. A holder has no destructor, so that it can keep an object for
// the life of a window at file scope: these programs start without the C
// runtime and run no static destructors, so the window's destruction message
// empties the holder.
template <typename Traits>
class HandleHolder {
 public:
  using Handle = typename Traits::Handle;
  constexpr HandleHolder() = default;
  explicit HandleHolder(Handle handle) : handle_(handle) {}
  HandleHolder(const HandleHolder&) = delete;
  HandleHolder& operator=(const HandleHolder&) = delete;
  Handle get() const { return handle_; }
  bool valid() const { return Traits::IsSet(handle_); }
  // Where a call that opens or creates one stores the new handle; the holder
  // is empty then.
  Handle* out() { return &handle_; }
  void reset(Handle handle = Handle()) {
    if (valid()) Traits::Release(handle_);
    handle_ = handle;
  }
  Handle release() {
    Handle handle = handle_;
    handle_ = Handle();
    return handle;
  }

 private:
  Handle handle_ = Handle();
};

// Releases what it holds when it goes out of scope; it moves, never copies.
template <typename Traits>
class ScopedOwner : public HandleHolder<Traits> {
 public:
  using Handle = typename Traits::Handle;
  constexpr ScopedOwner() = default;
  explicit ScopedOwner(Handle handle) : HandleHolder<Traits>(handle) {}
  ScopedOwner(ScopedOwner&& other) : HandleHolder<Traits>(other.release()) {}
  ScopedOwner& operator=(ScopedOwner&& other) {
    this->reset(other.release());
    return *this;
  }
  ~ScopedOwner() { this->reset(); }
};

using ScopedHandle = ScopedOwner<KernelObjectTraits>;
using ScopedKey = ScopedOwner<RegistryKeyTraits>;
using ScopedGdiObject = ScopedOwner<GdiObjectTraits>;
using ScopedMemoryDc = ScopedOwner<MemoryDcTraits>;
using GdiObjectHolder = HandleHolder<GdiObjectTraits>;
using MemoryDcHolder = HandleHolder<MemoryDcTraits>;

// A COM interface pointer.
template <typename Interface>
class ComPointer : public ScopedOwner<ComInterfaceTraits<Interface>> {
 public:
  Interface* operator->() const { return this->get(); }
  // Where QueryInterface or CoCreateInstance stores the interface.
  void** out() {
    return reinterpret_cast<void**>(ScopedOwner<ComInterfaceTraits<Interface>>::out());
  }
};

// A zero-filled block of the process heap; get() is null when there was no
// memory for it.
class HeapBlock : public ScopedOwner<HeapBlockTraits> {
 public:
  explicit HeapBlock(SIZE_T size)
      : ScopedOwner<HeapBlockTraits>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size)) {}
};
