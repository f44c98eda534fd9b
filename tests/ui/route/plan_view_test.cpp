// The plan and profile views: the ground-to-screen transform, fitting,
// zooming about the cursor, panning, the colours of the elements, labels kept
// apart and the profile drawn with and without vertical points.
#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <cmath>
#include <memory>

#include "files/alignment_file.h"
#include "support/test_data.h"
#include "ui/route/plan_view.h"
#include "ui/route/profile_view.h"
#include "ui/route/view_text.h"

using korvane::ui::PlanView;
using korvane::ui::ProfileView;
namespace route = korvane::route;

namespace {

route::Definition piDefinition() {
    auto read = korvane::files::read_alignment_file(
        QString::fromStdString(korvane::testing::data_dir("KORVANE_ROUTE_CASES"))
            .append(QStringLiteral("/pi-alignment.csv"))
            .toStdString());
    if (!read) qFatal("%s", read.failure().message.c_str());
    return read.value();
}

std::shared_ptr<const route::Alignment> build(const route::Definition& d) {
    auto a = route::Alignment::build(d);
    if (!a.ok()) qFatal("%s", a.failure().message.c_str());
    return std::make_shared<const route::Alignment>(std::move(a.value()));
}

// Straight, transition, circular curve, transition, straight, from (0, 0)
// heading east.
route::Definition curveDefinition() {
    route::ElementsDef e;
    e.start_azimuth = M_PI / 2;
    e.elements = {{300, route::kStraight, route::kStraight},
                  {200, route::kStraight, 300},
                  {300, 300, 300},
                  {200, 300, route::kStraight},
                  {300, route::kStraight, route::kStraight}};
    route::Definition d;
    d.horizontal = e;
    return d;
}

route::Definition straightNorth(double length) {
    route::ElementsDef e;
    e.elements = {{length, route::kStraight, route::kStraight}};
    route::Definition d;
    d.horizontal = e;
    return d;
}

void wheel(QWidget& w, QPointF at, int delta) {
    QWheelEvent ev(at, w.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
    QApplication::sendEvent(&w, &ev);
}

void mouse(QWidget& w, QEvent::Type type, QPointF at, Qt::MouseButton button,
           Qt::MouseButtons buttons) {
    QMouseEvent ev(type, at, w.mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(&w, &ev);
}

QImage rendered(QWidget& w) {
    QImage image(w.size(), QImage::Format_ARGB32);
    image.fill(Qt::black);
    w.render(&image);
    return image;
}

int distance(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
           std::abs(a.blue() - b.blue());
}

// Whether a pixel within two of `at` has (nearly) the colour.
bool colourNear(const QImage& image, QPointF at, QColor colour) {
    const int cx = static_cast<int>(std::floor(at.x())), cy = static_cast<int>(std::floor(at.y()));
    for (int y = cy - 2; y <= cy + 2; ++y) {
        for (int x = cx - 2; x <= cx + 2; ++x) {
            if (image.rect().contains(x, y) && distance(image.pixelColor(x, y), colour) <= 40)
                return true;
        }
    }
    return false;
}

int pixelsOf(const QImage& image, QColor colour, const QRect& skip = {}) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (!skip.contains(x, y) && distance(image.pixelColor(x, y), colour) <= 40) ++n;
        }
    }
    return n;
}

}  // namespace

class PlanViewTest : public QObject {
    Q_OBJECT

