#pragma once

// Files built into the program. The build turns every file listed in resources/CMakeLists.txt
// into a byte array of the program, found by resource type and id; nothing is read from disk at
// run time.

#include <array>
#include <cstddef>

namespace resources {

// The resource type of the e-prescribing reference files.
inline constexpr int kReferenceFileType = 256;

struct EmbeddedResource {
    int type;
    int id;
    const unsigned char* bytes; // the file's bytes, unchanged
    std::size_t size;           // their number; every embedded file holds at least one byte
};

// The resource of that type and id, or nullptr when the program carries none.
const EmbeddedResource* FindEmbeddedResource(int type, int id);

// One reference file as it is written into the database folder.
struct ReferenceFile {
    int resourceId;       // id of the resource of type kReferenceFileType
    const char* fileName; // name of the file in the cross-reference folder
};

// The reference files in the order they are written.
inline constexpr std::array<ReferenceFile, 18> kReferenceFiles{{
    {115, "SureScripts_DispUnit_Code.ref"},
    {116, "SureScripts_DispUnit_DrugName.ref"},
    {117, "SureScripts_DispUnit_Form.ref"},
    {118, "SureScripts_DispUnit_UOM.ref"},
    {119, "SureScripts_DrugNorm.ref"},
    {120, "SureScripts_ErrorCode.ref"},
    {121, "SureScripts_Event.ref"},
    {122, "SureScripts_MedForms_Codes.ref"},
    {123, "SureScripts_MedForms_ProviderTerms.ref"},
    {124, "SureScripts_MedForms_Routes_Codes.ref"},
    {125, "SureScripts_MedicationFormsOut.ref"},
    {126, "SureScripts_MedicationUnitsIn.ref"},
    {127, "SureScripts_MedicationUnitsOut.ref"},
    {140, "SureScripts_PhoneType.ref"},
    {141, "SureScripts_Specialty.ref"},
    {142, "SureScripts_Specialty_AM.ref"},
    {143, "SureScripts_StatusCode.ref"},
    {144, "SureScripts_StrengthCode.ref"},
}};

} // namespace resources
