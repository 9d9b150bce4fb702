// The version check (gx): the software host names the current client version; another version
// ends this one, so that the member fetches the new release.
#include "Form2.h"

#include "base/Seams.h"
#include "base/Settings.h"
#include "rules/PanelReaders.h"
#include "session/MemberSession.h"
#include "session/QuorvelModule.h"

Task<> Form2::gx(QuorvelModule::Page page)
{
    const QString file = page.failed ? QString() : page.text;
    switch (PanelReaders::versionOutcome(file, page.status)) {
    case PanelReaders::VersionOutcome::CheckFailed:
        co_await Seams::ask(this, QStringLiteral("检测更新失败!请您稍后再试,暂时使用原版"), Seams::Icon::Exclamation);
        co_return;
    case PanelReaders::VersionOutcome::NewVersion:
        co_await Seams::ask(this,
                            QStringLiteral("发现最新版本![") + PanelReaders::versionField(file)
                                + QStringLiteral("]\r\n \r\n确定后自动打开官方论坛!"),
                            Seams::Icon::Information);
        Seams::openUrl(m_session.settings().url(HostRole::Forum, QString()));
        Seams::endProgram();
        co_return;
    case PanelReaders::VersionOutcome::Current:
        setEnabled(true);
        setStatusText(QStringLiteral("欢迎使用Quorvel软件"));
        co_return;
    }
}
