#pragma once

#include <string>
#include <vector>

// The texts and rules of exporting a shown image to a file: the save
// dialog's title and filters, the format chosen by the file's extension, and
// the messages when no encoder fits or the save fails.
namespace kalvora::ImageExport {

// "Save Image File".
std::string dialogTitle();

// The save dialog's filters, in the toolkit's "Name (*.a *.b)" form.
std::vector<std::string> dialogFilters();

// The folder of a path with its trailing separator: everything before the
// file title.
std::string folderOf(const std::string& path);

// The characters of the file title after its last ".", lower-cased; the
// whole title, lower-cased, when it has no ".".
std::string extensionOf(const std::string& fileTitle);

// The MIME type an extension saves as: jpg and jpeg image/jpeg, png, gif,
// tif image/tiff and bmp; empty for any other (tiff, jpe and dib included).
std::string mimeTypeFor(const std::string& extension);

// The message, title and style (stop icon, OK) when no encoder fits the
// extension: "Could not find XYZ-Encoder." titled "Error Saving xyz-File".
std::string noEncoderText(const std::string& extension);
std::string errorTitle(const std::string& extension);
// The message when the file could not be written.
std::string saveFailedText(const std::string& path);
constexpr int kMessageStyle = 16;

// The JPEG quality passed for every format (the other encoders ignore it).
constexpr int kQuality = 100;

}  // namespace kalvora::ImageExport