  private slots:
    // The drawing is kept between paints; every change must still show.
    void keptDrawingFollowsEveryChange() {
        PlanView v;
        v.resize(300, 300);
        v.setAlignment(build(straightNorth(100)));
        const QImage first = v.grab().toImage();
        QCOMPARE(v.grab().toImage(), first);

        v.setMarks({korvane::ui::PlanMark{50, 20, QStringLiteral("P1")}});
        const QImage marked = v.grab().toImage();
        QVERIFY(marked != first);
        v.setMarks({});
        QCOMPARE(v.grab().toImage(), first);

        // A zoom, a pan and a new size each draw anew.
        wheel(v, QPointF(150, 150), 480);
        const QImage zoomed = v.grab().toImage();
        QVERIFY(zoomed != first);
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(150, 150),
                          v.mapToGlobal(QPointF(150, 150)), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(&v, &press);
        QMouseEvent move(QEvent::MouseMove, QPointF(180, 150), v.mapToGlobal(QPointF(180, 150)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&v, &move);
        QVERIFY(v.grab().toImage() != zoomed);
        v.resize(200, 300);
        QCOMPARE(v.grab().toImage().size(), QSize(200, 300));

        v.setAlignment(nullptr);
        QVERIFY(v.grab().toImage() != first);
    }

    void northIsUpAndEastToTheRight() {
        PlanView v;
        v.resize(300, 300);
        v.setAlignment(build(straightNorth(100)));
        // 100 m tall in 300 − 2·24 pixels, centred on (50, 0).
        QCOMPARE(v.scale(), 2.52);
        const QPointF centre = v.toScreen(50, 0);
        QCOMPARE(centre, QPointF(150, 150));
        QCOMPARE(v.toScreen(60, 0), QPointF(150, 150 - 25.2));
        QCOMPARE(v.toScreen(50, 10), QPointF(150 + 25.2, 150));
        const auto g = v.toGround(QPointF(150 + 25.2, 150 - 25.2));
        QCOMPARE(g.x, 60.0);
        QCOMPARE(g.y, 10.0);
    }

    void fitPutsTheWholeAlignmentAndItsIntersectionPointsInside() {
        const route::Definition d = piDefinition();
        const auto a = build(d);
        for (const QSize size : {QSize(640, 480), QSize(300, 700)}) {
            PlanView v;
            v.resize(size);
            v.setAlignment(a);
            v.setIntersections(PlanView::intersections_of(d));
            QCOMPARE(v.scale(), v.scale());
            wheel(v, QPointF(10, 10), 600);  // away from the fit
            v.fit();
            const QRectF inside(0, 0, size.width(), size.height());
            double min_x = 1e9, max_x = -1e9, min_y = 1e9, max_y = -1e9;
            for (double s = 0; s <= a->length(); s += 5) {
                const auto p = a->pose_at(s);
                const QPointF q = v.toScreen(p.x, p.y);
                QVERIFY2(inside.contains(q), qPrintable(QString::number(s)));
                min_x = std::min(min_x, q.x());
                max_x = std::max(max_x, q.x());
                min_y = std::min(min_y, q.y());
                max_y = std::max(max_y, q.y());
            }
            for (const auto& jd : PlanView::intersections_of(d)) {
                QVERIFY(inside.contains(v.toScreen(jd.x, jd.y)));
            }
            // Fitted, not merely inside: one way the drawing spans the widget
            // but for the margins.
            QVERIFY(max_x - min_x > 0.8 * size.width() || max_y - min_y > 0.8 * size.height());
        }
    }

    void aShownViewStaysFittedWhenResizedUntilZoomed() {
        PlanView v;
        v.resize(400, 300);
        v.show();
        QVERIFY(QTest::qWaitForWindowExposed(&v));
        v.setAlignment(build(straightNorth(100)));
        v.resize(400, 600);
        QTRY_COMPARE(v.scale(), (600 - 48) / 100.0);
        wheel(v, QPointF(100, 100), 120);
        const double zoomed = v.scale();
        v.resize(400, 500);
        QTest::qWait(20);
        QCOMPARE(v.scale(), zoomed);
    }

    void intersectionsOfAnElementDefinitionAreNone() {
        QVERIFY(PlanView::intersections_of(curveDefinition()).empty());
        const auto jds = PlanView::intersections_of(piDefinition());
        QCOMPARE(jds.size(), std::size_t{3});
        QCOMPARE(jds[1].label, QStringLiteral("JD2"));
        QCOMPARE(jds[1].x, 3457600.0);
        QCOMPARE(jds[1].y, 513450.0);
    }

    void wheelZoomKeepsTheGroundUnderTheCursor() {
        PlanView v;
        v.resize(640, 480);
        v.setAlignment(build(piDefinition()));
        const QPointF cursor(123.5, 321.25);
        const auto before = v.toGround(cursor);
        const double scale = v.scale();
        wheel(v, cursor, 120);
        QVERIFY(std::fabs(v.scale() / scale - std::pow(2.0, 0.25)) < 1e-12);
        auto after = v.toGround(cursor);
        QVERIFY(std::fabs(after.x - before.x) < 1e-6);
        QVERIFY(std::fabs(after.y - before.y) < 1e-6);
        wheel(v, cursor, -240);
        QVERIFY(v.scale() < scale);
        // Up to the closest zoom and on: held there, the point still fixed.
        for (int i = 0; i < 40; ++i) wheel(v, cursor, 1200);
        QCOMPARE(v.scale(), 1000.0);
        after = v.toGround(cursor);
        QVERIFY(std::fabs(after.x - before.x) < 1e-6);
        QVERIFY(std::fabs(after.y - before.y) < 1e-6);
        // And out: never so far that the alignment becomes a speck.
        for (int i = 0; i < 40; ++i) wheel(v, cursor, -1200);
        QVERIFY(v.scale() > scale / 100);
    }

    void dragPansByTheDraggedAmount() {
        PlanView v;
        v.resize(640, 480);
        v.setAlignment(build(piDefinition()));
        const QPointF from(200, 200), to(260.5, 150);
        const auto grabbed = v.toGround(from);
        mouse(v, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        mouse(v, QEvent::MouseMove, QPointF(230, 170), Qt::NoButton, Qt::LeftButton);
        mouse(v, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        mouse(v, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
        const auto now = v.toGround(to);
        QVERIFY(std::fabs(now.x - grabbed.x) < 1e-6);
        QVERIFY(std::fabs(now.y - grabbed.y) < 1e-6);
        // Moving without the button pressed does not pan.
        mouse(v, QEvent::MouseMove, QPointF(10, 10), Qt::NoButton, Qt::NoButton);
        QVERIFY(std::fabs(v.toGround(to).x - grabbed.x) < 1e-6);
    }

    void cursorMovedReportsTheGroundUnderThePixel() {
        PlanView v;
        v.resize(640, 480);
        v.setAlignment(build(piDefinition()));
        wheel(v, QPointF(300, 200), 360);
        QSignalSpy spy(&v, &PlanView::cursorMoved);
        const QPointF pixel(417, 93);
        mouse(v, QEvent::MouseMove, pixel, Qt::NoButton, Qt::NoButton);
        QCOMPARE(spy.count(), 1);
        const double x = spy[0][0].toDouble(), y = spy[0][1].toDouble();
        const auto g = v.toGround(pixel);
        QCOMPARE(x, g.x);
        QCOMPARE(y, g.y);
        const QPointF back = v.toScreen(x, y);
        QVERIFY(std::fabs(back.x() - pixel.x()) < 1e-6 && std::fabs(back.y() - pixel.y()) < 1e-6);
        // In national-grid coordinates.
        QVERIFY(x > 3.4e6 && x < 3.5e6 && y > 5.1e5 && y < 5.2e5);
    }

    void elementsAreDrawnInTheColoursOfTheirKinds() {
        const auto a = build(curveDefinition());
        PlanView v;
        v.resize(1200, 900);
        v.setAlignment(a);
        const QImage image = rendered(v);
        const PlanView::Kind kinds[5] = {PlanView::Kind::straight, PlanView::Kind::transition,
                                         PlanView::Kind::circular, PlanView::Kind::transition,
                                         PlanView::Kind::straight};
        for (std::size_t i = 0; i < 5; ++i) {
            const route::Segment& seg = a->segments()[i];
            QCOMPARE(PlanView::kind_of(seg), kinds[i]);
            // (Not at 0.5: the circular curve's middle carries the QZ mark.)
            for (const double f : {0.3, 0.4, 0.6}) {
                const auto p = a->pose_at(seg.s_start + f * seg.length);
                QVERIFY2(colourNear(image, v.toScreen(p.x, p.y), PlanView::colour(kinds[i])),
                         qPrintable(QStringLiteral("element %1 at %2").arg(i + 1).arg(f)));
            }
        }
        // Only the legend carries curve colours on a straight alignment.
        PlanView straight;
        straight.resize(600, 400);
        straight.setAlignment(build(straightNorth(500)));
        const QImage plain = rendered(straight);
        const QRect legend(0, 0, 200, 120);
        QCOMPARE(pixelsOf(plain, PlanView::colour(PlanView::Kind::circular), legend), 0);
        QCOMPARE(pixelsOf(plain, PlanView::colour(PlanView::Kind::transition), legend), 0);
        QVERIFY(pixelsOf(plain, PlanView::colour(PlanView::Kind::straight), legend) > 300);
    }

    void aLongStraightStillShowsAtTheClosestZoom() {
        // Its ends lie hundreds of millions of pixels outside the widget.
        const auto a = build(straightNorth(200000));
        PlanView v;
        v.resize(400, 300);
        v.setAlignment(a);
        const QPointF on = v.toScreen(100000.4, 0);
        for (int i = 0; i < 60; ++i) wheel(v, on, 1200);
        QCOMPARE(v.scale(), 1000.0);
        const QImage image = rendered(v);
        const QColor straight = PlanView::colour(PlanView::Kind::straight);
        QVERIFY(colourNear(image, v.toScreen(100000.4, 0), straight));
        QVERIFY(colourNear(image, v.toScreen(100000.5, 0), straight));
        QVERIFY(!colourNear(image, v.toScreen(100000.4, 0.05), straight));
    }

    void crowdedMainPointsLeaveTheLineVisible() {
        // 200 elements of 80 to 150 m fitted into the widget: their labels
        // would cover the line.
        route::ElementsDef e;
        e.start_x = 3512345.678;
        e.start_y = 456789.012;
        e.start_azimuth = 0.7;
        for (int i = 0; i < 200; ++i) {
            const double r = ((i / 4) % 2 == 0 ? 1.0 : -1.0) * 600;
            const route::ElementDef kinds[4] = {{150, route::kStraight, route::kStraight},
                                                {100, route::kStraight, r},
                                                {80, r, r},
                                                {100, r, route::kStraight}};
            e.elements.push_back(kinds[i % 4]);
        }
        route::Definition d;
        d.horizontal = e;
        const auto a = build(d);
        PlanView v;
        v.resize(1280, 800);
        v.setAlignment(a);
        const QImage image = rendered(v);
        int seen = 0, looked = 0;
        for (double s = 0.5 * a->length() / 100; s < a->length(); s += a->length() / 100) {
            const auto p = a->pose_at(s);
            const QPointF at = v.toScreen(p.x, p.y);
            ++looked;
            if (colourNear(image, at, PlanView::colour(PlanView::Kind::straight)) ||
                colourNear(image, at, PlanView::colour(PlanView::Kind::circular)) ||
                colourNear(image, at, PlanView::colour(PlanView::Kind::transition)))
                ++seen;
        }
        QVERIFY2(seen >= looked * 95 / 100,
                 qPrintable(QStringLiteral("%1 of %2").arg(seen).arg(looked)));
    }

    void marksAndEmptyViewsRender() {
        PlanView v;
        v.resize(300, 200);
        QImage image = rendered(v);  // no alignment: a note, no crash
        QVERIFY(pixelsOf(image, Qt::white) > 50000);
        const auto a = build(piDefinition());
        v.setAlignment(a);
        std::vector<korvane::ui::PlanMark> marks;
        for (int i = 0; i < 30000; ++i) {
            const auto p = a->pose_at(0.1 * i);
            marks.push_back({p.x + 20, p.y, QStringLiteral("P%1").arg(i)});
        }
        v.setMarks(std::move(marks));
        image = rendered(v);
        QVERIFY(pixelsOf(image, QColor(200, 0, 160)) > 20);
        v.setAlignment(nullptr);
        image = rendered(v);
        QCOMPARE(pixelsOf(image, QColor(200, 0, 160)), 0);
    }

    void labelsThatWouldOverlapAreLeftOut() {
        QImage image(400, 300, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        korvane::ui::LabelPlacer labels(painter, QRectF(0, 0, 400, 300));
        const QPointF at(200, 150);
        // Four corners around one point, then no room.
        for (int i = 0; i < 4; ++i) QVERIFY(labels.place(at, QStringLiteral("ZH K0+374.681")));
        QVERIFY(!labels.place(at, QStringLiteral("HY K0+494.681")));
        QVERIFY(!labels.place(at + QPointF(3, 2), QStringLiteral("QZ")));
        // Far enough away there is room again; outside the bounds there is not.
        QVERIFY(labels.place(QPointF(40, 40), QStringLiteral("QZ")));
        QVERIFY(!labels.place_in(QRectF(390, 290, 30, 20), QStringLiteral("ZD")));
        labels.reserve(QRectF(300, 0, 100, 100));
        QVERIFY(!labels.place_in(QRectF(320, 20, 30, 20), QStringLiteral("JD1")));
        // A main point's symbol is not covered by a later label (a tick's),
        // however many symbols there are: they do not use up the labels.
        for (int i = 0; i < 1000; ++i) labels.avoid(QRectF(0, 299, 1, 1));
        labels.avoid(QRectF(96, 196, 8, 8));
        QVERIFY(!labels.place_in(QRectF(90, 190, 40, 16), QStringLiteral("K0+100")));
        QVERIFY(labels.place_in(QRectF(110, 200, 40, 16), QStringLiteral("K0+100")));
    }

    void numbersAreWrittenWithoutNegativeZero() {
        using korvane::ui::fixed_text;
        using korvane::ui::signed_text;
        QCOMPARE(fixed_text(125.3, 3), QStringLiteral("125.300"));
        QCOMPARE(fixed_text(-0.0004, 3), QStringLiteral("0.000"));
        QCOMPARE(fixed_text(-0.0006, 3, QStringLiteral(" m")), QStringLiteral("-0.001 m"));
        QCOMPARE(signed_text(1.25, 3, QStringLiteral("%")), QStringLiteral("+1.250%"));
        QCOMPARE(signed_text(-1.25, 3, QStringLiteral("%")), QStringLiteral("-1.250%"));
        QCOMPARE(signed_text(0.0001, 3, QStringLiteral("%")), QStringLiteral("0.000%"));
        QCOMPARE(signed_text(-0.0001, 3, QStringLiteral("%")), QStringLiteral("0.000%"));
    }

    void profileWithoutVerticalPointsIsANote() {
        ProfileView v;
        v.resize(500, 300);
        QImage image = rendered(v);
        QCOMPARE(pixelsOf(image, ProfileView::designColour()), 0);
        // The note, grey, in the middle and nowhere else.
        const QColor grey(110, 110, 110);
        QVERIFY(pixelsOf(image, grey) > 10);
        QCOMPARE(pixelsOf(image, grey, QRect(150, 120, 200, 60)), 0);
        v.setAlignment(build(curveDefinition()));
        image = rendered(v);
        QCOMPARE(pixelsOf(image, ProfileView::designColour()), 0);
    }

    void profileDrawsTheDesignLine() {
        const auto a = build(piDefinition());
        QVERIFY(a->has_profile());
        ProfileView v;
        v.resize(1000, 500);
        v.setAlignment(a);
        const QImage image = rendered(v);
        const QRectF plot = v.plotRect();
        const auto& grades = a->profile();
        QCOMPARE(grades.size(), std::size_t{4});
        // The ends of the profile at the plot's left and right edges.
        QCOMPARE(v.toScreen(grades.front().s, 120).x(), plot.left());
        QCOMPARE(v.toScreen(grades.back().s, 120).x(), plot.right());
        for (const double f : {0.05, 0.2, 0.35, 0.5, 0.65, 0.8, 0.95}) {
            const double s = grades.front().s + f * (grades.back().s - grades.front().s);
            const auto h = a->elevation_at(s);
            QVERIFY(h.has_value());
            const QPointF p = v.toScreen(s, *h);
            QVERIFY(plot.contains(p));
            QVERIFY2(colourNear(image, p, ProfileView::designColour()),
                     qPrintable(QString::number(s)));
            // Higher ground is drawn higher.
            QVERIFY(v.toScreen(s, *h + 1).y() < p.y());
        }
        for (const auto& g : grades) QVERIFY(plot.contains(v.toScreen(g.s, g.elevation)));
    }
};

QTEST_MAIN(PlanViewTest)
#include "plan_view_test.moc"
