#pragma once

#include <string>
#include <vector>

// The texts and rules of the image windows' file commands: the open and save
// dialogs' titles and filters, the format a save chooses by the file's
// extension, and the messages when no encoder fits or a file cannot be opened.
namespace kalvora::ImageFiles {

// "Save Image File" and "Open Image File".
std::string saveDialogTitle();
std::string openDialogTitle();

// The open and save dialogs' filters, in the toolkit's "Name (*.a *.b)" form.
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
// A file that could not be written is reported under the same title and
// style, with platform::saveFailedText, the text a failed project save shows.
constexpr int kMessageStyle = 16;

// The message when an image file cannot be read, with the file's title, and
// its title and style (exclamation icon, OK).
std::string openFailedText(const std::string& fileTitle);
std::string openFailedTitle();
constexpr int kOpenFailedStyle = 48;

// The JPEG quality passed for every format (the other encoders ignore it).
constexpr int kQuality = 100;

}  // namespace kalvora::ImageFiles
