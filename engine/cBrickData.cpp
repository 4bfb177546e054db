#include "engine/cBrickData.h"

#include <new>

#include "engine/cBrickDataFile.h"
#include "imaging/UISupport.h"
#include "platform/AtomicFileWriter.h"
#include "platform/SaveFailedText.h"
#include "platform/ScopeExit.h"
#include "platform/Services.h"

namespace kalvora {

namespace {

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

bool cBrickData::writeBrickFile(const std::string& path, int& writeError) const
{
    // The busy cursor goes back to normal on every way out, also when an
    // exception leaves the save.
    platform::Services::cursor().setBusy();
    const platform::ScopeExit normalCursor([] { platform::Services::cursor().setNormal(); });
    platform::AtomicFileWriter file(path);
    const bool ok = file.open() &&
                    cBrickDataFile::write(*this, [&file](const uint8_t* data, size_t count) {
                        return file.write(data, count);
                    }) &&
                    file.commit();
    if (ok) return true;
    writeError = file.lastError();
    file.discard();
    return false;
}

bool cBrickData::SaveBrickFile(const std::string& path)
{
    int writeError = 0;
    const bool ok = writeBrickFile(path, writeError);
    if (!ok) platform::Services::messageBox().show(platform::saveFailedText(path, writeError), "Error", kExclamation);
    return ok;
}

bool cBrickData::readBrickFile(const std::string& path)
{
    platform::Services::cursor().setBusy();
    const platform::ScopeExit normalCursor([] { platform::Services::cursor().setNormal(); });
    try {
        cBrickData loaded;
        if (!cBrickDataFile::readFile(path, loaded)) return false;
        adopt(loaded);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool cBrickData::LoadBrickFile(const std::string& path)
{
    const bool ok = readBrickFile(path);
    if (!ok) {
        platform::Services::messageBox().show("Could not open " + UISupport::FileTitleFromPath(path),
                                              "Unsupported File Format", kExclamation);
    }
    return ok;
}

}  // namespace kalvora
