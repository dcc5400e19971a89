// Reads a fixture: one JSON object describing a host folder.
//
//   { "drugs": [...], "ndcs": [...], "rxnorm": [...], "patients": [...],
//     "medications": [...], "doseForms": [{"text": ..., "formCode": ...}],
//     "installation": {"updateHistory": TEXT or null, "drugInteractionVersionOk": BOOL} }
//
// Every member may be left out. The records' fields are those of TableLayouts.h
// (see RecordCodec.h). A given `doseForms` is the folder's whole form vocabulary;
// left out, the default vocabulary is written. A left-out `installation`, or a
// left-out member of it, means a current installation.
#pragma once

#include "HostFolderContent.h"

#include <string>
#include <string_view>

namespace hostkit {

// Throws std::runtime_error naming the place of the first refused value, e.g.
// "medications[3].drugName: 40 characters do not fit the 35-character field".
HostFolderContent ReadFixture(std::string_view json);

// ReadFixture on the file's content; messages start with the file's path.
HostFolderContent ReadFixtureFile(const std::string& path);

} // namespace hostkit
