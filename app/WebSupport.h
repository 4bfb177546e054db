#pragma once

#include <QString>

// The product's web pages and the user manual, opened through the desktop
// service: pages in the user's browser, the manual in the desktop's viewer.
namespace kalvora::WebSupport {

// Opens an address (or a local path) with the desktop's default program.
void OpenURL(const QString& URL);

// The addresses of the link items and labels.
QString homePage();
// The site itself, without a final slash.
QString site();
// The forum; capitals spell the product word as the about box shows it.
QString forum(bool capitalised = false);
QString faqForum();
QString tutorialsForum();
QString galleriesForum();
QString contactForm();
// The contact e-mail address the windows show.
QString contactAddress();

// The user manual: the program's folder and "/Documentation/UserManual.pdf",
// as one path, whether or not the file is there.
QString userManual();

}  // namespace kalvora::WebSupport
