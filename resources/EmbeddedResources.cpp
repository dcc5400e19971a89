#include "resources/EmbeddedResources.h"

#include "resources/EmbeddedResourceTable.h"

namespace resources {

const EmbeddedResource* FindEmbeddedResource(int type, int id) {
    for (std::size_t i = 0; i < detail::kEmbeddedResourceCount; ++i) {
        const EmbeddedResource& resource = detail::kEmbeddedResources[i];
        if (resource.type == type && resource.id == id) {
            return &resource;
        }
    }
    return nullptr;
}

} // namespace resources
