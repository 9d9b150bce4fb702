#include "ForumSimulator.h"

#include "FormCodec.h"
#include "ForumPages.h"
#include "Gbk.h"
#include "HttpConnection.h"
#include "SiteCodePage.h"

#include <QSslConfiguration>
#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace {

constexpr const char *kRoleNames[kSimRoleCount] = {"forum", "home", "vip", "soft", "main", "probe"};

struct FaultName {
    SimFault fault;
    const char *name;
};
constexpr FaultName kFaultNames[] = {
    {SimFault::None, "none"},           {SimFault::Slow, "slow"},       {SimFault::Empty, "empty"},
    {SimFault::ErrorPage, "errorpage"}, {SimFault::Status500, "status500"}, {SimFault::Drop, "drop"},
    {SimFault::NoCdata, "nocdata"},     {SimFault::Huge, "huge"},       {SimFault::InvalidGbk, "invalidgbk"},
    {SimFault::Token503, "token503"},   {SimFault::NoAnswer, "noanswer"},
};

QByteArray describe(const SimSiteSettings &s)
{
    const auto flag = [](const char *name, bool on) -> QByteArray { return QByteArray(name) + '=' + (on ? '1' : '0'); };
    return flag("legacy", s.legacy) + ' ' + flag("guestprofiles", s.guestsViewProfiles) + ' ' + flag("uidlogin", s.uidLogin)
        + ' ' + flag("autofield", s.autoLoginField) + ' ' + flag("creditbuying", s.creditBuying)
        + " charset=" + SiteCodePage::name(s.utf8);
}

// Bytes as a line of the request log shows them: printable ASCII as it is, every other byte
// percent-encoded, so that what went out stays visible byte for byte on one line.
QByteArray printable(const QByteArray &bytes)
{
    QByteArray out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        if (c > ' ' && c < 0x7F) {
            out += c;
        } else {
            static const char hex[] = "0123456789ABCDEF";
            const auto b = uchar(c);
            out += '%';
            out += hex[b >> 4];
            out += hex[b & 0xF];
        }
    }
    return out;
}

HttpResponse plainText(int status, const QByteArray &text)
{
    HttpResponse response;
    response.status = status;
    response.addHeader("Content-Type", "text/plain; charset=utf-8");
    response.body = text + '\n';
    return response;
}

// The envelope without its CDATA brackets: the text sits bare inside <root>.
QByteArray withoutCdata(QByteArray body)
{
    body.replace("<![CDATA[", "");
    body.replace("]]>", "");
    return body;
}

// Bytes that no GBK decoder accepts: 0x80 and 0xFF as lead bytes, a lead byte before a blank, and
// a lead byte cut off at the very end (none of them is UTF-8 either). The reply's own text stays
// around them.
QByteArray withInvalidGbk(QByteArray body)
{
    const QByteArray junk("\x80\xFF\x81\x20\xFE\x7F");
    const qsizetype close = body.lastIndexOf("</");
    body.insert(close < 0 ? body.size() : close, junk);
    body.append('\x81');
    return body;
}

// The forum marks its cookies Secure when the page came over HTTPS.
void markCookiesSecure(HttpResponse &response)
{
    for (auto &header : response.headers) {
        if (header.first.compare("Set-Cookie", Qt::CaseInsensitive) == 0 && !header.second.toLower().contains("; secure"))
            header.second += "; secure";
    }
}

QByteArray padded(QByteArray body, qsizetype size)
{
    const QByteArray filler(1024, ' ');
    body.reserve(size + filler.size());
    while (body.size() < size)
        body.append(filler);
    return body;
}

} // namespace

ForumSimulator::ForumSimulator(QObject *parent) : QObject(parent), m_site(m_state) {}

ForumSimulator::~ForumSimulator()
{
    stop();
}

bool ForumSimulator::start(quint16 portBase)
{
    stop();
    for (int i = 0; i < kSimRoleCount; ++i) {
        QTcpServer *server = nullptr;
        if (m_tls[i]) {
            auto *tls = new QSslServer(this);
            QSslConfiguration config = QSslConfiguration::defaultConfiguration();
            config.setLocalCertificateChain(m_tlsChain);
            config.setPrivateKey(m_tlsKey);
            config.setPeerVerifyMode(QSslSocket::VerifyNone); // clients show no certificate
            tls->setSslConfiguration(config);
            server = tls;
        } else {
            server = new QTcpServer(this);
        }
        const Role role = Role(i);
        connect(server, &QTcpServer::newConnection, this, [this, role] { onNewConnection(role); });
        // A TLS connection is pending only once its handshake is done, after newConnection.
        connect(server, &QTcpServer::pendingConnectionAvailable, this, [this, role] { onNewConnection(role); });
        const quint16 port = portBase == 0 ? 0 : quint16(portBase + i);
        m_servers[i] = server;
        const QHostAddress address = m_addresses[i].isNull() ? QHostAddress(QHostAddress::LocalHost) : m_addresses[i];
        if (!server->listen(address, port)) {
            stop();
            return false;
        }
    }
    return true;
}

