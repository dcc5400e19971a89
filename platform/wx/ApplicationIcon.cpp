#include "platform/wx/ApplicationIcon.h"

#include <wx/bitmap.h>
#include <wx/iconbndl.h>
#include <wx/image.h>
#include <wx/imagpng.h>
#include <wx/mstream.h>

#include "resources/icons/IconImages.h"

namespace platform {

wxIconBundle LoadIconBundle(int iconId) {
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG))
        wxImage::AddHandler(new wxPNGHandler);

    wxIconBundle bundle;
    for (const resources::IconImage& image : resources::FindIconImages(iconId)) {
        wxMemoryInputStream stream(image.png, image.length);
        const wxImage picture(stream, wxBITMAP_TYPE_PNG);
        if (!picture.IsOk())
            continue;
        wxIcon icon;
        icon.CopyFromBitmap(wxBitmap(picture));
        bundle.AddIcon(icon);
    }
    return bundle;
}

} // namespace platform
