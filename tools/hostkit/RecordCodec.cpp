#include "RecordCodec.h"

#include "FixtureValues.h"
#include "Windows1252.h"

#include <cstring>

namespace hostkit {
namespace {

void PutInt32(std::string& record, int32_t offset, int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        record[offset + i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
    }
}

int32_t GetInt32(std::string_view record, int32_t offset) {
    uint32_t bits = 0;
    for (int i = 0; i < 4; ++i) {
        bits |= static_cast<uint32_t>(static_cast<unsigned char>(record[offset + i])) << (8 * i);
    }
    return static_cast<int32_t>(bits);
}

void PutText(std::string& record, const FieldLayout& field, const nlohmann::json& value,
             const std::string& place) {
    const std::string text = ReadTextOfCapacity(value, place, field.capacity);
    if (field.kind == FieldKind::TerminatedText && text.find('\0') != std::string::npos) {
        Refuse(place, "a zero character would end the text there");
    }
    const char padding = field.kind == FieldKind::PaddedText ? ' ' : '\0';
    std::memset(record.data() + field.offset, padding, field.width);
    std::memcpy(record.data() + field.offset, text.data(), text.size());
}

std::string GetText(std::string_view record, const FieldLayout& field) {
    std::string_view text = record.substr(field.offset, field.width);
    if (field.kind == FieldKind::PaddedText) {
        const auto last = text.find_last_not_of(' ');
        text = text.substr(0, last == std::string_view::npos ? 0 : last + 1);
    } else {
        text = text.substr(0, text.find('\0'));
    }
    return Windows1252ToUtf8(text);
}

int HexDigitValue(char digit) {
    if (digit >= '0' && digit <= '9') {
        return digit - '0';
    }
    if (digit >= 'a' && digit <= 'f') {
        return digit - 'a' + 10;
    }
    if (digit >= 'A' && digit <= 'F') {
        return digit - 'A' + 10;
    }
    return -1;
}

void PutOpaqueBytes(std::string& record, const TableLayout& layout, const nlohmann::json& value,
                    const std::string& place) {
    if (!value.is_string()) {
        Refuse(place, "expected a string of hexadecimal digits, found " + DescribeType(value));
    }
    const auto& hex = value.get_ref<const std::string&>();
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        const int high = HexDigitValue(hex[i]);
        const int low = HexDigitValue(hex[i + 1]);
        if (high < 0 || low < 0) {
            break;
        }
        bytes += static_cast<char>(high * 16 + low);
    }
    if (bytes.size() * 2 != hex.size()) {
        Refuse(place, "expected hexadecimal digits, two for each byte");
    }
    std::size_t room = 0;
    for (const ByteRun& run : OpaqueRuns(layout)) {
        room += run.width;
    }
    if (bytes.size() > room) {
        Refuse(place, std::to_string(bytes.size()) + " bytes do not fit the " +
                          std::to_string(room) + " bytes outside the fields");
    }
    std::size_t next = 0;
    for (const ByteRun& run : OpaqueRuns(layout)) {
        for (int32_t i = 0; i < run.width && next < bytes.size(); ++i) {
            record[run.offset + i] = bytes[next++];
        }
    }
}

std::string GetOpaqueHex(std::string_view record, const TableLayout& layout) {
    std::string bytes;
    for (const ByteRun& run : OpaqueRuns(layout)) {
        bytes.append(record.substr(run.offset, run.width));
    }
    const auto last = bytes.find_last_not_of('\0');
    bytes.resize(last == std::string::npos ? 0 : last + 1);
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        hex += kDigits[value >> 4];
        hex += kDigits[value & 0x0F];
    }
    return hex;
}

} // namespace

std::string EncodeRecord(const TableLayout& layout, const nlohmann::json& object,
                         const std::string& place) {
    RequireObject(object, place);
    for (const auto& member : object.items()) {
        bool known = member.key() == kOpaqueField;
        for (const FieldLayout& field : layout.fields) {
            known = known || member.key() == field.name;
        }
        if (!known) {
            Refuse(MemberPlace(place, member.key()), "unknown field");
        }
    }

    std::string record(layout.recordLength, '\0');
    if (const auto opaque = object.find(kOpaqueField); opaque != object.end()) {
        PutOpaqueBytes(record, layout, *opaque, MemberPlace(place, kOpaqueField));
    }
    for (const FieldLayout& field : layout.fields) {
        const std::string fieldPlace = MemberPlace(place, field.name);
        const auto value = object.find(field.name);
        if (field.kind == FieldKind::Int32) {
            if (value == object.end()) {
                Refuse(fieldPlace, "missing; every record needs it");
            }
            PutInt32(record, field.offset, ReadInt32(*value, fieldPlace));
        } else {
            PutText(record, field, value == object.end() ? nlohmann::json("") : *value, fieldPlace);
        }
    }
    return record;
}

nlohmann::ordered_json DecodeRecord(const TableLayout& layout, std::string_view record) {
    nlohmann::ordered_json object = nlohmann::ordered_json::object();
    for (const FieldLayout& field : layout.fields) {
        if (field.kind == FieldKind::Int32) {
            object[field.name] = GetInt32(record, field.offset);
        } else {
            object[field.name] = GetText(record, field);
        }
    }
    if (std::string hex = GetOpaqueHex(record, layout); !hex.empty()) {
        object[kOpaqueField] = std::move(hex);
    }
    return object;
}

} // namespace hostkit
