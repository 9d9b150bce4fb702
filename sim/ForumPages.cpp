#include "ForumPages.h"

namespace ForumPages {

namespace {

QString esc(const QString &text)
{
    return text.toHtmlEscaped();
}

// The site's own status line under the menu: who is signed in.
QString userBar(const ForumMember *member)
{
    if (!member)
        return QStringLiteral("<div id=\"um\"><a href=\"member.php?mod=logging&amp;action=login\">登录</a> | "
                              "<a href=\"member.php?mod=register\">立即注册</a></div>\n");
    return QStringLiteral("<div id=\"um\"><strong class=\"vwmy\">") + esc(member->name)
        + QStringLiteral("</strong> | <a href=\"member.php?mod=logging&amp;action=logout") + QLatin1String(kFormHashLinkPart)
        + QStringLiteral("\">退出</a></div>\n");
}

QString creditItem(const QString &name, qint64 value, const QString &unit)
{
    // A blank before the name, the value right after </em>, the unit (if any) after a blank.
    QString item = QStringLiteral("<li><em> ") + name + QStringLiteral(": </em>") + QString::number(value);
    if (!unit.isEmpty())
        item += QLatin1Char(' ') + unit;
    return item + QStringLiteral("</li>\n");
}

// Text of the VIP levels; written without the page's own markers so that only the member's
// block carries them.
QString vipLevelsTable()
{
    return QStringLiteral("<table class=\"viplevels\"><tr><th>等级</th><th>每日成长</th><th>价格</th></tr>\n"
                          "<tr><td>VIP会员</td><td>5+2 点</td><td>30元/月</td></tr>\n"
                          "<tr><td>SVIP会员</td><td>10+5 点</td><td>300元/年</td></tr></table>\n");
}

} // namespace

QString siteName()
{
    return QStringLiteral("Quorvel论坛");
}

QString declared(QString text, bool utf8)
{
    text.replace(QLatin1String(kMetaSlot),
                 utf8 ? QStringLiteral("<meta charset=\"utf-8\" />")
                      : QStringLiteral("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\" />"));
    text.replace(QLatin1String(kEncodingSlot), utf8 ? QStringLiteral("utf-8") : QStringLiteral("gbk"));
    return text;
}

QString jsEscape(const QString &text)
{
    QString out = text;
    out.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    out.replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return out;
}

QString ajaxEnvelope(const QString &inner)
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"") + QLatin1String(kEncodingSlot)
        + QStringLiteral("\"?>\n<root><![CDATA[") + inner
        + QStringLiteral("]]></root>");
}

QString ajaxRefusal(const QString &key, const QString &message, const QString &extra, bool withDialog)
{
    const QString m = jsEscape(message);
    QString script = QStringLiteral("<script type=\"text/javascript\" reload=\"1\">if(typeof errorhandle_") + key
        + QStringLiteral("=='function') {errorhandle_") + key + QStringLiteral("('") + m + QStringLiteral("', {")
        + extra + QStringLiteral("});}");
    if (withDialog)
        script += QStringLiteral("showDialog('") + m
            + QStringLiteral("', 'alert', null, null, 0, null, null, null, null, null, 2);");
    return message + script + QStringLiteral("</script>");
}

QString ajaxSuccess(const QString &key, const QString &url, const QString &message, const QString &values)
{
    const QString m = jsEscape(message);
    const QString u = jsEscape(url);
    return QStringLiteral("<script type=\"text/javascript\" reload=\"1\">if(typeof succeedhandle_") + key
        + QStringLiteral("=='function') {succeedhandle_") + key + QStringLiteral("('") + u + QStringLiteral("', '") + m
        + QStringLiteral("', {") + values + QStringLiteral("});}hideWindow('") + key + QStringLiteral("');showDialog('")
        + m + QStringLiteral("', 'right', null, function () { window.location.href ='") + u
        + QStringLiteral("'; }, 0, null, null, null, null, null, 2);</script>");
}

