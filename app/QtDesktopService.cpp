#include "app/QtDesktopService.h"

#include <QDesktopServices>
#include <QRegularExpression>
#include <QUrl>

namespace kalvora {

namespace {

// A scheme of two characters or more, so that a drive letter is a path.
bool startsWithScheme(const QString& text)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(text).hasMatch();
}

}  // namespace

bool QtDesktopService::open(const std::string& addressOrPath)
{
    const QString text = QString::fromStdString(addressOrPath);
    const QUrl url = startsWithScheme(text) ? QUrl(text) : QUrl::fromLocalFile(text);
    return QDesktopServices::openUrl(url);
}

}  // namespace kalvora
