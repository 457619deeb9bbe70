// The desktop's file manager and mail client through the freedesktop.org
// helpers xdg-open and xdg-email, found on PATH.

#include "platform/Platform.h"

#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace platform {

namespace {

QString Native(const std::string& Text) {
    return QString::fromUtf8(Text.data(), static_cast<qsizetype>(Text.size()));
}

QString System(const std::string& Text) {
    return Native(Utf8FromCp1252(Text));
}

// A mail client started by xdg-email may stay in the foreground until the
// user closes it: that long is not waited for.
constexpr int MailClientWaitMs = 3000;

} // namespace

bool OpenFolder(const std::string& Dir) {
    return QProcess::startDetached(QStringLiteral("xdg-open"), {Native(Dir)});
}

MailOutcome ComposeMail(const MailDraft& Draft) {
    QStringList Args{QStringLiteral("--utf8"), QStringLiteral("--subject"), System(Draft.Subject)};
    if (!Draft.Body.empty()) Args << QStringLiteral("--body") << System(Draft.Body);
    for (const std::string& File : Draft.Attachments) Args << QStringLiteral("--attach") << Native(File);
    Args << System(Draft.To);
    auto* Mailer = new QProcess;
    QObject::connect(Mailer, &QProcess::finished, Mailer, &QObject::deleteLater);
    QObject::connect(Mailer, &QProcess::errorOccurred, Mailer, [Mailer](QProcess::ProcessError Error) {
        if (Error == QProcess::FailedToStart) Mailer->deleteLater();
    });
    Mailer->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    Mailer->setStandardOutputFile(QProcess::nullDevice());
    Mailer->start(QStringLiteral("xdg-email"), Args);
    if (!Mailer->waitForStarted()) return MailOutcome::NoMailClient;
    if (!Mailer->waitForFinished(MailClientWaitMs)) return MailOutcome::Composed;
    // 3: no tool to open the message with; 4: the client refused it.
    return Mailer->exitStatus() == QProcess::NormalExit && Mailer->exitCode() == 0
               ? MailOutcome::Composed
               : MailOutcome::NoMailClient;
}

} // namespace platform
