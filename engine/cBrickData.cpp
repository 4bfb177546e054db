#include "engine/cBrickData.h"

#include <new>
#include <vector>

#include "platform/AtomicFileWriter.h"
#include "engine/BinaryReader.h"
#include "engine/cBrickDataFile.h"
#include "imaging/UISupport.h"
#include "platform/Services.h"

namespace kalvora {

namespace {

// Files larger than this are refused before anything is read.
constexpr size_t kMaxProjectFileBytes = size_t(1) << 34;

constexpr int kExclamation = platform::ButtonsOk + platform::IconExclamation;

}  // namespace

cBrickData::cBrickData()
    : BrickFiles(std::make_shared<cInlineBitmapCollection>()), MortarFile(std::make_shared<cInlineBitmap>())
{
}

void cBrickData::adopt(cBrickData& loaded)
{
    // Swaps and moves only, so taking a project over cannot fail half-way.
    settings() = std::move(loaded.settings());
    if (!BrickFiles) BrickFiles.swap(loaded.BrickFiles);
    else BrickFiles->InlineBitmaps.swap(loaded.BrickFiles->InlineBitmaps);
    MortarFile.swap(loaded.MortarFile);
}

bool cBrickData::SaveBrickFile(const std::string& path)
{
    platform::Services::cursor().setBusy();
    platform::AtomicFileWriter file(path);
    const bool ok = file.open() &&
                    cBrickDataFile::write(*this, [&file](const uint8_t* data, size_t count) {
                        return file.write(data, count);
                    }) &&
                    file.commit();
    if (!ok) file.discard();
    platform::Services::cursor().setNormal();
    if (!ok) platform::Services::messageBox().show("Could not save File " + path, "Error", kExclamation);
    return ok;
}

bool cBrickData::LoadBrickFile(const std::string& path)
{
    platform::Services::cursor().setBusy();
    bool ok = false;
    try {
        std::vector<uint8_t> bytes;
        cBrickData loaded;
        ok = BinaryReader::readFile(path, kMaxProjectFileBytes, bytes) &&
             cBrickDataFile::read(bytes.data(), bytes.size(), loaded);
        if (ok) adopt(loaded);
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    platform::Services::cursor().setNormal();
    if (!ok) {
        platform::Services::messageBox().show("Could not open " + UISupport::FileTitleFromPath(path),
                                              "Unsupported File Format", kExclamation);
    }
    return ok;
}

}  // namespace kalvora
