// The section in the route window: its tables edited and saved, the records
// an alignment by intersection points derives, the cross-section drawing and
// the superelevation diagram, driven offscreen as a user would.
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>
#include <cmath>

#include "fake_desktop.h"
#include "files/alignment_file.h"
#include "support/test_data.h"
#include "ui/route/definition_pane.h"
#include "ui/route/plan_view.h"
#include "ui/route/route_window.h"
#include "ui/route/section_view.h"

using korvane::ui::DefinitionPane;
using korvane::ui::RouteWindow;
using korvane::ui::SectionView;
using korvane::ui::SuperelevationView;
using korvane::ui::testing::FakeDesktop;
namespace route = korvane::route;

namespace {

// An alignment by intersection points with a template of three segments a
// side, superelevated and widened curves and a runoff length.
const QString kSection =
    QString::fromStdString(korvane::testing::data_dir("KORVANE_SECTION_DATA")) +
    QStringLiteral("/section-alignment.csv");

template <class T>
T* child(QWidget& window, const char* name) {
    T* w = window.findChild<T*>(QLatin1String(name));
    if (!w) qFatal("no widget %s", name);
    return w;
}

QAbstractItemModel* model(QWidget& window, const char* table) {
    return child<QTableView>(window, table)->model();
}

bool setCell(QWidget& window, const char* table, int row, int column, const QString& text) {
    QAbstractItemModel* m = model(window, table);
    return m->setData(m->index(row, column), text, Qt::EditRole);
}

QString cell(QWidget& window, const char* table, int row, int column) {
    QAbstractItemModel* m = model(window, table);
    return m->data(m->index(row, column), Qt::DisplayRole).toString();
}

QString rowError(QWidget& window, const char* table, int row) {
    QAbstractItemModel* m = model(window, table);
    return m->data(m->index(row, m->columnCount() - 1), Qt::DisplayRole).toString();
}

void addRow(QWidget& window, const char* prefix) {
    child<QPushButton>(window, (QByteArray(prefix) + "InsertButton").constData())->click();
}

std::optional<route::Definition> shownDefinition(RouteWindow& w) {
    return w.findChild<DefinitionPane*>()->read().definition;
}

// A straight north of 200 m from K0+000 with a 1 % grade.
void typeStraight(RouteWindow& w) {
    setCell(w, "startTable", 0, 0, QStringLiteral("直线"));
    setCell(w, "startTable", 0, 2, QStringLiteral("K0+000"));
    setCell(w, "startTable", 0, 3, QStringLiteral("0"));
    setCell(w, "startTable", 0, 4, QStringLiteral("0"));
    setCell(w, "startTable", 0, 5, QStringLiteral("0"));
    addRow(w, "element");
    setCell(w, "elementTable", 0, 0, QStringLiteral("200"));
    setCell(w, "elementTable", 0, 1, QStringLiteral("∞"));
    setCell(w, "elementTable", 0, 2, QStringLiteral("∞"));
    addRow(w, "profile");
    addRow(w, "profile");
    setCell(w, "profileTable", 0, 0, QStringLiteral("0"));
    setCell(w, "profileTable", 0, 1, QStringLiteral("100"));
    setCell(w, "profileTable", 1, 0, QStringLiteral("200"));
    setCell(w, "profileTable", 1, 1, QStringLiteral("102"));
}

// Row `row` of the template table: side, width, slope, name, turns.
void typePart(RouteWindow& w, int row, const QStringList& cells) {
    addRow(w, "sectionPart");
    for (int c = 0; c < cells.size(); ++c) setCell(w, "sectionPartTable", row, c, cells[c]);
}

// Pixels of the drawing that are not white.
int inked(QWidget& view) {
    const QImage image = view.grab().toImage();
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255)) ++n;
    return n;
}

}  // namespace

class SectionTest : public QObject {
    Q_OBJECT

  private slots:
    void typedSectionTablesSurviveSaveAndOpen();
    void aFileWithASectionSavesToTheSameDefinition();
    void pointsShowTheirDerivedRecordsReadOnly();
    void refusalsOfTheSectionShowAtTheirRow();
    void theSectionDrawingFollowsTheStation();
    void withoutATemplateTheDrawingSaysSo();
    void theDiagramShowsTheCrownOnAStraightAndTheCurves();
    void forwardShowsTheDesignElevationAtTheOffset();
};