QString loginGreeting(const ForumMember &member)
{
    return QStringLiteral("欢迎您回来，") + member.group + QLatin1Char(' ') + member.name
        + QStringLiteral("，现在将转入登录前页面");
}

QString loginValues(const ForumMember &member)
{
    return QStringLiteral("'username':'") + jsEscape(member.name) + QStringLiteral("','usergroup':'")
        + jsEscape(member.group) + QStringLiteral("','uid':'") + QString::number(member.uid)
        + QStringLiteral("','groupid':'") + QString::number(member.groupId) + QStringLiteral("','syn':'0'");
}

QString htmlPage(const QString &title, const QString &body)
{
    return QStringLiteral("<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
                          "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\n"
                          "<html xmlns=\"http://www.w3.org/1999/xhtml\">\n<head>\n")
        + QLatin1String(kMetaSlot) + QStringLiteral("\n<title>") + title + QStringLiteral(" - ") + siteName()
        + QStringLiteral(" - Powered by Quorvel</title>\n"
                         "<meta name=\"keywords\" content=\"Quorvel\" />\n"
                         "</head>\n<body id=\"nv_home\">\n")
        + body
        + QStringLiteral("<form id=\"scbar_form\" method=\"post\" autocomplete=\"off\" action=\"search.php?searchsubmit=yes\">")
        + QLatin1String(kFormHashField)
        + QStringLiteral("<input type=\"text\" name=\"srchtxt\" id=\"scbar_txt\" /></form>\n<div id=\"ft\">Powered by Quorvel &copy; 2009-2015</div>\n</body>\n</html>\n");
}

QString noticePage(const QString &message, bool withLoginForm, const QString &cssClass, const ForumMember *member)
{
    QString body = userBar(member) + QStringLiteral("<div id=\"messagetext\" class=\"") + cssClass
        + QStringLiteral("\">\n<p>") + message + QStringLiteral("</p></div>\n");
    if (withLoginForm)
        body += QStringLiteral("<form method=\"post\" action=\"member.php?mod=logging&amp;action=login&amp;loginsubmit=yes\">"
                               "<input type=\"text\" name=\"username\" /> <input type=\"password\" name=\"password\" />"
                               " <button type=\"submit\">登录</button></form>\n");
    return htmlPage(QStringLiteral("提示信息"), body);
}

QString profilePage(const ForumMember &member)
{
    const QString name = esc(member.name);
    QString body = userBar(nullptr);
    body += QStringLiteral("<div id=\"uhd\"><div class=\"h cl\"><div class=\"icn avt\"><img src=\"uc_server/avatar.php?uid=")
        + QString::number(member.uid) + QStringLiteral("&amp;size=small\" /></div>\n<h2 class=\"mt\">") + name
        + QStringLiteral(" <span class=\"xw0\">(UID: ") + QString::number(member.uid)
        + QStringLiteral(")</span></h2></div></div>\n");
    body += QStringLiteral("<div class=\"pbm mbm bbda cl\"><ul class=\"pf_l cl\">\n<li><em>用户组</em>") + member.group
        + QStringLiteral("</li>\n<li><em>Quorvel币</em>") + QString::number(member.quorvelbi)
        + QStringLiteral("</li>\n<li><em>za</em>") + QString::number(member.za)
        + QStringLiteral("</li>\n</ul></div>\n");
    return htmlPage(name + QStringLiteral("的个人资料"), body);
}

