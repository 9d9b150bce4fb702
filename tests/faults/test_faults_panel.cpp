// Fault matrix of the identity check and the member panel: the VIP front page as the identity
// check reads it and as the panel reads it again, the credit page, the version file and the credit
// exchange, each met by every fault of the simulated site. A cell signs the VIP member in through
// the forum's login form, lets the real identity check hand over to the real panel, and reads the
// outcome off the panel: its card, balances, status bar, exchange button and the boxes shown.
#include "FaultMatrix.h"

#include "base/State.h"
#include "windows/panel/Form2.h"
#include "TestSession.h"
#include "AwaitedNet.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

using namespace FaultMatrix;
using F = SimFault;

namespace {

enum class Request { VipPageForm3, CreditPage, ExchangePage, VipPagePanel, VersionFile, ExchangePost };

QString requestName(Request request)
{
    switch (request) {
    case Request::VipPageForm3:
        return QStringLiteral("VIP page (Form3)");
    case Request::CreditPage:
        return QStringLiteral("credit page (op=buy)");
    case Request::ExchangePage:
        return QStringLiteral("exchange page (balances)");
    case Request::VipPagePanel:
        return QStringLiteral("VIP page (panel)");
    case Request::VersionFile:
        return QStringLiteral("version file");
    case Request::ExchangePost:
        return QStringLiteral("exchange post");
    }
    return {};
}

// A fault that spoils the answer without keeping the forum from acting on the request.
bool forumActsFirst(SimFault fault)
{
    return fault == F::Slow || fault == F::Drop || fault == F::NoCdata || fault == F::Huge || fault == F::InvalidGbk;
}

// A fault that leaves the reply readable.
bool readable(SimFault fault)
{
    return fault == F::NoCdata || fault == F::InvalidGbk;
}

const char *badgeName(const Form2 *panel)
{
    static const char *names[] = {"VIP", "none", "SVIP"};
    const char *shown = "NONE SHOWN";
    int count = 0;
    for (size_t i = 0; i < 3; ++i) {
        if (!panel->aicAlphaImage1[i]->isHidden()) {
            shown = names[i];
            ++count;
        }
    }
    return count > 1 ? "SEVERAL" : shown;
}

QString colourName(const QColor &colour)
{
    if (!colour.isValid())
        return QStringLiteral("default");
    if (colour == QColor(255, 0, 0))
        return QStringLiteral("red");
    if (colour == QColor(225, 159, 1))
        return QStringLiteral("gold");
    return colour.name();
}

} // namespace

Q_DECLARE_METATYPE(Request)

class TestFaultsPanel : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void cleanupTestCase();

    void matrix_data();
    void matrix();

private:
    QString run(Request request, SimFault fault);
    // vipbob (VIP, ten days left, 300 Quorvel币, 80 za) through the identity check to the panel.
    Form2 *openPanel();
    QString exchange(SimFault fault);
    // The VIP page, which a reading of the balances asks for last, was asked for after the last
    // exchange post: the exchange's outcome is complete.
    [[nodiscard]] bool balancesReadAfterPost();
    [[nodiscard]] QString panelState(const Form2 *panel) const;
    [[nodiscard]] static QString card(const Form2 *panel);
    [[nodiscard]] static QString balances(const Form2 *panel);

    std::unique_ptr<Cell> m_cell;
};

void TestFaultsPanel::init()
{
    m_cell = std::make_unique<Cell>();
    QVERIFY(m_cell->ready());
}

void TestFaultsPanel::cleanup()
{
    Form2::destroy(testSession());
    m_cell.reset();
}

void TestFaultsPanel::cleanupTestCase()
{
    printTable(QStringLiteral("identity check and member panel (VIP page twice, credit page, version file, exchange)"));
}