void SectionTest::typedSectionTablesSurviveSaveAndOpen() {
    QTemporaryDir dir;
    FakeDesktop desktop;
    RouteWindow w(desktop);
    typeStraight(w);
    // Rows of the two sides mixed: each side keeps its own order.
    typePart(w, 0,
             {QStringLiteral("右"), QStringLiteral("3.5"), QStringLiteral("-2"),
              QStringLiteral("行车道"), QString()});
    typePart(w, 1,
             {QStringLiteral("左"), QStringLiteral("3.5"), QStringLiteral("-2"),
              QStringLiteral("行车道"), QStringLiteral("是")});
    typePart(w, 2,
             {QStringLiteral("右"), QStringLiteral("1.5"), QStringLiteral("-4"),
              QStringLiteral("土路肩"), QStringLiteral("否")});
    QVERIFY(setCell(w, "sectionSettingsTable", 0, 0, QStringLiteral("-3.5")));
    QVERIFY(setCell(w, "sectionSettingsTable", 0, 1, QStringLiteral("外边线")));
    QVERIFY(setCell(w, "sectionSettingsTable", 0, 2, QStringLiteral("40")));
    addRow(w, "superelevation");
    addRow(w, "superelevation");
    for (int c = 0; c < 3; ++c) {
        setCell(
            w, "superelevationTable", 0, c,
            QStringList{QStringLiteral("K0+050"), QStringLiteral("-2"), QStringLiteral("-2")}[c]);
        setCell(
            w, "superelevationTable", 1, c,
            QStringList{QStringLiteral("K0+090"), QStringLiteral("4"), QStringLiteral("-4")}[c]);
    }
    addRow(w, "widening");
    for (int c = 0; c < 3; ++c)
        setCell(
            w, "wideningTable", 0, c,
            QStringList{QStringLiteral("K0+100"), QStringLiteral("0"), QStringLiteral("0.5")}[c]);
    QVERIFY2(w.alignment(), qPrintable(rowError(w, "sectionPartTable", 0)));

    const std::optional<route::Definition> typed = shownDefinition(w);
    QVERIFY(typed);
    const route::SectionDef& s = typed->section;
    QCOMPARE(s.left.size(), std::size_t{1});
    QCOMPARE(s.right.size(), std::size_t{2});
    QCOMPARE(s.right[1].name, std::string("土路肩"));
    QVERIFY(!s.right[1].turns);
    QCOMPARE(s.axis.kind, route::AxisKind::outer_edge);
    QCOMPARE(s.profile_offset, -3.5);
    QCOMPARE(s.runoff, 40.0);
    QCOMPARE(s.superelevation.size(), std::size_t{2});
    QCOMPARE(s.superelevation[1].left, 4.0);
    QCOMPARE(s.widening.front().right, 0.5);

    const QString path = dir.filePath(QStringLiteral("section.csv"));
    QVERIFY(w.saveTo(path));
    auto read = korvane::files::read_alignment_file(path.toStdString());
    QVERIFY(read);
    QVERIFY(read.value().section == s);
    RouteWindow again(desktop);
    QVERIFY(again.openFile(path));
    QVERIFY(shownDefinition(again) == typed);
    // An offset axis reads back as its number; undo takes the edit back.
    QVERIFY(setCell(again, "sectionSettingsTable", 0, 1, QStringLiteral("1.25")));
    QCOMPARE(shownDefinition(again)->section.axis,
             (route::RotationAxis{route::AxisKind::offset, 1.25}));
    again.undoStack()->undo();
    QCOMPARE(cell(again, "sectionSettingsTable", 0, 1), QStringLiteral("外边线"));
}

void SectionTest::aFileWithASectionSavesToTheSameDefinition() {
    QTemporaryDir dir;
    FakeDesktop desktop;
    RouteWindow w(desktop);
    QVERIFY(w.openFile(kSection));
    QVERIFY(w.alignment());
    auto original = korvane::files::read_alignment_file(kSection.toStdString());
    QVERIFY(original);
    QVERIFY(shownDefinition(w) == original.value());
    const QString path = dir.filePath(QStringLiteral("copy.csv"));
    QVERIFY(w.saveTo(path));
    auto saved = korvane::files::read_alignment_file(path.toStdString());
    QVERIFY(saved);
    QVERIFY(saved.value() == original.value());
}

