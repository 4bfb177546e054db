#include "engine/BrickDefaults.h"

#include "engine/cBrickData.h"

namespace kalvora {

BrickSettings BrickDefaults::settings()
{
    BrickSettings s;
    s.Width = 1024;
    s.Height = 1024;
    s.MaintainAspectRatio = true;
    s.PreviewWidth = 512;
    s.PreviewHeight = 512;
    s.PreviewQuality = 0;
    s.Name = "Untitled";
    s.Description = "";
    s.RowOffset = 0;
    s.RandomSeed = 1;
    s.RandomBrickDistribution = false;
    s.MinWidth = 10.0f;
    s.MaxWidth = 15.0f;
    s.MinHeight = 20.0f;
    s.MaxHeight = 25.0f;
    s.BorderSize = 5.0f;
    s.RoundedBorder = 5.0f;
    s.NoiseStrength = 0.0f;
    s.NoiseFrequency = 0.0f;
    s.AntiAlias = 0.0f;
    s.FlipH = true;
    s.FlipV = false;
    s.ChangeHue = 5.0f;
    s.ChangeSaturation = 5.0f;
    s.ChangeLuminance = 5.0f;
    s.RepeatX = 1;
    s.RepeatY = 1;
    s.SeamlessH = false;
    s.SeamlessV = false;
    s.BlendBorders = 0.0f;
    return s;
}

void BrickDefaults::reset(cBrickData& project)
{
    if (project.BrickFiles) project.BrickFiles->RemoveAll();
    else project.BrickFiles = std::make_shared<cInlineBitmapCollection>();
    if (project.MortarFile) project.MortarFile->Remove();
    else project.MortarFile = std::make_shared<cInlineBitmap>();
    project.settings() = settings();
}

}  // namespace kalvora
