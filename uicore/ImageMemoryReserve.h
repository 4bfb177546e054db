#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/Image.h"

namespace kalvora {

// Memory for an image of a size still to come, made ready ahead in short
// steps, and the image gathered in it. A large image in fresh memory takes
// a page fault for every page at its first write, a good part of a second
// for 1 GiB, which a window cannot spend inside one report of a run; the
// steps spread it over the run's yields. An image gathered here is handed
// over whole, and the memory it replaces is kept for the next one.
class ImageMemoryReserve {
public:
    // Memory for an image of that shape. Memory held already is kept when
    // it holds the shape; otherwise it is replaced by fresh memory (nothing
    // is held when that cannot be had), ready at once when it is small.
    void reserve(int32_t width, int32_t height, platform::PixelFormatId format);
    // Readies the next parts of the memory until budgetMs have passed on
    // the clock (at least one part); true when all of it is ready.
    bool ready(int64_t budgetMs, const std::function<int64_t()>& clock);
    bool isReady() const { return m_image && m_readyBytes >= m_image->capacity(); }
    // Whether the memory held holds an image of that shape.
    bool holds(int32_t width, int32_t height, platform::PixelFormatId format) const;

    // Copies the area of the source into the image gathered here, which
    // takes the source's shape (a new shape starts it anew). The image is
    // complete once its rows from the top have all come, each in an area of
    // the whole width. Needs ready memory that holds the shape; false
    // (nothing copied) otherwise.
    bool gather(const platform::Image& source, const platform::PixelRect& area);
    bool complete() const { return m_image && m_gatheredRows >= m_image->height(); }
    // Some rows of an image have come, but not all.
    bool gathering() const { return m_gatheredRows > 0 && !complete(); }
    // The rows from the top that have all come.
    int32_t gatheredRows() const { return m_gatheredRows; }
    // Hands over the gathered image and keeps the memory of the one given
    // (all of it written, so ready) for the next image.
    std::unique_ptr<platform::Image> exchange(std::unique_ptr<platform::Image> replaced);

private:
    std::unique_ptr<platform::Image> m_image;
    int64_t m_readyBytes = 0;
    int32_t m_gatheredRows = 0;
};

}  // namespace kalvora