void SectionTest::pointsShowTheirDerivedRecordsReadOnly() {
    FakeDesktop desktop;
    RouteWindow w(desktop);
    QVERIFY(w.openFile(kSection));
    QCOMPARE(cell(w, "pointTable", 1, 6), QStringLiteral("4"));
    QCOMPARE(cell(w, "pointTable", 1, 7), QStringLiteral("0.6"));
    QCOMPARE(cell(w, "pointTable", 2, 7), QString());  // no widening: empty, not 0

    const route::Section& section = w.alignment()->section();
    QVERIFY(section.derived());
    QAbstractItemModel* slopes = model(w, "superelevationTable");
    QCOMPARE(static_cast<std::size_t>(slopes->rowCount()), section.superelevation().size());
    QVERIFY(slopes->rowCount() > 0);
    for (int r = 0; r < slopes->rowCount(); ++r) {
        const route::SectionRecord& rec = section.superelevation()[static_cast<std::size_t>(r)];
        QCOMPARE(cell(w, "superelevationTable", r, 1).toDouble(), rec.left);
        QCOMPARE(cell(w, "superelevationTable", r, 2).toDouble(), rec.right);
        QVERIFY(!(slopes->flags(slopes->index(r, 0)) & Qt::ItemIsEditable));
    }
    QVERIFY(!setCell(w, "superelevationTable", 0, 1, QStringLiteral("9")));
    QVERIFY(model(w, "wideningTable")->rowCount() > 0);
    QVERIFY(!child<QPushButton>(w, "superelevationInsertButton")->isVisibleTo(&w));
    // The chainage shown is the record's, in its zone (after the chain break
    // K1+200 = K1+190 the stations run 10 m behind s).
    const double s0 = section.superelevation().front().s;
    QCOMPARE(cell(w, "superelevationTable", 0, 0),
             QString::fromStdString(w.alignment()->chainage_text(s0, 3)));

    // A changed superelevation at JD1 is derived again.
    QVERIFY(setCell(w, "pointTable", 1, 6, QStringLiteral("5")));
    bool found = false;
    for (int r = 0; r < slopes->rowCount(); ++r)
        found = found || cell(w, "superelevationTable", r, 1) == QStringLiteral("5");
    QVERIFY(found);
    // Undone, the records are those of the file again.
    w.undoStack()->undo();
    QCOMPARE(static_cast<std::size_t>(slopes->rowCount()),
             w.alignment()->section().superelevation().size());

    // JD3 has no transitions: without a runoff length its superelevation is
    // refused at its row, and nothing is derived.
    QVERIFY(setCell(w, "sectionSettingsTable", 0, 2, QString()));
    QVERIFY(!w.alignment());
    QVERIFY(!rowError(w, "pointTable", 3).isEmpty());
    QVERIFY(rowError(w, "pointTable", 1).isEmpty());
    QCOMPARE(slopes->rowCount(), 0);
    // (its widening too needs the runoff)
    QVERIFY(setCell(w, "pointTable", 3, 6, QString()));
    QVERIFY(!w.alignment());
    QVERIFY(setCell(w, "pointTable", 3, 7, QString()));
    QVERIFY(w.alignment());
    QVERIFY(slopes->rowCount() > 0);
}

