#include "platform/wx/DefaultApplication.h"

#include <utility>

#include <wx/strconv.h>
#include <wx/utils.h>

namespace platform {
namespace {

DefaultApplicationOpener& Opener() {
    static DefaultApplicationOpener opener;
    return opener;
}

} // namespace

bool OpenInDefaultApplication(const std::string& path) {
    if (Opener())
        return Opener()(path);
    return wxLaunchDefaultApplication(wxString(path.c_str(), *wxConvFileName));
}

void SetDefaultApplicationOpener(DefaultApplicationOpener opener) {
    Opener() = std::move(opener);
}

} // namespace platform
