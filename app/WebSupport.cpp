#include "app/WebSupport.h"

#include <QCoreApplication>
#include <QUrl>
#include <QUrlQuery>
#include <initializer_list>
#include <utility>

#include "platform/Services.h"

namespace kalvora::WebSupport {

namespace {

// The one place that names the site's host and the contact address.
const QString kHost = QStringLiteral("https://www.example.org");
const QString kContactAddress = QStringLiteral("kalvora@example.org");

QString page(const QString& path, std::initializer_list<std::pair<QString, QString>> query = {})
{
    QUrl url(kHost + path);
    if (query.size() > 0) {
        QUrlQuery items;
        for (const auto& [key, value] : query) items.addQueryItem(key, value);
        url.setQuery(items);
    }
    return url.toString(QUrl::FullyEncoded);
}

QString forumPage(int forumNumber)
{
    return page(QStringLiteral("/kalvora/forum/viewforum.php"), {{QStringLiteral("f"), QString::number(forumNumber)}});
}

}  // namespace

void OpenURL(const QString& URL) { platform::Services::desktop().open(URL.toStdString()); }

QString homePage() { return page(QStringLiteral("/kalvora/")); }

QString site() { return page(QStringLiteral("/kalvora")); }

QString forum(bool capitalised) { return page(capitalised ? QStringLiteral("/Kalvora/forum/") : QStringLiteral("/kalvora/forum/")); }

QString faqForum() { return forumPage(2); }

QString tutorialsForum() { return forumPage(4); }

QString galleriesForum() { return forumPage(6); }

QString contactForm()
{
    return page(QStringLiteral("/kontakt/"), {{QStringLiteral("name"), QStringLiteral("Your Name")},
                                               {QStringLiteral("email"), kContactAddress},
                                               {QStringLiteral("betreff"), QStringLiteral("Kalvora Feedback")},
                                               {QStringLiteral("nachricht"),
                                                QStringLiteral("Please enter your message here.")}});
}

QString contactAddress() { return kContactAddress; }

QString userManual() { return QCoreApplication::applicationDirPath() + QStringLiteral("/Documentation/UserManual.pdf"); }

}  // namespace kalvora::WebSupport
