#include "kit/ScrollStitcher.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <unordered_map>

#include <sys/mman.h>

namespace kit {

namespace {

// Bands narrow enough that a scroll bar or a caret spoils few of them, wide enough to hash fast.
constexpr int targetBands = 32;
constexpr int minimumBandWidth = 8;
// Rows vote in four groups of bands, so that a scroll bar silences only one of them.
constexpr int votingGroups = 4;
constexpr int minimumVotes = 2;
constexpr int checkedOffsets = 8;
// A row shared by more of the last frame's rows than this says little about where it went.
constexpr int commonRow = 8;
// Band-rows that show something and match: below this an offset has no evidence.
constexpr std::int64_t minimumEvidence = 8;
// Rows two frames must share for an offset between them to count.
constexpr int minimumOverlap = 8;

std::uint64_t hashBand(const std::uint32_t* pixels, int count, bool& flat) {
    // Two independent lanes keep the multiplications from waiting on each other.
    std::uint64_t a = 0xcbf29ce484222325ull, b = 0x84222325cbf29ce4ull;
    const std::uint32_t first = pixels[0];
    std::uint32_t differs = 0;
    int x = 0;
    for (; x + 2 <= count; x += 2) {
        a = (a ^ pixels[x]) * 0x100000001b3ull;
        b = (b ^ pixels[x + 1]) * 0x100000001b3ull;
        differs |= (pixels[x] ^ first) | (pixels[x + 1] ^ first);
    }
    for (; x < count; ++x) {
        a = (a ^ pixels[x]) * 0x100000001b3ull;
        differs |= pixels[x] ^ first;
    }
    flat = differs == 0;
    return a ^ (b * 0x9e3779b97f4a7c15ull) ^ static_cast<std::uint64_t>(count);
}

// Left unwritten: the system gives the pages only as rows are written. A screenful of new rows
// touches thousands of small pages, each a fault that costs more than copying it: large pages,
// where the system has them, make that a handful.
ScrollStitcher::Rows allocateRows(std::size_t count) {
    constexpr std::size_t largePage = std::size_t(2) << 20;
    const std::size_t bytes = (count * sizeof(std::uint32_t) + largePage - 1) / largePage * largePage;
    void* rows = std::aligned_alloc(largePage, bytes);
    if (!rows) throw std::bad_alloc();
    madvise(rows, bytes, MADV_HUGEPAGE);
    return ScrollStitcher::Rows(static_cast<std::uint32_t*>(rows));
}

} // namespace

void ScrollStitcher::FreeRows::operator()(std::uint32_t* rows) const { std::free(rows); }

struct ScrollStitcher::Fit {
    // Content of the later frame's row i was in row i + offset of the earlier one.
    int offset = 0;
    bool valid = false;
    int deviantBands = 0;
    std::int64_t mismatches = 0;
    std::int64_t evidence = 0;
    // Rows at the top and bottom that stayed in place.
    int fixedTop = 0;
    int fixedBottom = 0;
    // The first row below fixedTop that matches where it moved from: painting starts there.
    int firstMoving = 0;
    // Per row from fixedTop: whether all but the deviant bands match where the row moved from.
    std::vector<std::uint8_t> matching;
};

ScrollStitcher::ScrollStitcher(int width, int height, int heightLimit)
    : width_(std::max(1, width)),
      height_(std::max(1, height)),
      heightLimit_(std::max(height_, heightLimit)),
      bandWidth_(std::max(minimumBandWidth, (width_ + targetBands - 1) / targetBands)),
      bands_((width_ + bandWidth_ - 1) / bandWidth_),
      movingEvidence_(width_, 0),
      apartEvidence_(width_, 0) {}

void ScrollStitcher::analyse(const PixelRows& source, Frame& frame) const {
    const std::size_t w = static_cast<std::size_t>(width_);
    frame.pixels.resize(w * height_);
    frame.hashes.resize(static_cast<std::size_t>(height_) * bands_);
    frame.flat.resize(static_cast<std::size_t>(height_) * bands_);
    for (int y = 0; y < height_; ++y) {
        std::uint32_t* row = frame.pixels.data() + w * y;
        std::memcpy(row, source.row(y), w * sizeof(std::uint32_t));
        for (int k = 0; k < bands_; ++k) {
            const int x0 = k * bandWidth_;
            bool flat = false;
            frame.hashes[static_cast<std::size_t>(y) * bands_ + k] =
                hashBand(row + x0, std::min(width_, x0 + bandWidth_) - x0, flat);
            frame.flat[static_cast<std::size_t>(y) * bands_ + k] = flat;
        }
    }
}

std::vector<int> ScrollStitcher::candidates(const Frame& next) const {
    const int groupBands = std::max(1, (bands_ + votingGroups - 1) / votingGroups);
    const auto groupHash = [&](const Frame& f, int y, int g, bool& informative) {
        std::uint64_t h = 0x51ed270b27a1f3c5ull * static_cast<std::uint64_t>(g + 1);
        informative = false;
        for (int k = g * groupBands; k < std::min(bands_, (g + 1) * groupBands); ++k) {
            const std::size_t cell = static_cast<std::size_t>(y) * bands_ + k;
            h = (h ^ f.hashes[cell]) * 0x100000001b3ull;
            informative |= !f.flat[cell];
        }
        return h;
    };

    std::unordered_map<std::uint64_t, std::vector<int>> rowsByHash;
    rowsByHash.reserve(static_cast<std::size_t>(height_) * votingGroups);
    for (int y = 0; y < height_; ++y) {
        for (int g = 0; g * groupBands < bands_; ++g) {
            bool informative = false;
            const std::uint64_t h = groupHash(last_, y, g, informative);
            if (!informative) continue;
            std::vector<int>& rows = rowsByHash[h];
            if (rows.size() <= commonRow) rows.push_back(y);
        }
    }

    std::vector<int> votes(2 * static_cast<std::size_t>(height_) - 1, 0);
    for (int y = 0; y < height_; ++y) {
        for (int g = 0; g * groupBands < bands_; ++g) {
            bool informative = false;
            const std::uint64_t h = groupHash(next, y, g, informative);
            if (!informative) continue;
            const auto found = rowsByHash.find(h);
            if (found == rowsByHash.end() || found->second.size() > commonRow) continue;
            for (const int from : found->second) ++votes[static_cast<std::size_t>(from - y + height_ - 1)];
        }
    }

    std::vector<int> offsets;
    for (int i = 0; i < static_cast<int>(votes.size()); ++i)
        if (votes[i] >= minimumVotes && i != height_ - 1) offsets.push_back(i - (height_ - 1));
    const auto byVotes = [&](int a, int b) { return votes[a + height_ - 1] > votes[b + height_ - 1]; };
    const std::size_t kept = std::min<std::size_t>(offsets.size(), checkedOffsets);
    std::partial_sort(offsets.begin(), offsets.begin() + static_cast<std::ptrdiff_t>(kept), offsets.end(), byVotes);
    offsets.resize(kept);
    // Standing still is always a candidate: it needs no votes, only agreement.
    offsets.insert(offsets.begin(), 0);
    return offsets;
}

ScrollStitcher::Fit ScrollStitcher::check(const Frame& next, int offset) const {
    // Moving back is checked the other way round: the earlier frame's rows moved down.
    const Frame& later = offset >= 0 ? next : last_;
    const Frame& earlier = offset >= 0 ? last_ : next;
    const int d = std::abs(offset);
    const auto cell = [&](int y, int k) { return static_cast<std::size_t>(y) * bands_ + k; };
    // A row stays in place when all but a few bands are equal: a caret or a clock in a status
    // line must not make a fixed footer look as if it moved.
    const int sameTolerance = std::max(1, bands_ / 8);
    const auto staysInPlace = [&](int y) {
        int differing = 0;
        for (int k = 0; k < bands_; ++k) differing += later.hashes[cell(y, k)] != earlier.hashes[cell(y, k)];
        return differing <= sameTolerance;
    };

    Fit fit;
    fit.offset = offset;
    int first = 0, end = height_;
    if (d != 0) {
        while (fit.fixedTop < height_ && staysInPlace(fit.fixedTop)) ++fit.fixedTop;
        while (fit.fixedBottom < height_ - fit.fixedTop && staysInPlace(height_ - 1 - fit.fixedBottom))
            ++fit.fixedBottom;
        first = fit.fixedTop;
        end = height_ - fit.fixedBottom - d;
        if (end - first < minimumOverlap) return fit;
    }

    const int rows = end - first;
    std::vector<int> bandMismatches(bands_, 0);
    std::vector<std::int64_t> bandEvidence(bands_, 0);
    for (int y = first; y < end; ++y) {
        for (int k = 0; k < bands_; ++k) {
            const bool equal = later.hashes[cell(y, k)] == earlier.hashes[cell(y + d, k)];
            bandMismatches[k] += !equal;
            bandEvidence[k] += equal && !later.flat[cell(y, k)];
        }
    }
    // A band that disagrees in more than a few rows changes on its own: it is left out, as long
    // as most of the width agrees.
    const int deviantLimit = std::max(2, rows / 50);
    std::vector<bool> deviant(bands_, false);
    std::int64_t compared = 0;
    for (int k = 0; k < bands_; ++k) {
        deviant[k] = bandMismatches[k] > deviantLimit;
        if (deviant[k]) {
            ++fit.deviantBands;
            continue;
        }
        fit.mismatches += bandMismatches[k];
        fit.evidence += bandEvidence[k];
        compared += rows;
    }
    const int deviantAllowed = d == 0 ? std::max(2, bands_ / 16) : std::max(1, bands_ / 4);
    fit.valid = fit.deviantBands <= deviantAllowed && fit.mismatches <= std::max<std::int64_t>(4, compared / 100) &&
                (d == 0 || fit.evidence >= minimumEvidence);
    if (!fit.valid || d == 0) return fit;

    fit.firstMoving = end;
    fit.matching.assign(rows, 0);
    for (int y = first; y < end; ++y) {
        bool matches = true;
        for (int k = 0; k < bands_ && matches; ++k)
            matches = deviant[k] || later.hashes[cell(y, k)] == earlier.hashes[cell(y + d, k)];
        fit.matching[y - first] = matches;
        if (matches) fit.firstMoving = std::min(fit.firstMoving, y);
    }
    if (fit.firstMoving == end) fit.firstMoving = first;
    return fit;
}

ScrollStitcher::Step ScrollStitcher::add(const PixelRows& frame) {
    if (frame.width != width_ || frame.height != height_ || !frame.pixels) return {Outcome::unmatched, 0};
    if (!started_) {
        analyse(frame, last_);
        // The next frame's room, taken from the system now rather than while matching.
        next_ = last_;
        canvas_ = allocateRows(static_cast<std::size_t>(width_) * heightLimit_);
        canvasHeight_ = height_;
        std::memcpy(canvas_.get(), last_.pixels.data(), last_.pixels.size() * sizeof(std::uint32_t));
        started_ = true;
        return {Outcome::started, 0};
    }

    analyse(frame, next_);
    std::vector<Fit> fits;
    for (const int offset : candidates(next_)) {
        Fit fit = check(next_, offset);
        if (fit.valid) fits.push_back(fit);
    }
    if (fits.empty()) return {Outcome::unmatched, 0};
    // The fewest bands left out, then the fewest disagreements. Two offsets that agree equally
    // well are a tie however much each overlaps: repeating content fits a smaller step better
    // only because more of it is compared.
    std::stable_sort(fits.begin(), fits.end(), [](const Fit& a, const Fit& b) {
        if (a.deviantBands != b.deviantBands) return a.deviantBands < b.deviantBands;
        return a.mismatches < b.mismatches;
    });
    const Fit& best = fits.front();
    const bool tie =
        fits.size() > 1 && fits[1].deviantBands == best.deviantBands && fits[1].mismatches == best.mismatches;
    // Content that repeats itself exactly may look still: taken as still, which ends nothing wrongly glued.
    if (best.offset == 0 || (tie && fits[1].offset == 0)) return {Outcome::unchanged, 0};
    if (tie) return {Outcome::ambiguous, 0};
    if (best.offset < 0) return {Outcome::behind, best.offset};
    return join(best);
}

void ScrollStitcher::noteColumns(const Fit& fit) {
    // Only rows that match apart from the bands left out: there, a column that differs from
    // where its row moved from changes by itself.
    const std::size_t w = static_cast<std::size_t>(width_);
    for (std::size_t row = 0; row < fit.matching.size(); ++row) {
        if (!fit.matching[row]) continue;
        const std::size_t y = fit.fixedTop + row;
        const std::uint32_t* now = next_.pixels.data() + w * y;
        const std::uint32_t* samePlace = last_.pixels.data() + w * y;
        const std::uint32_t* movedFrom = last_.pixels.data() + w * (y + fit.offset);
        // Nothing here aliases: said so, the loop is vectorised.
        std::uint32_t* __restrict moving = movingEvidence_.data();
        std::uint32_t* __restrict apart = apartEvidence_.data();
        for (std::size_t x = 0; x < w; ++x) {
            const std::uint32_t moved = now[x] == movedFrom[x];
            moving[x] += moved & std::uint32_t(now[x] != samePlace[x]);
            apart[x] += moved ^ 1u;
        }
    }
}

ScrollStitcher::Step ScrollStitcher::join(const Fit& fit) {
    noteColumns(fit);
    offset_ += fit.offset;
    const int newHeight = std::min(heightLimit_, offset_ + height_);
    const std::size_t w = static_cast<std::size_t>(width_);
    // Rows that match where they moved from are in the picture already: only what the last
    // frame showed below the content (its fixed bottom rows) and what is new are written.
    const int bottomBefore = std::max(fixedBottom_, fit.fixedBottom);
    const int firstRow = offset_ + std::max(fit.firstMoving, height_ - fit.offset - bottomBefore);
    if (firstRow < newHeight) {
        std::memcpy(canvas_.get() + w * firstRow, next_.pixels.data() + w * (firstRow - offset_),
                    w * (newHeight - firstRow) * sizeof(std::uint32_t));
    }
    canvasHeight_ = newHeight;
    fixedTop_ = fit.firstMoving;
    fixedBottom_ = fit.fixedBottom;
    const bool first = leastFixedTop_ < 0;
    leastFixedTop_ = first ? fit.firstMoving : std::min(leastFixedTop_, fit.firstMoving);
    leastFixedBottom_ = first ? fit.fixedBottom : std::min(leastFixedBottom_, fit.fixedBottom);
    std::swap(last_, next_);
    return {offset_ + height_ >= heightLimit_ ? Outcome::full : Outcome::added, fit.offset};
}

ScrollStitcher::Picture ScrollStitcher::take(bool withoutFixedRows) {
    Picture picture;
    if (!started_) return picture;

    // Content moves as a whole: a column that differed from where its row came from changes by
    // itself (a scroll bar's thumb, a side panel that stays). One that shows no change either
    // way (a margin) says nothing, and is kept unless such columns lie beyond it.
    const auto apart = [&](int x) { return apartEvidence_[x] >= 2; };
    const auto moved = [&](int x) { return movingEvidence_[x] > 0 && !apart(x); };
    int left = 0, right = width_;
    for (int x = 0; x < width_ && !moved(x); ++x)
        if (apart(x)) left = x + 1;
    for (int x = width_ - 1; x >= 0 && !moved(x); --x)
        if (apart(x)) right = x;
    // What stays of the width must be most of it: otherwise the content itself is in doubt.
    if (right - left < width_ * 2 / 5) {
        left = 0;
        right = width_;
    }

    int top = 0, bottom = canvasHeight_;
    if (withoutFixedRows && leastFixedTop_ >= 0 && canvasHeight_ - leastFixedTop_ - leastFixedBottom_ > 0) {
        top = leastFixedTop_;
        bottom = canvasHeight_ - leastFixedBottom_;
    }

    const int width = right - left;
    const std::size_t w = static_cast<std::size_t>(width_);
    for (int y = top; y < bottom; ++y) {
        std::memmove(canvas_.get() + static_cast<std::size_t>(y - top) * width, canvas_.get() + w * y + left,
                     static_cast<std::size_t>(width) * sizeof(std::uint32_t));
    }
    picture.pixels = std::move(canvas_);
    picture.width = width;
    picture.height = bottom - top;

    canvasHeight_ = 0;
    offset_ = 0;
    started_ = false;
    last_ = {};
    next_ = {};
    leastFixedTop_ = -1;
    leastFixedBottom_ = 0;
    std::fill(movingEvidence_.begin(), movingEvidence_.end(), 0);
    std::fill(apartEvidence_.begin(), apartEvidence_.end(), 0);
    return picture;
}

} // namespace kit
