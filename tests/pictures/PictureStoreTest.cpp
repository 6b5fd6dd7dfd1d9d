// SPDX-License-Identifier: MIT
#include "pictures/PictureStore.h"

#include "pictures/PictureReader.h"
#include "pictures/PixelPool.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <future>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using pictures::PictureStore;
using pictures::Problem;

namespace {

constexpr std::int64_t mebibyte = 1024 * 1024;

class PictureStoreTest : public testing::Test {
protected:
    QString write(const QString& name, int width, int height, QRgb colour, const char* format = "PNG")
    {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = m_dir.filePath(name);
        EXPECT_TRUE(image.save(path, format));
        return path;
    }
    static std::int64_t bytesOf(int width, int height) { return std::int64_t(width) * height * 4; }

    QTemporaryDir m_dir;
};

PictureStore::Source loaded(PictureStore& store, const QString& path)
{
    pictures::Result<PictureStore::Source> source = store.load(path);
    EXPECT_TRUE(source.ok()) << path.toStdString() << ": " << source.error().message();
    return source ? source.value() : nullptr;
}

TEST_F(PictureStoreTest, keepsOneSourcePerFileHoweverItsPathIsSpelled)
{
    PictureStore store;
    const QString path = write("a.png", 20, 10, qRgb(200, 0, 0));
    ASSERT_EQ(QDir(m_dir.path()).mkdir("sub"), true);
    ASSERT_EQ(::symlink(QFile::encodeName(path).constData(), QFile::encodeName(m_dir.filePath("link.png")).constData()), 0);
    ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(m_dir.filePath("hard.png")).constData()), 0);

    const PictureStore::Source first = loaded(store, path);
    for (const QString& spelling : { m_dir.path() + "/./a.png", m_dir.path() + "/sub/../a.png", m_dir.path() + "//a.png",
                                     m_dir.filePath("link.png"), m_dir.filePath("hard.png") })
        EXPECT_EQ(loaded(store, spelling), first) << spelling.toStdString();
    EXPECT_EQ(store.sourceCount(), 1u);

    // A different file with the same pixels is a different source.
    const PictureStore::Source other = loaded(store, write("b.png", 20, 10, qRgb(200, 0, 0)));
    EXPECT_NE(other, first);
    EXPECT_EQ(store.sourceCount(), 2u);
}

TEST_F(PictureStoreTest, aFrameKeepsWhatWasReadWhenTheFileChangesOrGoes)
{
    PictureStore store;
    const QString path = write("a.png", 20, 10, qRgb(200, 0, 0));
    const PictureStore::Source before = loaded(store, path);
    store.cache().setBudget(0);  // nothing cached: the next image() decodes the kept bytes

    write("a.png", 30, 15, qRgb(0, 0, 200));
    // The new content makes a new source; the old one still shows the old picture.
    const PictureStore::Source after = loaded(store, path);
    ASSERT_NE(after, before);
    EXPECT_EQ(after->size(), QSize(30, 15));

    ASSERT_TRUE(QFile::remove(path));
    const pictures::Result<QImage> old = store.image(*before);
    ASSERT_TRUE(old.ok()) << old.error().message();
    EXPECT_EQ(old.value().size(), QSize(20, 10));
    EXPECT_EQ(old.value().pixel(5, 5), qRgb(200, 0, 0));
}

TEST_F(PictureStoreTest, evictsTheLeastRecentlyUsedBeyondItsBudget)
{
    PictureStore::Settings settings;
    settings.budgetBytes = 3 * bytesOf(16, 16);
    PictureStore store(settings);
    std::vector<PictureStore::Source> sources;
    for (int k = 0; k < 3; ++k)
        sources.push_back(loaded(store, write(QString("p%1.png").arg(k), 16, 16, qRgb(10 * k, 0, 0))));
    // Using the first makes the second the least recently used.
    ASSERT_TRUE(store.image(*sources[0]).ok());
    sources.push_back(loaded(store, write("p3.png", 16, 16, qRgb(0, 90, 0))));

    const std::vector<bool> cached { true, false, true, true };
    for (std::size_t k = 0; k < sources.size(); ++k)
        EXPECT_EQ(store.isCached(*sources[k]), cached[k]) << "picture " << k;
    EXPECT_EQ(store.cache().bytes(), 3 * bytesOf(16, 16));

    // An evicted picture is decoded again from its source, unchanged.
    const pictures::Result<QImage> again = store.image(*sources[1]);
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again.value().pixel(3, 3), qRgb(10, 0, 0));
    EXPECT_TRUE(store.isCached(*sources[1]));
    EXPECT_FALSE(store.isCached(*sources[2]));

    // A source that goes takes its decode with it.
    sources.clear();
    EXPECT_EQ(store.cache().count(), 0u);
    EXPECT_EQ(store.cache().bytes(), 0);
}

