// SPDX-License-Identifier: MIT
// Reads the picture corpus (files other programs wrote, with reference decodings) and holds our
// readers to their targets. Prints one table per format; `--tables` prints only the tables.
#include "CorpusRunner.h"

#include "pictures/PictureReader.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QGuiApplication>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

using namespace pictures::test;

namespace {

CorpusRunner& runner()
{
    return CorpusRunner::shared();
}

std::vector<CorpusRow> rowsUnder(const QString& prefix, const QStringList& formats = {})
{
    std::vector<CorpusRow> out;
    for (const CorpusRow& r : runner().rows()) {
        if (r.file.startsWith(prefix) && (formats.isEmpty() || formats.contains(r.format)))
            out.push_back(r);
    }
    return out;
}

bool corpusRequired()
{
    return qEnvironmentVariable("MOVELLE_REQUIRE_CORPUS") == QLatin1String("1");
}

using PictureCorpus = CorpusTest;

TEST_F(PictureCorpus, tables)
{
    std::printf("%s\n", qPrintable(runner().tables()));
}

TEST_F(PictureCorpus, everyGoodBmpSuiteFileMatchesTheSuite)
{
    const std::vector<CorpusRow> rows = rowsUnder(QStringLiteral("bmpsuite/g/"));
    EXPECT_EQ(rows.size(), 27u);
    for (const CorpusRow& r : rows) {
        EXPECT_TRUE(r.matched && r.matchedRef.startsWith(QLatin1String("suite")))
            << r.file.toStdString() << ": " << r.note.toStdString() << " " << r.matchedRef.toStdString();
    }
}

TEST_F(PictureCorpus, questionableBmpSuiteFilesMatchOrNameTheVariant)
{
    const std::vector<CorpusRow> rows = rowsUnder(QStringLiteral("bmpsuite/q/"));
    ASSERT_FALSE(rows.empty());
    std::size_t matched = 0;
    for (const CorpusRow& r : rows) {
        if (r.matched) {
            ++matched;
            continue;
        }
        // What we do not match, we refuse, saying which variant it is.
        EXPECT_FALSE(r.decoded) << r.file.toStdString() << " decoded wrongly: " << r.note.toStdString();
        EXPECT_EQ(r.problem, int(pictures::Problem::Unsupported)) << r.file.toStdString() << ": " << r.note.toStdString();
    }
    EXPECT_GE(matched * 10, rows.size() * 9) << matched << " of " << rows.size();
}

TEST_F(PictureCorpus, pillowsGoodRasterFilesMatchPillowOrImageMagick)
{
    const std::vector<CorpusRow> rows = rowsUnder(QStringLiteral("pillow/"),
        { QStringLiteral("bmp"), QStringLiteral("dib"), QStringLiteral("ico"), QStringLiteral("cur"),
            QStringLiteral("gif"), QStringLiteral("pcx"), QStringLiteral("xbm") });
    int good = 0;
    for (const CorpusRow& r : rows) {
        if (r.expect != QLatin1String("good"))
            continue;
        ++good;
        EXPECT_TRUE(r.matched) << r.file.toStdString() << ": " << r.note.toStdString();
    }
    EXPECT_EQ(good, 61);
}

// Prints, for each file, what reading it gave: the problem or a digest of the pixels.
int printDigests(int argc, char** argv)
{
    for (int i = 2; i < argc; ++i) {
        const pictures::Result<QImage> r = pictures::readPicture(QString::fromLocal8Bit(argv[i]));
        QByteArray digest;
        if (r.ok()) {
            const QImage image = r->convertToFormat(QImage::Format_ARGB32_Premultiplied);
            QCryptographicHash hash(QCryptographicHash::Sha256);
            for (int y = 0; y < image.height(); ++y)
                hash.addData(QByteArrayView(reinterpret_cast<const char*>(image.constScanLine(y)), image.width() * 4));
            digest = hash.result().toHex();
        }
        std::printf("%s %d %s\n", argv[i], int(r.error().problem()), digest.constData());
    }
    return 0;
}

// Damaged and hostile files: read in a child process, twice, with malloc filling fresh memory with
// two different bytes. Whatever the reader does (decode or refuse), it must do it the same way, so
// no pixel can come from memory the file never wrote; and the child must finish, not crash.
TEST_F(PictureCorpus, damagedAndHostileFilesGiveTheSameResultWhateverMemoryHeld)
{
    QStringList files;
    for (const CorpusEntry& e : runner().entries()) {
        // Metafiles are played under a time bound, so they have a test of their own (MetafileCorpus).
        if ((e.expect == QLatin1String("bad") || e.expect == QLatin1String("hostile"))
            && CorpusRunner::judges().count(e.format) && e.format != QLatin1String("wmf")
            && e.format != QLatin1String("emf"))
            files << runner().path(e.file);
    }
    ASSERT_GE(files.size(), 30);
    QStringList outputs;
    for (const char* perturb : { "85", "170" }) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("MALLOC_PERTURB_"), QString::fromLatin1(perturb));
        child.setProcessEnvironment(env);
        const QStringList arguments = QStringList { QStringLiteral("--digest") } + files;
#if defined(__SANITIZE_ADDRESS__)
        // AddressSanitizer reserves its shadow memory up front, so no address-space limit here.
        child.start(QCoreApplication::applicationFilePath(), arguments);
#else
        // Twice the largest picture the limits allow: a reader that asks for more runs out of memory.
        child.start(QStringLiteral("prlimit"),
            QStringList { QStringLiteral("--as=%1").arg(qint64(2) * 1024 * 1024 * 1024), QCoreApplication::applicationFilePath() }
                + arguments);
#endif
        // A bound against a hang, not a speed test: the files take well under a second.
        ASSERT_TRUE(child.waitForFinished(300000));
        ASSERT_EQ(child.exitStatus(), QProcess::NormalExit);
        ASSERT_EQ(child.exitCode(), 0) << child.readAllStandardError().toStdString();
        outputs << QString::fromLocal8Bit(child.readAllStandardOutput());
    }
    EXPECT_EQ(outputs[0].count(QLatin1Char('\n')), files.size());
    EXPECT_FALSE(outputs[0].contains(QStringLiteral(" %1 ").arg(int(pictures::Problem::OutOfMemory))))
        << "a reader asked for more memory than the limits allow:\n" << outputs[0].toStdString();
    EXPECT_EQ(outputs[0].toStdString(), outputs[1].toStdString());
}

}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--digest") == 0)
        return printDigests(argc, argv);
    if (argc > 3 && std::strcmp(argv[1], "--save") == 0) {
        // Looking at one decoding: --save <picture> <png to write>.
        const pictures::Result<QImage> r = pictures::readPicture(QString::fromLocal8Bit(argv[2]));
        std::printf("%s\n", r.error().text().c_str());
        return r.ok() && r->save(QString::fromLocal8Bit(argv[3])) ? 0 : 1;
    }
    if (argc > 1 && std::strcmp(argv[1], "--tables") == 0) {
        std::printf("%s\n", qPrintable(runner().tables()));
        return 0;
    }
    testing::InitGoogleTest(&argc, argv);
    // CI sets MOVELLE_REQUIRE_CORPUS=1, so that there a missing corpus fails rather than skips.
    if (const QString missing = runner().missing(); !missing.isEmpty() && corpusRequired() && !GTEST_FLAG_GET(list_tests)) {
        std::fprintf(stderr, "%s, and MOVELLE_REQUIRE_CORPUS=1 asks for it\n", qPrintable(missing));
        return 1;
    }
    return RUN_ALL_TESTS();
}
