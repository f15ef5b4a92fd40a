#include "HandOver.h"
#include "NativeFrame.h"
#include "NativeHost.h"

#include "options/Settings.h"
#include "platform/HandoffSocket.h"
#include "ui/DialogMessagePresenter.h"
#include "wire/HandoffMessage.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>

#include <cstdio>

namespace {

const QString ErrorText = QStringLiteral("Error: Please verify Quillfetch is running and retry !");

// From a terminal or a script, the URL is the command line (one with a control character, which
// the message could not carry alone, is none); from a browser, its one message.
std::optional<HandedOver> toHandOver(const QStringList &arguments, bool fromBrowser)
{
    if (!fromBrowser) {
        const HandedOver typed{arguments.join(u' '), {}};
        return HandoffMessage::carries(typed) ? std::optional(typed) : std::nullopt;
    }
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly | QIODevice::Unbuffered))
        return std::nullopt;
    return NativeFrame::read(input);
}

void replyToBrowser(bool delivered)
{
    QFile output;
    if (output.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered))
        NativeFrame::writeReply(output, delivered);
}

} // namespace

// Catchlink: hands one URL over to Quillfetch, starting it if it is not running.
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    const bool fromBrowser = NativeHost::isBrowserStart(arguments);
    const std::optional<HandedOver> handedOver = toHandOver(arguments, fromBrowser);
    if (!handedOver || handedOver->url.isEmpty())
        return fromBrowser ? 1 : 0;

    QSettings store(QStringLiteral("Quillfetch"), QStringLiteral("Quillfetch"));
    const Settings settings(store, QString());
    const QString programFolder = settings.appPath(QCoreApplication::applicationDirPath());
    HandOver handOver(QDir(programFolder).filePath(QStringLiteral("Quillfetch")),
                      HandoffSocket::name(), HandOver::Intervals{});
    DialogMessagePresenter messages;
    // Queued: the hand-off may end before the event loop runs, and only a running loop exits.
    QObject::connect(
        &handOver, &HandOver::finished, &app,
        [&](bool delivered) {
            if (fromBrowser)
                replyToBrowser(delivered);
            if (!delivered)
                messages.critical(nullptr, ErrorText, QStringLiteral("Catchlink"));
            QCoreApplication::exit(delivered ? 0 : 1);
        },
        Qt::QueuedConnection);
    handOver.start(*handedOver);
    return QApplication::exec();
}
