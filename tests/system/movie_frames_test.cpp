#include "system/movie_frames.h"

#include "system/apple_event_descriptor.h"
#include "tests/support/media_writer.h"
#include "tests/support/temp_tree.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

// The mean red level of an image; the test movies are grey and each frame
// is 3 luma steps brighter than the one before.
double meanLevel(const QImage& image)
{
    double sum = 0;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            sum += qRed(rgb.pixel(x, y));
    return sum / (rgb.width() * rgb.height());
}

class MovieFramesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // 40 frames at 10 fps, a key frame every 10.
        const QString failure = test::writeMovie(movie, 64, 64, 40, 10);
        if (!failure.isEmpty())
            GTEST_SKIP() << failure.toStdString();
    }
    test::TempTree tree;
    QString movie = tree.filePath("clip.mp4");
};

TEST_F(MovieFramesTest, ExactFramesBetweenKeyFrames)
{
    const double atOne = meanLevel(frameImageAtTime(movie, MovieTime::fromSeconds(1.0)));
    // 1.5 s lies between key frames: a key-frame image would equal 1.0 s.
    const double atOneAndAHalf = meanLevel(frameImageAtTime(movie, MovieTime::fromSeconds(1.5)));
    const double atTwo = meanLevel(frameImageAtTime(movie, MovieTime {2000, 1000}));
    EXPECT_NEAR(atOneAndAHalf - atOne, 5 * 3 * 255.0 / 219, 3);
    EXPECT_NEAR(atTwo - atOne, 10 * 3 * 255.0 / 219, 3);
    // A time inside a frame's display shows that frame.
    EXPECT_EQ(frameImageAtTime(movie, MovieTime::fromSeconds(1.54)), frameImageAtTime(movie, MovieTime::fromSeconds(1.5)));
    EXPECT_NE(frameImageAtTime(movie, MovieTime::fromSeconds(1.6)), frameImageAtTime(movie, MovieTime::fromSeconds(1.5)));

    EXPECT_TRUE(frameImageAtTime(movie, MovieTime {1, 0}).isNull());
    EXPECT_TRUE(frameImageAtTime(tree.writeFile("no.mp4", "not a movie"), MovieTime::fromSeconds(0)).isNull());
    EXPECT_EQ(frameImageAtTime(movie, MovieTime::fromSeconds(99)).size(), QSize(64, 64)); // the last frame
}

TEST_F(MovieFramesTest, DisplayMatrixTurnsTheFrame)
{
    const QString turned = tree.filePath("turned.mp4");
    ASSERT_TRUE(test::writeMovie(turned, 64, 32, 5, 10, 90).isEmpty());
    EXPECT_EQ(frameImageAtTime(turned, MovieTime::fromSeconds(0)).size(), QSize(32, 64));
    QSizeF size;
    double duration = 0;
    QString lyrics = "stale";
    QVariantMap metadata {{"stale", 1}};
    const QImage thumbnail = PlayerItem::thumbnailImageForItemWithFile(turned, &size, &duration, &lyrics, &metadata);
    EXPECT_EQ(thumbnail.size(), QSize(32, 64));
    EXPECT_EQ(size, QSizeF(32, 64));
    EXPECT_NEAR(duration, 0.4, 0.05); // the last frame's start
    EXPECT_TRUE(lyrics.isNull());
    EXPECT_FALSE(metadata.contains("stale"));
    EXPECT_TRUE(PlayerItem::thumbnailImageForItemWithFile(QString(), &size).isNull());
    EXPECT_EQ(size, QSizeF(0, 0));
}

// A WAV file of silence with the RIFF tags "INAM" (title) and "IART"
// (artist) in a LIST INFO chunk before its data.
QByteArray taggedWav()
{
    const auto chunk = [](const QByteArray& id, const QByteArray& body) {
        QByteArray padded = body;
        if (padded.size() % 2)
            padded.append('\0');
        const quint32 size = quint32(body.size());
        return id + QByteArray(reinterpret_cast<const char*>(&size), 4) + padded;
    };
    const QByteArray wav = test::wavBytes(1);
    const QByteArray info = chunk("LIST", "INFO" + chunk("INAM", QByteArray("Night Train\0", 12))
                                              + chunk("IART", QByteArray("The Players\0", 12)));
    QByteArray tagged = wav.left(12) + info + wav.mid(12);
    const quint32 riffSize = quint32(tagged.size() - 8);
    tagged.replace(4, 4, QByteArray(reinterpret_cast<const char*>(&riffSize), 4));
    return tagged;
}

TEST(MovieMetadataTest, CommonMetadataFromTheContainersTags)
{
    test::TempTree tree;
    QString lyrics = "stale";
    QVariantMap metadata;
    double duration = 0;
    const QString path = tree.writeFile("song.wav", taggedWav());
    EXPECT_TRUE(PlayerItem::thumbnailImageForItemWithFile(path, nullptr, &duration, &lyrics, &metadata).isNull());
    EXPECT_EQ(metadata, (QVariantMap {{"title", "Night Train"}, {"artist", "The Players"}}));
    EXPECT_NEAR(duration, 1.0, 0.01);
    EXPECT_TRUE(lyrics.isNull());
}

TEST(MovieThumbnailTimeTest, HalfTheDurationUpTo15Seconds)
{
    for (const auto& [duration, seconds] : {std::pair {10.0, 5.0}, {3600.0, 15.0}, {1.5, 0.0}, {0.0, 0.0}, {7.0, 3.0}}) {
        SCOPED_TRACE(duration);
        EXPECT_EQ(thumbnailTime(duration).seconds(), seconds);
        EXPECT_EQ(thumbnailTime(duration).timescale, 1000);
    }
}

TEST_F(MovieFramesTest, OutputsAndPlayer)
{
    auto item = std::make_shared<PlayerItem>(movie);
    EXPECT_EQ(item->thumbnailImage(), frameImageAtTime(movie, MovieTime::fromSeconds(1))); // 3.9 s long
    item->addVideoOutputWithPixelFormatType(fourCharCode("L008"));
    EXPECT_EQ(item->frameImageAtTime(MovieTime::fromSeconds(1)).format(), QImage::Format_Grayscale8);

    MoviePlayer player;
    EXPECT_TRUE(player.thumbnailImage().isNull());
    EXPECT_EQ(player.movieDuration(), 0);
    EXPECT_FALSE(player.isPlaying()); // paused
    player.replaceCurrentItem(item);
    player.setMovieTime(2.5);
    EXPECT_EQ(player.currentFrameImage(), item->frameImageAtTime(MovieTime::fromSeconds(2.5)));
}

} // namespace
} // namespace sorvant
