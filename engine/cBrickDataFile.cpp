#include "engine/cBrickDataFile.h"

#include <limits>
#include <new>
#include <string>
#include <vector>

#include "engine/BinaryReader.h"
#include "engine/BinaryWriter.h"
#include "engine/TaggedValue.h"
#include "engine/cBrickData.h"
#include "platform/ThreadPool.h"

namespace kalvora {

namespace {

// The smallest image record: an empty text (4 bytes) and a count of 0 (6).
constexpr size_t kMinImageRecordBytes = 10;

bool readValue(BinaryReader& reader, TaggedValue& value) { return TaggedValue::read(reader, value); }

// The next tagged value, converted into the field's type.
template <typename T>
bool readAs(BinaryReader& reader, T& field, bool (TaggedValue::*convert)(T&) const)
{
    TaggedValue v;
    return readValue(reader, v) && (v.*convert)(field);
}

bool readInt32(BinaryReader& reader, int32_t& field) { return readAs(reader, field, &TaggedValue::toInt32); }
bool readSingle(BinaryReader& reader, float& field) { return readAs(reader, field, &TaggedValue::toSingle); }
bool readFlag(BinaryReader& reader, bool& field) { return readAs(reader, field, &TaggedValue::toFlag); }
bool readByte(BinaryReader& reader, uint8_t& field) { return readAs(reader, field, &TaggedValue::toByte); }
bool readText(BinaryReader& reader, std::string& field) { return readAs(reader, field, &TaggedValue::toText); }

bool readMagic(BinaryReader& reader)
{
    TaggedValue v;
    return readValue(reader, v) && v.tag == TaggedValue::TagText && v.textBytes == cBrickDataFile::kMagic;
}

bool writeSettings(const BrickSettings& s, BinaryWriter& w)
{
    if (!TaggedValue::writeText(w, cBrickDataFile::kMagic)) return false;
    TaggedValue::writeInt32(w, s.Width);
    TaggedValue::writeInt32(w, s.Height);
    TaggedValue::writeFlag(w, s.MaintainAspectRatio);
    TaggedValue::writeInt32(w, s.PreviewWidth);
    TaggedValue::writeInt32(w, s.PreviewHeight);
    TaggedValue::writeByte(w, s.PreviewQuality);
    if (!TaggedValue::writeText(w, s.Name)) return false;
    if (!TaggedValue::writeText(w, s.Description)) return false;
    TaggedValue::writeInt32(w, s.RowOffset);
    TaggedValue::writeInt32(w, s.RandomSeed);
    TaggedValue::writeFlag(w, s.RandomBrickDistribution);
    TaggedValue::writeSingle(w, s.MinWidth);
    TaggedValue::writeSingle(w, s.MaxWidth);
    TaggedValue::writeSingle(w, s.MinHeight);
    TaggedValue::writeSingle(w, s.MaxHeight);
    TaggedValue::writeSingle(w, s.BorderSize);
    TaggedValue::writeSingle(w, s.RoundedBorder);
    TaggedValue::writeSingle(w, s.NoiseStrength);
    TaggedValue::writeSingle(w, s.NoiseFrequency);
    TaggedValue::writeSingle(w, s.AntiAlias);
    TaggedValue::writeFlag(w, s.FlipH);
    TaggedValue::writeFlag(w, s.FlipV);
    TaggedValue::writeSingle(w, s.ChangeHue);
    TaggedValue::writeSingle(w, s.ChangeSaturation);
    TaggedValue::writeSingle(w, s.ChangeLuminance);
    TaggedValue::writeInt32(w, s.RepeatX);
    TaggedValue::writeInt32(w, s.RepeatY);
    TaggedValue::writeFlag(w, s.SeamlessH);
    TaggedValue::writeFlag(w, s.SeamlessV);
    TaggedValue::writeSingle(w, s.BlendBorders);
    return true;
}

bool flush(BinaryWriter& w, const cBrickDataFile::Sink& sink)
{
    const bool ok = w.size() == 0 || sink(w.bytes().data(), w.size());
    w.clear();
    return ok;
}

}  // namespace

bool cBrickDataFile::readSettings(BinaryReader& r, cBrickData& s)
{
    return readInt32(r, s.Width) && readInt32(r, s.Height) && readFlag(r, s.MaintainAspectRatio) &&
           readInt32(r, s.PreviewWidth) && readInt32(r, s.PreviewHeight) && readByte(r, s.PreviewQuality) &&
           readText(r, s.Name) && readText(r, s.Description) && readInt32(r, s.RowOffset) &&
           readInt32(r, s.RandomSeed) && readFlag(r, s.RandomBrickDistribution) && readSingle(r, s.MinWidth) &&
           readSingle(r, s.MaxWidth) && readSingle(r, s.MinHeight) && readSingle(r, s.MaxHeight) &&
           readSingle(r, s.BorderSize) && readSingle(r, s.RoundedBorder) && readSingle(r, s.NoiseStrength) &&
           readSingle(r, s.NoiseFrequency) && readSingle(r, s.AntiAlias) && readFlag(r, s.FlipH) &&
           readFlag(r, s.FlipV) && readSingle(r, s.ChangeHue) && readSingle(r, s.ChangeSaturation) &&
           readSingle(r, s.ChangeLuminance) && readInt32(r, s.RepeatX) && readInt32(r, s.RepeatY) &&
           readFlag(r, s.SeamlessH) && readFlag(r, s.SeamlessV) && readSingle(r, s.BlendBorders);
}

bool cBrickDataFile::readImageRecord(BinaryReader& reader, cInlineBitmap& image, std::vector<ReadRecord>& pending)
{
    std::string fileName;
    int32_t count = 0;
    if (!readText(reader, fileName) || !readInt32(reader, count) || count < 0) return false;
    image.FileName = std::move(fileName);
    if (count == 0) return true;
    TaggedValue array;
    if (!readValue(reader, array) || array.tag != TaggedValue::TagByteArray) return false;
    if (array.arraySize != static_cast<size_t>(count)) return false;
    pending.push_back({&image, array.arrayData, array.arraySize});
    return true;
}

bool cBrickDataFile::decodeImages(const std::vector<ReadRecord>& pending)
{
    std::vector<char> failed(pending.size(), 0);
    platform::ThreadPool::parallelFor(0, static_cast<int64_t>(pending.size()), 1, [&](int64_t first, int64_t last) {
        for (int64_t i = first; i < last; ++i) {
            try {
                const ReadRecord& r = pending[static_cast<size_t>(i)];
                // Bytes that cannot be decoded stay with the image and are saved again.
                r.image->LoadFromStream(std::vector<uint8_t>(r.bytes, r.bytes + r.count));
            } catch (const std::bad_alloc&) {
                failed[static_cast<size_t>(i)] = 1;
            }
        }
    });
    for (char f : failed)
        if (f) return false;
    return true;
}

bool cBrickDataFile::read(const uint8_t* data, size_t size, cBrickData& into)
{
    try {
        BinaryReader reader(data, size);
        if (!readMagic(reader) || !readSettings(reader, into)) return false;
        int32_t brickCount = 0;
        if (!readInt32(reader, brickCount) || brickCount < 0) return false;
        // Each record takes at least a few bytes, so the count is bounded by
        // what is left before any image object is made.
        if (static_cast<size_t>(brickCount) > reader.remaining() / kMinImageRecordBytes) return false;
        into.BrickFiles->RemoveAll();
        std::vector<ReadRecord> pending;
        for (int32_t i = 0; i < brickCount; ++i) {
            auto image = std::make_shared<cInlineBitmap>();
            if (!readImageRecord(reader, *image, pending)) return false;
            into.BrickFiles->Add(std::move(image));
        }
        auto mortar = std::make_shared<cInlineBitmap>();
        if (!readImageRecord(reader, *mortar, pending)) return false;
        into.MortarFile = std::move(mortar);
        return decodeImages(pending);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void cBrickDataFile::encodeImages(std::vector<WriteRecord>& records)
{
    platform::ThreadPool::parallelFor(0, static_cast<int64_t>(records.size()), 1, [&](int64_t first, int64_t last) {
        for (int64_t i = first; i < last; ++i) {
            WriteRecord& r = records[static_cast<size_t>(i)];
            if (!r.image || r.image->Bitmap.Handle() == nullptr) continue;
            try {
                r.encodedOk = r.image->GetStream(r.encoded) > 0;
            } catch (const std::bad_alloc&) {
                r.encodedOk = false;
            }
        }
    });
}

bool cBrickDataFile::writeImageRecord(const WriteRecord& record, const Sink& sink)
{
    if (!record.encodedOk) return false;
    const cInlineBitmap* image = record.image;
    // An image that could not be decoded when it was read keeps its bytes.
    const bool raw = image && image->Bitmap.Handle() == nullptr;
    const std::vector<uint8_t>& bytes = raw ? image->RawBytes() : record.encoded;
    if (bytes.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) return false;
    BinaryWriter w;
    if (!TaggedValue::writeText(w, image ? image->FileName : std::string())) return false;
    TaggedValue::writeInt32(w, static_cast<int32_t>(bytes.size()));
    if (bytes.empty()) return flush(w, sink);
    TaggedValue::writeByteArrayHeader(w, static_cast<uint32_t>(bytes.size()));
    return flush(w, sink) && sink(bytes.data(), bytes.size());
}

bool cBrickDataFile::write(const cBrickData& project, const Sink& sink)
{
    try {
        BinaryWriter w;
        if (!writeSettings(project.settings(), w)) return false;
        // An empty reference in the list is no image and is left out; the
        // mortar record comes last, after the bricks.
        std::vector<WriteRecord> records;
        if (project.BrickFiles) {
            for (const auto& image : project.BrickFiles->InlineBitmaps)
                if (image) records.push_back({image.get(), {}, true});
        }
        const size_t brickCount = records.size();
        if (brickCount > static_cast<size_t>(std::numeric_limits<int32_t>::max())) return false;
        records.push_back({project.MortarFile.get(), {}, true});
        encodeImages(records);
        TaggedValue::writeInt32(w, static_cast<int32_t>(brickCount));
        if (!flush(w, sink)) return false;
        for (const WriteRecord& record : records) {
            if (!writeImageRecord(record, sink)) return false;
        }
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace kalvora
