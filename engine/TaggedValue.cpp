#include "engine/TaggedValue.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "engine/Cp1252.h"
#include "platform/Numeric.h"

namespace kalvora {

namespace {

constexpr uint16_t kFlagTrue = 0xFFFF;

std::string_view trimSpaces(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// A finite decimal number filling the whole text (spaces around allowed).
bool parseNumber(std::string_view text, double& out)
{
    text = trimSpaces(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    double value = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value,
                                        std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return false;
    if (!std::isfinite(value)) return false;
    out = value;
    return true;
}

// What follows a byte array's tag: one dimension, its length and its lower bound.
bool readByteArrayLength(BinaryReader& reader, uint32_t& count)
{
    uint16_t dimensions = 0;
    int32_t lowerBound = 0;
    return reader.readU16(dimensions) && dimensions == 1 && reader.readU32(count) && reader.readI32(lowerBound);
}

bool skipByteArray(BinaryReader& reader, TaggedValue& value)
{
    uint32_t count = 0;
    if (!readByteArrayLength(reader, count) || !reader.skip(count)) return false;
    value.arraySize = count;
    return true;
}

}  // namespace

bool TaggedValue::read(BinaryReader& reader, TaggedValue& value)
{
    const size_t start = reader.position();
    uint16_t tag = 0;
    if (!reader.readU16(tag)) return false;
    value = TaggedValue{};
    value.tag = tag;
    bool ok = false;
    switch (tag) {
    case TagInt32:
        ok = reader.readI32(value.int32Value);
        break;
    case TagSingle:
        ok = reader.readF32(value.singleValue);
        break;
    case TagFlag: {
        uint16_t bits = 0;
        ok = reader.readU16(bits);
        value.flagValue = bits != 0;
        break;
    }
    case TagByte:
        ok = reader.readU8(value.byteValue);
        break;
    case TagText: {
        uint16_t length = 0;
        ok = reader.readU16(length) && reader.readString(length, value.textBytes);
        break;
    }
    case TagByteArray:
        ok = skipByteArray(reader, value);
        break;
    default:
        break;
    }
    if (!ok) reader.rewind(start);
    return ok;
}

bool TaggedValue::readByteArray(BinaryReader& reader, size_t count, std::vector<uint8_t>& bytes)
{
    const size_t start = reader.position();
    uint16_t tag = 0;
    uint32_t declared = 0;
    const bool ok = reader.readU16(tag) && tag == TagByteArray && readByteArrayLength(reader, declared) &&
                    declared == count && reader.readBytes(count, bytes);
    if (!ok) reader.rewind(start);
    return ok;
}

bool TaggedValue::toDouble(double& out) const
{
    switch (tag) {
    case TagInt32:
        out = int32Value;
        return true;
    case TagSingle:
        out = singleValue;
        return true;
    case TagFlag:
        out = flagValue ? -1.0 : 0.0;
        return true;
    case TagByte:
        out = byteValue;
        return true;
    case TagText:
        return parseNumber(textBytes, out);
    default:
        return false;
    }
}

bool TaggedValue::toRoundedWithin(double low, double high, double& out) const
{
    double value = 0.0;
    if (!toDouble(value) || std::isnan(value)) return false;
    const double rounded = platform::roundHalfEven(value);
    if (rounded < low || rounded > high) return false;
    out = rounded;
    return true;
}

bool TaggedValue::toInt32(int32_t& out) const
{
    if (tag == TagInt32) {
        out = int32Value;
        return true;
    }
    double rounded = 0.0;
    if (!toRoundedWithin(-2147483648.0, 2147483647.0, rounded)) return false;
    out = static_cast<int32_t>(rounded);
    return true;
}

bool TaggedValue::toSingle(float& out) const
{
    if (tag == TagSingle) {
        out = singleValue;  // NaN and infinities are kept as stored
        return true;
    }
    double value = 0.0;
    if (!toDouble(value)) return false;
    const float single = static_cast<float>(value);
    if (std::isinf(single)) return false;
    out = single;
    return true;
}

bool TaggedValue::toFlag(bool& out) const
{
    if (tag == TagFlag) {
        out = flagValue;
        return true;
    }
    if (tag == TagText) {
        const std::string_view text = trimSpaces(textBytes);
        if (equalsIgnoringCase(text, "True") || equalsIgnoringCase(text, "False")) {
            out = equalsIgnoringCase(text, "True");
            return true;
        }
    }
    double value = 0.0;
    if (!toDouble(value) || std::isnan(value)) return false;
    out = value != 0.0;
    return true;
}

bool TaggedValue::toByte(uint8_t& out) const
{
    if (tag == TagByte) {
        out = byteValue;
        return true;
    }
    double rounded = 0.0;
    if (!toRoundedWithin(0.0, 255.0, rounded)) return false;
    out = static_cast<uint8_t>(rounded);
    return true;
}

bool TaggedValue::toText(std::string& utf8) const
{
    char buffer[64];
    std::to_chars_result result{};
    switch (tag) {
    case TagText:
        utf8 = Cp1252::toUtf8(textBytes);
        return true;
    case TagFlag:
        utf8 = flagValue ? "True" : "False";
        return true;
    case TagInt32:
        result = std::to_chars(buffer, buffer + sizeof buffer, int32Value);
        break;
    case TagByte:
        result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<int>(byteValue));
        break;
    case TagSingle:
        result = std::to_chars(buffer, buffer + sizeof buffer, singleValue);
        break;
    default:
        return false;
    }
    if (result.ec != std::errc()) return false;
    utf8.assign(buffer, result.ptr);
    return true;
}

void TaggedValue::writeInt32(BinaryWriter& writer, int32_t value)
{
    writer.writeU16(TagInt32);
    writer.writeI32(value);
}

void TaggedValue::writeSingle(BinaryWriter& writer, float value)
{
    writer.writeU16(TagSingle);
    writer.writeF32(value);
}

void TaggedValue::writeFlag(BinaryWriter& writer, bool value)
{
    writer.writeU16(TagFlag);
    writer.writeU16(value ? kFlagTrue : 0);
}

void TaggedValue::writeByte(BinaryWriter& writer, uint8_t value)
{
    writer.writeU16(TagByte);
    writer.writeU8(value);
}

bool TaggedValue::writeText(BinaryWriter& writer, std::string_view utf8)
{
    const std::string bytes = Cp1252::fromUtf8(utf8);
    if (bytes.size() > kMaxTextBytes) return false;
    writer.writeU16(TagText);
    writer.writeU16(static_cast<uint16_t>(bytes.size()));
    writer.writeString(bytes);
    return true;
}

void TaggedValue::writeByteArrayHeader(BinaryWriter& writer, uint32_t count)
{
    writer.writeU16(TagByteArray);
    writer.writeU16(1);
    writer.writeU32(count);
    writer.writeI32(0);
}

}  // namespace kalvora
