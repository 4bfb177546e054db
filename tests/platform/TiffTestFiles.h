#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace kalvora::testing {

// Reads and writes the little-endian numbers of a file.
inline uint32_t getLe(const std::vector<uint8_t>& file, size_t at, size_t bytes)
{
    uint32_t v = 0;
    for (size_t i = 0; i < bytes; ++i) v |= uint32_t(file[at + i]) << (8 * i);
    return v;
}

inline void setLe(std::vector<uint8_t>& file, size_t at, uint32_t v, size_t bytes)
{
    for (size_t i = 0; i < bytes; ++i) file[at + i] = uint8_t(v >> (8 * i));
}

// A little-endian TIFF laid out byte by byte, for files no writer makes:
// header, directory, the value arrays too long for an entry, the pixel
// chunks (strips or tiles, in table order), then the arrays marked `atEnd`,
// so a cut file can end inside them. The chunk table (offsets and byte
// counts) lists exactly the chunks added.
class TiffBuilder {
public:
    static constexpr uint16_t kShort = 3;
    static constexpr uint16_t kLong = 4;

    TiffBuilder& tag(uint16_t id, uint16_t type, std::vector<uint32_t> values, bool atEnd = false)
    {
        m_entries.push_back({id, type, std::move(values), atEnd, 0});
        return *this;
    }
    TiffBuilder& chunk(std::vector<uint8_t> bytes)
    {
        m_chunks.push_back(std::move(bytes));
        return *this;
    }
    TiffBuilder& tiled() { m_tiled = true; return *this; }

    std::vector<uint8_t> build() const
    {
        std::vector<Entry> entries = m_entries;
        std::vector<uint32_t> counts;
        for (const auto& c : m_chunks) counts.push_back(uint32_t(c.size()));
        entries.push_back({uint16_t(m_tiled ? 324 : 273), kLong, std::vector<uint32_t>(m_chunks.size()), false, 0});
        entries.push_back({uint16_t(m_tiled ? 325 : 279), kLong, counts, false, 0});
        std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.id < b.id; });

        size_t pos = 8 + 2 + 12 * entries.size() + 4;
        for (auto& e : entries)
            if (!e.atEnd && e.bytes() > 4) pos = place(e, pos);
        std::vector<uint32_t> offsets;
        for (const auto& c : m_chunks) {
            offsets.push_back(uint32_t(pos));
            pos += c.size();
        }
        for (auto& e : entries)
            if (e.atEnd && e.bytes() > 4) pos = place(e, pos);
        for (auto& e : entries)
            if (e.id == (m_tiled ? 324 : 273)) e.values = offsets;

        std::vector<uint8_t> out(pos, 0);
        out[0] = 'I';
        out[1] = 'I';
        setLe(out, 2, 42, 2);
        setLe(out, 4, 8, 4);
        setLe(out, 8, uint32_t(entries.size()), 2);
        for (size_t i = 0; i < entries.size(); ++i) {
            const Entry& e = entries[i];
            const size_t at = 10 + 12 * i;
            setLe(out, at, e.id, 2);
            setLe(out, at + 2, e.type, 2);
            setLe(out, at + 4, uint32_t(e.values.size()), 4);
            const size_t valuesAt = e.bytes() > 4 ? e.offset : at + 8;
            if (e.bytes() > 4) setLe(out, at + 8, uint32_t(e.offset), 4);
            for (size_t k = 0; k < e.values.size(); ++k)
                setLe(out, valuesAt + k * e.size(), e.values[k], e.size());
        }
        for (size_t i = 0; i < m_chunks.size(); ++i)
            std::copy(m_chunks[i].begin(), m_chunks[i].end(), out.begin() + offsets[i]);
        return out;
    }

private:
    struct Entry {
        uint16_t id;
        uint16_t type;
        std::vector<uint32_t> values;
        bool atEnd;
        size_t offset;
        size_t size() const { return type == kShort ? 2 : 4; }
        size_t bytes() const { return size() * values.size(); }
    };

    static size_t place(Entry& e, size_t pos)
    {
        e.offset = pos;
        return (pos + e.bytes() + 1) & ~size_t(1);
    }

    std::vector<Entry> m_entries;
    std::vector<std::vector<uint8_t>> m_chunks;
    bool m_tiled = false;
};

// Where the values of tag `id` sit in the first directory of a classic
// little-endian TIFF: the entry's offset, the size and count of its values
// and where they start. entry is 0 when the tag is missing.
struct TiffEntryPlace {
    size_t entry = 0;
    size_t size = 0;
    size_t count = 0;
    size_t values = 0;
};

inline TiffEntryPlace findTiffEntry(const std::vector<uint8_t>& file, uint16_t id)
{
    const size_t dir = getLe(file, 4, 4);
    const size_t n = getLe(file, dir, 2);
    for (size_t i = 0; i < n; ++i) {
        const size_t at = dir + 2 + 12 * i;
        if (getLe(file, at, 2) != id) continue;
        TiffEntryPlace place{at, getLe(file, at + 2, 2) == TiffBuilder::kShort ? 2u : 4u, getLe(file, at + 4, 4), 0};
        place.values = place.size * place.count > 4 ? getLe(file, at + 8, 4) : at + 8;
        return place;
    }
    return {};
}

inline std::vector<uint32_t> tiffValues(const std::vector<uint8_t>& file, uint16_t id)
{
    const TiffEntryPlace place = findTiffEntry(file, id);
    std::vector<uint32_t> values;
    for (size_t k = 0; place.entry && k < place.count; ++k)
        values.push_back(getLe(file, place.values + k * place.size, place.size));
    return values;
}

// Overwrites the values of tag `id` in the first directory of a classic
// little-endian TIFF, keeping their place; the new count may not exceed
// the old one. False when the tag is missing.
inline bool setTiffValues(std::vector<uint8_t>& file, uint16_t id, const std::vector<uint32_t>& values)
{
    const TiffEntryPlace place = findTiffEntry(file, id);
    if (!place.entry || values.size() > place.count) return false;
    setLe(file, place.entry + 4, uint32_t(values.size()), 4);
    for (size_t k = 0; k < values.size(); ++k) setLe(file, place.values + k * place.size, values[k], place.size);
    return true;
}

}  // namespace kalvora::testing
