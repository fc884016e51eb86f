#pragma once
// A shared-memory segment that the X server writes a screen grab into (MIT-SHM): attached and
// detached over Qt's connection on the main thread, its memory readable on any thread while the
// segment is held. Marked for removal at once, so it goes with the last process that detaches it,
// even one that dies.

#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <cstddef>
#include <cstdint>

namespace platform::x11 {

class ShmSegment {
public:
    ShmSegment() = default;
    // A segment of `size` bytes; an empty one when the system or the server refuses.
    static ShmSegment attach(xcb_connection_t* c, std::size_t size);
    ~ShmSegment();
    ShmSegment(ShmSegment&& other) noexcept;
    ShmSegment& operator=(ShmSegment&& other) noexcept;
    ShmSegment(const ShmSegment&) = delete;
    ShmSegment& operator=(const ShmSegment&) = delete;

    explicit operator bool() const { return address_ != nullptr; }
    xcb_shm_seg_t id() const { return id_; }
    const std::uint8_t* data() const { return static_cast<const std::uint8_t*>(address_); }
    std::size_t size() const { return size_; }

private:
    void release();

    xcb_connection_t* c_ = nullptr;
    xcb_shm_seg_t id_ = 0;
    void* address_ = nullptr;
    std::size_t size_ = 0;
};

} // namespace platform::x11
