#pragma once
// Stands in for the desktop's opener while it lives: records every file URL
// the program asks to open instead of starting another program.

#include <QDesktopServices>
#include <QList>
#include <QObject>
#include <QUrl>

namespace testsupport {

class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> Urls;
    UrlRecorder() { QDesktopServices::setUrlHandler("file", this, "open"); }
    ~UrlRecorder() override { QDesktopServices::unsetUrlHandler("file"); }
    UrlRecorder(const UrlRecorder&) = delete;
    UrlRecorder& operator=(const UrlRecorder&) = delete;
public slots:
    void open(const QUrl& Url) { Urls.append(Url); }
};

} // namespace testsupport
