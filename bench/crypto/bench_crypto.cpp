// Throughput of the cipher library against OpenSSL, on this machine, in one run.
//
//   bench_crypto            runs every measurement and prints two Markdown tables: the rates, and the
//                           AES rounds per cycle of each path beside what its instruction allows
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
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

constexpr std::size_t AesBytes = 16u << 20;
constexpr std::size_t BigBytes = 64u << 20;
// Input and output together stay within a 1 MiB second-level cache.
constexpr std::size_t CachedBytes = 256u << 10;
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

std::optional<cRijndael::TransformPath> pathNamed(const QString &name)
{
    using Path = cRijndael::TransformPath;
    static const std::map<QString, Path> paths = {{QStringLiteral("table"), Path::Table},
                                                  {QStringLiteral("hardware"), Path::Hardware},
                                                  {QStringLiteral("vector256"), Path::Vector256},
                                                  {QStringLiteral("vector512"), Path::Vector512}};
    const auto found = paths.find(name);
    return found == paths.end() ? std::nullopt : std::optional<Path>(found->second);
}

// MB/s of one path over a buffer of bytes (the same buffer enciphered again and again).
int ownAes(const QString &pathName, std::size_t bytes)
{
    const std::optional<cRijndael::TransformPath> path = pathNamed(pathName);
    cRijndael aes;
    if (!path || !aes.setTransformPath(*path))
        return 2;
    aes.SetCipherKeyString(QStringLiteral("benchmark key, thirty-two bytes!"), 256);
    const std::vector<std::uint8_t> plain = randomBuffer(bytes);
    std::vector<std::uint8_t> cipher;
    const double rate = bestRate(bytes, [&] { aes.ArrayEncrypt(plain, cipher, 0); });
    std::printf("%.1f\n", rate);
    return 0;
}

int openSslAes(std::size_t bytes)
{
    const std::vector<std::uint8_t> plain = randomBuffer(bytes);
    std::vector<std::uint8_t> cipher(bytes + 16);
    const std::vector<std::uint8_t> key(32, 0x5a);
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    const double rate = bestRate(bytes, [&] {
        int written = 0;
        EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_ecb(), nullptr, key.data(), nullptr);
        EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
        EVP_EncryptUpdate(ctx.get(), cipher.data(), &written, plain.data(), int(plain.size()));
    });
    std::printf("%.1f\n", rate);
    return 0;
}

// The memory's own limit for the same traffic: copying the buffer (read it, write as much).
int memoryCopy(std::size_t bytes)
{
    const std::vector<std::uint8_t> from = randomBuffer(bytes);
    std::vector<std::uint8_t> to(bytes);
    const double rate = bestRate(bytes, [&] {
        std::memcpy(to.data(), from.data(), bytes);
        asm volatile("" : : "r"(to.data()) : "memory");
    });
    std::printf("%.1f\n", rate);
    return 0;
}

// ---- The processor's limit ------------------------------------------------------------------
// Rounds per cycle are measured, not looked up: the core clock from a chain of dependent additions
// (one cycle each on every x86 of the last twenty years), the AES instructions' rate from many
// independent chains of them in registers (no memory), so that only the AES units limit it.

#if defined(__x86_64__)
// Core cycles per second of CPU time of this thread.
double coreClockHz()
{
    constexpr long Additions = 400'000'000;
    long x = 0;
    const double start = threadSeconds();
    for (long i = 0; i < Additions / 8; ++i)
        asm volatile("add $1, %0\n\tadd $1, %0\n\tadd $1, %0\n\tadd $1, %0\n\t"
                     "add $1, %0\n\tadd $1, %0\n\tadd $1, %0\n\tadd $1, %0"
                     : "+r"(x));
    return double(Additions) / (threadSeconds() - start);
}

// Instructions per second: Chains independent rounds in registers, Steps times each. Fourteen
// chains fit the sixteen registers AVX2 has and are more than the AES units' latency times their
// rate on the processors measured.
constexpr int Chains = 14;
constexpr long Steps = 10'000'000;

