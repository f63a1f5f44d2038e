#include "ui/view/ViewLayout.h"

#include <QTest>

using namespace viewlayout;

Q_DECLARE_METATYPE(viewlayout::ResizeValues)

namespace {
ResizeValues values(float tree, float bannerH, float bannerL, float title, float weather, float dateL, float dateW,
                    float bodyW, float bodyH, float line) {
    return {tree, bannerH, bannerL, title, weather, dateL, dateW, bodyW, bodyH, line};
}
} // namespace

class TestViewLayout : public QObject {
    Q_OBJECT
private slots:
    void resizeGivesTheTenValues_data() {
        QTest::addColumn<float>("width");
        QTest::addColumn<float>("height");
        QTest::addColumn<ResizeValues>("expected");
        // The smallest window the size limit allows, 1024 x 486 pixels.
        QTest::newRow("minimum size") << 15360.f << 7290.f
                                      << values(6690, 6540, 12700, 9360, 4630, 7970, 4630, 9960, 4785, 12600);
        // Wider by 1000: banner +1000, title and body +1000, weather and date +500, date left +500, line +1000.
        QTest::newRow("1000 wider") << 16360.f << 7290.f
                                    << values(6690, 6540, 13700, 10360, 5130, 8470, 5130, 10960, 4785, 13600);
        // Taller by 1000: tree, banner and body +1000; nothing moves.
        QTest::newRow("1000 taller") << 15360.f << 8290.f
                                     << values(7690, 7540, 12700, 9360, 4630, 7970, 4630, 9960, 5785, 12600);
        // An odd title width leaves half a twip in the weather and date widths, and it is kept.
        QTest::newRow("half twips") << 15361.f << 7290.f
                                    << values(6690, 6540, 12701, 9361, 4630.5f, 7970.5f, 4630.5f, 9961, 4785, 12601);
    }
    void resizeGivesTheTenValues() {
        QFETCH(float, width);
        QFETCH(float, height);
        QFETCH(ResizeValues, expected);
        const ResizeValues v = resize(width, height, designedGeometry());
        QCOMPARE(v.treeHeight, expected.treeHeight);
        QCOMPARE(v.bannerHeight, expected.bannerHeight);
        QCOMPARE(v.bannerLeft, expected.bannerLeft);
        QCOMPARE(v.titleWidth, expected.titleWidth);
        QCOMPARE(v.weatherWidth, expected.weatherWidth);
        QCOMPARE(v.dateLeft, expected.dateLeft);
        QCOMPARE(v.dateWidth, expected.dateWidth);
        QCOMPARE(v.bodyWidth, expected.bodyWidth);
        QCOMPARE(v.bodyHeight, expected.bodyHeight);
        QCOMPARE(v.lineX2, expected.lineX2);
    }

    void rightEndsLineUpAfterAnyResize_data() {
        QTest::addColumn<float>("width");
        QTest::addColumn<float>("height");
        QTest::newRow("minimum") << 15360.f << 7290.f;
        QTest::newRow("odd width") << 17777.f << 9001.f;
        QTest::newRow("full hd") << 28800.f << 16200.f;
    }
    void rightEndsLineUpAfterAnyResize() {
        QFETCH(float, width);
        QFETCH(float, height);
        const Geometry g = applied(designedGeometry(), resize(width, height, designedGeometry()));
        const float titleRight = g.title.left + g.title.width;
        QCOMPARE(g.dateWeek.left + g.dateWeek.width, titleRight);
        QCOMPARE(g.body.left + g.body.width, titleRight);
        QCOMPARE(g.lineX2, titleRight);
        QCOMPARE(g.dateWeek.left - (g.weather.left + g.weather.width), 100.f);
        QCOMPARE(g.banner.left + g.banner.width, width - 200);
        QCOMPARE(g.banner.left - titleRight, 100.f);
        // The banner ends 30 above the tree, the body 15 below it.
        QCOMPARE(g.tree.top + g.tree.height - (g.banner.top + g.banner.height), 30.f);
        QCOMPARE(g.body.top + g.body.height - (g.tree.top + g.tree.height), 15.f);
    }

    void onlyTheTenPropertiesChange() {
        const Geometry before = designedGeometry();
        const Geometry after = applied(before, resize(20000, 9000, before));
        // Nothing that the resize does not assign may move.
        for (const auto& [a, b] : {std::pair{before.insert, after.insert},
                                   {before.updata, after.updata},
                                   {before.output, after.output},
                                   {before.remove, after.remove},
                                   {before.find, after.find},
                                   {before.input, after.input},
                                   {before.labelTitle, after.labelTitle},
                                   {before.labelWeather, after.labelWeather}}) {
            QCOMPARE(a.left, b.left);
            QCOMPARE(a.top, b.top);
            QCOMPARE(a.width, b.width);
            QCOMPARE(a.height, b.height);
        }
        QCOMPARE(after.tree.width, before.tree.width);
        QCOMPARE(after.tree.top, before.tree.top);
        QCOMPARE(after.banner.width, before.banner.width);
        QCOMPARE(after.banner.top, before.banner.top);
        QCOMPARE(after.title.left, before.title.left);
        QCOMPARE(after.weather.left, before.weather.left);
        QCOMPARE(after.body.left, before.body.left);
        QCOMPARE(after.body.top, before.body.top);
        QCOMPARE(after.lineX1, before.lineX1);
        QCOMPARE(after.lineY, before.lineY);
    }
};

QTEST_APPLESS_MAIN(TestViewLayout)
#include "tst_viewlayout.moc"
