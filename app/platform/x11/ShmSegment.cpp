#include "app/platform/x11/ShmSegment.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdlib>
#include <utility>

#include "app/platform/x11/XcbConnection.h"

namespace platform::x11 {

ShmSegment ShmSegment::attach(xcb_connection_t* c, std::size_t size) {
    ShmSegment segment;
    const int id = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
    if (id < 0) return segment;
    void* address = shmat(id, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
        shmctl(id, IPC_RMID, nullptr);
        return segment;
    }
    const xcb_shm_seg_t seg = xcb_generate_id(c);
    xcb_generic_error_t* error = xcb_request_check(c, xcb_shm_attach_checked(c, seg, id, 0));
    shmctl(id, IPC_RMID, nullptr);
    if (error) {
        std::free(error);
        shmdt(address);
        return segment;
    }
    segment.c_ = c;
    segment.id_ = seg;
    segment.address_ = address;
    segment.size_ = size;
    return segment;
}

ShmSegment::~ShmSegment() {
    release();
}

ShmSegment::ShmSegment(ShmSegment&& other) noexcept
    : c_(std::exchange(other.c_, nullptr)),
      id_(std::exchange(other.id_, 0)),
      address_(std::exchange(other.address_, nullptr)),
      size_(std::exchange(other.size_, 0)) {}

ShmSegment& ShmSegment::operator=(ShmSegment&& other) noexcept {
    if (this != &other) {
        release();
        c_ = std::exchange(other.c_, nullptr);
        id_ = std::exchange(other.id_, 0);
        address_ = std::exchange(other.address_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

void ShmSegment::release() {
    if (!address_) return;
    // Qt closes its connection when the application goes; a segment that outlives it (held by a
    // static in a test) must not write to the closed connection.
    if (c_ && connection() == c_ && !xcb_connection_has_error(c_)) xcb_shm_detach(c_, id_);
    shmdt(address_);
    address_ = nullptr;
    size_ = 0;
}

} // namespace platform::x11