__attribute__((target("aes,sse2"))) double xmmRate()
{
    __m128i x[Chains];
    const __m128i k = _mm_set1_epi32(0x01234567);
    for (int i = 0; i < Chains; ++i)
        x[i] = _mm_set1_epi32(i);
    const double start = threadSeconds();
    for (long n = 0; n < Steps; ++n) {
#pragma GCC unroll 16
        for (int i = 0; i < Chains; ++i)
            x[i] = _mm_aesenc_si128(x[i], k);
    }
    const double seconds = threadSeconds() - start;
    __m128i sum = x[0];
    for (int i = 1; i < Chains; ++i)
        sum = _mm_xor_si128(sum, x[i]);
    volatile int sink = _mm_cvtsi128_si32(sum);
    (void)sink;
    return double(Steps) * Chains / seconds;
}

__attribute__((target("vaes,avx2"))) double ymmRate()
{
    __m256i x[Chains];
    const __m256i k = _mm256_set1_epi32(0x01234567);
    for (int i = 0; i < Chains; ++i)
        x[i] = _mm256_set1_epi32(i);
    const double start = threadSeconds();
    for (long n = 0; n < Steps; ++n) {
#pragma GCC unroll 16
        for (int i = 0; i < Chains; ++i)
            x[i] = _mm256_aesenc_epi128(x[i], k);
    }
    const double seconds = threadSeconds() - start;
    __m256i sum = x[0];
    for (int i = 1; i < Chains; ++i)
        sum = _mm256_xor_si256(sum, x[i]);
    volatile int sink = _mm_cvtsi128_si32(_mm256_castsi256_si128(sum));
    (void)sink;
    return double(Steps) * Chains / seconds;
}

__attribute__((target("vaes,avx512f"))) double zmmRate()
{
    __m512i x[Chains];
    const __m512i k = _mm512_set1_epi32(0x01234567);
    for (int i = 0; i < Chains; ++i)
        x[i] = _mm512_set1_epi32(i);
    const double start = threadSeconds();
    for (long n = 0; n < Steps; ++n) {
#pragma GCC unroll 16
        for (int i = 0; i < Chains; ++i)
            x[i] = _mm512_aesenc_epi128(x[i], k);
    }
    const double seconds = threadSeconds() - start;
    __m512i sum = x[0];
    for (int i = 1; i < Chains; ++i)
        sum = _mm512_xor_si512(sum, x[i]);
    alignas(64) int words[16];
    _mm512_store_si512(words, sum);
    volatile int sink = words[0];
    (void)sink;
    return double(Steps) * Chains / seconds;
}

// Prints: clock in Hz, then block-rounds per cycle for 128-, 256- and 512-bit AES (0 where missing).
// Best of five of each, so that a busy moment of the machine counts as little as possible.
int limits()
{
    double clock = 0, rounds[3] = {0, 0, 0};
    for (int n = 0; n < 5; ++n)
        clock = std::max(clock, coreClockHz());
    for (int n = 0; n < 5; ++n) {
        if (cRijndael::hardwareAvailable())
            rounds[0] = std::max(rounds[0], xmmRate() / clock);
        if (Aes::vectorSupport().bits256)
            rounds[1] = std::max(rounds[1], 2 * ymmRate() / clock);
        if (Aes::vectorSupport().bits512)
            rounds[2] = std::max(rounds[2], 4 * zmmRate() / clock);
    }
    std::printf("%.0f %.3f %.3f %.3f\n", clock, rounds[0], rounds[1], rounds[2]);
    return 0;
}
#else
int limits()
{
    std::printf("0 0 0 0\n");
    return 0;
}
#endif

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

// The default path (the one a new instance takes), or the table path.
int fileEncrypt(const QString &in, const QString &out, bool table)
{
    cRijndael aes;
    if (table)
        aes.setTransformPath(cRijndael::TransformPath::Table);
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

std::string loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return "?";
    const QList<QByteArray> fields = file.readAll().split(' ');
    return fields.size() >= 3 ? QByteArray(fields[0] + ' ' + fields[1] + ' ' + fields[2]).toStdString() : "?";
}

QString sizeText(std::size_t bytes)
{
    return bytes >= (1u << 20) ? QStringLiteral("%1 MiB").arg(bytes >> 20) : QStringLiteral("%1 KiB").arg(bytes >> 10);
}

