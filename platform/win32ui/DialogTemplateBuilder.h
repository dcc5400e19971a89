// Turns one of the program's dialog templates into the in-memory extended
// dialog template the system's dialog manager creates a dialog from, so that
// the Windows window is built from the very data the other windows use.
#pragma once

#include <cstdint>
#include <vector>

namespace res {
struct DialogTemplate;
}

namespace platform {

// The template's bytes, DWORD-aligned as the dialog manager requires.
// `extraStyle` is added to the template's own dialog style (for example
// centring). Captions are single-byte texts of the ANSI code page, as every
// other text of the window.
std::vector<uint32_t> BuildDialogTemplate(const res::DialogTemplate& dialogTemplate,
                                          uint32_t extraStyle);

} // namespace platform
