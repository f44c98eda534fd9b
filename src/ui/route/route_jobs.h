// The route window's computations as they run on a worker: a table of
// stations or the points of a file inverted, their rows handed to the window
// in chunks as they come, and what the window reads before it starts one.
#pragma once

#include <QString>
#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "files/read_points.h"
#include "route/alignment.h"
#include "route/forward.h"
#include "route/table.h"
#include "ui/route/background_task.h"
#include "ui/route/route_results.h"

namespace korvane::ui {

// Takes a chunk of rows on the worker, for the window.
using PostChunk = std::function<void(std::shared_ptr<ResultChunk>)>;

// The rows of the table `q` along the alignment `a`, posted in chunks; the
// rows it will have are stored in `expected` once counted. A set `cancel`
// stops it (the outcome then says so).
TaskOutcome tableJob(const route::Alignment& a, const route::TableRequest& q,
                     std::atomic<std::size_t>& expected, const PostChunk& post,
                     const std::atomic<bool>& cancel);

// The points of the file at `path` inverted onto the alignment `a`, in the file's
// order, read as the command line reads them (files::read_points, in the
// form `form`). A bad line or a point without a foot is a failure for the
// whole file; points with several feet are a warning.
TaskOutcome pointsInverseJob(const route::Alignment& a, const QString& path, files::PointForm form,
                             const PostChunk& post, const std::atomic<bool>& cancel);

}  // namespace korvane::ui