int runAll()
{
    QTextStream out(stdout);
    const std::string loadBefore = loadAverage();
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
    const auto aes = [&](const char *path, std::size_t bytes) {
        return measure({QStringLiteral("--aes"), QString::fromLatin1(path), QString::number(bytes)});
    };
    const auto openSsl = [&](std::size_t bytes, const char *cap = nullptr) {
        return measure({QStringLiteral("--aes-openssl"), QString::number(bytes)}, cap);
    };
    const QString big = sizeText(AesBytes);
    const QString small = sizeText(CachedBytes);
    const auto aesRow = [&](const QString &size, const char *path) {
        return QStringLiteral("AES-256-ECB %1, %2").arg(size, QString::fromLatin1(path));
    };
    const QString defaultOpenSsl = QStringLiteral("OpenSSL, default");

    add(aesRow(big, "table path"), QStringLiteral("OpenSSL, AES-NI off"), QStringLiteral(">= 1.3"), aes("table", AesBytes),
        openSsl(AesBytes, NoAesNi));
    add(aesRow(big, "table path"), QStringLiteral("OpenSSL, AES-NI and SSSE3 off"), QStringLiteral("(information)"),
        aes("table", AesBytes), openSsl(AesBytes, NoAesNiNoSsse3));
    add(aesRow(big, "hardware path"), defaultOpenSsl, QStringLiteral(">= 0.7"), aes("hardware", AesBytes),
        openSsl(AesBytes));
    const bool has256 = cRijndael::pathAvailable(cRijndael::TransformPath::Vector256);
    const bool has512 = cRijndael::pathAvailable(cRijndael::TransformPath::Vector512);
    if (has256)
        add(aesRow(big, "vector path, 256-bit"), defaultOpenSsl, QStringLiteral(">= 1.5"), aes("vector256", AesBytes),
            openSsl(AesBytes));
    if (has512)
        add(aesRow(big, "vector path, 512-bit"), defaultOpenSsl, QStringLiteral(">= 2.0"), aes("vector512", AesBytes),
            openSsl(AesBytes));
    add(QStringLiteral("memcpy %1 (the same memory traffic, no cipher)").arg(big), defaultOpenSsl,
        QStringLiteral("(the memory's limit)"),
        measure({QStringLiteral("--memory-copy"), QString::number(AesBytes)}), openSsl(AesBytes));
    // A buffer that stays in the second-level cache: what the cipher code itself can do.
    add(aesRow(small, "hardware path"), defaultOpenSsl, QStringLiteral("(information)"), aes("hardware", CachedBytes),
        openSsl(CachedBytes));
    if (has256)
        add(aesRow(small, "vector path, 256-bit"), defaultOpenSsl, QStringLiteral("(information)"),
            aes("vector256", CachedBytes), openSsl(CachedBytes));
    if (has512)
        add(aesRow(small, "vector path, 512-bit"), defaultOpenSsl, QStringLiteral("(information)"),
            aes("vector512", CachedBytes), openSsl(CachedBytes));
    if (!openssl.isEmpty()) {
        const QStringList enc = {QStringLiteral("enc"), QStringLiteral("-aes-256-ecb"), QStringLiteral("-nopad"),
                                 QStringLiteral("-K"), keyHex, QStringLiteral("-in"), input,
                                 QStringLiteral("-out"), dir.filePath(QStringLiteral("openssl.out"))};
        const QString ownOut = dir.filePath(QStringLiteral("own.out"));
        add(QStringLiteral("FileEncrypt 64 MiB file, whole process, default path"),
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

    // The limits, best of three runs.
    double clock = 0, limit[3] = {0, 0, 0};
    for (int n = 0; n < 3; ++n) {
        QProcess process;
        process.start(self, {QStringLiteral("--limits")});
        process.waitForFinished(-1);
        const QList<QByteArray> fields = process.readAllStandardOutput().trimmed().split(' ');
        if (fields.size() != 4)
            continue;
        clock = std::max(clock, fields[0].toDouble());
        for (int i = 0; i < 3; ++i)
            limit[i] = std::max(limit[i], fields[i + 1].toDouble());
    }

    out << "Processor: " << cpuName() << "; AES instructions: " << (cRijndael::hardwareAvailable() ? "yes" : "no")
        << ", vector AES 256-bit: " << (has256 ? "yes" : "no") << ", 512-bit: " << (has512 ? "yes" : "no")
        << "; path a new cRijndael takes: ";
    switch (cRijndael::bestPath()) {
    case cRijndael::TransformPath::Table: out << "table"; break;
    case cRijndael::TransformPath::Hardware: out << "hardware"; break;
    case cRijndael::TransformPath::Vector256: out << "vector 256-bit"; break;
    case cRijndael::TransformPath::Vector512: out << "vector 512-bit"; break;
    }
    out << ". Load average " << QString::fromStdString(loadBefore) << " before, "
        << QString::fromStdString(loadAverage()) << " after.\n\n";
    out << "| Measurement | Quorvel MB/s | Reference | Reference MB/s | Ratio | Target |\n";
    out << "|---|---:|---|---:|---:|---|\n";
    for (const Row &row : rows) {
        const QString ratio = row.theirs > 0 ? QString::number(row.ours / row.theirs, 'f', 2) : QStringLiteral("-");
        out << "| " << row.what << " | " << QString::number(row.ours, 'f', 0) << " | " << row.reference << " | "
            << QString::number(row.theirs, 'f', 0) << " | " << ratio << " | " << row.target << " |\n";
    }

    if (clock <= 0)
        return 0;
    // Block-rounds per cycle of a measured AES-256 rate (14 rounds per 16-byte block).
    const auto roundsPerCycle = [clock](double megabytes) { return megabytes * 1e6 / 16 * 14 / clock; };
    const auto rateOf = [&rows](const QString &what, const QString &reference) {
        for (const Row &row : rows)
            if (row.what == what && row.reference == reference)
                return std::pair<double, double>{row.ours, row.theirs};
        return std::pair<double, double>{0, 0};
    };
    out << "\nCore clock while measuring: " << QString::number(clock / 1e9, 'f', 2)
        << " GHz (a chain of dependent additions). Limit: block-rounds per cycle that the instruction allows, "
           "measured as 14 independent chains of it in registers. Ours: block-rounds per cycle at the rates above.\n\n";
    out << "| Instruction | Blocks per instruction | Limit, rounds per cycle | Ours " << small << " | share | Ours " << big
        << " | share | OpenSSL " << small << " | OpenSSL " << big << " |\n";
    out << "|---|---:|---:|---:|---:|---:|---:|---:|---:|\n";
    struct Line {
        const char *instruction;
        int blocks;
        const char *path;
        double limit;
    };
    const Line lines[] = {{"AESENC (128-bit), hardware path", 1, "hardware path", limit[0]},
                          {"VAESENC ymm (256-bit), vector path", 2, "vector path, 256-bit", limit[1]},
                          {"VAESENC zmm (512-bit), vector path", 4, "vector path, 512-bit", limit[2]}};
    for (const Line &line : lines) {
        if (line.limit <= 0)
            continue;
        const auto [ownSmall, sslSmall] = rateOf(aesRow(small, line.path), defaultOpenSsl);
        const auto [ownBig, sslBig] = rateOf(aesRow(big, line.path), defaultOpenSsl);
        const double rs = roundsPerCycle(ownSmall), rb = roundsPerCycle(ownBig);
        out << "| " << line.instruction << " | " << line.blocks << " | " << QString::number(line.limit, 'f', 2) << " | "
            << QString::number(rs, 'f', 2) << " | " << QString::number(100 * rs / line.limit, 'f', 0) << " % | "
            << QString::number(rb, 'f', 2) << " | " << QString::number(100 * rb / line.limit, 'f', 0) << " % | "
            << QString::number(roundsPerCycle(sslSmall), 'f', 2) << " | " << QString::number(roundsPerCycle(sslBig), 'f', 2)
            << " |\n";
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString mode = args.value(1);
    if (mode == QStringLiteral("--aes"))
        return ownAes(args.value(2), args.value(3).toULongLong());
    if (mode == QStringLiteral("--aes-openssl"))
        return openSslAes(args.value(2).toULongLong());
    if (mode == QStringLiteral("--memory-copy"))
        return memoryCopy(args.value(2).toULongLong());
    if (mode == QStringLiteral("--limits"))
        return limits();
    if (mode == QStringLiteral("--md5"))
        return ownMd5();
    if (mode == QStringLiteral("--md5-openssl"))
        return openSslMd5();
    if (mode == QStringLiteral("--md5-file"))
        return ownMd5File(args.value(2));
    if (mode == QStringLiteral("--md5-file-openssl"))
        return openSslMd5File(args.value(2));
    if (mode == QStringLiteral("--file-encrypt"))
        return fileEncrypt(args.value(2), args.value(3), false);
    if (mode == QStringLiteral("--file-encrypt-table"))
        return fileEncrypt(args.value(2), args.value(3), true);
    return runAll();
}