QString creditPage(const ForumMember &member)
{
    QString body = userBar(&member);
    body += QStringLiteral("<div id=\"ct\" class=\"ct2_a wp cl\"><div class=\"mn\"><div class=\"bm bw0\">\n"
                           "<h1 class=\"mt\">积分</h1>\n<ul class=\"tb cl\">"
                           "<li><a href=\"home.php?mod=spacecp&amp;ac=credit&amp;op=base\">我的积分</a></li>"
                           "<li class=\"a\"><a href=\"home.php?mod=spacecp&amp;ac=credit&amp;op=buy\">积分充值</a></li>"
                           "<li><a href=\"home.php?mod=spacecp&amp;ac=credit&amp;op=exchange\">积分兑换</a></li></ul>\n"
                           "<ul class=\"creditl mtm bbda cl\">\n");
    body += creditItem(QStringLiteral("Quorvel币"), member.quorvelbi, {});
    body += creditItem(QStringLiteral("威望"), 0, QStringLiteral("点"));
    body += creditItem(QStringLiteral("贡献"), member.uid % 7, QStringLiteral("点"));
    body += creditItem(QStringLiteral("za"), member.za, {});
    body += QStringLiteral("<li class=\"cl\"><em>积分: </em>") + QString::number(member.quorvelbi + member.za * 4)
        + QStringLiteral(" <span class=\"xg1\">( 总积分=Quorvel币+za*4 )</span></li>\n</ul>\n"
                         "<p class=\"mtm\">兑换比率: 4 Quorvel币 = 1 za</p>\n</div></div></div>\n");
    return htmlPage(QStringLiteral("积分"), body);
}

QString ajaxLoginForm(const QString &formHash, const QString &loginHash, const QString &seccodeIdHash)
{
    const QString token = formHash.isEmpty()
        ? QString()
        : QStringLiteral("<input type=\"hidden\" name=\"formhash\" value=\"") + formHash + QStringLiteral("\" />");
    QString form = QStringLiteral("<div id=\"main_messaqge_") + loginHash + QStringLiteral("\">\n<div id=\"layer_login_")
        + loginHash + QStringLiteral("\">\n<h3 class=\"flb\"><em>用户登录</em></h3>\n"
                                      "<form method=\"post\" autocomplete=\"off\" name=\"login\" id=\"loginform_")
        + loginHash
        + QStringLiteral("\" class=\"cl\" action=\"member.php?mod=logging&amp;action=login&amp;loginsubmit=yes&amp;loginhash=")
        + loginHash + QStringLiteral("\">\n<div class=\"c cl\">\n") + token
        + QStringLiteral("<input type=\"hidden\" name=\"referer\" value=\"forum.php\" />\n"
                         "<div class=\"rfm\"><select name=\"loginfield\"><option value=\"username\">用户名</option>"
                         "<option value=\"email\">Email</option></select>"
                         "<input type=\"text\" name=\"username\" autocomplete=\"off\" size=\"30\" /></div>\n"
                         "<div class=\"rfm\"><input type=\"password\" name=\"password\" size=\"30\" /></div>\n"
                         "<div class=\"rfm\"><select name=\"questionid\"><option value=\"0\">安全提问(未设置请忽略)</option>"
                         "<option value=\"1\">母亲的名字</option><option value=\"2\">爷爷的名字</option>"
                         "<option value=\"3\">父亲出生的城市</option><option value=\"4\">您其中一位老师的名字</option>"
                         "<option value=\"5\">您个人计算机的型号</option><option value=\"6\">您最喜欢的餐馆名称</option>"
                         "<option value=\"7\">驾驶执照最后四位数字</option></select></div>\n"
                         "<div class=\"rfm\"><input type=\"text\" name=\"answer\" size=\"30\" /></div>\n");
    if (!seccodeIdHash.isEmpty())
        form += QStringLiteral("<span id=\"seccode_") + seccodeIdHash
            + QStringLiteral("\"></span>\n<script type=\"text/javascript\" reload=\"1\">updateseccode('") + seccodeIdHash
            + QStringLiteral("', '<sec> <sec>', 'member::logging');</script>\n");
    form += QStringLiteral("<div class=\"rfm mbw bw0\"><button class=\"pn pnc\" type=\"submit\" name=\"loginsubmit\" "
                           "value=\"true\"><strong>登录</strong></button></div>\n</div>\n</form>\n</div>\n"
                           "<div id=\"layer_lostpw_")
        + loginHash
        + QStringLiteral("\" style=\"display: none;\">\n<form method=\"post\" autocomplete=\"off\" id=\"lostpwform_")
        + loginHash + QStringLiteral("\" action=\"member.php?mod=lostpasswd&amp;lostpwsubmit=yes&amp;infloat=yes\">\n")
        + token
        + QStringLiteral("<input type=\"hidden\" name=\"handlekey\" value=\"lostpwform\" />\n"
                         "<input type=\"text\" name=\"email\" size=\"30\" /><input type=\"text\" name=\"username\" size=\"30\" />\n"
                         "<button class=\"pn pnc\" type=\"submit\" name=\"lostpwsubmit\" value=\"true\"><span>提交</span></button>\n"
                         "</form>\n</div>\n</div>\n");
    return form;
}

