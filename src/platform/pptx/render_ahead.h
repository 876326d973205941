// File: platform/pptx/render_ahead.h
// Pictures rendered ahead of the walk. The engine copies one picture after
// another at the size of its choosing; decoding and resampling is most of
// that work, and it does not depend on the walk. So, once the first Copy
// has shown the size factor, a small pool renders every picture of the
// opened deck in slide order (a few far larger ones first) at the size its
// Copy will ask for, ahead of the walk within a budget of pixels, and Copy
// takes the result. A picture whose size, crop or image changed meanwhile
// is not taken: Copy renders it then, as it would anyway, so the result is
// the same bytes either way.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/pptx/imaging.h"

namespace quillmax::pptx {

class Package;
class Part;

// A picture as the opened deck shows it.
struct PlannedPicture {
    std::string slidePart;   // the slide's part name
    std::uint32_t shapeId = 0;
    std::string imagePart;   // the stored, unchanged image part
    std::int64_t entry = -1; // its zip entry
    std::uint64_t size = 0;  // its bytes
    std::string ext;
    imaging::Crop crop;
    std::int64_t cx = 0, cy = 0; // its size on the slide, EMU
};

// The pictures of the given slides, in the order the walk meets them.
std::vector<PlannedPicture> PlanPictures(Package& pkg, const std::vector<Part*>& slides);

class RenderAhead {
public:
    // zipBytes: the package's stored bytes; they outlive this object.
    RenderAhead(const std::string& zipBytes, std::vector<PlannedPicture> plan, unsigned threads);
    ~RenderAhead();
    RenderAhead(const RenderAhead&) = delete;
    RenderAhead& operator=(const RenderAhead&) = delete;

    // The rendering made ahead for this Copy, when it is exactly what Copy
    // would make (same image, crop and pixel size). Waits for one in
    // progress. The first call learns the size factor and starts the pool.
    std::optional<imaging::Rendering> Take(const std::string& slidePart, std::uint32_t shapeId,
                                           const std::string& imagePart, const imaging::Crop& crop,
                                           double widthPt, double heightPt, int widthPx, int heightPx);

    // Whether pictures are rendered ahead in presentations opened from now
    // on (on by default; QUILLMAX_RENDER_AHEAD=0 turns it off).
    static bool Enabled();
    static void SetEnabled(bool on);
    // How many pictures Copy took ready-made, in all presentations so far
    // (for the tests and benchmarks).
    static unsigned TakenSoFar();

private:
    enum class State { Planned, Rendering, Ready, Failed, Passed };
    struct Item {
        PlannedPicture picture;
        int widthPx = 0, heightPx = 0;
        State state = State::Planned;
        std::optional<imaging::Rendering> rendering;
    };
    void Start(double fx, double fy);
    void Work();

    const std::string& zipBytes_;
    // Pixels of renderings made or in progress and not yet taken.
    static std::uint64_t PixelBytes(const Item& it);
    std::vector<Item> items_;
    std::vector<size_t> order_; // the pool's order of items_
    unsigned threads_;
    std::vector<std::thread> pool_;
    std::mutex lock_;
    std::condition_variable changed_;
    bool started_ = false, stop_ = false;
    size_t next_ = 0;        // first place in order_ the pool has not begun
    std::uint64_t held_ = 0; // PixelBytes of the items rendering or ready
    unsigned taken_ = 0;
    double waited_ = 0; // seconds the walk waited for a rendering in progress
};

} // namespace quillmax::pptx
