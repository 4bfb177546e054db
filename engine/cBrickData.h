#pragma once

#include <memory>
#include <string>

#include "engine/BrickSettings.h"
#include "imaging/cInlineBitmap.h"
#include "imaging/cInlineBitmapCollection.h"

namespace kalvora {

// The project: the thirty settings (public fields, in their fixed order, of
// BrickSettings), the brick images and the mortar image. It holds data only
// and checks no range. A new project has zero settings, an empty brick list
// and a mortar image without pixels; BrickDefaults::reset gives it the values
// of a new project.
class cBrickData : public BrickSettings {
public:
    std::shared_ptr<cInlineBitmapCollection> BrickFiles;
    std::shared_ptr<cInlineBitmap> MortarFile;

    cBrickData();
    cBrickData(const cBrickData&) = delete;
    cBrickData& operator=(const cBrickData&) = delete;

    BrickSettings& settings() { return *this; }
    const BrickSettings& settings() const { return *this; }

    // Writes the project to a "*.bricks" file. The file is replaced only when
    // the whole project was written; on failure the previous file stays as
    // it was, "Could not save File <path>" is shown, with the system's reason
    // on a second line when the system refused a step, and false returned.
    bool SaveBrickFile(const std::string& path);

    // Reads a "*.bricks" file. The project changes only when the whole file
    // was read; otherwise "Could not open <file title>" is shown, the project
    // stays exactly as it was and false is returned. The brick list object
    // stays the same (its contents are replaced); the mortar image becomes a
    // new object.
    bool LoadBrickFile(const std::string& path);

    // Takes the settings and images of a project just read; the brick list
    // object of this project is kept and refilled. Cannot fail; loaded is
    // left with this project's old images.
    void adopt(cBrickData& loaded);

private:
    // The file work of SaveBrickFile and LoadBrickFile with the busy cursor
    // shown; the callers report a failure once the cursor is normal again.
    // A failed write sets writeError to the system's error number of the
    // step that failed, 0 when the project itself could not be written.
    bool writeBrickFile(const std::string& path, int& writeError) const;
    bool readBrickFile(const std::string& path);
};

}  // namespace kalvora