void ForumSimulator::stop()
{
    for (QTcpServer *&server : m_servers) {
        if (server) {
            server->close();
            delete server;
            server = nullptr;
        }
    }
    const QList<HttpConnection *> open = m_connections;
    m_connections.clear();
    for (HttpConnection *connection : open) {
        connection->disconnect(this);
        connection->abort();
        connection->deleteLater();
    }
}

bool ForumSimulator::isRunning() const
{
    return m_servers[0] && m_servers[0]->isListening();
}

quint16 ForumSimulator::port(Role role) const
{
    const QTcpServer *server = m_servers[int(role)];
    return server ? server->serverPort() : 0;
}

void ForumSimulator::setListenAddress(Role role, const QHostAddress &address)
{
    m_addresses[int(role)] = address;
}

QString ForumSimulator::hostAndPort(Role role) const
{
    const QHostAddress &address = m_addresses[int(role)];
    QString host = address.isNull() ? QStringLiteral("127.0.0.1") : address.toString();
    if (address.protocol() == QAbstractSocket::IPv6Protocol)
        host = QLatin1Char('[') + host + QLatin1Char(']'); // as an address writes it
    return host + QLatin1Char(':') + QString::number(port(role));
}

QString ForumSimulator::probeUrl() const
{
    return url(Role::Probe);
}

QString ForumSimulator::origin(Role role) const
{
    return (m_tls[int(role)] ? QStringLiteral("https://") : QStringLiteral("http://")) + hostAndPort(role);
}

QString ForumSimulator::url(Role role, const QString &pathAndQuery) const
{
    return origin(role) + pathAndQuery;
}

void ForumSimulator::setTls(const QList<QSslCertificate> &chain, const QSslKey &key, const QList<Role> &roles)
{
    m_tlsChain = chain;
    m_tlsKey = key;
    for (int i = 0; i < kSimRoleCount; ++i)
        m_tls[i] = roles.isEmpty() || roles.contains(Role(i));
}

void ForumSimulator::clearTls()
{
    m_tls.fill(false);
    m_tlsChain.clear();
    m_tlsKey = {};
}

QStringList ForumSimulator::clientArguments() const
{
    // Plain roles keep the bare host:port, as before; TLS roles name their scheme.
    const auto host = [this](Role role) { return m_tls[int(role)] ? origin(role) : hostAndPort(role); };
    return {QStringLiteral("--forum-host"), host(Role::Forum), QStringLiteral("--home-host"), host(Role::Home),
            QStringLiteral("--vip-host"),   host(Role::Vip),   QStringLiteral("--soft-host"), host(Role::Soft),
            QStringLiteral("--main-host"),  host(Role::Main),  QStringLiteral("--probe-url"), probeUrl()};
}

QList<ForumSimulator::RecordedRequest> ForumSimulator::requestsTo(const QByteArray &pathContains) const
{
    QList<RecordedRequest> found;
    for (const RecordedRequest &r : m_requests) {
        if (r.pathAndQuery.contains(pathContains))
            found.append(r);
    }
    return found;
}

void ForumSimulator::setFault(Fault fault, const QByteArray &pathContains, std::optional<Role> role, int count)
{
    m_faults.append(FaultRule{fault, pathContains, role, count});
}

void ForumSimulator::clearFaults()
{
    m_faults.clear();
}

void ForumSimulator::setSlowDelayMs(int ms)
{
    m_slowDelayMs = qMax(0, ms);
}

void ForumSimulator::setVersionText(const QByteArray &textOrEmptyForMissing)
{
    m_site.setVersionText(textOrEmptyForMissing);
}

QByteArray ForumSimulator::versionText() const
{
    return m_site.versionText();
}

ForumSimulator::Member *ForumSimulator::member(const QString &name)
{
    return m_state.member(name);
}

ForumSimulator::Member *ForumSimulator::memberByUid(int uid)
{
    return m_state.memberByUid(uid);
}

