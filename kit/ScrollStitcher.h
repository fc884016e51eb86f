#pragma once
// Joins the frames of a scrolling area into one tall picture. Each frame is matched against the
// last frame joined: rows are hashed in column bands, equal rows vote for an offset, and the few
// offsets with most votes are checked band by band. Bands that change on their own (a scroll
// bar's thumb, a blinking caret, a spinner) are left out of a check as long as most of the width
// agrees, and an offset counts only with rows that show something (blank rows match anything).
// Rows that stay where they are at the top and bottom of the area (a fixed header, a status
// line) are kept once, at their place. A frame that fits more than one offset, or none, is not
// joined: it is better retaken than glued wrongly.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace kit {

// Rows of 32-bit pixels, top to bottom; `stride` counts pixels from one row to the next.
struct PixelRows {
    const std::uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0;

    const std::uint32_t* row(int y) const { return pixels + y * stride; }
};

class ScrollStitcher {
public:
    enum class Outcome {
        // The first frame: the picture so far.
        started,
        // The content moved on by `moved` rows; they were added.
        added,
        // Added, and the picture reached its height limit: it ends here.
        full,
        // Nothing moved since the last frame joined: the end of the content, when scrolled.
        unchanged,
        // The content moved back: nothing to add.
        behind,
        // More than one offset fits: not joined.
        ambiguous,
        // No offset fits (it moved by more than the area, or the frame was caught mid-drawing).
        unmatched,
    };

    struct Step {
        Outcome outcome = Outcome::unmatched;
        int moved = 0;
    };

    // Rows of pixels from the system's large pages, given back with std::free.
    struct FreeRows {
        void operator()(std::uint32_t* rows) const;
    };
    using Rows = std::unique_ptr<std::uint32_t[], FreeRows>;

    struct Picture {
        // width x height pixels, row after row.
        Rows pixels;
        int width = 0;
        int height = 0;
    };

    // Frames are `width` x `height`; the picture stops growing at `heightLimit` rows.
    ScrollStitcher(int width, int height, int heightLimit);

    // Every frame must have the size given at construction.
    Step add(const PixelRows& frame);

    // The picture so far, width() pixels per row, before take() trims it.
    const std::uint32_t* rows() const { return canvas_.get(); }
    int width() const { return width_; }
    int height() const { return canvasHeight_; }
    // Of the last step that moved: the rows at the top and bottom of the area that stayed in place.
    int fixedTop() const { return fixedTop_; }
    int fixedBottom() const { return fixedBottom_; }

    // The picture, without the columns at either side that never moved with the content (scroll
    // bars, side panels); `withoutFixedRows` also leaves out the rows that stayed in place at the
    // top and bottom (toolbars, status lines). The stitcher is empty afterwards.
    Picture take(bool withoutFixedRows);

private:
    struct Frame {
        std::vector<std::uint32_t> pixels;
        // Per row and band: a hash of the band's pixels, and whether they are all one colour.
        std::vector<std::uint64_t> hashes;
        std::vector<std::uint8_t> flat;
    };
    struct Fit;

    void analyse(const PixelRows& source, Frame& frame) const;
    std::vector<int> candidates(const Frame& next) const;
    Fit check(const Frame& next, int offset) const;
    void noteColumns(const Fit& fit);
    Step join(const Fit& fit);

    int width_;
    int height_;
    int heightLimit_;
    int bandWidth_;
    int bands_;
    // Room for the whole height limit, taken from the system only as rows are written.
    Rows canvas_;
    int canvasHeight_ = 0;
    // Where the last frame joined starts in the picture.
    int offset_ = 0;
    Frame last_;
    // Where the next frame is analysed; it becomes last_ when joined.
    Frame next_;
    bool started_ = false;
    int fixedTop_ = 0;
    int fixedBottom_ = 0;
    // The fewest rows that stayed in place at the top and bottom over all steps: a blank margin
    // may look still in one step, a toolbar or a status line stays in all of them.
    int leastFixedTop_ = -1;
    int leastFixedBottom_ = 0;
    // Per column: rows that moved with the content, and rows that differed from where they came from.
    std::vector<std::uint32_t> movingEvidence_;
    std::vector<std::uint32_t> apartEvidence_;
};

} // namespace kit
