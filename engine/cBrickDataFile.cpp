#include "engine/cBrickDataFile.h"

#include <limits>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "engine/BinaryReader.h"
#include "engine/BinaryWriter.h"
#include "engine/TaggedValue.h"
#include "engine/cBrickData.h"
#include "platform/ReadOnlyFile.h"
#include "platform/ThreadPool.h"

namespace kalvora {

namespace {

// The smallest image record: an empty text (4 bytes) and a count of 0 (6).
constexpr size_t kMinImageRecordBytes = 10;

// Files larger than this are refused before anything is read.
constexpr uint64_t kMaxFileBytes = uint64_t(1) << 34;

bool readValue(BinaryReader& reader, TaggedValue& value) { return TaggedValue::read(reader, value); }

// The next tagged value, converted into the field's type.
template <typename T>
bool readAs(BinaryReader& reader, T& field, bool (TaggedValue::*convert)(T&) const)
{
    TaggedValue v;
    return readValue(reader, v) && (v.*convert)(field);
}

bool readField(BinaryReader& reader, int32_t& field) { return readAs(reader, field, &TaggedValue::toInt32); }
bool readField(BinaryReader& reader, float& field) { return readAs(reader, field, &TaggedValue::toSingle); }
bool readField(BinaryReader& reader, bool& field) { return readAs(reader, field, &TaggedValue::toFlag); }
bool readField(BinaryReader& reader, uint8_t& field) { return readAs(reader, field, &TaggedValue::toByte); }
bool readField(BinaryReader& reader, std::string& field) { return readAs(reader, field, &TaggedValue::toText); }

// Every setting in the order the file keeps them, each handed to visit;
// stops at the first visit that gives false.
template <typename Settings, typename Visit>
bool forEachSetting(Settings& s, Visit&& visit)
{
    return visit(s.Width) && visit(s.Height) && visit(s.MaintainAspectRatio) && visit(s.PreviewWidth) &&
           visit(s.PreviewHeight) && visit(s.PreviewQuality) && visit(s.Name) && visit(s.Description) &&
           visit(s.RowOffset) && visit(s.RandomSeed) && visit(s.RandomBrickDistribution) && visit(s.MinWidth) &&
           visit(s.MaxWidth) && visit(s.MinHeight) && visit(s.MaxHeight) && visit(s.BorderSize) &&
           visit(s.RoundedBorder) && visit(s.NoiseStrength) && visit(s.NoiseFrequency) && visit(s.AntiAlias) &&
           visit(s.FlipH) && visit(s.FlipV) && visit(s.ChangeHue) && visit(s.ChangeSaturation) &&
           visit(s.ChangeLuminance) && visit(s.RepeatX) && visit(s.RepeatY) && visit(s.SeamlessH) &&
           visit(s.SeamlessV) && visit(s.BlendBorders);
}

// One setting as a tagged value of its type; false only when a text cannot be written.
bool writeField(BinaryWriter& w, int32_t value)
{
    TaggedValue::writeInt32(w, value);
    return true;
}
bool writeField(BinaryWriter& w, float value)
{
    TaggedValue::writeSingle(w, value);
    return true;
}
bool writeField(BinaryWriter& w, bool value)
{
    TaggedValue::writeFlag(w, value);
    return true;
}
bool writeField(BinaryWriter& w, uint8_t value)
{
    TaggedValue::writeByte(w, value);
    return true;
}
bool writeField(BinaryWriter& w, const std::string& value) { return TaggedValue::writeText(w, value); }

bool readMagic(BinaryReader& reader)
{
    TaggedValue v;
    return readValue(reader, v) && v.tag == TaggedValue::TagText && v.textBytes == cBrickDataFile::kMagic;
}

bool writeSettings(const BrickSettings& s, BinaryWriter& w)
{
    if (!TaggedValue::writeText(w, cBrickDataFile::kMagic)) return false;
    return forEachSetting(s, [&w](const auto& field) { return writeField(w, field); });
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
    return forEachSetting(s.settings(), [&r](auto& field) { return readField(r, field); });
}

bool cBrickDataFile::readImageRecord(BinaryReader& reader, cInlineBitmap& image, std::vector<ReadRecord>& pending)
{
    std::string fileName;
    int32_t count = 0;
    if (!readField(reader, fileName) || !readField(reader, count) || count < 0) return false;
    // The image's bytes follow in the file, or the file is no project.
    if (static_cast<size_t>(count) > reader.remaining()) return false;
    image.FileName = std::move(fileName);
    if (count == 0) return true;
    std::vector<uint8_t> bytes;
    if (!TaggedValue::readByteArray(reader, static_cast<size_t>(count), bytes)) return false;
    pending.push_back({&image, std::move(bytes)});
    return true;
}

bool cBrickDataFile::decodeImages(std::vector<ReadRecord>& pending)
{
    std::vector<char> failed(pending.size(), 0);
    platform::ThreadPool::parallelFor(0, static_cast<int64_t>(pending.size()), 1, [&](int64_t first, int64_t last) {
        for (int64_t i = first; i < last; ++i) {
            try {
                ReadRecord& r = pending[static_cast<size_t>(i)];
                // Bytes that cannot be decoded stay with the image and are saved again.
                r.image->LoadFromStream(r.bytes);
                std::vector<uint8_t>().swap(r.bytes);
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
    BinaryReader reader(data, size);
    return read(reader, into);
}

bool cBrickDataFile::readFile(const std::string& path, cBrickData& into)
{
    platform::ReadOnlyFile file;
    if (file.open(path) != 0 || file.kind() != platform::ReadOnlyFile::Kind::Regular) return false;
    if (file.size() > kMaxFileBytes) return false;
    BinaryReader reader(file);
    return read(reader, into);
}

bool cBrickDataFile::read(BinaryReader& reader, cBrickData& into)
{
    try {
        if (!readMagic(reader) || !readSettings(reader, into)) return false;
        int32_t brickCount = 0;
        if (!readField(reader, brickCount) || brickCount < 0) return false;
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