void ForumSimulator::addMember(const Member &member)
{
    m_state.addMember(member);
}

void ForumSimulator::resetState()
{
    m_state.reset();
    m_faults.clear();
    m_slowDelayMs = kDefaultSlowDelayMs;
    m_site.setVersionText(ForumSite::defaultVersionText());
    m_site.captcha().clearCodes();
    m_site.captcha().setEnabled(false);
}

QString ForumSimulator::roleName(Role role)
{
    return QString::fromLatin1(kRoleNames[int(role)]);
}

std::optional<ForumSimulator::Role> ForumSimulator::roleFromName(const QString &name)
{
    for (int i = 0; i < kSimRoleCount; ++i) {
        if (name.compare(QLatin1String(kRoleNames[i]), Qt::CaseInsensitive) == 0)
            return Role(i);
    }
    return std::nullopt;
}

QString ForumSimulator::faultName(Fault fault)
{
    for (const FaultName &f : kFaultNames) {
        if (f.fault == fault)
            return QString::fromLatin1(f.name);
    }
    return {};
}

std::optional<ForumSimulator::Fault> ForumSimulator::faultFromName(const QString &name)
{
    for (const FaultName &f : kFaultNames) {
        if (name.compare(QLatin1String(f.name), Qt::CaseInsensitive) == 0)
            return f.fault;
    }
    return std::nullopt;
}

std::optional<bool> ForumSimulator::utf8FromCharset(const QString &name)
{
    if (name.compare(QLatin1String("gbk"), Qt::CaseInsensitive) == 0)
        return false;
    if (name.compare(QLatin1String("utf-8"), Qt::CaseInsensitive) == 0)
        return true;
    return std::nullopt;
}

QString ForumSimulator::charsetName(bool utf8)
{
    return QString::fromLatin1(SiteCodePage::name(utf8));
}

QStringList ForumSimulator::faultNames()
{
    QStringList names;
    for (const FaultName &f : kFaultNames)
        names.append(QString::fromLatin1(f.name));
    return names;
}

void ForumSimulator::onNewConnection(Role role)
{
    QTcpServer *server = m_servers[int(role)];
    while (server && server->hasPendingConnections()) {
        QTcpSocket *socket = server->nextPendingConnection();
        auto *connection = new HttpConnection(socket, this);
        m_connections.append(connection);
        connect(connection, &HttpConnection::requestReady, this,
                [this, role](HttpConnection *c, const HttpRequest &request) { onRequest(role, c, request); });
        connect(connection, &HttpConnection::closed, this, [this](HttpConnection *c) {
            m_connections.removeOne(c);
            c->deleteLater();
        });
    }
}

ForumSimulator::Fault ForumSimulator::takeFault(Role role, const QByteArray &target)
{
    for (qsizetype i = 0; i < m_faults.size(); ++i) {
        FaultRule &rule = m_faults[i];
        if ((rule.role && *rule.role != role) || !target.contains(rule.pathContains))
            continue;
        const Fault fault = rule.fault;
        if (rule.remaining > 0 && --rule.remaining == 0)
            m_faults.removeAt(i);
        return fault;
    }
    return Fault::None;
}

void ForumSimulator::onRequest(Role role, HttpConnection *connection, const HttpRequest &request)
{
    if (request.target.startsWith("/__sim/")) {
        connection->respond(controlRequest(request));
        return;
    }
    RecordedRequest record;
    record.role = role;
    record.method = request.method;
    record.pathAndQuery = request.target;
    record.headers = request.headers;
    record.body = request.body;
    record.received = QDateTime::currentDateTime();
    record.utf8 = m_state.settings().utf8;
    m_requests.append(record);

    const Fault fault = takeFault(role, request.target);
    switch (fault) {
    case Fault::NoAnswer:
        connection->holdWithoutAnswer();
        break;
    case Fault::Empty: {
        HttpResponse response = m_site.htmlResponse(200, {});
        if (request.target.contains("inajax=1"))
            response.setHeader("Content-Type", m_site.contentType("text/xml"));
        else if (request.target.endsWith(".txt"))
            response.setHeader("Content-Type", "text/plain");
        connection->respond(response);
        break;
    }
    case Fault::ErrorPage:
        connection->respond(m_site.htmlResponse(200, ForumPages::systemErrorPage()));
        break;
    case Fault::Status500:
        connection->respond(m_site.htmlResponse(500, ForumPages::internalErrorPage()));
        break;
    case Fault::Token503:
        connection->respond(m_site.htmlResponse(503, ForumPages::tokenErrorPage()));
        break;
    default: {
        HttpResponse response = m_site.handle(role, request);
        RecordedRequest &recorded = m_requests.last();
        recorded.formHash = m_site.lastTokenSeen().formHash;
        recorded.sessionFormHash = m_site.lastTokenSeen().sessionFormHash;
        recorded.tokenCheck = m_site.lastTokenSeen().check;
        if (m_tls[int(role)])
            markCookiesSecure(response);
        deliver(connection, fault, std::move(response));
        break;
    }
    }
    emit requestReceived(record.method, record.pathAndQuery);
}

