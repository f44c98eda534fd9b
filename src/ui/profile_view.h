// The vertical profile of an alignment (纵断面图): the design line, vertical
// points of intersection, the extents of the vertical curves, grades labelled.
#pragma once

#include <QWidget>
#include <memory>

#include "route/alignment.h"

namespace korvane::ui {

class ProfileView : public QWidget {
    Q_OBJECT

  public:
    explicit ProfileView(QWidget* parent = nullptr);  // objectName "profileView"

    // The alignment whose profile is drawn (nothing when null or without a
    // profile).
    void setAlignment(std::shared_ptr<const route::Alignment> alignment);

  private:
    std::shared_ptr<const route::Alignment> alignment_;
};

}  // namespace korvane::ui