namespace {

QString creditList(const ForumMember &member, const QString &separator)
{
    QString list;
    const auto item = [&](const QString &name, qint64 value, const QString &unit) -> void {
        // An empty unit leaves the blank after the value.
        list += QStringLiteral("<li><em> ") + name + QStringLiteral(": </em>") + QString::number(value) + QLatin1Char(' ')
            + unit + QStringLiteral("</li>") + separator;
    };
    item(QStringLiteral("Quorvel币"), member.quorvelbi, {});
    item(QStringLiteral("威望"), 0, QStringLiteral("点"));
    item(QStringLiteral("贡献"), member.uid % 7, QStringLiteral("点"));
    item(QStringLiteral("za"), member.za, {});
    return list;
}

QString creditTabs(const char *active)
{
    const auto tab = [&](const char *op, const char *title) -> QString {
        return QStringLiteral("<li") + (qstrcmp(op, active) == 0 ? QStringLiteral(" class=\"a\"") : QString())
            + QStringLiteral("><a href=\"home.php?mod=spacecp&amp;ac=credit&amp;op=") + QLatin1String(op)
            + QStringLiteral("\">") + QString::fromUtf8(title) + QStringLiteral("</a></li>");
    };
    return QStringLiteral("<ul class=\"tb cl\">") + tab("base", "我的积分") + tab("buy", "积分充值")
        + tab("exchange", "积分兑换") + QStringLiteral("</ul>\n");
}

} // namespace

QString creditExchangePage(const ForumMember &member)
{
    QString body = userBar(&member);
    body += QStringLiteral("<div id=\"ct\" class=\"ct2_a wp cl\"><div class=\"mn\"><div class=\"bm bw0\">\n"
                           "<h1 class=\"mt\">积分</h1>\n")
        + creditTabs("exchange") + QStringLiteral("<ul class=\"creditl mtm bbda cl\">") + creditList(member, QStringLiteral("\r\n"))
        + QStringLiteral("</ul>\n<form id=\"exchangeform\" name=\"exchangeform\" method=\"post\" autocomplete=\"off\" "
                         "action=\"home.php?mod=spacecp&amp;ac=credit&amp;op=exchange&amp;handlekey=credit\">\n")
        + QLatin1String(kFormHashField)
        + QStringLiteral("<input type=\"hidden\" name=\"operation\" value=\"exchange\" />\n"
                         "<p>兑换比率: 4 Quorvel币 = 1 za</p>\n"
                         "<input type=\"text\" name=\"exchangeamount\" value=\"0\" />"
                         "<input type=\"password\" name=\"password\" />"
                         "<button type=\"submit\" name=\"exchangesubmit_btn\" value=\"true\">兑换</button>\n</form>\n"
                         "</div></div></div>\n");
    return htmlPage(QStringLiteral("积分"), body);
}

