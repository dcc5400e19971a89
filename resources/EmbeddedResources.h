// The files carried inside the program, found by resource type and id.
#pragma once

#include <array>
#include <cstddef>

namespace resources {

inline constexpr int kReferenceFileType = 256;

struct EmbeddedResource {
    int type;
    int id;
    const unsigned char* bytes;
    std::size_t size;
};

// nullptr when the program carries no such resource.
const EmbeddedResource* FindEmbeddedResource(int type, int id);

struct ReferenceFile {
    int resourceId;
    const char* fileName;
};

// The e-prescribing reference files, in the order they are written.
extern const std::array<ReferenceFile, 18> kReferenceFiles;

} // namespace resources
