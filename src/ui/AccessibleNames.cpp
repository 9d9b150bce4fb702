#include "AccessibleNames.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>

namespace {

struct Entry {
    const char16_t *window;      // object name of the top-level window
    const char16_t *control;     // object name of the control; empty for the window itself
    const char16_t *name;
    const char16_t *description; // empty where the name says enough
    // A label whose text is what the reader must say (status, member name, balance): its own name
    // would hide that text, so the words here go to the description only.
    bool live = false;
};

// On Linux a combo box is announced by its current item, not by its name: each combo box also has a
// description saying what the choice is for.
constexpr Entry kEntries[] = {
    // Start window.
    {u"Form5", u"", u"Quorvel 正在启动", u""},
    {u"Form5", u"AniGIF1", u"启动动画", u""},

    // Login window.
    {u"Form1", u"", u"Quorvel 登录", u"输入用户名及密码登录 Quorvel 论坛"},
    {u"Form1", u"Text1", u"用户名或UID", u"论坛用户名，或以数字表示的 UID"},
    {u"Form1", u"Text2", u"密码", u""},
    {u"Form1", u"Combo1", u"安全提问", u"未设置安全提问时保持“安全提问”"},
    {u"Form1", u"Text3", u"安全提问答案", u""},
    {u"Form1", u"Text4", u"验证码", u"输入图片中的四个字符，不分大小写"},
    {u"Form1", u"Image4", u"验证码图片", u"点击换一张验证码图片"},
    {u"Form1", u"Label7", u"换一个", u"换一张验证码图片"},
    {u"Form1", u"Check1", u"保存账号信息", u"在本机保存用户名和密码"},
    {u"Form1", u"Check2", u"自动登录", u"下次启动时自动登录"},
    {u"Form1", u"Command1", u"登录", u""},
    {u"Form1", u"Command2", u"取消登录", u""},
    {u"Form1", u"Label1_0", u"注册帐号", u"在浏览器中打开论坛注册页面"},
    {u"Form1", u"Label1_1", u"找回密码", u"打开找回密码窗口"},
    {u"Form1", u"Label2", u"", u"正在登录的用户名", true},
    {u"Form1", u"Image2", u"用户头像", u""},
    {u"Form1", u"AniGIF1", u"登录横幅", u""},
    {u"Form1", u"Label5_0", u"", u"登录提示标题", true},
    {u"Form1", u"Label5_1", u"", u"登录提示：登录过程的状态", true},
    {u"Form1", u"Label5_2", u"", u"当前时间", true},
    {u"Form1", u"xButton", u"关闭", u"关闭登录窗口"},
    {u"Form1", u"zButton", u"最小化", u"最小化登录窗口"},

    // Member panel.
    {u"Form2", u"", u"Quorvel会员中心", u""},
    {u"Form2", u"Label2_1", u"最小化", u"最小化会员中心"},
    {u"Form2", u"Label2_2", u"关闭", u"关闭会员中心并退出"},
    {u"Form2", u"Label2_3", u"官方网站", u"在浏览器中打开论坛首页"},
    {u"Form2", u"Image1", u"用户头像", u""},
    {u"Form2", u"Label3", u"", u"用户名", true},
    {u"Form2", u"Label13", u"", u"VIP剩余天数：点击查看VIP有效期剩余天数", true},
    {u"Form2", u"Label6", u"", u"服务有效期", true},
    {u"Form2", u"Label5_0", u"", u"za 标题", true},
    {u"Form2", u"Label5_1", u"", u"Quorvel币 标题", true},
    {u"Form2", u"Label1_1", u"", u"za余额", true},
    {u"Form2", u"Label1_0", u"", u"Quorvel币余额", true},
    {u"Form2", u"Command5", u"注销", u"注销账号并返回登录窗口"},
    {u"Form2", u"TabStrip1", u"功能选项卡", u"VIP特权、Quorvel币兑换、产品说明"},
    {u"Form2", u"Command11", u"相关特权及说明", u"在浏览器中打开VIP特权说明"},
    {u"Form2", u"Text3", u"兑换数量", u"要兑换的 Quorvel币 数量"},
    {u"Form2", u"Combo1", u"兑换单位", u"兑换得到的货币单位"},
    {u"Form2", u"Text4", u"所需za", u"兑换所需的 za 数量，随兑换数量自动计算"},
    {u"Form2", u"Combo2", u"花费单位", u"兑换花费的货币单位"},
    {u"Form2", u"Text5", u"账户密码", u"为保安全，兑换前请输入您账户的密码"},
    {u"Form2", u"Command6", u"兑换", u"用 za 兑换 Quorvel币"},
    {u"Form2", u"Label11", u"", u"版本信息", true},
    {u"Form2", u"S1_1", u"", u"充值提示", true},
    {u"Form2", u"S1_2", u"", u"状态栏：版本检测及操作状态", true},
    {u"Form2", u"S1_3", u"", u"出品信息", true},

    // Identity check.
    {u"Form3", u"", u"Quorvel软件 身份校验", u""},
    {u"Form3", u"Image1", u"用户头像", u""},
    {u"Form3", u"Label3", u"", u"用户名", true},
    {u"Form3", u"Label1", u"", u"身份校验状态", true},
    {u"Form3", u"Label2", u"", u"身份校验", true},

    // Lost password.
    {u"Form4", u"", u"找回密码", u"输入用户名和注册时的电子邮箱以取回密码"},
    {u"Form4", u"Text1", u"用户名", u""},
    {u"Form4", u"Text2", u"电子邮箱", u"注册时填写的电子邮箱"},
    {u"Form4", u"Command1", u"提交", u"发送找回密码的请求"},
};

void name(QWidget *widget, const Entry &entry)
{
    if (!entry.live)
        widget->setAccessibleName(QString::fromUtf16(entry.name));
    if (*entry.description)
        widget->setAccessibleDescription(QString::fromUtf16(entry.description));
}

class ShowWatcher : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // Every show, not just the first: a window may have gained controls since; naming is cheap.
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto *widget = static_cast<QWidget *>(watched);
            if (widget->isWindow())
                AccessibleNames::apply(widget);
        }
        return false;
    }
};

} // namespace

namespace AccessibleNames {

void apply(QWidget *window)
{
    if (!window)
        return;
    const QString windowName = window->objectName();
    if (windowName.isEmpty())
        return;
    for (const Entry &entry : kEntries) {
        if (windowName != QString::fromUtf16(entry.window))
            continue;
        if (!*entry.control) {
            name(window, entry);
            continue;
        }
        const QString control = QString::fromUtf16(entry.control);
        // A child window (the lost-password window over the login window) has controls of the same
        // names; those get their own window's names when it shows.
        for (QWidget *child : window->findChildren<QWidget *>(control))
            if (child->window() == window)
                name(child, entry);
    }
}

void install()
{
    static QPointer<ShowWatcher> watcher;
    if (!qApp || watcher)
        return;
    watcher = new ShowWatcher(qApp);
    qApp->installEventFilter(watcher);
}

} // namespace AccessibleNames
