#include "fakes/FailingFileSystem.h"

#include <string_view>
#include <utility>

namespace fakes {

FailingFileSystem::FailingFileSystem(platform::FileCall call, std::string fileName, int error,
                                     int nth) {
    m_previous = platform::SetFileFaultRule([this, call, fileName = std::move(fileName), error,
                                             nth](platform::FileCall made, std::string_view path) {
        const bool chosenFile = path.size() >= fileName.size() &&
                                path.substr(path.size() - fileName.size()) == fileName;
        if (made != call || !chosenFile)
            return 0;
        return ++m_calls == nth ? error : 0;
    });
}

FailingFileSystem::~FailingFileSystem() {
    platform::SetFileFaultRule(std::move(m_previous));
}

} // namespace fakes
