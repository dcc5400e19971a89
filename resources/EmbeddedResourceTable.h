#pragma once

// The table of embedded files, defined by the source the build generates from them
// (cmake/EmbedFiles.cmake). Only EmbeddedResources.cpp reads it.

#include "resources/EmbeddedResources.h"

#include <cstddef>

namespace resources::detail {

extern const EmbeddedResource kEmbeddedResources[];
extern const std::size_t kEmbeddedResourceCount;

} // namespace resources::detail
