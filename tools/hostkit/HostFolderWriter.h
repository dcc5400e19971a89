// Writes a host folder as a whole, or not at all.
#pragma once

#include "HostFolderContent.h"

#include <filesystem>
#include <functional>

namespace hostkit {

// Creates `folder` holding `content`. The folder must not exist, or be an
// empty folder; a folder with anything in it is never touched. Everything is
// written into a new temporary folder beside it, which is renamed to `folder`
// at the end; on any failure the temporary folder is removed again and
// `folder` is left as it was. Throws std::runtime_error naming the path.
void WriteHostFolder(const HostFolderContent& content, const std::filesystem::path& folder);

// Creates `folder` the same way, with what `fill` writes into the temporary
// folder it is given. An exception from `fill` removes the temporary folder and
// passes on.
void CreateHostFolder(const std::filesystem::path& folder,
                      const std::function<void(const std::filesystem::path& temporary)>& fill);

// Writes the files of `content` other than its tables into `folder`: the
// vocabulary, the drug-interaction version and the update history.
void WriteHostFiles(const HostFolderContent& content, const std::filesystem::path& folder);

} // namespace hostkit
