#include "FixtureReader.h"

#include "DuplicateNameCheck.h"
#include "FixtureValues.h"
#include "RecordCodec.h"
#include "common/HostFolder.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>

namespace hostkit {
namespace {

constexpr std::size_t kFormCodeCapacity = 4;

// A fixture's values lie at most three arrays and objects deep (the fixture,
// a table, a record); a little more is allowed, and no more, so that no input
// can make the reader or the duplicate-name check nest without end.
constexpr int kDeepestNesting = 8;

nlohmann::json Parse(std::string_view json) {
    const auto refuseDeepNesting = [](int depth, nlohmann::json::parse_event_t event,
                                      nlohmann::json&) {
        const bool opens = event == nlohmann::json::parse_event_t::object_start ||
                           event == nlohmann::json::parse_event_t::array_start;
        if (opens && depth >= kDeepestNesting) {
            Refuse("", "arrays and objects nested more than " + std::to_string(kDeepestNesting) +
                           " deep; a fixture needs 3");
        }
        return true;
    };
    try {
        return nlohmann::json::parse(json, refuseDeepNesting);
    } catch (const nlohmann::json::exception& e) {
        // A syntax error, or a number too large for any type (out_of_range.406).
        // Drop the library's "[json.exception.parse_error.101] " prefix.
        std::string what = e.what();
        const auto start = what.find("] ");
        throw std::runtime_error("not valid JSON: " +
                                 (start == std::string::npos ? what : what.substr(start + 2)));
    }
}

TableRecords ReadTable(const TableLayout& layout, const nlohmann::json& fixture) {
    TableRecords table{&layout, {}};
    const auto array = fixture.find(layout.fixtureName);
    if (array == fixture.end()) {
        return table;
    }
    const std::string place = layout.fixtureName;
    RequireArray(*array, place);

    const FieldLayout* unique = nullptr;
    for (const FieldLayout& field : layout.fields) {
        if (layout.uniqueField != nullptr && std::strcmp(field.name, layout.uniqueField) == 0) {
            unique = &field;
        }
    }
    std::map<std::string, std::size_t> firstHolder; // key bytes -> index of its record
    for (std::size_t i = 0; i < array->size(); ++i) {
        const std::string recordPlace = ElementPlace(place, i);
        std::string record = EncodeRecord(layout, (*array)[i], recordPlace);
        if (unique != nullptr) {
            const auto [holder, added] =
                firstHolder.emplace(record.substr(unique->offset, unique->width), i);
            if (!added) {
                Refuse(MemberPlace(recordPlace, unique->name),
                       (*array)[i][unique->name].dump() + " is already the " + unique->name +
                           " of " + ElementPlace(place, holder->second));
            }
        }
        table.records.push_back(std::move(record));
    }
    return table;
}

// A vocabulary line's field: no tab or line end may split the line.
std::string ReadVocabularyText(const nlohmann::json& entry, const std::string& place,
                               const char* name, std::size_t capacity) {
    const std::string memberPlace = MemberPlace(place, name);
    const auto value = entry.find(name);
    if (value == entry.end()) {
        Refuse(memberPlace, "missing; every dose form needs it");
    }
    std::string text = ReadTextOfCapacity(*value, memberPlace, capacity);
    if (text.empty()) {
        Refuse(memberPlace, "empty");
    }
    if (text.find_first_of(std::string("\t\r\n\0", 4)) != std::string::npos) {
        Refuse(memberPlace, "a tab, line end or zero character cannot be written to the "
                            "vocabulary");
    }
    return text;
}

std::string ReadVocabulary(const nlohmann::json& fixture) {
    const auto array = fixture.find("doseForms");
    if (array == fixture.end()) {
        return std::string(DefaultVocabularyText());
    }
    RequireArray(*array, "doseForms");
    std::vector<DoseFormEntry> forms;
    for (std::size_t i = 0; i < array->size(); ++i) {
        const std::string place = ElementPlace("doseForms", i);
        const nlohmann::json& entry = (*array)[i];
        RequireObject(entry, place);
        RefuseUnknownMembers(entry, place, {"text", "formCode"});
        forms.push_back({ReadVocabularyText(entry, place, "text", std::string::npos),
                         ReadVocabularyText(entry, place, "formCode", kFormCodeCapacity)});
    }
    return VocabularyWithForms(forms);
}

void ReadInstallation(const nlohmann::json& fixture, HostFolderContent& content) {
    content.updateHistory = CurrentUpdateHistory();
    content.drugInteractionVersion = hostfolder::kRequiredDrugInteractionVersion;
    const auto installation = fixture.find("installation");
    if (installation == fixture.end()) {
        return;
    }
    const std::string place = "installation";
    RequireObject(*installation, place);
    RefuseUnknownMembers(*installation, place, {"updateHistory", "drugInteractionVersionOk"});
    if (const auto history = installation->find("updateHistory"); history != installation->end()) {
        if (history->is_null()) {
            content.updateHistory.reset();
        } else {
            content.updateHistory = ReadText(*history, MemberPlace(place, "updateHistory"));
        }
    }
    if (const auto versionOk = installation->find("drugInteractionVersionOk");
        versionOk != installation->end() &&
        !ReadBoolean(*versionOk, MemberPlace(place, "drugInteractionVersionOk"))) {
        content.drugInteractionVersion = hostfolder::kOutdatedDrugInteractionVersion;
    }
}

} // namespace

HostFolderContent ReadFixture(std::string_view json) {
    const nlohmann::json fixture = Parse(json);
    RefuseDuplicateNames(json);
    RequireObject(fixture, "");
    RefuseUnknownMembers(
        fixture, "",
        {"drugs", "ndcs", "rxnorm", "patients", "medications", "doseForms", "installation"});

    HostFolderContent content;
    for (const TableLayout& layout : AllTableLayouts()) {
        content.tables.push_back(ReadTable(layout, fixture));
    }
    content.vocabulary = ReadVocabulary(fixture);
    ReadInstallation(fixture, content);
    return content;
}

HostFolderContent ReadFixtureFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw std::runtime_error(path + ": cannot be read: " + std::strerror(errno));
    }
    const std::string json{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (file.bad()) {
        throw std::runtime_error(path + ": cannot be read: " + std::strerror(errno));
    }
    try {
        return ReadFixture(json);
    } catch (const std::runtime_error& e) {
        throw std::runtime_error(path + ": " + e.what());
    }
}

} // namespace hostkit
