#pragma once

#include <QString>
#include <QStringList>
#include <string>

class QWidget;

namespace kalvora {

class cBitmap;

// What the brick and mortar dialogs do alike with a project image: choose
// image files and touch one image up in the image editor.
namespace ProjectImageEditing {

// The open-file dialog (CommonDialog1, "Open Brick Tile(s)") starting in
// folder: one existing image file, or several. Empty when cancelled.
QStringList chooseImageFiles(QWidget* parent, const std::string& folder, bool several);

// Shows the image in the image editor with the caption, modally. When the
// editor closes with an image of at least 1 pixel, asks the question
// ("Keep Changes", Yes and No); Yes copies the edited pixels, in the editor's
// pixel format, into the image and returns true. An image without pixels is
// not edited at all.
bool editImage(cBitmap& image, const QString& caption, const std::string& question);

}  // namespace ProjectImageEditing

}  // namespace kalvora
