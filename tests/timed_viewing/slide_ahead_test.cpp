#include "timed_viewing/slide_ahead.h"
#include "timed_viewing/slideshow_fixture.h"

#include <QDir>

#include <tuple>

using namespace plenarvo;
using plenarvo::testing::Slideshow;

class SlideAheadShow : public Slideshow {
protected:
    ~SlideAheadShow() override { SlideAhead::setEnabled(true); }

    // Runs a show through `ticks` ticks: the label, the view, the preview and its
    // image after each, and how many shown pictures had been decoded ahead.
    std::pair<QList<std::tuple<QString, QString, QString, QImage>>, int> run(int ticks) {
        const int hitsBefore = SlideAhead::counts().hits;
        QList<std::tuple<QString, QString, QString, QImage>> seen;
        check();
        for (int i = 0; i <= ticks; ++i) {
            if (i > 0) {
                if (i % 2 == 1) {
                    settle();  // sometimes the decoded picture has come over, sometimes not
                }
                advance(10000);
            }
            seen.append(
                {main().lblImage->text(), onView(), inPreview(), main().imgImage->shownImage()});
        }
        return {seen, SlideAhead::counts().hits - hitsBefore};
    }
};

TEST_F(SlideAheadShow, TicksShowTheSameWithAndWithoutDecodingAhead) {
    startIn({"a.bmp", "b.jpg", "c_junk.bmp", "d.bmp"});
    const auto [ahead, hits] = run(6);
    EXPECT_EQ(hits, 6);  // every tick found its picture decoded ahead

    check();  // stopped
    SlideAhead::setEnabled(false);
    const auto [plain, plainHits] = run(6);
    EXPECT_EQ(plainHits, 0);
    EXPECT_EQ(ahead, plain);
    EXPECT_EQ(std::get<1>(ahead[2]), "b.jpg");  // the junk file leaves b on show
    EXPECT_EQ(std::get<1>(ahead[3]), "d.bmp");
}

TEST_F(SlideAheadShow, RandomOrderWorksOutTheNextDrawAhead) {
    platform::StandardRandom generator;
    platform.random = &generator;
    startIn({"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"});
    main().mnuOptViewRnd->action()->trigger();
    const int before = SlideAhead::counts().hits;
    for (int i = 0; i < 8; ++i) {
        advance(10000);
        EXPECT_EQ(onView(), main().filPic->fileName());
    }
    EXPECT_EQ(SlideAhead::counts().hits - before, 8);
}
