// The working modes against a model. Random sequences of clicks on the option
// buttons, the clear button and the compute buttons drive the window; a small
// model replays each option handler from its table of (control, property,
// value) steps, and after every click the enabled, visible and selected state
// of every control of the window must equal the model's.
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QRadioButton>
#include <QRegularExpression>
#include <QtTest>

#include "fake_desktop.h"
#include "form/fields.h"
#include "ui/line/main_form.h"

using korvane::ui::MainForm;
using korvane::ui::testing::FakeDesktop;

namespace {

enum class Prop { Visible, Enabled, Selected };

struct Step {
    const char* control;
    Prop prop;
    bool on;
};

// The handlers' tables, each in its own order. "Option3 selected" in Option1
// selects Option3 as a click would, running Option3's handler when that
// changes the selection.
const std::vector<Step> kOption1 = {
    {"Text8", Prop::Enabled, false},    {"Text9", Prop::Enabled, false},
    {"Text10", Prop::Enabled, false},   {"Text11", Prop::Enabled, false},
    {"Command3", Prop::Enabled, false}, {"Frame5", Prop::Visible, false},
    {"Frame2", Prop::Visible, true},    {"Frame4", Prop::Visible, true},
    {"Text5", Prop::Enabled, true},     {"Text6", Prop::Enabled, true},
    {"Text7", Prop::Enabled, true},     {"Text12", Prop::Enabled, true},
    {"Text13", Prop::Enabled, true},    {"Option3", Prop::Enabled, true},
    {"Option3", Prop::Selected, true},  {"Option4", Prop::Enabled, true},
    {"Command1", Prop::Enabled, true},
};
const std::vector<Step> kOption2 = {
    {"Text8", Prop::Enabled, true},     {"Text9", Prop::Enabled, true},
    {"Text10", Prop::Enabled, true},    {"Text11", Prop::Enabled, true},
    {"Command3", Prop::Enabled, true},  {"Frame2", Prop::Visible, true},
    {"Frame4", Prop::Visible, true},    {"Frame5", Prop::Visible, false},
    {"Text5", Prop::Enabled, false},    {"Text6", Prop::Enabled, false},
    {"Text7", Prop::Enabled, false},    {"Text12", Prop::Enabled, false},
    {"Text13", Prop::Enabled, false},   {"Option3", Prop::Enabled, false},
    {"Option4", Prop::Enabled, false},  {"Command6", Prop::Enabled, false},
    {"Command1", Prop::Enabled, false},
};
const std::vector<Step> kOption3 = {
    {"Text8", Prop::Enabled, false},    {"Text9", Prop::Enabled, false},
    {"Text10", Prop::Enabled, false},   {"Text11", Prop::Enabled, false},
    {"Command3", Prop::Enabled, false}, {"Command6", Prop::Visible, false},
    {"Frame5", Prop::Visible, false},   {"Frame2", Prop::Visible, true},
    {"Frame4", Prop::Visible, true},    {"Text5", Prop::Enabled, true},
    {"Text6", Prop::Enabled, true},     {"Text7", Prop::Enabled, true},
    {"Text12", Prop::Enabled, true},    {"Text13", Prop::Enabled, true},
    {"Command1", Prop::Visible, true},
};
const std::vector<Step> kOption4 = {
    {"Command6", Prop::Visible, true},  {"Command6", Prop::Enabled, true},
    {"Frame5", Prop::Visible, true},    {"Frame2", Prop::Visible, false},
    {"Frame4", Prop::Visible, false},   {"Text5", Prop::Enabled, false},
    {"Command3", Prop::Enabled, false}, {"Command1", Prop::Visible, false},
};

// Which frame holds each control; the rest lie on the window itself.
const std::map<std::string, std::string> kContainer = {
    {"Label1", "Frame1"},  {"Label2", "Frame1"},  {"Label3", "Frame1"},   {"Label4", "Frame1"},
    {"Option1", "Frame1"}, {"Option2", "Frame1"}, {"Label8", "Frame2"},   {"Label9", "Frame2"},
    {"Label13", "Frame2"}, {"Label14", "Frame2"}, {"Text8", "Frame2"},    {"Text9", "Frame2"},
    {"Text10", "Frame2"},  {"Text11", "Frame2"},  {"Label5", "Frame3"},   {"Label6", "Frame3"},
    {"Label7", "Frame3"},  {"Text5", "Frame3"},   {"Text6", "Frame3"},    {"Text7", "Frame3"},
    {"Option3", "Frame3"}, {"Option4", "Frame3"}, {"Label15", "Frame4"},  {"Label16", "Frame4"},
    {"Text12", "Frame4"},  {"Text13", "Frame4"},  {"Label10", "Frame5"},  {"Label11", "Frame5"},
    {"Label12", "Frame5"}, {"Label17", "Frame5"}, {"Text14", "Frame5"},   {"Text15", "Frame5"},
    {"Text16", "Frame5"},  {"Text17", "Frame5"},  {"Command5", "Frame5"},
};

struct State {
    bool visible = true;
    bool enabled = true;
    bool selected = false;
};

class Model {
  public:
    Model() {
        for (int i = 1; i <= 17; ++i) controls_["Text" + std::to_string(i)];
        for (int i = 1; i <= 17; ++i) controls_["Label" + std::to_string(i)];
        for (int i = 1; i <= 6; ++i) controls_["Command" + std::to_string(i)];
        for (int i = 1; i <= 5; ++i) controls_["Frame" + std::to_string(i)];
        for (int i = 1; i <= 4; ++i) controls_["Option" + std::to_string(i)];
        controls_["txtFileName"].visible = false;
        for (const char* name : {"Text8", "Text9", "Text10", "Text11", "Command3"}) {
            controls_[name].enabled = false;
        }
        controls_["Frame5"].visible = false;
        // The batch button starts hidden under the forward button, so that the
        // keyboard cannot reach it before continuous mode is chosen.
        controls_["Command6"].visible = false;
        controls_["Option1"].selected = true;
        controls_["Option3"].selected = true;
    }

