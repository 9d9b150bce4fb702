// Reading forum replies: pieces, CDATA text, and the five outcomes of a login reply. The replies
// follow the envelopes the forum sends (XML root with CDATA, success and error callbacks).
#include "rules/LoginReply.h"

#include <QTest>

using namespace Qt::StringLiterals;
using LoginReply::Outcome;

Q_DECLARE_METATYPE(LoginReply::Outcome)

namespace {

QString envelope(const QString &inner)
{
    return u"<?xml version=\"1.0\" encoding=\"gbk\"?>\n<root><![CDATA["_s + inner + u"]]></root>"_s;
}

// A successful sign-in: name at piece 9, group at piece 13, 35 pieces in all.
QString successReply(const QString &name, const QString &group)
{
    const QString message = u"欢迎您回来，"_s + group + u" "_s + name + u"，现在将转入登录前页面"_s;
    return envelope(u"<script type=\"text/javascript\" reload=\"1\">if(typeof succeedhandle_login=='function') "
                    "{succeedhandle_login('http://bbs.example/', '"_s +
                    message + u"', {'username':'"_s + name + u"','usergroup':'"_s + group +
                    u"','uid':'1234','groupid':'10','syn':'0'});}hideWindow('login');showDialog('"_s + message +
                    u"', 'right', null, function () { window.location.href ='http://bbs.example/'; }, 0, null, "
                    "null, null, null, null, 2);</script>"_s);
}

QString refusalReply(const QString &message, const QString &extra = QString())
{
    return envelope(message + u"<script type=\"text/javascript\" reload=\"1\">if(typeof errorhandle_login=='function') "
                              "{errorhandle_login('"_s +
                    message + u"', {"_s + extra + u"});}</script>"_s);
}

} // namespace

