#include "uicore/ImageFiles.h"

#include <algorithm>
#include <cctype>

#include "imaging/UISupport.h"

namespace kalvora::ImageFiles {

namespace {

std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string uppered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

}  // namespace

std::string saveDialogTitle() { return "Save Image File"; }

std::string openDialogTitle() { return "Open Image File"; }

std::vector<std::string> dialogFilters()
{
    return {
        "All Images Files (*.bmp *.gif *.jpg *.jpeg *.png *.tif)",
        "BMP Files (*.bmp)",
        "GIF Files (*.gif)",
        "JPEG Files (*.jpg *.jpeg)",
        "PNG Files (*.png)",
        "TIFF Files (*.tif)",
        "All Files (*)",
    };
}

std::string folderOf(const std::string& path)
{
    return path.substr(0, path.size() - UISupport::FileTitleFromPath(path).size());
}

std::string extensionOf(const std::string& fileTitle)
{
    const size_t dot = fileTitle.rfind('.');
    return lowered(dot == std::string::npos ? fileTitle : fileTitle.substr(dot + 1));
}

std::string mimeTypeFor(const std::string& extension)
{
    if (extension == "jpg" || extension == "jpeg") return "image/jpeg";
    if (extension == "png") return "image/png";
    if (extension == "gif") return "image/gif";
    if (extension == "tif") return "image/tiff";
    if (extension == "bmp") return "image/bmp";
    return {};
}

std::string noEncoderText(const std::string& extension) { return "Could not find " + uppered(extension) + "-Encoder."; }

std::string errorTitle(const std::string& extension) { return "Error Saving " + lowered(extension) + "-File"; }

std::string openFailedText(const std::string& fileTitle) { return "Could not open " + fileTitle; }

std::string openFailedTitle() { return "Unsupported File Format"; }

}  // namespace kalvora::ImageFiles
