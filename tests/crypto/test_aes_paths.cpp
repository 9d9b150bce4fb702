// Choosing cRijndael's transform path: which vector widths the processor's CPUID and XCR0 answers
// allow (with registers the operating system does not save, a path must not be chosen even where the
// instructions exist), the path a new instance takes, and refusing a path this machine lacks.
#include "crypto/AesTransform.h"
#include "crypto/cRijndael.h"

#include <QTest>

using Path = cRijndael::TransformPath;

namespace {

// A processor with everything: AES, OSXSAVE and AVX in leaf 1; AVX2 and AVX512F, VAES in leaf 7; the
// SSE, AVX and all three AVX-512 state parts enabled in XCR0.
Aes::CpuidBits everything()
{
    Aes::CpuidBits bits;
    bits.maxLeaf = 0x10;
    bits.leaf1Ecx = (1u << 25) | (1u << 27) | (1u << 28);
    bits.leaf7Ebx = (1u << 5) | (1u << 16);
    bits.leaf7Ecx = 1u << 9;
    bits.xcr0 = 0xe7;
    return bits;
}

} // namespace

class TestAesPaths : public QObject
{
    Q_OBJECT

private slots:
    void widthsFromCpuid_data()
    {
        QTest::addColumn<quint32>("maxLeaf");
        QTest::addColumn<quint32>("leaf1Ecx");
        QTest::addColumn<quint32>("leaf7Ebx");
        QTest::addColumn<quint32>("leaf7Ecx");
        QTest::addColumn<quint64>("xcr0");
        QTest::addColumn<bool>("bits256");
        QTest::addColumn<bool>("bits512");
        const Aes::CpuidBits all = everything();
        const auto row = [](const char *name, const Aes::CpuidBits &b, bool w256, bool w512) {
            QTest::newRow(name) << b.maxLeaf << b.leaf1Ecx << b.leaf7Ebx << b.leaf7Ecx << quint64(b.xcr0) << w256 << w512;
        };
        row("everything", all, true, true);
        Aes::CpuidBits b = all;
        b.leaf7Ebx &= ~(1u << 16);
        row("no AVX-512 (Zen 3, Alder Lake)", b, true, false);
        b = all;
        b.xcr0 = 0x7;
        row("AVX-512 state not enabled by the system", b, true, false);
        b = all;
        b.xcr0 = 0x67;
        row("one AVX-512 state part missing", b, true, false);
        b = all;
        b.xcr0 = 0x3;
        row("upper halves of the 256-bit registers not saved", b, false, false);
        b = all;
        b.leaf1Ecx &= ~(1u << 27);
        b.xcr0 = 0; // XGETBV may not be run then
        row("no OSXSAVE", b, false, false);
        b = all;
        b.leaf7Ecx = 0;
        row("no VAES", b, false, false);
        b = all;
        b.leaf1Ecx &= ~(1u << 25);
        row("no AES", b, false, false);
        b = all;
        b.leaf1Ecx &= ~(1u << 28);
        row("no AVX", b, false, false);
        b = all;
        b.leaf7Ebx = 1u << 16;
        row("AVX-512 without AVX2", b, false, false);
        b = all;
        b.maxLeaf = 6;
        row("no leaf 7", b, false, false);
        row("nothing", Aes::CpuidBits{}, false, false);
    }

    void widthsFromCpuid()
    {
        QFETCH(quint32, maxLeaf);
        QFETCH(quint32, leaf1Ecx);
        QFETCH(quint32, leaf7Ebx);
        QFETCH(quint32, leaf7Ecx);
        QFETCH(quint64, xcr0);
        QFETCH(bool, bits256);
        QFETCH(bool, bits512);
        Aes::CpuidBits bits;
        bits.maxLeaf = maxLeaf;
        bits.leaf1Ecx = leaf1Ecx;
        bits.leaf7Ebx = leaf7Ebx;
        bits.leaf7Ecx = leaf7Ecx;
        bits.xcr0 = xcr0;
        const Aes::VectorSupport support = Aes::vectorSupportOf(bits);
        QCOMPARE(support.bits256, bits256);
        QCOMPARE(support.bits512, bits512);
    }

    void newInstanceTakesTheWidestPath()
    {
        const Path best = cRijndael::bestPath();
        QCOMPARE(cRijndael().transformPath(), best);
        QVERIFY(cRijndael::pathAvailable(best));
        const Aes::VectorSupport support = Aes::vectorSupport();
        if (support.bits512)
            QCOMPARE(best, Path::Vector512);
        else if (support.bits256)
            QCOMPARE(best, Path::Vector256);
        else if (cRijndael::hardwareAvailable())
            QCOMPARE(best, Path::Hardware);
        else
            QCOMPARE(best, Path::Table);
        QVERIFY(cRijndael::pathAvailable(Path::Table));
        QCOMPARE(cRijndael::pathAvailable(Path::Hardware), cRijndael::hardwareAvailable());
        QCOMPARE(cRijndael::pathAvailable(Path::Vector256), support.bits256);
        QCOMPARE(cRijndael::pathAvailable(Path::Vector512), support.bits512);
#if !defined(__x86_64__) && !defined(__i386__)
        QCOMPARE(best, Path::Table);
#endif
    }

    void unavailablePathRefused()
    {
        cRijndael aes;
        for (const Path path : {Path::Table, Path::Hardware, Path::Vector256, Path::Vector512}) {
            QVERIFY(aes.setTransformPath(Path::Table));
            const bool taken = aes.setTransformPath(path);
            QCOMPARE(taken, cRijndael::pathAvailable(path));
            // A refusal keeps the path in force.
            QCOMPARE(aes.transformPath(), taken ? path : Path::Table);
        }
    }
};

QTEST_GUILESS_MAIN(TestAesPaths)
#include "test_aes_paths.moc"
