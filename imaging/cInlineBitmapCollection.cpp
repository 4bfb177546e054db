#include "imaging/cInlineBitmapCollection.h"

#include <limits>
#include <utility>

namespace kalvora {

namespace {

bool isValidIndex(int32_t index, size_t count)
{
    return index >= 1 && static_cast<size_t>(index) <= count;
}

}  // namespace

void cInlineBitmapCollection::Clone(const cInlineBitmapCollection& CloneFrom)
{
    if (&CloneFrom == this) return;
    RemoveAll();
    for (const auto& item : CloneFrom.InlineBitmaps) Add(item);
}

void cInlineBitmapCollection::RemoveAll()
{
    InlineBitmaps.clear();
}

void cInlineBitmapCollection::Remove(int32_t Index)
{
    if (!isValidIndex(Index, InlineBitmaps.size())) return;
    InlineBitmaps.erase(InlineBitmaps.begin() + (Index - 1));
}

int32_t cInlineBitmapCollection::Count() const
{
    if (InlineBitmaps.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(InlineBitmaps.size());
}

void cInlineBitmapCollection::Add(std::shared_ptr<cInlineBitmap> item)
{
    if (!item) return;
    InlineBitmaps.push_back(std::move(item));
}

void cInlineBitmapCollection::AddNewFromImage(const std::string& FileName)
{
    auto item = std::make_shared<cInlineBitmap>();
    item->LoadFromFile(FileName);
    Add(std::move(item));
}

std::shared_ptr<cInlineBitmap> cInlineBitmapCollection::GetInlineBitmap(int32_t Index) const
{
    if (!isValidIndex(Index, InlineBitmaps.size())) return nullptr;
    return InlineBitmaps[static_cast<size_t>(Index - 1)];
}

}  // namespace kalvora
