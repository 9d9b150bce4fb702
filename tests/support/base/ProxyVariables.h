#pragma once
// The proxy variables of the test's own process (curl's and their capital twins), unset while one
// lives and put back as they were afterwards: a test sets the ones it means, whatever the machine
// running it has set.
#include <QByteArray>
#include <QList>
#include <QtGlobal>

#include <utility>

class ProxyVariables
{
public:
    static constexpr const char *kNames[] = {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY",
                                             "all_proxy",  "ALL_PROXY",  "no_proxy",    "NO_PROXY"};

    ProxyVariables()
    {
        for (const char *name : kNames) {
            if (qEnvironmentVariableIsSet(name))
                m_saved.append({name, qgetenv(name)});
            qunsetenv(name);
        }
    }
    ~ProxyVariables()
    {
        for (const char *name : kNames)
            qunsetenv(name);
        for (const auto &[name, value] : m_saved)
            qputenv(name, value);
    }
    ProxyVariables(const ProxyVariables &) = delete;
    ProxyVariables &operator=(const ProxyVariables &) = delete;

private:
    QList<std::pair<const char *, QByteArray>> m_saved;
};
