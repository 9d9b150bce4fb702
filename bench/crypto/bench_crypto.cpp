// Throughput of the cipher library against OpenSSL, on this machine, in one run.
//
//   bench_crypto            runs every measurement and prints a Markdown table
//
// In-memory rows count the CPU time of the measuring thread (best pass); whole-process rows count
// wall time (best of three after a warm-up run). Ours and OpenSSL's are measured in turns.
// Each measurement runs in a child process of this executable, so that OpenSSL reads the
// OPENSSL_ia32cap it is given (it reads it once, when the library starts).
#include "crypto/AesTransform.h"
#include "crypto/CMD5Encrypt.h"
#include "crypto/Md5Transform.h"
#include "crypto/cRijndael.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

#include <openssl/evp.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr std::size_t AesBytes = 16u << 20;
constexpr std::size_t BigBytes = 64u << 20;
// OPENSSL_ia32cap masks: bit 57 is AES-NI (CPUID.1:ECX bit 25), bit 41 SSSE3 (used by OpenSSL's
// vector-permutation AES).
const char *const NoAesNi = "~0x200000000000000";
const char *const NoAesNiNoSsse3 = "~0x200020000000000";

std::vector<std::uint8_t> randomBuffer(std::size_t size)
{
    std::vector<std::uint8_t> data(size);
    QRandomGenerator random(2026);
    random.fillRange(reinterpret_cast<quint32 *>(data.data()), qsizetype(size / 4));
    return data;
}

// CPU time of this thread, so that other processes on a busy machine count as little as possible.
double threadSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Best of several passes, in MB/s (10^6 bytes per second of this thread's CPU time).
double bestRate(std::size_t bytes, const std::function<void()> &pass)
{
    pass(); // warm up caches and page tables
    double best = 0;
    QElapsedTimer total;
    total.start();
    for (int n = 0; n < 5 || (total.elapsed() < 700 && n < 200); ++n) {
        const double start = threadSeconds();
        pass();
        best = std::max(best, double(bytes) / (threadSeconds() - start) / 1e6);
    }
    return best;
}

int ownAes(bool hardware)
{
    cRijndael aes;
    if (!aes.setTransformPath(hardware ? cRijndael::TransformPath::Hardware : cRijndael::TransformPath::Table))
        return 2;
    aes.SetCipherKeyString(QStringLiteral("benchmark key, thirty-two bytes!"), 256);
    const std::vector<std::uint8_t> plain = randomBuffer(AesBytes);
    std::vector<std::uint8_t> cipher;
    const double rate = bestRate(AesBytes, [&] { aes.ArrayEncrypt(plain, cipher, 0); });
    std::printf("%.1f\n", rate);
    return 0;
}

int openSslAes()
{
    const std::vector<std::uint8_t> plain = randomBuffer(AesBytes);
    std::vector<std::uint8_t> cipher(AesBytes + 16);
    const std::vector<std::uint8_t> key(32, 0x5a);
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    const double rate = bestRate(AesBytes, [&] {
        int written = 0;
        EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_ecb(), nullptr, key.data(), nullptr);
        EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
        EVP_EncryptUpdate(ctx.get(), cipher.data(), &written, plain.data(), int(plain.size()));
    });
    std::printf("%.1f\n", rate);
    return 0;
}

int ownMd5()
{
    const std::vector<std::uint8_t> data = randomBuffer(BigBytes);
    std::uint32_t state[4];
    const double rate = bestRate(BigBytes, [&] {
        std::copy(std::begin(Md5::InitialState), std::end(Md5::InitialState), state);
        Md5::compress(state, data.data(), data.size() / Md5::BlockBytes);
    });
    std::printf("%.1f\n", rate);
    return state[0] == 0 ? 3 : 0;
}

int openSslMd5()
{
    const std::vector<std::uint8_t> data = randomBuffer(BigBytes);
    unsigned char digest[16];
    const double rate = bestRate(BigBytes, [&] { EVP_Digest(data.data(), data.size(), digest, nullptr, EVP_md5(), nullptr); });
    std::printf("%.1f\n", rate);
    return 0;
}

int ownMd5File(const QString &name)
{
    CMD5Encrypt md5;
    QString digest;
    const double rate = bestRate(BigBytes, [&] { digest = md5.DigestFileToHexStr(name); });
    std::printf("%.1f\n", rate);
    return digest.size() == 32 ? 0 : 3;
}

