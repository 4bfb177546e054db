#include "filters/cNoiseGenerator.h"

#include "filters/clsImageFilter.h"
#include "platform/PixelFormat.h"

namespace kalvora {

cNoiseGenerator::cNoiseGenerator(platform::RandomGenerator* generator) : m_filter(std::make_unique<clsImageFilter>())
{
    m_filter->setRandomGenerator(generator);
}

cNoiseGenerator::~cNoiseGenerator() = default;

void cNoiseGenerator::CreateNoise(int32_t Width, int32_t Height, bool MonochromeNoise)
{
    const int32_t w = gridSide(Width);
    const int32_t h = gridSide(Height);
    m_failure = platform::Ok;
    keep(Bitmap.CreateFromScan0(w, h, 0, platform::kFormat32bppARGB));
    m_filter->SetBitmapIn(Bitmap);
    Bitmap.Dispose();
    m_filter->CreateNoise(MonochromeNoise);
    keep(m_filter->failureStatus());
    keep(Bitmap.CreateFromClone(w, h, m_filter->GetHandle(), platform::kFormat32bppARGB));
}

void cNoiseGenerator::Interpolate(int32_t NewWidth, int32_t NewHeight, platform::InterpolationMode Interpolation_Mode)
{
    Bitmap.ResizePicture(NewWidth, NewHeight, Interpolation_Mode);
    if (Bitmap.Width() != NewWidth || Bitmap.Height() != NewHeight) keep(Bitmap.CurErr());
}

void cNoiseGenerator::keep(platform::Status status)
{
    if (m_failure == platform::Ok) m_failure = status;
}

int32_t cNoiseGenerator::GetPixel(int32_t x, int32_t y) { return Bitmap.GetPixelARGB(x, y); }

void cNoiseGenerator::skipNoiseDraws(platform::RandomGenerator& random, int32_t Width, int32_t Height,
                                     bool MonochromeNoise)
{
    const int64_t draws = static_cast<int64_t>(gridSide(Width)) * gridSide(Height) * (MonochromeNoise ? 1 : 3);
    for (int64_t i = 0; i < draws; ++i) random.next();
}

}  // namespace kalvora