    // A click on an option button; a disabled one ignores it.
    void clickOption(int n) {
        const std::string name = "Option" + std::to_string(n);
        if (!controls_[name].enabled) return;
        select(name);
        run(n == 1 ? kOption1 : n == 2 ? kOption2 : n == 3 ? kOption3 : kOption4);
    }

    // The button a click on the forward spot reaches: Command1 lies in front.
    std::string forwardSpot() const {
        if (shown("Command1")) return "Command1";
        return shown("Command6") ? "Command6" : "";
    }

    bool shown(const std::string& name) const {
        const State& s = controls_.at(name);
        const auto frame = kContainer.find(name);
        return s.visible && (frame == kContainer.end() || controls_.at(frame->second).visible);
    }
    const std::map<std::string, State>& controls() const { return controls_; }

  private:
    void select(const std::string& name) {
        const std::string partner = name == "Option1"   ? "Option2"
                                    : name == "Option2" ? "Option1"
                                    : name == "Option3" ? "Option4"
                                                        : "Option3";
        controls_[name].selected = true;
        controls_[partner].selected = false;
    }

    void run(const std::vector<Step>& steps) {
        for (const Step& step : steps) {
            State& s = controls_[step.control];
            switch (step.prop) {
                case Prop::Visible:
                    s.visible = step.on;
                    break;
                case Prop::Enabled:
                    s.enabled = step.on;
                    break;
                case Prop::Selected:
                    // Selecting from code behaves like a click when it changes the selection.
                    if (!s.selected) {
                        select(step.control);
                        run(kOption3);
                    }
                    break;
            }
        }
    }

    std::map<std::string, State> controls_;
};

}  // namespace

class ModesModelTest : public QObject {
    Q_OBJECT

  private slots:
    void randomClickSequencesFollowTheModel();

  private:
    QWidget* widget(const std::string& name) const {
        auto* w = form_->findChild<QWidget*>(QString::fromStdString(name));
        if (w == nullptr) qFatal("no widget %s", name.c_str());
        return w;
    }
    // Compares every control; returns a description of the first difference.
    QString compare(const Model& model) const;

    std::unique_ptr<FakeDesktop> desktop_;
    std::unique_ptr<MainForm> form_;
};

