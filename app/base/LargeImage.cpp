#include "app/base/LargeImage.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>

namespace {

// Below this the pages are few and the heap serves as well.
constexpr std::size_t largeBytes = 8u << 20;
// The mapping's length is kept at its start, before the pixels (which stay 64-byte aligned).
constexpr std::size_t header = 64;

void unmap(void* mapping) {
    ::munmap(mapping, *static_cast<std::size_t*>(mapping));
}

} // namespace

QImage LargeImage::make(QSize size, QImage::Format format) {
    if (size.isEmpty()) return {};
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    const auto bytesPerLine = static_cast<qsizetype>((static_cast<std::size_t>(size.width()) * depth + 31) / 32 * 4);
    const std::size_t bytes = static_cast<std::size_t>(bytesPerLine) * static_cast<std::size_t>(size.height());
    if (depth == 0 || bytes < largeBytes) return QImage(size, format);
    const std::size_t length = header + bytes;
    void* mapping = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED) return QImage(size, format);
    // Only advice: where huge pages are off it changes nothing.
    ::madvise(mapping, length, MADV_HUGEPAGE);
    *static_cast<std::size_t*>(mapping) = length;
    return QImage(static_cast<uchar*>(mapping) + header, size.width(), size.height(), bytesPerLine, format, unmap, mapping);
}

void LargeImage::populate(const QImage& image) {
    const auto bytes = static_cast<std::size_t>(image.sizeInBytes());
    if (bytes < largeBytes) return;
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<std::uintptr_t>(image.constBits()) & ~(page - 1);
    const std::size_t length = reinterpret_cast<std::uintptr_t>(image.constBits()) + bytes - start;
    // Only advice: a kernel without it (before 5.14) leaves the pages to fault in as before.
    ::madvise(reinterpret_cast<void*>(start), length, MADV_POPULATE_WRITE);
}
