#include "ui/profile_view.h"

namespace korvane::ui {

ProfileView::ProfileView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("profileView"));
}

void ProfileView::setAlignment(std::shared_ptr<const route::Alignment> alignment) {
    alignment_ = std::move(alignment);
    update();
}

}  // namespace korvane::ui