QString ModesModelTest::compare(const Model& model) const {
    // The window holds exactly the model's controls.
    static const QRegularExpression kDesignName(
        QStringLiteral("^((Text|Label|Option|Command|Frame)\\d+|txtFileName)$"));
    int named = 0;
    for (QWidget* w : form_->findChildren<QWidget*>()) {
        if (kDesignName.match(w->objectName()).hasMatch()) ++named;
    }
    if (named != static_cast<int>(model.controls().size())) {
        return QStringLiteral("window has %1 controls, model %2")
            .arg(named)
            .arg(model.controls().size());
    }
    for (const auto& [name, state] : model.controls()) {
        QWidget* w = widget(name);
        const bool shown = w->isVisibleTo(form_.get());
        if (shown != model.shown(name)) return QString::fromStdString(name + " visible");
        if (w->isEnabled() != state.enabled) return QString::fromStdString(name + " enabled");
        if (auto* option = qobject_cast<QRadioButton*>(w);
            option != nullptr && option->isChecked() != state.selected) {
            return QString::fromStdString(name + " selected");
        }
    }
    return {};
}

void ModesModelTest::randomClickSequencesFollowTheModel() {
    constexpr int kSequences = 10000;
    constexpr int kSequencesPerWindow = 250;
    std::mt19937 random(7);
    std::uniform_int_distribution<int> length(1, 12);
    // Click kinds: four options (weighted up), the forward spot, Command3,
    // Command2, and typing the worked example back into the inputs.
    std::discrete_distribution<int> kind({3, 3, 3, 3, 2, 2, 1, 1});

    std::unique_ptr<Model> model;
    for (int sequence = 0; sequence < kSequences; ++sequence) {
        if (sequence % kSequencesPerWindow == 0) {
            form_.reset();
            desktop_ = std::make_unique<FakeDesktop>();
            form_ = std::make_unique<MainForm>(*desktop_);
            form_->show();
            model = std::make_unique<Model>();
            const QString diff = compare(*model);
            QVERIFY2(diff.isEmpty(), qPrintable("at start-up: " + diff));
        }
        QStringList trail;
        const int steps = length(random);
        for (int step = 0; step < steps; ++step) {
            const int k = kind(random);
            if (k < 4) {
                const std::string name = "Option" + std::to_string(k + 1);
                QTest::mouseClick(widget(name), Qt::LeftButton);
                model->clickOption(k + 1);
                trail.append(QString::fromStdString(name));
            } else if (k == 4) {
                // The forward spot: the button in front of it, found by position.
                QWidget* spot = widget("Command1");
                QWidget* front = spot->parentWidget()->childAt(spot->geometry().center());
                const std::string expected = model->forwardSpot();
                const QString actual = front != nullptr ? front->objectName() : QString();
                QVERIFY2(actual == QString::fromStdString(expected),
                         qPrintable(trail.join(' ') + ": forward spot shows " + actual));
                if (front != nullptr) QTest::mouseClick(front, Qt::LeftButton);
                trail.append("spot:" + actual);
            } else if (k == 5) {
                if (model->shown("Command3")) QTest::mouseClick(widget("Command3"), Qt::LeftButton);
                trail.append(QStringLiteral("Command3"));
            } else if (k == 6) {
                desktop_->focusMoves.clear();
                QTest::mouseClick(widget("Command2"), Qt::LeftButton);
                QCOMPARE(desktop_->focusMoves, QStringList{QStringLiteral("Text1")});
                trail.append(QStringLiteral("Command2"));
            } else {
                const char* example[] = {"1000", "8765.888", "6789.999", "15.152555",
                                         "1500", "5",        "90"};
                for (int i = 0; i < 7; ++i) {
                    form_->setFieldText(static_cast<korvane::form::Field>(i + 1), example[i]);
                }
                trail.append(QStringLiteral("type"));
            }
            const QString diff = compare(*model);
            QVERIFY2(diff.isEmpty(), qPrintable(trail.join(' ') + ": " + diff + " differs"));
        }
    }
    form_.reset();
}

QTEST_MAIN(ModesModelTest)
#include "modes_model_test.moc"