QString creditBasePage(const ForumMember &member)
{
    QString body = userBar(&member);
    body += QStringLiteral("<div id=\"ct\" class=\"ct2_a wp cl\"><div class=\"mn\"><div class=\"bm bw0\">\n"
                           "<h1 class=\"mt\">积分</h1>\n")
        + creditTabs("base") + QStringLiteral("<ul class=\"creditl mtm bbda cl\">\n<li class=\"xi1 cl\"><em> Quorvel币: </em>")
        + QString::number(member.quorvelbi) + QStringLiteral(" </li>\n") + creditList(member, QStringLiteral("\n"))
        + QStringLiteral("<li class=\"cl\"><em>积分: </em>") + QString::number(member.quorvelbi + member.za * 4)
        + QStringLiteral(" <span class=\"xg1\">( 总积分=Quorvel币+za*4 )</span></li>\n</ul>\n</div></div></div>\n");
    return htmlPage(QStringLiteral("积分"), body);
}

QString signInRequiredPage()
{
    return noticePage(QStringLiteral("您需要先登录才能继续本操作"), true);
}

QString vipPage(const ForumMember *member)
{
    QString body = userBar(member) + QStringLiteral("<div id=\"vipbox\">\n");
    if (!member) {
        body += QStringLiteral("<p class=\"guest\">您还没有登录，请先<a href=\"member.php?mod=logging&amp;action=login\">登录</a>"
                               "后查看您的会员状态</p>\n");
    } else if (member->vipLevel <= 0) {
        body += QStringLiteral("<p class=\"normal\">您好 <b>") + esc(member->name)
            + QStringLiteral("</b>，您还没有开通VIP会员，开通后即可享受每日成长与专属特权</p>\n"
                             "<p><a href=\"/buy.php\">立即开通</a></p>\n");
    } else {
        const bool svip = member->vipLevel >= 2;
        const QString expiry = member->vipExpiry.isValid() ? member->vipExpiry.toString(QStringLiteral("yyyy.MM.dd"))
                                                           : QStringLiteral("永久");
        body += QStringLiteral("<p class=\"welcome\">尊敬的VIP用户 <b>") + esc(member->name)
            + QStringLiteral("</b>，感谢您对Quorvel的支持</p>\n<ul class=\"vipinfo\">\n<li>会员类型:&nbsp;<b>")
            + (svip ? QStringLiteral("SVIP会员") : QStringLiteral("VIP会员"))
            + QStringLiteral("</b></li>\n<li>成长速度:&nbsp;<b>") + (svip ? QStringLiteral("10+5") : QStringLiteral("5+2"))
            + QStringLiteral("</b>&nbsp;点/天</li>\n<li>到期时间:&nbsp;<b>") + expiry + QStringLiteral("</b></li>\n</ul>\n");
    }
    body += vipLevelsTable() + QStringLiteral("</div>\n");
    return htmlPage(QStringLiteral("VIP会员中心"), body);
}

QString forumIndexPage(const ForumMember *member)
{
    return htmlPage(QStringLiteral("首页"),
                    userBar(member)
                        + QStringLiteral("<div id=\"ct\"><h2>论坛版块</h2><ul>\n"
                                         "<li><a href=\"forum.php?mod=forumdisplay&amp;fid=2\">综合讨论</a></li>\n"
                                         "<li><a href=\"forum.php?mod=viewthread&amp;tid=25020\">VIP相关特权及说明</a></li>\n"
                                         "</ul></div>\n"));
}

QString threadPage(int tid)
{
    if (tid != 25020)
        return noticePage(QStringLiteral("抱歉，指定主题不存在或已被删除"));
    return htmlPage(QStringLiteral("VIP相关特权及说明 - 综合讨论"),
                    userBar(nullptr)
                        + QStringLiteral("<div id=\"postlist\"><div id=\"pid478051\"><h1>VIP相关特权及说明</h1>\n"
                                         "<p>VIP会员每日成长 5+2 点，SVIP会员每日成长 10+5 点；会员可使用Quorvel软件全部功能。</p>\n"
                                         "</div></div>\n"));
}

