#include "platform/FileFaults.h"

#include <utility>

namespace platform {

namespace {

FileFaultRule& InstalledRule() {
    static FileFaultRule rule;
    return rule;
}

} // namespace

FileFaultRule SetFileFaultRule(FileFaultRule rule) {
    return std::exchange(InstalledRule(), std::move(rule));
}

int InjectedFileFault(FileCall call, std::string_view path) {
    const FileFaultRule& rule = InstalledRule();
    return rule ? rule(call, path) : 0;
}

} // namespace platform