TEST_F(PictureStoreTest, keepsNoPictureLargerThanTheWholeBudget)
{
    PictureStore::Settings settings;
    settings.budgetBytes = bytesOf(16, 16);
    PictureStore store(settings);
    const PictureStore::Source fits = loaded(store, write("fits.png", 16, 16, qRgb(1, 2, 3)));
    const PictureStore::Source larger = loaded(store, write("larger.png", 16, 17, qRgb(1, 2, 3)));
    EXPECT_TRUE(store.isCached(*fits));
    EXPECT_FALSE(store.isCached(*larger));
    EXPECT_EQ(store.image(*larger).value().size(), QSize(16, 17));
}

TEST_F(PictureStoreTest, packsLargeRawPixelsLosslessly)
{
    PictureStore store;
    // 24-bit BMP rows of 3 * width bytes: just below and at the size from which packing pays.
    const int rows = 64;
    const int belowWidth = int((pictures::PictureSource::packFrom - 54) / (3 * rows)) - 2;
    const QString below = write("below.bmp", belowWidth, rows, qRgb(9, 8, 7), "BMP");
    const QString large = write("large.bmp", 1200, 800, qRgb(9, 8, 7), "BMP");
    const QString jpeg = write("large.jpg", 1200, 800, qRgb(9, 8, 7), "JPEG");
    ASSERT_LT(QFileInfo(below).size(), pictures::PictureSource::packFrom);

    const PictureStore::Source small = loaded(store, below);
    EXPECT_FALSE(small->packed());
    const PictureStore::Source packed = loaded(store, large);
    EXPECT_TRUE(packed->packed());
    EXPECT_LT(packed->storedBytes(), QFileInfo(large).size() / 4);
    QFile file(large);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(packed->bytes(), file.readAll());
    EXPECT_FALSE(loaded(store, jpeg)->packed());

    store.cache().setBudget(0);
    const pictures::Result<QImage> image = store.image(*packed);
    ASSERT_TRUE(image.ok());
    EXPECT_EQ(image.value().size(), QSize(1200, 800));
    EXPECT_EQ(image.value().pixel(1199, 799), qRgb(9, 8, 7));
}

