// The program's icons, as the toolkit wants them.
#pragma once

class wxIconBundle;

namespace platform {

// Every size of icon resource `iconId` the program carries; an empty bundle
// when it has none.
wxIconBundle LoadIconBundle(int iconId);

} // namespace platform
