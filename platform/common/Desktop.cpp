// The desktop's opener comes from Qt on every platform.

#include "platform/Platform.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace platform {

bool OpenWithDesktop(const std::string& Path) {
    return QDesktopServices::openUrl(
        QUrl::fromLocalFile(QString::fromUtf8(Path.data(), static_cast<qsizetype>(Path.size()))));
}

bool OpenWithDesktopAt(const std::string& Path, const std::string& Fragment) {
    QUrl Url = QUrl::fromLocalFile(QString::fromUtf8(Path.data(), static_cast<qsizetype>(Path.size())));
    Url.setFragment(QString::fromUtf8(Fragment.data(), static_cast<qsizetype>(Fragment.size())));
    return QDesktopServices::openUrl(Url);
}

} // namespace platform