int openSslMd5File(const QString &name)
{
    std::vector<char> chunk(1 << 20);
    unsigned char digest[16];
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    const double rate = bestRate(BigBytes, [&] {
        QFile file(name);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            return;
        EVP_DigestInit_ex(ctx.get(), EVP_md5(), nullptr);
        while (const qint64 got = file.read(chunk.data(), qint64(chunk.size())))
            if (got > 0)
                EVP_DigestUpdate(ctx.get(), chunk.data(), std::size_t(got));
            else
                break;
        EVP_DigestFinal_ex(ctx.get(), digest, nullptr);
    });
    std::printf("%.1f\n", rate);
    return 0;
}

// Runs this executable with arguments (and an OPENSSL_ia32cap, if given); returns the rate it prints.
double child(const QStringList &arguments, const char *ia32cap = nullptr)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (ia32cap)
        env.insert(QStringLiteral("OPENSSL_ia32cap"), QString::fromLatin1(ia32cap));
    else
        env.remove(QStringLiteral("OPENSSL_ia32cap"));
    process.setProcessEnvironment(env);
    process.start(QCoreApplication::applicationFilePath(), arguments);
    process.waitForFinished(-1);
    if (process.exitCode() != 0)
        return 0;
    return process.readAllStandardOutput().trimmed().toDouble();
}

// Ours and theirs measured in turns, three times each, the best of each kept: a machine that is
// busy for a while slows both sides alike.
std::pair<double, double> inTurns(const std::function<double()> &ours, const std::function<double()> &theirs)
{
    double best[2] = {0, 0};
    for (int n = 0; n < 3; ++n) {
        best[0] = std::max(best[0], ours());
        best[1] = std::max(best[1], theirs());
    }
    return {best[0], best[1]};
}

// Wall time of a whole process, best of three after a warm-up run, as MB/s over bytes.
double processRate(const QString &program, const QStringList &arguments, std::size_t bytes,
                   const char *ia32cap = nullptr)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (ia32cap)
        env.insert(QStringLiteral("OPENSSL_ia32cap"), QString::fromLatin1(ia32cap));
    double best = 0;
    for (int n = 0; n < 4; ++n) {
        QProcess process;
        process.setProcessEnvironment(env);
        QElapsedTimer t;
        t.start();
        process.start(program, arguments);
        process.waitForFinished(-1);
        const double seconds = double(t.nsecsElapsed()) / 1e9;
        if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
            return 0;
        if (n > 0) // the first run warms the page cache
            best = std::max(best, double(bytes) / seconds / 1e6);
    }
    return best;
}

int fileEncrypt(const QString &in, const QString &out, bool hardware)
{
    cRijndael aes;
    aes.setTransformPath(hardware ? cRijndael::TransformPath::Hardware : cRijndael::TransformPath::Table);
    aes.SetCipherKey(std::vector<std::uint8_t>(32, 0x5a), 256);
    return aes.FileEncrypt(in, out);
}

struct Row {
    QString what;
    double ours;
    QString reference;
    double theirs;
    QString target;
};

QString cpuName()
{
    QFile info(QStringLiteral("/proc/cpuinfo"));
    if (info.open(QIODevice::ReadOnly))
        for (const QByteArray &line : info.readAll().split('\n'))
            if (line.startsWith("model name"))
                return QString::fromLatin1(line.mid(line.indexOf(':') + 1).trimmed());
    return QStringLiteral("unknown");
}

