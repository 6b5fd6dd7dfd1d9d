// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <vector>

namespace pictures::test {

// One file of the picture corpus, as its manifest lists it.
struct CorpusEntry {
    QString file;                       // below the corpus folder, "bmpsuite/g/pal1.bmp"
    QString format;                     // "bmp", "ico", "wmf", ...
    QString expect;                     // "good", "questionable", "bad", "hostile"
    std::map<QString, QString> refs;    // who made it -> PNG path below the corpus folder
};

// How near a decoding is to one reference, by the metafile measure (MetafileCorpus).
struct CorpusScore {
    QString reference;                  // who made the reference
    double difference = 0;
    double blank = 0;                   // the reference's own difference from a blank picture
    bool matches = false;
};

// What became of one file.
struct CorpusRow {
    QString file;
    QString format;
    QString expect;
    bool decoded = false;
    bool matched = false;
    QString matchedRef;                 // the reference it matched, when it did
    QString note;                       // the cause of a refusal, or how far the nearest reference is
    int problem = 0;                    // pictures::Problem of a refusal
    QImage picture;                     // what we decoded
    QSize headerSize;                   // metafiles: the size their header names, when it names one
    std::vector<CorpusScore> scores;    // metafiles: against each reference
};

// Judges one file of a format. Raster formats are compared pixel by pixel; the metafile judge,
// which needs a measure of its own, registers itself for "wmf" and "emf" through judges().
using CorpusJudge = std::function<CorpusRow(const CorpusEntry& entry, const QString& corpusDir)>;

class CorpusRunner {
public:
    explicit CorpusRunner(QString corpusDir);

    // The corpus this build was pointed at, read once.
    static CorpusRunner& shared();
    // What is missing when the corpus is not there to read, or nothing.
    QString missing() const;

    const std::vector<CorpusEntry>& entries() const { return m_entries; }
    QString path(const QString& file) const { return m_dir + QLatin1Char('/') + file; }

    // The judge for each format; formats with none are listed as not judged.
    static std::map<QString, CorpusJudge>& judges();

    // Every judged file, in manifest order (decoded once, then kept).
    const std::vector<CorpusRow>& rows();
    // One Markdown table per format, with a summary line each.
    QString tables();

private:
    QString m_dir;
    std::vector<CorpusEntry> m_entries;
    std::vector<CorpusRow> m_rows;
    bool m_ran = false;
};

// The fixture of every corpus test: a clone without the corpus skips them, saying what is missing.
class CorpusTest : public testing::Test {
protected:
    void SetUp() override
    {
        if (const QString missing = CorpusRunner::shared().missing(); !missing.isEmpty())
            GTEST_SKIP() << qPrintable(missing) << "; the corpus tests are skipped (-DMOVELLE_PICTURE_CORPUS=<folder> points at it)";
    }
};

// Premultiplied comparison: the largest channel difference, or -1 when the sizes differ.
int pictureDistance(const QImage& a, const QImage& b);

// The raster judge: readPicture, then the nearest reference within 3 levels.
CorpusRow judgeRaster(const CorpusEntry& entry, const QString& corpusDir);

}
