#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/BinaryReader.h"
#include "engine/BinaryWriter.h"

namespace kalvora {

// One value of a project file: a 2-byte type tag followed by the value's
// data. Reading keeps the value in its own type; the to... functions convert
// it to a field's type the way the file's readers always have (reals to
// integers rounded half to even, flags as -1 and 0, numbers in texts parsed)
// and fail when the value does not fit the field.
class TaggedValue {
public:
    enum Tag : uint16_t {
        TagInt32 = 3,
        TagSingle = 4,
        TagText = 8,
        TagFlag = 11,
        TagByte = 17,
        TagByteArray = 0x2011,
    };

    // Texts are at most this many bytes long in the file.
    static constexpr size_t kMaxTextBytes = 65535;

    uint16_t tag = TagInt32;
    int32_t int32Value = 0;
    float singleValue = 0.0f;
    bool flagValue = false;
    uint8_t byteValue = 0;
    std::string textBytes;  // Windows-1252, as stored
    // A byte array's length. read() steps over its bytes without keeping
    // them: no field takes a byte array, and image bytes are read with
    // readByteArray.
    size_t arraySize = 0;

    // Reads one value; an unknown tag, a byte array of other than one
    // dimension, or a length beyond the bytes left fails and leaves the
    // reader where it was.
    static bool read(BinaryReader& reader, TaggedValue& value);
    // Reads a value that must be a byte array of exactly count bytes; its
    // declared length is compared before any of its bytes is read. Fails,
    // leaving the reader where it was, for any other value.
    static bool readByteArray(BinaryReader& reader, size_t count, std::vector<uint8_t>& bytes);

    bool toInt32(int32_t& out) const;
    bool toSingle(float& out) const;
    bool toFlag(bool& out) const;
    bool toByte(uint8_t& out) const;
    // The text as UTF-8; numbers and flags are written out as text.
    bool toText(std::string& utf8) const;

    static void writeInt32(BinaryWriter& writer, int32_t value);
    static void writeSingle(BinaryWriter& writer, float value);
    static void writeFlag(BinaryWriter& writer, bool value);
    static void writeByte(BinaryWriter& writer, uint8_t value);
    // Writes a UTF-8 text in Windows-1252; false (nothing written) when the
    // converted text is longer than kMaxTextBytes.
    static bool writeText(BinaryWriter& writer, std::string_view utf8);
    // The tag and header of a one-dimensional byte array of count bytes;
    // the caller writes the bytes.
    static void writeByteArrayHeader(BinaryWriter& writer, uint32_t count);

private:
    // The value as a real number (texts parsed); false for byte arrays and
    // texts that are no number.
    bool toDouble(double& out) const;
    // The number rounded half to even, when it lies in low..high.
    bool toRoundedWithin(double low, double high, double& out) const;
};

}  // namespace kalvora