QString registerPage()
{
    return htmlPage(QStringLiteral("立即注册"),
                    userBar(nullptr)
                        + QStringLiteral("<form method=\"post\" id=\"registerform\" action=\"member.php?mod=register\">\n"
                                         "<p>用户名: <input type=\"text\" name=\"username\" /></p>\n"
                                         "<p>密码: <input type=\"password\" name=\"password\" /></p>\n"
                                         "<p>Email: <input type=\"text\" name=\"email\" /></p>\n"
                                         "<button type=\"submit\">提交</button></form>\n"));
}

QString loginPage()
{
    return noticePage(QStringLiteral("请输入用户名和密码登录"), true);
}

QString lostPasswordPage()
{
    return htmlPage(QStringLiteral("找回密码"),
                    userBar(nullptr)
                        + QStringLiteral("<form method=\"post\" action=\"member.php?mod=lostpasswd&amp;lostpwsubmit=yes\">"
                                         "<p>用户名: <input type=\"text\" name=\"username\" /></p>"
                                         "<p>Email: <input type=\"text\" name=\"email\" /></p>"
                                         "<button type=\"submit\">找回密码</button></form>\n"));
}

QString homeIndexPage(const ForumMember *member)
{
    return htmlPage(QStringLiteral("家园"), userBar(member) + QStringLiteral("<div id=\"ct\"><h2>家园</h2></div>\n"));
}

QString mainIndexPage()
{
    return htmlPage(QStringLiteral("Quorvel官方网站"),
                    QStringLiteral("<div id=\"main\"><h1>Quorvel</h1><p><a href=\"/\">进入论坛</a></p></div>\n"));
}

QString softIndexPage()
{
    return htmlPage(QStringLiteral("Quorvel软件下载"),
                    QStringLiteral("<div id=\"soft\"><h1>Quorvel软件</h1><p>最新版本请见论坛公告</p></div>\n"));
}

QString logoutPage(const QString &name)
{
    return noticePage(QStringLiteral("您已退出站点，") + esc(name) + QStringLiteral("，现在将以游客身份转入退出前页面"));
}

QString notFoundPage()
{
    return QStringLiteral("<!DOCTYPE html>\n<html><head>") + QLatin1String(kMetaSlot)
        + QStringLiteral("<title>404 Not Found</title></head>\n<body><h1>404 Not Found</h1>"
                         "<p>您要访问的页面不存在</p></body></html>\n");
}

QString systemErrorPage()
{
    return QStringLiteral("<!DOCTYPE html>\n<html><head>") + QLatin1String(kMetaSlot)
        + QStringLiteral("<title>系统错误 - Quorvel论坛</title></head>\n<body><div class=\"error\"><h1>系统错误</h1>"
                         "<p>数据库繁忙，请稍后再试。(Error: 1040)</p></div></body></html>\n");
}

QString internalErrorPage()
{
    return QStringLiteral("<!DOCTYPE html>\n<html><head>") + QLatin1String(kMetaSlot)
        + QStringLiteral("<title>500 Internal Server Error</title></head>\n<body><h1>500 Internal Server Error</h1>"
                         "<p>服务器内部错误，请稍后再试</p></body></html>\n");
}

QString tokenErrorPage()
{
    return QStringLiteral("<!DOCTYPE html>\n<html><head>") + QLatin1String(kMetaSlot)
        + QStringLiteral("<title>127.0.0.1 - System Error</title></head>\n<body><div id=\"container\">"
                         "<h1>Quorvel! System Error</h1><div class=\"info\">"
                         "<p>您当前的访问请求当中含有非法字符，已经被系统拒绝</p></div></div></body></html>\n");
}

QString badOriginMessage()
{
    return QStringLiteral("抱歉，您的请求来路不正确或表单验证串不符，无法提交");
}

QByteArray probePage()
{
    return QByteArrayLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>probe</title></head>"
                             "<body><p>ok</p></body></html>\n");
}

} // namespace ForumPages
