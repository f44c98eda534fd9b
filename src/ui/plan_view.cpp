#include "ui/plan_view.h"

namespace korvane::ui {

PlanView::PlanView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("planView"));
}

void PlanView::setAlignment(std::shared_ptr<const route::Alignment> alignment) {
    alignment_ = std::move(alignment);
    fit();
}

void PlanView::setMarks(std::vector<PlanMark> marks) {
    marks_ = std::move(marks);
    update();
}

void PlanView::fit() {
    update();
}

}  // namespace korvane::ui