TEST_F(PictureStoreTest, refusesWhatIsNoPictureWithItsCause)
{
    PictureStore store;
    const QString fifo = m_dir.filePath("pipe.png");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QFile text(m_dir.filePath("text.png"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("no picture here");
    text.close();

    EXPECT_EQ(store.load(fifo).error().problem(), Problem::NotAFile);
    EXPECT_EQ(store.load(text.fileName()).error().problem(), Problem::NotAPicture);
    EXPECT_EQ(store.load(m_dir.filePath("missing.png")).error().problem(), Problem::NoSuchFile);
    EXPECT_EQ(store.sourceCount(), 0u);
}

// A decoder that does not come back until the test lets it, as a hostile picture would not; it
// decodes every other picture at once. It counts its decodes.
struct StuckDecoder {
    std::shared_ptr<std::promise<void>> release = std::make_shared<std::promise<void>>();
    std::shared_future<void> released = release->get_future().share();
    std::shared_ptr<std::atomic<int>> decodes = std::make_shared<std::atomic<int>>(0);
    // The bytes it gets stuck on; none: every picture.
    QByteArray stuckOn;
    std::shared_ptr<std::promise<void>> entered = std::make_shared<std::promise<void>>();

    PictureStore::Decoder decoder() const
    {
        return [released = released, decodes = decodes, stuckOn = stuckOn, entered = entered](
                   QByteArrayView bytes, const pictures::Limits& limits) -> pictures::Result<QImage> {
            if (++*decodes == 1)
                entered->set_value();
            if (stuckOn.isEmpty() || bytes == QByteArrayView(stuckOn))
                released.wait();
            return pictures::decodePicture(bytes, limits);
        };
    }
};

QByteArray contents(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

TEST_F(PictureStoreTest, givesUpADecodeThatRunsPastItsTimeBound)
{
    StuckDecoder stuck;
    const QString path = write("slow.png", 4, 4, qRgb(1, 1, 1));
    const QString good = write("good.png", 4, 4, qRgb(2, 2, 2));
    stuck.stuckOn = contents(path);
    PictureStore::Settings settings;
    settings.decoder = stuck.decoder();
    // Long enough for the good picture's decode on a loaded machine.
    settings.timeBound = std::chrono::milliseconds(250);
    PictureStore store(settings);

    for (int k = 0; k < PictureStore::maxAbandoned; ++k) {
        const pictures::PictureError error = store.load(path).error();
        EXPECT_EQ(error.problem(), Problem::TimedOut);
        EXPECT_NE(error.message().find("longer than 0.25 s"), std::string::npos) << error.message();
    }
    // With as many decodes still running as are allowed, a paint (which cannot wait long) is
    // refused after one time bound; an open that is cancelled stops waiting.
    const pictures::PictureError refused = store.load(good).error();
    EXPECT_EQ(refused.problem(), Problem::TimedOut);
    EXPECT_NE(refused.message().find("still being decoded"), std::string::npos) << refused.message();
    const pictures::PictureError cancelled = store.load(good, [] { return true; }).error();
    EXPECT_NE(cancelled.message().find("cancelled"), std::string::npos) << cancelled.message();
    EXPECT_EQ(store.sourceCount(), 0u);

    // An open waits for a slot instead: the good picture is decoded once the stuck ones end.
    const pictures::Result<PictureStore::Source> waited = store.load(good, [&stuck] {
        static std::once_flag once;
        std::call_once(once, [&stuck] { stuck.release->set_value(); });
        return false;
    });
    ASSERT_TRUE(waited.ok()) << waited.error().message();
    EXPECT_EQ(waited.value()->size(), QSize(4, 4));
}

// Painting a picture whose decode ahead is under way, or decoding ahead a picture that is being
// painted: one decode either way.
TEST_F(PictureStoreTest, decodesAPictureOnceWhenPaintAndDecodeAheadMeet)
{
    for (const bool aheadFirst : { true, false }) {
        const QString path = write("p.png", 8, 8, qRgb(5, 6, 7));
        const QString other = write("q.png", 8, 8, qRgb(1, 2, 3));
        StuckDecoder stuck;
        stuck.stuckOn = contents(path);
        PictureStore::Settings settings;
        settings.decoder = stuck.decoder();
        settings.aheadThreads = 1;
        PictureStore store(settings);
        // Sources of this store, not decoded yet.
        const PictureStore::Source source = std::make_shared<const pictures::PictureSource>(
            contents(path), QSize(8, 8), false, std::shared_ptr<pictures::PictureCache>());
        const PictureStore::Source next = std::make_shared<const pictures::PictureSource>(
            contents(other), QSize(8, 8), false, std::shared_ptr<pictures::PictureCache>());
        std::mutex mutex;
        std::condition_variable changed;
        int ahead = 0;
        store.setDecodedAhead([&] {
            std::lock_guard lock(mutex);
            ++ahead;
            changed.notify_all();
        });

        std::future<pictures::Result<QImage>> painted;
        if (aheadFirst) {
            store.decodeAhead({ source });
            stuck.entered->get_future().wait();
            painted = std::async(std::launch::async, [&] { return store.image(*source); });
        } else {
            painted = std::async(std::launch::async, [&] { return store.image(*source); });
            stuck.entered->get_future().wait();
            store.decodeAhead({ source });
        }
        // The next picture ahead is decoded after the first has been dealt with, by the one worker.
        store.decodeAhead({ source, next });
        stuck.release->set_value();
        ASSERT_TRUE(painted.get().ok());
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(60), [&] { return store.isCached(*next); }));
        EXPECT_EQ(stuck.decodes->load(), 2) << (aheadFirst ? "decoded ahead first" : "painted first");
        EXPECT_EQ(store.decodes(), 2);
    }
}

// Decoded pictures live in the store's own recycled memory: playing more pictures than fit maps
// no more than the budget allows, and an evicted picture's pixels take the next decode.
TEST_F(PictureStoreTest, recyclesThePixelsOfEvictedPictures)
{
    PictureStore::Settings settings;
    // Three pictures, and room for a fourth being decoded in the pool's spare quarter.
    settings.budgetBytes = 7 * bytesOf(64, 64) / 2;
    PictureStore store(settings);
    std::vector<PictureStore::Source> sources;
    for (int k = 0; k < 12; ++k)
        sources.push_back(loaded(store, write(QString("p%1.jpg").arg(k), 64, 64, qRgb(20 * k, 0, 0), "JPEG")));
    for (int round = 0; round < 3; ++round) {
        for (const PictureStore::Source& source : sources)
            ASSERT_TRUE(store.image(*source).ok());
    }
    EXPECT_EQ(store.cache().count(), 3u);
    EXPECT_LE(store.pixels().usedBytes() + store.pixels().freeBytes(), settings.budgetBytes * 5 / 4);
    // The cache's three and one being decoded while the oldest is evicted.
    EXPECT_LE(store.pixels().mappings(), 4);
    EXPECT_EQ(store.decodes(), 12 + 3 * 12);
    // Decodes on a thread take the pool's pixels only while its guard lives; the guard gives back
    // the pool that was current before.
    {
        pictures::PixelPool other(settings.budgetBytes);
        const pictures::PixelPool::Use outer(&other);
        {
            const pictures::PixelPool::Use inner(&store.pixels());
            EXPECT_EQ(pictures::PixelPool::current(), &store.pixels());
        }
        EXPECT_EQ(pictures::PixelPool::current(), &other);
    }
    EXPECT_EQ(pictures::PixelPool::current(), nullptr);
}

TEST_F(PictureStoreTest, decodesAheadInTheOrderAsked)
{
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<QRgb> order;
    PictureStore::Settings settings;
    settings.aheadThreads = 1;
    settings.decoder = [&](QByteArrayView bytes, const pictures::Limits& limits) {
        pictures::Result<QImage> image = pictures::decodePicture(bytes, limits);
        std::lock_guard lock(mutex);
        order.push_back(image.value().pixel(0, 0));
        return image;
    };
    PictureStore store(settings);
    std::vector<PictureStore::Source> sources;
    for (int k = 0; k < 4; ++k)
        sources.push_back(loaded(store, write(QString("f%1.png").arg(k), 8, 8, qRgb(k, 0, 0))));
    const std::int64_t budget = store.cache().budget();
    store.cache().setBudget(0);
    store.cache().setBudget(budget);
    {
        std::lock_guard lock(mutex);
        order.clear();
    }
    // How many pictures had been decoded when each was reported ready.
    std::vector<std::size_t> ready;
    store.setDecodedAhead([&] {
        std::lock_guard lock(mutex);
        ready.push_back(order.size());
        changed.notify_all();
    });

    // The second f2 is in the cache by its turn: it is neither decoded again nor reported.
    store.decodeAhead({ sources[2], sources[3], sources[2], sources[0] });
    std::unique_lock lock(mutex);
    ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(60), [&] { return ready.size() == 3; }));
    EXPECT_EQ(ready, (std::vector<std::size_t> { 1, 2, 3 }));
    EXPECT_EQ(order, (std::vector<QRgb> { qRgb(2, 0, 0), qRgb(3, 0, 0), qRgb(0, 0, 0) }));
    const std::vector<bool> cached { true, false, true, true };
    for (std::size_t k = 0; k < sources.size(); ++k)
        EXPECT_EQ(store.isCached(*sources[k]), cached[k]) << "picture " << k;
}

TEST(PictureStoreBudget, comesFromTheEnvironmentOrTheMachine)
{
    const char* variable = PictureStore::budgetVariable;
    ASSERT_EQ(setenv(variable, "100", 1), 0);
    EXPECT_EQ(PictureStore::defaultBudget(), 100 * mebibyte);
    ASSERT_EQ(setenv(variable, "0", 1), 0);
    EXPECT_EQ(PictureStore::defaultBudget(), 0);
    ASSERT_EQ(setenv(variable, "1073741824", 1), 0);
    EXPECT_EQ(PictureStore::defaultBudget(), (std::int64_t(1) << 30) * mebibyte);
    for (const char* unusable : { "lots", "-5", "", "1073741825" }) {
        ASSERT_EQ(setenv(variable, unusable, 1), 0);
        const std::int64_t budget = PictureStore::defaultBudget();
        EXPECT_GE(budget, 64 * mebibyte) << unusable;
        EXPECT_LE(budget, 384 * mebibyte) << unusable;
    }
    unsetenv(variable);
}

}
