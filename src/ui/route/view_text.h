// Text in the route drawings: numbers with fixed decimals (rounded on the
// exact value, never "-0.000") and labels kept from piling up.
#pragma once

#include <QFontMetricsF>
#include <QPainter>
#include <QRectF>
#include <QString>
#include <algorithm>
#include <iterator>
#include <vector>

#include "geometry/fixed_text.h"

namespace korvane::ui {

// `value` with `decimals` decimals, then `suffix`; a value that rounds to zero
// has no sign.
inline QString fixed_text(double value, int decimals, const QString& suffix = {}) {
    return QString::fromStdString(geometry::shown_fixed(value, decimals)) + suffix;
}

// The same with a '+' before a positive value (a grade: "+1.250").
inline QString signed_text(double value, int decimals, const QString& suffix = {}) {
    QString text = fixed_text(value, decimals, suffix);
    if (!text.startsWith(QLatin1Char('-')) && value > 0) {
        bool zero = true;
        for (const QChar c : text) {
            if (c.isDigit() && c != QLatin1Char('0')) zero = false;
        }
        if (!zero) text.prepend(QLatin1Char('+'));
    }
    return text;
}

// Labels kept apart: a label is drawn only where it overlaps none drawn before.
class LabelPlacer {
  public:
    static constexpr std::size_t kMaxLabels = 400;  // per drawing

    LabelPlacer(QPainter& painter, const QRectF& bounds)
        : painter_(painter),
          bounds_(bounds),
          columns_(std::max(1, static_cast<int>(bounds.width() / kCell) + 1)),
          rows_(std::max(1, static_cast<int>(bounds.height() / kCell) + 1)),
          symbols_(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_)) {}

    void reserve(const QRectF& r) { taken_.push_back(r); }
    // A symbol no label may cover (a main point's circle, a JD's triangle);
    // not counted among the labels.
    // Kept in a grid of cells, so that a drawing of thousands of symbols
    // places its labels as fast as one of a few.
    void avoid(const QRectF& r) {
        if (!r.intersects(bounds_)) return;
        forCells(r, [&](std::vector<QRectF>& cell) {
            cell.push_back(r);
            return false;
        });
    }

    // Draws the text in `r` unless that overlaps a label drawn before or
    // leaves the bounds.
    bool place_in(const QRectF& r, const QString& text) {
        if (text.isEmpty() || taken_.size() >= kMaxLabels || !bounds_.contains(r)) return false;
        const auto covers = [&](const QRectF& t) { return t.intersects(r); };
        if (std::any_of(taken_.begin(), taken_.end(), covers) ||
            forCells(r, [&](std::vector<QRectF>& cell) {
                return std::any_of(cell.begin(), cell.end(), covers);
            }))
            return false;
        taken_.push_back(r);
        painter_.fillRect(r, QColor(255, 255, 255, 210));
        painter_.drawText(r, Qt::AlignCenter, text);
        return true;
    }

    // The size a label of `text` takes.
    QSizeF size_of(const QString& text) const {
        const QFontMetricsF fm(painter_.font());
        return {fm.horizontalAdvance(text) + 4, fm.height()};
    }

    // Tries the four corners around the point; returns whether it was drawn.
    bool place(QPointF at, const QString& text) {
        if (text.isEmpty() || taken_.size() >= kMaxLabels) return false;
        const QSizeF size = size_of(text);
        const double gap = 5;
        const QPointF corners[4] = {
            {at.x() + gap, at.y() - gap - size.height()},
            {at.x() + gap, at.y() + gap},
            {at.x() - gap - size.width(), at.y() - gap - size.height()},
            {at.x() - gap - size.width(), at.y() + gap},
        };
        return std::any_of(std::begin(corners), std::end(corners),
                           [&](const QPointF& c) { return place_in(QRectF(c, size), text); });
    }

  private:
    static constexpr double kCell = 32;  // pixels

    // Calls `visit` on every cell of the grid that `r` touches, until it
    // returns true; returns whether it did.
    template <class Visit>
    bool forCells(const QRectF& r, Visit visit) {
        const auto at = [](double v, double origin, int count) {
            return std::clamp(static_cast<int>((v - origin) / kCell), 0, count - 1);
        };
        const int left = at(r.left(), bounds_.left(), columns_);
        const int right = at(r.right(), bounds_.left(), columns_);
        const int top = at(r.top(), bounds_.top(), rows_);
        const int bottom = at(r.bottom(), bounds_.top(), rows_);
        for (int y = top; y <= bottom; ++y)
            for (int x = left; x <= right; ++x)
                if (visit(
                        symbols_[static_cast<std::size_t>(y) * static_cast<std::size_t>(columns_) +
                                 static_cast<std::size_t>(x)]))
                    return true;
        return false;
    }

    QPainter& painter_;
    QRectF bounds_;
    std::vector<QRectF> taken_;
    int columns_;
    int rows_;
    std::vector<std::vector<QRectF>> symbols_;  // cell by cell, row by row
};

}  // namespace korvane::ui