void SectionTest::refusalsOfTheSectionShowAtTheirRow() {
    FakeDesktop desktop;
    RouteWindow w(desktop);
    typeStraight(w);
    typePart(w, 0, {QStringLiteral("右"), QStringLiteral("3.5"), QStringLiteral("-2")});
    typePart(w, 1, {QStringLiteral("左"), QStringLiteral("0"), QStringLiteral("-2")});
    // The first segment of the left side is the table's second row.
    QVERIFY(!w.alignment());
    QVERIFY(!rowError(w, "sectionPartTable", 1).isEmpty());
    QVERIFY(rowError(w, "sectionPartTable", 0).isEmpty());
    setCell(w, "sectionPartTable", 1, 1, QStringLiteral("3.5"));
    QVERIFY(w.alignment());
    QVERIFY(rowError(w, "sectionPartTable", 1).isEmpty());

    // What the tables cannot read is named at its field.
    setCell(w, "sectionPartTable", 1, 0, QStringLiteral("中"));
    QCOMPARE(rowError(w, "sectionPartTable", 1), QStringLiteral("侧须为左或右！"));
    setCell(w, "sectionPartTable", 1, 0, QStringLiteral("左"));
    setCell(w, "sectionSettingsTable", 0, 1, QStringLiteral("路肩"));
    QVERIFY(rowError(w, "sectionSettingsTable", 0).startsWith(QStringLiteral("旋转轴")));
    setCell(w, "sectionSettingsTable", 0, 1, QStringLiteral("中线"));
    // A profile line off the template is the library's refusal, at the settings.
    setCell(w, "sectionSettingsTable", 0, 0, QStringLiteral("9"));
    QVERIFY(!w.alignment());
    QVERIFY(!rowError(w, "sectionSettingsTable", 0).isEmpty());
    setCell(w, "sectionSettingsTable", 0, 0, QStringLiteral("0"));
    // Records out of order: the second one's row.
    addRow(w, "superelevation");
    addRow(w, "superelevation");
    setCell(w, "superelevationTable", 0, 0, QStringLiteral("K0+100"));
    setCell(w, "superelevationTable", 1, 0, QStringLiteral("K0+050"));
    for (int r = 0; r < 2; ++r) {
        setCell(w, "superelevationTable", r, 1, QStringLiteral("-2"));
        setCell(w, "superelevationTable", r, 2, QStringLiteral("-2"));
    }
    QVERIFY(!w.alignment());
    QVERIFY(rowError(w, "superelevationTable", 0).isEmpty());
    QVERIFY(!rowError(w, "superelevationTable", 1).isEmpty());
}

void SectionTest::theSectionDrawingFollowsTheStation() {
    FakeDesktop desktop;
    RouteWindow w(desktop);
    w.show();
    QVERIFY(w.openFile(kSection));
    auto* view = child<SectionView>(w, "sectionView");
    view->resize(700, 420);
    // On the circular curve of JD1 (QZ K0+578.305), fully superelevated.
    child<QLineEdit>(w, "stationEdit")->setText(QStringLiteral("K0+578.305"));
    QVERIFY(view->position());
    const double s = *view->position();
    const route::Alignment& a = *w.alignment();
    QVERIFY(std::fabs(a.chainage_of(s, 1) - 578.305) < 1e-9);
    QCOMPARE(view->points().size(), std::size_t{7});
    QCOMPARE(view->slopeLabels().size(), 6);
    QCOMPARE(view->points()[3].offset, 0.0);
    for (const SectionView::Point& p : view->points()) {
        QVERIFY(p.elevation);
        QCOMPARE(*p.elevation, *a.design_elevation(s, p.offset));
    }
    // Turning right: the carriageway falls to the right at the full 4 %; the
    // shoulders keep theirs, the low one no flatter than the road inside it.
    QCOMPARE(view->slopeLabels()[2], QStringLiteral("+4.00%"));
    QCOMPARE(view->slopeLabels()[3], QStringLiteral("-4.00%"));
    QVERIFY(view->points().back().offset > 11.25);  // the inside is widened
    QVERIFY(view->note().isEmpty());
    QVERIFY(inked(*view) > 2000);

    // A station after the chain break in the zone typed.
    child<QSpinBox>(w, "zoneBox")->setValue(2);
    child<QLineEdit>(w, "stationEdit")->setText(QStringLiteral("K1+195"));
    QVERIFY(std::fabs(a.chainage_of(*view->position(), 2) - 1195) < 1e-9);
    // Text that is no station leaves the drawing where it was.
    const double before = *view->position();
    child<QLineEdit>(w, "stationEdit")->setText(QStringLiteral("K1+"));
    QCOMPARE(*view->position(), before);

    // A point clicked on the plan: the section at its foot on the line.
    auto* plan = child<korvane::ui::PlanView>(w, "planView");
    const route::KeyPoint& qz = a.key_points()[3];
    QCOMPARE(qz.label, std::string("QZ"));
    QTest::mouseClick(plan, Qt::LeftButton, {}, plan->toScreen(qz.x, qz.y).toPoint());
    // Within the metres a pixel spans.
    QVERIFY(std::fabs(*view->position() - qz.s) < 2 / plan->scale() + 1e-6);

    // A station typed before there is an alignment is shown once there is one.
    RouteWindow fresh(desktop);
    auto* blank = child<SectionView>(fresh, "sectionView");
    child<QLineEdit>(fresh, "stationEdit")->setText(QStringLiteral("K0+150"));
    QVERIFY(!blank->position());
    QVERIFY(fresh.openFile(kSection));
    QVERIFY(blank->position());
    QVERIFY(std::fabs(*blank->position() - 150) < 1e-9);
}