class TestLoginReply : public QObject
{
    Q_OBJECT
private slots:
    void pieces_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("piece");
        QTest::newRow("first") << u"a'b'c"_s << 0 << u"a"_s;
        QTest::newRow("middle") << u"a'b'c"_s << 1 << u"b"_s;
        QTest::newRow("last") << u"a'b'c"_s << 2 << u"c"_s;
        QTest::newRow("past the end") << u"a'b'c"_s << 3 << QString();
        QTest::newRow("no apostrophe") << u"abc"_s << 0 << u"abc"_s;
        QTest::newRow("no apostrophe, piece 3") << u"abc"_s << 3 << QString();
        QTest::newRow("empty pieces") << u"''"_s << 1 << QString();
        QTest::newRow("negative") << u"a'b"_s << -1 << QString();
        QTest::newRow("empty reply") << QString() << 0 << QString();
    }
    void pieces()
    {
        QFETCH(QString, reply);
        QFETCH(int, n);
        QFETCH(QString, piece);
        QCOMPARE(LoginReply::replyPiece(reply, n), piece);
    }

    void forumEnvelopePieces()
    {
        const QString reply = successReply(u"alice"_s, u"普通会员"_s);
        QCOMPARE(reply.count(QLatin1Char('\'')) + 1, 35);
        QCOMPARE(LoginReply::replyPiece(reply, 9), u"alice"_s);
        QCOMPARE(LoginReply::replyPiece(reply, 13), u"普通会员"_s);
        QCOMPARE(LoginReply::replyPiece(reply, 17), u"1234"_s);
        QCOMPARE(LoginReply::replyPiece(refusalReply(u"请选择安全提问"_s), 3), u"请选择安全提问"_s);
    }

    void cdata_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("text");
        QTest::newRow("envelope") << envelope(u"登录失败"_s) << u"登录失败"_s;
        QTest::newRow("up to the first bracket") << u"CDATA[ab]c]"_s << u"ab"_s;
        QTest::newRow("bracket before CDATA ignored") << u"]x CDATA[yz]"_s << u"yz"_s;
        QTest::newRow("sixth character skipped whatever it is") << u"CDATAxyz]"_s << u"yz"_s;
        QTest::newRow("nothing between") << u"CDATA[]"_s << QString();
        QTest::newRow("bracket too close") << u"CDATA]"_s << QString();
        QTest::newRow("no bracket") << u"<root><![CDATA[登录失败"_s << QString();
        QTest::newRow("no CDATA") << u"<html>503</html>"_s << QString();
        QTest::newRow("lower case is no marker") << u"cdata[x]"_s << QString();
        QTest::newRow("CDATA inside a piece") << u"a'CDATA[in]'b"_s << u"in"_s;
    }
    void cdata()
    {
        QFETCH(QString, reply);
        QFETCH(QString, text);
        QCOMPARE(LoginReply::cdataText(reply), text);
    }

    void statusMarkup_data()
    {
        QTest::addColumn<QString>("piece");
        QTest::addColumn<QString>("status");
        QTest::newRow("plain, trimmed") << u"  普通会员 "_s << u"普通会员"_s;
        QTest::newRow("font and bold") << u"<font color=\"#FF0000\"><b>禁止访问</b></font>"_s << u"禁止访问"_s;
        QTest::newRow("upper case tags") << u"<FONT COLOR=red><B>VIP</B></Font>"_s << u"VIP"_s;
        QTest::newRow("other tags stay") << u"<i>VIP</i><span>x</span>"_s << u"<i>VIP</i><span>x</span>"_s;
        // The bold pattern only needs a tag name starting with b.
        QTest::newRow("br removed too") << u"a<br/>b"_s << u"ab"_s;
        QTest::newRow("any case, every tag beginning with b")
            << u"<FONT color=\"red\">密码错误</Font>，<B>请重试</b><BR><br/><body>!</BODY><blockquote>"_s
            << u"密码错误，请重试!"_s;
        QTest::newRow("tabs are not trimmed") << u"\tVIP"_s << u"\tVIP"_s;
        QTest::newRow("markup only") << u"<font color=red></font>"_s << QString();
    }
    void statusMarkup()
    {
        QFETCH(QString, piece);
        QFETCH(QString, status);
        QCOMPARE(LoginReply::plainStatus(piece), status);
    }

    void failureMessage_data()
    {
        QTest::addColumn<QString>("cdata");
        QTest::addColumn<QString>("message");
        QTest::newRow("before script")
            << u"登录失败，您还可以尝试 4 次<script type=\"text/javascript\">x('a')</script>"_s
            << u"登录失败，您还可以尝试 4 次"_s;
        QTest::newRow("every < removed") << u"a<b>失败</b><script src=x>"_s << u"ab>失败/b>"_s;
        QTest::newRow("script at the start") << u"<script >失败"_s << QString();
        // No "<script ": the text itself without its tags rather than an empty box.
        QTest::newRow("no script") << u"<p>密码错误，登录失败</p>"_s << u"密码错误，登录失败"_s;
        QTest::newRow("no script, stray <") << u"1 < 2 失败"_s << u"1  2 失败"_s;
        QTest::newRow("empty") << QString() << QString();
    }
    void failureMessage()
    {
        QFETCH(QString, cdata);
        QFETCH(QString, message);
        QCOMPARE(LoginReply::failureMessage(cdata), message);
    }

    // The UID the welcome names (piece 17, after the name 'uid' at piece 15), where the lookup could not learn it.
    void welcomeNamesTheUid()
    {
        QCOMPARE(LoginReply::classifyLoginReply(successReply(u"alice"_s, u"会员"_s)).uid, u"1234"_s);
        QString shifted = successReply(u"alice"_s, u"会员"_s);
        shifted.replace(u"'uid':'1234'"_s, u"'gid':'1234'"_s);
        QCOMPARE(LoginReply::classifyLoginReply(shifted).uid, QString());
        QString notDigits = successReply(u"alice"_s, u"会员"_s);
        notDigits.replace(u"'uid':'1234'"_s, u"'uid':'12a4'"_s);
        QCOMPARE(LoginReply::classifyLoginReply(notDigits).uid, QString());
        QCOMPARE(LoginReply::classifyLoginReply(refusalReply(u"登录失败"_s)).uid, QString());
    }

    void classify_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text"); // status for the greeting outcomes, else the message

        QTest::newRow("success") << successReply(u" alice "_s, u"<font color=\"#0000FF\">普通会员</font>"_s)
                                 << Outcome::Success << u"alice"_s << u"普通会员"_s;
        QTest::newRow("ban in markup") << successReply(u"eve"_s, u"<font color=\"#FF0000\"><b>禁止访问</b></font>"_s)
                                       << Outcome::Banned << u"eve"_s << u"禁止访问"_s;
        QTest::newRow("ban split by a tag") << successReply(u"eve"_s, u"禁<B>止</B>发言"_s) << Outcome::Banned
                                            << u"eve"_s << u"禁止发言"_s;
        QTest::newRow("ban split by another tag") << successReply(u"eve"_s, u"禁<i>止</i>"_s) << Outcome::Success
                                                  << u"eve"_s << u"禁<i>止</i>"_s;
        QTest::newRow("13 pieces") << u"欢迎您回来'1'2'3'4'5'6'7'8'name'10'11'12"_s << Outcome::DataError
                                   << u"name"_s << QString();
        QTest::newRow("empty name") << successReply(u"  "_s, u"普通会员"_s) << Outcome::DataError << QString()
                                    << u"普通会员"_s;
        QTest::newRow("status markup only") << successReply(u"bob"_s, u"<b></b>"_s) << Outcome::DataError
                                            << u"bob"_s << QString();
        QTest::newRow("greeting wins over failure") << successReply(u"bob"_s, u"登录失败组"_s) << Outcome::Success
                                                    << u"bob"_s << u"登录失败组"_s;
        QTest::newRow("failure") << refusalReply(u"登录失败，您还可以尝试 4 次"_s, u"'loginperm':'4'"_s)
                                 << Outcome::Failure << QString() << u"登录失败，您还可以尝试 4 次"_s;
        QTest::newRow("failure beats the callback")
            << envelope(u"密码<b>失败</b><script type=\"text/javascript\">errorhandle_login('piece three')</script>"_s)
            << Outcome::Failure << QString() << u"密码b>失败/b>"_s;
        QTest::newRow("failure without CDATA")
            << u"<root>登录失败<script>if(typeof errorhandle_login=='function') {errorhandle_login('登录失败，还可以尝试 3 次', {});}</script></root>"_s
            << Outcome::Failure << QString() << u"登录失败，还可以尝试 3 次"_s;
        // Nothing readable at all: a plain fallback word rather than an empty box.
        QTest::newRow("failure without any readable text") << u"失败"_s << Outcome::Failure << QString()
                                                           << LoginReply::kFailureFallback;
        QTest::newRow("error callback, untrimmed")
            << refusalReply(u" 请选择安全提问以及填写正确的答案 "_s) << Outcome::Refused << QString()
            << u" 请选择安全提问以及填写正确的答案 "_s;
        QTest::newRow("callback without its piece 3") << u"<root>errorhandle_login</root>CDATA[text]"_s
                                                      << Outcome::Unreadable << QString() << QString();
        QTest::newRow("other CDATA text") << envelope(u"请 15 分钟后重新登录"_s) << Outcome::Refused << QString()
                                          << u"请 15 分钟后重新登录"_s;
        QTest::newRow("CDATA in a piece") << u"x'CDATA[blocked]'y"_s << Outcome::Refused << QString()
                                          << u"blocked"_s;
        QTest::newRow("CDATA without bracket") << u"<root><![CDATA[服务器忙"_s << Outcome::Unreadable << QString()
                                               << QString();
        QTest::newRow("empty") << QString() << Outcome::Unreadable << QString() << QString();
        QTest::newRow("error page") << u"<html><head><title>503</title></head><body>Service Unavailable</body></html>"_s
                                    << Outcome::Unreadable << QString() << QString();
        QTest::newRow("undecodable bytes") << u"\uFFFD\uFFFD'\uFFFD"_s << Outcome::Unreadable << QString()
                                           << QString();
    }
    void classify()
    {
        QFETCH(QString, reply);
        QFETCH(Outcome, outcome);
        QFETCH(QString, name);
        QFETCH(QString, text);
        const LoginReply::LoginOutcome result = LoginReply::classifyLoginReply(reply);
        QCOMPARE(result.outcome, outcome);
        QCOMPARE(result.memberName, name);
        if (outcome == Outcome::Success || outcome == Outcome::Banned || outcome == Outcome::DataError)
            QCOMPARE(result.status, text);
        else
            QCOMPARE(result.message, text);
    }

    void hugeReply()
    {
        // Several megabytes of apostrophes and a failure at the end: read in one pass, no blow-up.
        QString reply = QString(4 * 1024 * 1024, QLatin1Char('\''));
        reply += envelope(u"登录失败<script >"_s);
        QCOMPARE(LoginReply::replyPiece(reply, 3), QString());
        const auto result = LoginReply::classifyLoginReply(reply);
        QCOMPARE(result.outcome, Outcome::Failure);
        QCOMPARE(result.message, u"登录失败"_s);
    }
};

QTEST_GUILESS_MAIN(TestLoginReply)
#include "test_loginreply.moc"
