#pragma once
// Lost-password replies in the forum's AJAX envelope, as the forum writes them.
#include <QString>

namespace ForumReplies {

inline QString refusal(const QString &message)
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"gbk\"?>\n<root><![CDATA[") + message +
           QStringLiteral("<script type=\"text/javascript\" reload=\"1\">if(typeof errorhandle_lostpwform=='function') "
                          "{errorhandle_lostpwform('") +
           message + QStringLiteral("', {});}</script>]]></root>");
}

inline QString success(const QString &message)
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"gbk\"?>\n<root><![CDATA[<script type=\"text/javascript\" "
                          "reload=\"1\">if(typeof succeedhandle_lostpwform=='function') "
                          "{succeedhandle_lostpwform('member.php', '") +
           message +
           QStringLiteral("', {});}hideWindow('lostpwform');showDialog('") + message +
           QStringLiteral("', 'right', null, function () { window.location.href ='member.php'; }, 0, null, null, "
                          "null, null, null, 2);</script>]]></root>");
}

} // namespace ForumReplies