void TestFaultsPanel::matrix_data()
{
    addColumns<Request>();
    const auto row = rowAdder(requestName);
    const QString vipCard = QStringLiteral("badge=VIP; Label6=until date+10; days=10; name=red");
    const QString welcome = QStringLiteral("panel; status=welcome; ");

    // The identity check's own reading decides the card's last word: without a page it says "not
    // a member" and hides the days, while the badge stays as the panel's own reading set it.
    for (SimFault fault : faults(false))
        row(Request::VipPageForm3, fault,
            welcome + (readable(fault) ? vipCard : QStringLiteral("badge=VIP; Label6=not-vip; days=hidden; name=default"))
                + QStringLiteral("; box=none"));

    // The credit page of a site that sells no credits has no list: any page that comes (an error
    // page too) sends the panel to the exchange page for the balances; without any answer the
    // balances stay empty. Nothing is told.
    const QString balancesRead = QStringLiteral("Quorvelbi=300; za=80");
    const QString balancesEmpty = QStringLiteral("Quorvelbi=-; za=-");
    for (SimFault fault : faults(false)) {
        const bool answered = fault == F::ErrorPage || fault == F::Status500 || readable(fault);
        row(Request::CreditPage, fault, welcome + (answered ? balancesRead : balancesEmpty) + QStringLiteral("; box=none"));
    }
    // The exchange page, read for the balances: only a readable one gives them.
    for (SimFault fault : faults(false))
        row(Request::ExchangePage, fault,
            welcome + (readable(fault) ? balancesRead : balancesEmpty) + QStringLiteral("; box=none"));

    // The panel's own VIP reading: without a page it shows the "not VIP" badge; the identity check
    // then writes its own (good) reading into the labels.
    for (SimFault fault : faults(false))
        row(Request::VipPagePanel, fault,
            welcome + (readable(fault) ? vipCard : QStringLiteral("badge=none; Label6=until date+10; days=10; name=red"))
                + QStringLiteral("; box=none"));

    // The version file: anything but a file naming a version (an error page included) is a check
    // that failed; the member is warned and goes on with the panel.
    for (SimFault fault : faults(false))
        row(Request::VersionFile, fault,
            readable(fault) ? QStringLiteral("panel; status=welcome; box=none")
                            : QStringLiteral("panel; status=checking-update; box=update-check-failed!"));

    // The exchange: the forum's own text when one comes, a message of the client's own otherwise;
    // the button is open again and the balances are the forum's, charged when it acted.
    for (SimFault fault : faults(true)) {
        QString told;
        if (readable(fault))
            told = QStringLiteral("exchange-done");
        else if (fault == F::Empty || fault == F::ErrorPage)
            told = QStringLiteral("exchange-unreadable");
        else if (fault == F::Token503) // refused once more with a fresh token
            told = QStringLiteral("token-refused");
        else
            told = QStringLiteral("exchange-no-reply");
        row(Request::ExchangePost, fault,
            QStringLiteral("box=confirm-exchange?,%1; status=%1; button=enabled; %2")
                .arg(told, forumActsFirst(fault) ? QStringLiteral("Quorvelbi=308; za=78") : QStringLiteral("Quorvelbi=300; za=80")));
    }
}

void TestFaultsPanel::matrix()
{
    runCell(requestName, [this](Request request, SimFault fault) { return run(request, fault); });
}

QString TestFaultsPanel::run(Request request, SimFault fault)
{
    ForumSimulator &sim = m_cell->sim();
    QString fields;
    switch (request) {
    case Request::VipPageForm3:
        // The panel's reading, begun when the identity check opens, is the VIP host's first
        // request and passes; the identity check's own fetch, a second later, is the second.
        sim.setFault(F::None, {}, SimRole::Vip, 1);
        sim.setFault(fault, {}, SimRole::Vip, 1);
        break;
    case Request::VipPagePanel:
        sim.setFault(fault, {}, SimRole::Vip, 1);
        break;
    case Request::CreditPage:
        sim.setFault(fault, "op=buy", SimRole::Home);
        break;
    case Request::ExchangePage:
        sim.setFault(fault, "ac=credit&op=exchange", SimRole::Home);
        break;
    case Request::VersionFile:
        sim.setFault(fault, "/version/main.txt", SimRole::Soft);
        break;
    case Request::ExchangePost:
        return exchange(fault);
    }
    const Form2 *panel = openPanel();
    if (!panel || !panel->isVisible())
        return QStringLiteral("NO PANEL; ") + boxes(m_cell->seams().messages);
    switch (request) {
    case Request::VipPageForm3:
    case Request::VipPagePanel:
        fields = card(panel);
        break;
    case Request::CreditPage:
    case Request::ExchangePage:
        fields = balances(panel);
        break;
    default:
        break;
    }
    return panelState(panel) + (fields.isEmpty() ? QString() : fields + QStringLiteral("; ")) + boxes(m_cell->seams().messages);
}