int runAll()
{
    QTextStream out(stdout);
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("in.bin"));
    {
        const std::vector<std::uint8_t> data = randomBuffer(BigBytes);
        QFile file(input);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        file.write(reinterpret_cast<const char *>(data.data()), qint64(data.size()));
    }
    const QString self = QCoreApplication::applicationFilePath();
    const QString openssl = QStandardPaths::findExecutable(QStringLiteral("openssl"));
    const QString keyHex = QStringLiteral("5a").repeated(32);

    std::vector<Row> rows;
    auto add = [&rows](const QString &what, const QString &reference, const QString &target,
                       const std::function<double()> &ours, const std::function<double()> &theirs) {
        const auto [o, t] = inTurns(ours, theirs);
        rows.push_back({what, o, reference, t, target});
    };
    const auto measure = [](QStringList args, const char *cap = nullptr) { return [=] { return child(args, cap); }; };

    add(QStringLiteral("AES-256-ECB 16 MiB, table path"), QStringLiteral("OpenSSL, AES-NI off"), QStringLiteral(">= 1.0"),
        measure({QStringLiteral("--aes-table")}), measure({QStringLiteral("--aes-openssl")}, NoAesNi));
    add(QStringLiteral("AES-256-ECB 16 MiB, table path"), QStringLiteral("OpenSSL, AES-NI and SSSE3 off"),
        QStringLiteral("(information)"), measure({QStringLiteral("--aes-table")}),
        measure({QStringLiteral("--aes-openssl")}, NoAesNiNoSsse3));
    add(QStringLiteral("AES-256-ECB 16 MiB, hardware path"), QStringLiteral("OpenSSL, default"), QStringLiteral(">= 0.7"),
        measure({QStringLiteral("--aes-hardware")}), measure({QStringLiteral("--aes-openssl")}));
    if (!openssl.isEmpty()) {
        const QStringList enc = {QStringLiteral("enc"), QStringLiteral("-aes-256-ecb"), QStringLiteral("-nopad"),
                                 QStringLiteral("-K"), keyHex, QStringLiteral("-in"), input,
                                 QStringLiteral("-out"), dir.filePath(QStringLiteral("openssl.out"))};
        const QString ownOut = dir.filePath(QStringLiteral("own.out"));
        add(QStringLiteral("FileEncrypt 64 MiB file, whole process, hardware path"),
            QStringLiteral("openssl enc -aes-256-ecb -nopad"), QStringLiteral("(information)"),
            [=] { return processRate(self, {QStringLiteral("--file-encrypt"), input, ownOut}, BigBytes); },
            [=] { return processRate(openssl, enc, BigBytes); });
        add(QStringLiteral("FileEncrypt 64 MiB file, whole process, table path"),
            QStringLiteral("openssl enc, AES-NI off"), QStringLiteral("(information)"),
            [=] { return processRate(self, {QStringLiteral("--file-encrypt-table"), input, ownOut}, BigBytes); },
            [=] { return processRate(openssl, enc, BigBytes, NoAesNi); });
    }
    add(QStringLiteral("MD5 64 MiB in memory (CMD5Encrypt's transform)"), QStringLiteral("OpenSSL MD5"),
        QStringLiteral(">= 0.9"), measure({QStringLiteral("--md5")}), measure({QStringLiteral("--md5-openssl")}));
    add(QStringLiteral("MD5 of a 64 MiB file (DigestFileToHexStr)"), QStringLiteral("OpenSSL MD5, same reads"),
        QStringLiteral("(information)"), measure({QStringLiteral("--md5-file"), input}),
        measure({QStringLiteral("--md5-file-openssl"), input}));

    out << "Processor: " << cpuName() << ", AES instructions: "
        << (cRijndael::hardwareAvailable() ? "yes" : "no") << "\n\n";
    out << "| Measurement | Quorvel MB/s | Reference | Reference MB/s | Ratio | Target |\n";
    out << "|---|---:|---|---:|---:|---|\n";
    for (const Row &row : rows) {
        const QString ratio = row.theirs > 0 ? QString::number(row.ours / row.theirs, 'f', 2) : QStringLiteral("-");
        out << "| " << row.what << " | " << QString::number(row.ours, 'f', 0) << " | " << row.reference << " | "
            << QString::number(row.theirs, 'f', 0) << " | " << ratio << " | " << row.target << " |\n";
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString mode = args.value(1);
    if (mode == QStringLiteral("--aes-table"))
        return ownAes(false);
    if (mode == QStringLiteral("--aes-hardware"))
        return ownAes(true);
    if (mode == QStringLiteral("--aes-openssl"))
        return openSslAes();
    if (mode == QStringLiteral("--md5"))
        return ownMd5();
    if (mode == QStringLiteral("--md5-openssl"))
        return openSslMd5();
    if (mode == QStringLiteral("--md5-file"))
        return ownMd5File(args.value(2));
    if (mode == QStringLiteral("--md5-file-openssl"))
        return openSslMd5File(args.value(2));
    if (mode == QStringLiteral("--file-encrypt"))
        return fileEncrypt(args.value(2), args.value(3), true);
    if (mode == QStringLiteral("--file-encrypt-table"))
        return fileEncrypt(args.value(2), args.value(3), false);
    return runAll();
}
