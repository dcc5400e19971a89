#include "DuplicateNameCheck.h"

#include "FixtureValues.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace hostkit {
namespace {

// Walks the parse events, keeping the place of every open object and array.
class DuplicateNameFinder final : public nlohmann::json_sax<nlohmann::json> {
public:
    std::optional<std::string> duplicatePlace;

    bool null() override { return Value(); }
    bool boolean(bool) override { return Value(); }
    bool number_integer(number_integer_t) override { return Value(); }
    bool number_unsigned(number_unsigned_t) override { return Value(); }
    bool number_float(number_float_t, const string_t&) override { return Value(); }
    bool string(string_t&) override { return Value(); }
    bool binary(binary_t&) override { return Value(); }

    bool start_object(std::size_t) override {
        m_open.push_back({true, 0, {}, NextValuePlace()});
        return true;
    }
    bool key(string_t& name) override {
        Container& object = m_open.back();
        if (!object.names.insert(name).second) {
            duplicatePlace = MemberPlace(object.place, name);
            return false;
        }
        m_key = name;
        return true;
    }
    bool end_object() override { return Close(); }
    bool start_array(std::size_t) override {
        m_open.push_back({false, 0, {}, NextValuePlace()});
        return true;
    }
    bool end_array() override { return Close(); }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        return false;
    }

private:
    struct Container {
        bool isObject;
        std::size_t nextIndex;
        std::set<std::string> names;
        std::string place;
    };

    std::string NextValuePlace() {
        if (m_open.empty()) {
            return {};
        }
        Container& parent = m_open.back();
        return parent.isObject ? MemberPlace(parent.place, m_key)
                               : ElementPlace(parent.place, parent.nextIndex++);
    }
    bool Value() {
        NextValuePlace();
        return true;
    }
    bool Close() {
        m_open.pop_back();
        return true;
    }

    std::vector<Container> m_open;
    std::string m_key;
};

} // namespace

void RefuseDuplicateNames(std::string_view json) {
    DuplicateNameFinder finder;
    nlohmann::json::sax_parse(json, &finder);
    if (finder.duplicatePlace) {
        Refuse(*finder.duplicatePlace, "the field is given twice");
    }
}

} // namespace hostkit
