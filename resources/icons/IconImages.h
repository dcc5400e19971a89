// The images of the program's icons, compiled into it: PNG files, one per size.
#pragma once

#include <cstddef>
#include <span>

namespace resources {

struct IconImage {
    int size; // width and height in pixels
    const unsigned char* png;
    std::size_t length;
};

// The images of icon resource `iconId` (IDR_MAINFRAME), smallest first; empty
// when the program has no such icon.
std::span<const IconImage> FindIconImages(int iconId);

} // namespace resources
