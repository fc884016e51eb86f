// Times the scrolling capture's stitcher on 1920x1080 frames of a generated text page: steps of
// most of a screen (as Glimpo turns the wheel) and of one wheel notch (as a user might scroll).

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

#include "kit/ScrollStitcher.h"

namespace {

constexpr int width = 1920, height = 1080, pageHeight = height * 12;

// Lines of random "glyphs" 14 pixels high every 20 rows, paragraphs apart, a blank margin.
std::vector<std::uint32_t> makePage() {
    std::vector<std::uint32_t> page(std::size_t(width) * pageHeight, 0xfffbfbf8);
    std::mt19937 random(26);
    for (int y = 0; y < pageHeight; ++y) {
        if (y % 20 >= 14 || (y / 20) % 9 == 8) continue;
        const int length = 600 + int(random() % 1000);
        for (int x = 80; x < 80 + length; ++x)
            if (random() % 3 == 0 && (x / 37) % 6 != 5) page[std::size_t(y) * width + x] = 0xff202028 + (random() % 5);
    }
    return page;
}

// This thread's processor time: what the stitcher costs, whatever else the machine runs.
double cpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

void report(const char* what, int step, std::vector<double> times) {
    std::sort(times.begin(), times.end());
    std::printf("steps of %4d rows, %s: %3zu frames, per frame median %.2f ms, p90 %.2f ms, max %.2f ms\n", step,
                what, times.size(), times[times.size() / 2], times[times.size() * 9 / 10], times.back());
}

void run(const std::vector<std::uint32_t>& page, int step) {
    kit::ScrollStitcher stitcher(width, height, 20000);
    std::vector<double> times, cpuTimes;
    for (int top = 0; top + height <= pageHeight && stitcher.height() < 20000; top += step) {
        const kit::PixelRows frame{page.data() + std::size_t(top) * width, width, height, width};
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = cpuMilliseconds();
        const auto outcome = stitcher.add(frame).outcome;
        cpuTimes.push_back(cpuMilliseconds() - cpuStart);
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        if (top > 0 && outcome != kit::ScrollStitcher::Outcome::added && outcome != kit::ScrollStitcher::Outcome::full) {
            std::printf("step %d: frame at %d was not joined\n", step, top);
            return;
        }
    }
    // The first frame is only taken in, not matched.
    times.erase(times.begin());
    cpuTimes.erase(cpuTimes.begin());
    report("wall clock", step, times);
    report("processor", step, cpuTimes);
}

} // namespace

int main() {
    const auto page = makePage();
    run(page, 760);
    run(page, 60);
    return 0;
}
