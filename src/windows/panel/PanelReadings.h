#pragma once
// What the member panel reads of the site: the member's balances (the credit list), the VIP page
// and the client's version file. Each part is fetched on its own, all at once, as soon as the
// readings are made: the identity check starts them while it waits its second, and the panel
// shows them when it takes over (the panel's own later readings of the balances go the same way).
#include "base/Routine.h"
#include "rules/PanelReaders.h"
#include "session/QuorvelModule.h"

#include <QObject>
#include <QString>

class MemberSession;

class PanelReadings : public QObject
{
    Q_OBJECT
public:
    enum Part { Balances = 0x1, Vip = 0x2, Version = 0x4, All = Balances | Vip | Version };
    Q_DECLARE_FLAGS(Parts, Part)

    // Starts every part asked for; session must outlive the readings.
    PanelReadings(MemberSession &session, Parts parts, QObject *parent = nullptr);

    [[nodiscard]] bool isDone() const { return m_pending == 0; }
    // Goes on once every part has its reading (at once when they have); also when the readings
    // go first.
    Task<> whenDone();

    // The credit list read; found is false when no page held one (the balances then stay as they are).
    PanelReaders::CreditReading credits;
    QString vipPage;                 // the VIP front page, empty when it failed
    QuorvelModule::Page versionFile; // the version file's fetch, failed or not

signals:
    void finished();

private:
    Routine readBalances();
    Routine readVip();
    Routine readVersion();
    void partDone();

    MemberSession &m_session;
    int m_pending = 0;
    // Last: they end before anything they use goes.
    Routine m_balances;
    Routine m_vip;
    Routine m_version;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(PanelReadings::Parts)
