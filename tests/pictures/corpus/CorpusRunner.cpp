// SPDX-License-Identifier: MIT
#include "CorpusRunner.h"

#include "MetafileCorpus.h"

#include "pictures/PictureReader.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <algorithm>

namespace pictures::test {

namespace {
// A channel difference of up to 3 levels is rounding, as the corpus's README says.
constexpr int tolerance = 3;
}

CorpusRunner::CorpusRunner(QString corpusDir)
    : m_dir(std::move(corpusDir))
{
    QFile manifest(path(QStringLiteral("manifest.json")));
    if (!manifest.open(QIODevice::ReadOnly))
        return;
    const QJsonArray files = QJsonDocument::fromJson(manifest.readAll()).array();
    for (const QJsonValue& v : files) {
        const QJsonObject o = v.toObject();
        CorpusEntry e { o.value(QLatin1String("file")).toString(), o.value(QLatin1String("format")).toString(),
            o.value(QLatin1String("expect")).toString(), {} };
        const QJsonObject refs = o.value(QLatin1String("refs")).toObject();
        for (auto it = refs.begin(); it != refs.end(); ++it)
            e.refs[it.key()] = it.value().toString();
        m_entries.push_back(e);
    }
}

CorpusRunner& CorpusRunner::shared()
{
    static CorpusRunner runner(QStringLiteral(MOVELLE_PICTURE_CORPUS));
    return runner;
}

QString CorpusRunner::missing() const
{
    if (!QFileInfo(m_dir).isDir())
        return QStringLiteral("the picture corpus folder %1 does not exist").arg(m_dir);
    if (m_entries.empty())
        return QStringLiteral("the picture corpus folder %1 has no manifest.json listing its files").arg(m_dir);
    return {};
}

std::map<QString, CorpusJudge>& CorpusRunner::judges()
{
    static std::map<QString, CorpusJudge> all = [] {
        std::map<QString, CorpusJudge> j;
        for (const char* f : { "bmp", "dib", "ico", "cur", "gif", "pcx", "xbm" })
            j[QString::fromLatin1(f)] = judgeRaster;
        // Metafiles are drawn, not decoded to exact pixels, so they need a measure of their own.
        j[QStringLiteral("wmf")] = MetafileCorpus::judge;
        j[QStringLiteral("emf")] = MetafileCorpus::judge;
        return j;
    }();
    return all;
}

const std::vector<CorpusRow>& CorpusRunner::rows()
{
    if (m_ran)
        return m_rows;
    m_ran = true;
    for (const CorpusEntry& e : m_entries) {
        const auto judge = judges().find(e.format);
        if (judge == judges().end())
            continue;
        m_rows.push_back(judge->second(e, m_dir));
        m_rows.back().file = e.file;
        m_rows.back().expect = e.expect;
        m_rows.back().format = e.format;
    }
    return m_rows;
}

QString CorpusRunner::tables()
{
    std::map<QString, std::vector<const CorpusRow*>> byFormat;
    for (const CorpusRow& r : rows())
        byFormat[r.format].push_back(&r);

    QString out;
    QTextStream s(&out);
    for (const auto& [format, list] : byFormat) {
        int matched = 0;
        int refused = 0;
        for (const CorpusRow* r : list) {
            matched += r->matched ? 1 : 0;
            refused += r->decoded ? 0 : 1;
        }
        s << "\n### " << format << ": " << matched << " of " << list.size() << " match a reference, " << refused
          << " refused\n\n| file | expect | result |\n|---|---|---|\n";
        for (const CorpusRow* r : list) {
            QString result;
            if (r->matched)
                result = QStringLiteral("matches %1").arg(r->matchedRef);
            else if (r->decoded)
                result = QStringLiteral("decoded, differs (%1)").arg(r->note);
            else
                result = QStringLiteral("refused: %1").arg(r->note);
            s << "| " << r->file << " | " << r->expect << " | " << result << " |\n";
        }
    }
    return out;
}

int pictureDistance(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return -1;
    const QImage pa = a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage pb = b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    int worst = 0;
    for (int y = 0; y < pa.height(); ++y) {
        const auto* la = reinterpret_cast<const QRgb*>(pa.constScanLine(y));
        const auto* lb = reinterpret_cast<const QRgb*>(pb.constScanLine(y));
        for (int x = 0; x < pa.width(); ++x) {
            for (int shift = 0; shift < 32; shift += 8) {
                const int d = std::abs(int((la[x] >> shift) & 0xff) - int((lb[x] >> shift) & 0xff));
                worst = std::max(worst, d);
            }
        }
    }
    return worst;
}

CorpusRow judgeRaster(const CorpusEntry& entry, const QString& corpusDir)
{
    CorpusRow row;
    const Result<QImage> r = readPicture(corpusDir + QLatin1Char('/') + entry.file);
    if (!r) {
        row.note = QString::fromStdString(r.error().message());
        row.problem = int(r.error().problem());
        return row;
    }
    row.decoded = true;
    row.picture = r.value();
    int nearest = -1;
    // The corpus's own references first, so that a match names them when they agree with another.
    std::vector<std::pair<QString, QString>> refs(entry.refs.begin(), entry.refs.end());
    std::stable_partition(refs.begin(), refs.end(), [](const auto& r) { return r.first.startsWith(QLatin1String("suite")); });
    for (const auto& [who, ref] : refs) {
        const QImage reference(corpusDir + QLatin1Char('/') + ref);
        const int d = pictureDistance(r.value(), reference);
        if (d >= 0 && d <= tolerance) {
            row.matched = true;
            row.matchedRef = who;
            return row;
        }
        if (d >= 0 && (nearest < 0 || d < nearest))
            nearest = d;
    }
    row.note = entry.refs.empty() ? QStringLiteral("no reference")
        : nearest < 0            ? QStringLiteral("size %1 x %2 differs from every reference").arg(r->width()).arg(r->height())
                                 : QStringLiteral("nearest reference %1 levels off").arg(nearest);
    return row;
}

}