Form2 *TestFaultsPanel::openPanel()
{
    return signInToPanel(QStringLiteral("vipbob"), QStringLiteral("bob456")) ? Form2::existing(testSession()) : nullptr;
}

QString TestFaultsPanel::exchange(SimFault fault)
{
    QPointer<Form2> panel = openPanel();
    if (!panel || !panel->isVisible())
        return QStringLiteral("NO PANEL; ") + boxes(m_cell->seams().messages);
    m_cell->seams().clear();
    // The post only: the balances read after it come from the exchange page as well.
    m_cell->sim().setFault(fault, "op=exchange&handlekey=credit", SimRole::Home);

    panel->TabStrip1->setCurrentIndex(1);
    panel->TabStrip1_Click();
    panel->Text3->setText(QStringLiteral("8"));
    panel->Text5->setText(QStringLiteral("bob456"));
    m_cell->seams().queueAnswer(Seams::Answer::Yes);
    // The click returns at once: the post waits for the forum, the answer is told, and the
    // balances and the VIP page are read again, side by side.
    panel->Command6->click();
    waitUntil([&] { return !panel || (balancesReadAfterPost() && !requestsInFlight()); });
    if (!panel)
        return QStringLiteral("PANEL GONE; ") + boxes(m_cell->seams().messages);
    return boxes(m_cell->seams().messages) + QStringLiteral("; status=") + tag(panel->statusText())
        + QStringLiteral("; button=") + (panel->Command6->isEnabled() ? QStringLiteral("enabled") : QStringLiteral("DISABLED"))
        + QStringLiteral("; ") + balances(panel);
}

bool TestFaultsPanel::balancesReadAfterPost()
{
    bool posted = false;
    bool readAfter = false;
    for (const ForumSimulator::RecordedRequest &r : m_cell->sim().requests()) {
        if (r.pathAndQuery.contains("op=exchange&handlekey=credit")) {
            posted = true;
            readAfter = false;
        } else if (posted && r.role == SimRole::Vip) {
            readAfter = true;
        }
    }
    return readAfter;
}

QString TestFaultsPanel::panelState(const Form2 *panel) const
{
    QString state = panel->isEnabled() ? QStringLiteral("panel") : QStringLiteral("panel DISABLED");
    if (m_cell->seams().endCount > 0)
        state += QStringLiteral(" PROGRAM ENDED");
    return state + QStringLiteral("; status=") + tag(panel->statusText()) + QStringLiteral("; ");
}

QString TestFaultsPanel::card(const Form2 *panel)
{
    return QStringLiteral("badge=%1; Label6=%2; days=%3; name=%4")
        .arg(QString::fromLatin1(badgeName(panel)), tag(panel->Label6->text()),
             panel->Label13->isHidden() ? QStringLiteral("hidden") : panel->Label13->text(), colourName(panel->nameColor()));
}

QString TestFaultsPanel::balances(const Form2 *panel)
{
    return QStringLiteral("Quorvelbi=%1; za=%2").arg(orDash(panel->Label1[0]->text()), orDash(panel->Label1[1]->text()));
}

QTEST_MAIN(TestFaultsPanel)
#include "test_faults_panel.moc"
