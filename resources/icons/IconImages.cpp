#include "resources/icons/IconImages.h"

#include <cstddef>

#include "resources/ResourceIds.h"

namespace resources {
namespace detail {

// The images, smallest first; defined by the source the build generates from them.
extern const IconImage kIconImages[];
extern const std::size_t kIconImageCount;

} // namespace detail

std::span<const IconImage> FindIconImages(int iconId) {
    if (iconId != res::IDR_MAINFRAME)
        return {};
    return {detail::kIconImages, detail::kIconImageCount};
}

} // namespace resources
