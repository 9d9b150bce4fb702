// The version check (gx): the software host names the current client version; another version
// ends this one, so that the member fetches the new release.
#include "Form2.h"

#include "base/Seams.h"
#include "base/Settings.h"
#include "net/XmlHttp.h"
#include "rules/PanelReaders.h"

void Form2::gx()
{
    const WaitTicket window(this);
    // Not a child of the panel: the panel may go away while the request waits.
    XmlHttp request;
    request.Open(QStringLiteral("get"), Settings::instance().url(HostRole::Soft, QStringLiteral("/version/main.txt")), true);
    request.setRequestHeader(QStringLiteral("If-Modified-Since"), QStringLiteral("0"));
    request.send();
    if (!window.wait([&request] { request.waitForCompletion(); }))
        return;

    const QString file = request.failed() ? QString() : request.responseText();
    switch (PanelReaders::versionOutcome(file, request.status())) {
    case PanelReaders::VersionOutcome::CheckFailed:
        Seams::messageBox(QStringLiteral("检测更新失败!请您稍后再试,暂时使用原版"), Seams::Icon::Exclamation);
        return;
    case PanelReaders::VersionOutcome::NewVersion:
        Seams::messageBox(QStringLiteral("发现最新版本![") + PanelReaders::versionField(file) + QStringLiteral("]\r\n \r\n确定后自动打开官方论坛!"),
                          Seams::Icon::Information);
        Seams::openUrl(Settings::instance().url(HostRole::Forum, QString()));
        Seams::endProgram();
        return;
    case PanelReaders::VersionOutcome::Current:
        setEnabled(true);
        setStatusText(QStringLiteral("欢迎使用Quorvel软件"));
        return;
    }
}
