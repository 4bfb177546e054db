#include "views/ImageToolDialog.h"

namespace kalvora {

ImageToolDialog::~ImageToolDialog() = default;

}  // namespace kalvora