void SectionTest::withoutATemplateTheDrawingSaysSo() {
    FakeDesktop desktop;
    RouteWindow w(desktop);
    typeStraight(w);
    auto* view = child<SectionView>(w, "sectionView");
    child<QLineEdit>(w, "stationEdit")->setText(QStringLiteral("K0+100"));
    QCOMPARE(view->note(), QStringLiteral("未设路幅：只有设计线上有设计高程"));
    QCOMPARE(view->points().size(), std::size_t{1});
    QCOMPARE(*view->points().front().elevation, 101.0);
    view->resize(400, 300);
    QVERIFY(inked(*view) > 100);
    QCOMPARE(child<SuperelevationView>(w, "superelevationView")->note(),
             QStringLiteral("未设路幅，无超高图"));
}

void SectionTest::theDiagramShowsTheCrownOnAStraightAndTheCurves() {
    FakeDesktop desktop;
    RouteWindow w(desktop);
    typeStraight(w);
    typePart(w, 0, {QStringLiteral("左"), QStringLiteral("3.5"), QStringLiteral("-2")});
    typePart(w, 1, {QStringLiteral("右"), QStringLiteral("3.5"), QStringLiteral("-2")});
    auto* diagram = child<SuperelevationView>(w, "superelevationView");
    for (const route::Side side : {route::Side::left, route::Side::right}) {
        QVERIFY(!diagram->samples(side).empty());
        for (const SuperelevationView::Sample& p : diagram->samples(side)) QCOMPARE(p.slope, -2.0);
    }

    QVERIFY(w.openFile(kSection));
    const route::Alignment& a = *w.alignment();
    const auto& left = diagram->samples(route::Side::left);
    const auto& right = diagram->samples(route::Side::right);
    QCOMPARE(left.size(), right.size());
    double most = 0, least = 0;
    for (std::size_t i = 0; i < left.size(); ++i) {
        const route::SectionAt at = a.section().at(left[i].s, 0.0);
        QCOMPARE(left[i].slope, at.slope(route::Side::left, 0));
        most = std::max(most, left[i].slope);
        least = std::min(least, right[i].slope);
    }
    // JD1 turns right at 4 %, JD3 at 6 %; JD2 turns left at 3 %.
    QCOMPARE(most, 6.0);
    QCOMPARE(least, -6.0);
    diagram->resize(800, 200);
    QVERIFY(inked(*diagram) > 1000);
}

void SectionTest::forwardShowsTheDesignElevationAtTheOffset() {
    FakeDesktop desktop;
    RouteWindow w(desktop);
    QVERIFY(w.openFile(kSection));
    const route::Alignment& a = *w.alignment();
    const auto forwardH = [&](const QString& offset) {
        child<QLineEdit>(w, "stationEdit")->setText(QStringLiteral("K0+578.305"));
        child<QLineEdit>(w, "offsetEdit")->setText(offset);
        child<QPushButton>(w, "forwardButton")->click();
        return child<QLineEdit>(w, "forwardH")->text();
    };
    const route::Outcome<route::Station> at = a.locate(578.305, 0);
    QVERIFY(at);
    QCOMPARE(forwardH(QStringLiteral("-5")),
             QString::number(*a.design_elevation(at.value().s, -5), 'f', 3));
    QCOMPARE(forwardH(QStringLiteral("5")),
             QString::number(*a.design_elevation(at.value().s, 5), 'f', 3));
    // Beyond the template's edge there is no design surface: H is empty.
    QCOMPARE(forwardH(QStringLiteral("30")), QString());
    QVERIFY(desktop.messages.isEmpty());
}

QTEST_MAIN(SectionTest)
#include "section_test.moc"
