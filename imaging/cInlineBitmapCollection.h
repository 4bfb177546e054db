#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/cInlineBitmap.h"

namespace kalvora {

// The ordered brick images of a project, addressed from 1. The collection
// holds shared references: one cInlineBitmap may sit in two collections at
// once and lives until the last of them lets it go.
class cInlineBitmapCollection {
public:
    // The items in the order added; callers may walk it directly.
    std::vector<std::shared_ptr<cInlineBitmap>> InlineBitmaps;

    // Shallow copy: afterwards both collections hold the same image objects,
    // in CloneFrom's order. Cloning from itself changes nothing.
    void Clone(const cInlineBitmapCollection& CloneFrom);
    void RemoveAll();
    // Removes item Index (1-based); later items move up. Outside 1..Count:
    // no effect.
    void Remove(int32_t Index);
    int32_t Count() const;
    // Appends the reference (an empty reference is not added).
    void Add(std::shared_ptr<cInlineBitmap> item);
    // Appends a new image loaded from the file, also when the load fails (the
    // item then has no pixels and an empty FileName).
    void AddNewFromImage(const std::string& FileName);
    // Item Index (1-based); an empty reference outside 1..Count.
    std::shared_ptr<cInlineBitmap> GetInlineBitmap(int32_t Index) const;
};

}  // namespace kalvora