void ForumSimulator::deliver(HttpConnection *connection, Fault fault, HttpResponse response)
{
    switch (fault) {
    case Fault::Slow:
        // The forum has already acted; only the answer is late.
        QTimer::singleShot(m_slowDelayMs, connection, [connection, response] { connection->respond(response); });
        return;
    case Fault::Drop:
        connection->respondPartialAndClose(response);
        return;
    case Fault::NoCdata:
        response.body = withoutCdata(response.body);
        break;
    case Fault::Huge:
        response.body = padded(response.body, kHugeBytes);
        break;
    case Fault::InvalidGbk:
        response.body = withInvalidGbk(response.body);
        break;
    default:
        break;
    }
    connection->respond(response);
}

HttpResponse ForumSimulator::controlRequest(const HttpRequest &request)
{
    const QByteArray path = FormCodec::pathOf(request.target);
    // Control values are UTF-8 (typed into a shell or a browser), unlike the forum's own forms.
    QHash<QString, QString> query;
    const QList<QByteArray> pairs = FormCodec::queryOf(request.target).split('&');
    for (const QByteArray &pair : pairs) {
        const qsizetype eq = pair.indexOf('=');
        QByteArray name = eq < 0 ? pair : pair.left(eq);
        QByteArray value = eq < 0 ? QByteArray() : pair.mid(eq + 1);
        name.replace('+', ' ');
        value.replace('+', ' ');
        query.insert(QString::fromUtf8(QByteArray::fromPercentEncoding(name)),
                     QString::fromUtf8(QByteArray::fromPercentEncoding(value)));
    }

    if (path == "/__sim/reset") {
        resetState();
        m_requests.clear();
        return plainText(200, "ok reset");
    }
    if (path == "/__sim/clearfaults") {
        clearFaults();
        return plainText(200, "ok faults cleared");
    }
    if (path == "/__sim/fault") {
        const std::optional<Fault> fault = faultFromName(query.value(QStringLiteral("mode")));
        if (!fault)
            return plainText(400, "unknown mode; one of: " + faultNames().join(QLatin1Char(' ')).toLatin1());
        std::optional<Role> role;
        if (query.contains(QStringLiteral("role")) && !query.value(QStringLiteral("role")).isEmpty()) {
            role = roleFromName(query.value(QStringLiteral("role")));
            if (!role)
                return plainText(400, "unknown role");
        }
        bool ok = true;
        const int count = query.contains(QStringLiteral("count")) ? query.value(QStringLiteral("count")).toInt(&ok) : -1;
        if (!ok)
            return plainText(400, "bad count");
        setFault(*fault, query.value(QStringLiteral("path")).toUtf8(), role, count);
        return plainText(200, "ok fault " + faultName(*fault).toLatin1());
    }
    if (path == "/__sim/slow") {
        bool ok = false;
        const int ms = query.value(QStringLiteral("ms")).toInt(&ok);
        if (!ok)
            return plainText(400, "bad ms");
        setSlowDelayMs(ms);
        return plainText(200, "ok slow " + QByteArray::number(m_slowDelayMs));
    }
    if (path == "/__sim/version") {
        if (query.contains(QStringLiteral("missing")))
            setVersionText({});
        else if (query.contains(QStringLiteral("text")))
            setVersionText(Gbk::encode(query.value(QStringLiteral("text"))));
        else
            setVersionText(ForumSite::defaultVersionText());
        return plainText(200, "ok version " + (versionText().isEmpty() ? QByteArray("missing") : versionText()));
    }
    if (path == "/__sim/member") {
        // Changes one member for trying things by hand: balances, VIP level and days, avatar.
        Member *m = member(query.value(QStringLiteral("name")));
        if (!m)
            return plainText(404, "unknown member");
        bool ok = true;
        auto number = [&](const QString &key, qint64 current) {
            if (!query.contains(key))
                return current;
            bool valid = false;
            const qint64 value = query.value(key).toLongLong(&valid);
            ok = ok && valid;
            return valid ? value : current;
        };
        const qint64 za = number(QStringLiteral("za"), m->za);
        const qint64 quorvelbi = number(QStringLiteral("quorvelbi"), m->quorvelbi);
        const qint64 vip = number(QStringLiteral("vip"), m->vipLevel);
        const qint64 days = number(QStringLiteral("vipdays"), QDate::currentDate().daysTo(m->vipExpiry));
        const qint64 avatar = number(QStringLiteral("avatar"), m->hasAvatar ? 1 : 0);
        if (!ok || vip < 0 || vip > 2 || qAbs(days) > 100000)
            return plainText(400, "bad value");
        m->za = za;
        m->quorvelbi = quorvelbi;
        m->vipLevel = int(vip);
        if (query.contains(QStringLiteral("vipdays")) || (m->vipLevel > 0 && !m->vipExpiry.isValid()))
            m->vipExpiry = QDate::currentDate().addDays(days);
        m->hasAvatar = avatar != 0;
        return plainText(200, "ok member " + m->name.toUtf8() + " Quorvel币=" + QByteArray::number(m->quorvelbi)
                                  + " za=" + QByteArray::number(m->za) + " vip=" + QByteArray::number(m->vipLevel) + " expiry="
                                  + m->vipExpiry.toString(Qt::ISODate).toLatin1());
    }
    if (path == "/__sim/captcha") {
        Captcha &c = captcha();
        if (query.contains(QStringLiteral("on"))) {
            const QString on = query.value(QStringLiteral("on"));
            if (on != QStringLiteral("0") && on != QStringLiteral("1"))
                return plainText(400, "on takes 0 or 1");
            c.setEnabled(on == QStringLiteral("1"));
        }
        const QByteArray code = query.contains(QStringLiteral("salt"))
            ? c.codeForSalt(query.value(QStringLiteral("salt")).toLatin1())
            : c.latestCode();
        return plainText(200, QByteArray("ok captcha ") + (c.isEnabled() ? "on" : "off") + " code="
                                  + (code.isEmpty() ? QByteArray("-") : code));
    }
    if (path == "/__sim/site") {
        SimSiteSettings settings = siteSettings();
        // A mode sets the site's behaviour, not its code page.
        const bool utf8 = settings.utf8;
        if (query.value(QStringLiteral("mode")) == QLatin1String("legacy"))
            settings = SimSiteSettings::older();
        else if (query.value(QStringLiteral("mode")) == QLatin1String("current"))
            settings = SimSiteSettings::current();
        else if (query.contains(QStringLiteral("mode")))
            return plainText(400, "mode is current or legacy");
        settings.utf8 = utf8;
        if (query.contains(QStringLiteral("charset"))) {
            const std::optional<bool> charset = utf8FromCharset(query.value(QStringLiteral("charset")));
            if (!charset)
                return plainText(400, "charset is gbk or utf-8");
            settings.utf8 = *charset;
        }
        const struct {
            const char *name;
            bool SimSiteSettings::*field;
        } switches[] = {{"legacy", &SimSiteSettings::legacy},
                        {"guestprofiles", &SimSiteSettings::guestsViewProfiles},
                        {"uidlogin", &SimSiteSettings::uidLogin},
                        {"autofield", &SimSiteSettings::autoLoginField},
                        {"creditbuying", &SimSiteSettings::creditBuying}};
        for (const auto &sw : switches) {
            const QString key = QString::fromLatin1(sw.name);
            if (!query.contains(key))
                continue;
            const QString value = query.value(key);
            if (value != QLatin1String("0") && value != QLatin1String("1"))
                return plainText(400, "switches take 0 or 1");
            settings.*sw.field = value == QLatin1String("1");
        }
        setSiteSettings(settings);
        return plainText(200, "ok site " + describe(settings));
    }
    if (path == "/__sim/requests") {
        // "ROLE METHOD PATH N bytes[ BODY]": path and body as the bytes came (percent-encoded as sent).
        QByteArray lines;
        for (const RecordedRequest &r : std::as_const(m_requests)) {
            lines += roleName(r.role).toLatin1() + ' ' + printable(r.method) + ' ' + printable(r.pathAndQuery) + ' '
                + QByteArray::number(r.body.size()) + " bytes";
            if (!r.body.isEmpty())
                lines += ' ' + printable(r.body);
            lines += '\n';
        }
        return plainText(200, lines + "ok " + QByteArray::number(m_requests.size()) + " requests");
    }
    return plainText(404, "unknown control request");
}
