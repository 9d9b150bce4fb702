#pragma once
// The start window: a small animation while the skin is attached and the login window loads.
#include <QWidget>

class MemberSession;
class QLabel;
class QMovie;
class QTimer;

class Form5 : public QWidget
{
    Q_OBJECT
public:
    // The login window it opens works on session (which must outlive both).
    explicit Form5(MemberSession &session, QWidget *parent = nullptr);

    // The start routine: attach the skin, show this window (once events are handled), then the
    // login window (which closes this one once it is up).
    void Form_Load();

    QLabel *AniGIF1 = nullptr;
    QMovie *startMovie = nullptr;

    static constexpr int kWidth = 55;  // 825 twips
    static constexpr int kHeight = 61; // 915 twips

protected:
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    MemberSession &m_session;
    QTimer *m_showTimer = nullptr;
};
