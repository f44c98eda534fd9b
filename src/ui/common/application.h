// The program's QApplication: file writing prepared for the file-size limit,
// and no allocation failure escaping an event handler.
#pragma once

#include <functional>

#include <QApplication>
#include <QString>

namespace korvane::ui {

class Application final : public QApplication {
  public:
    // Also prepares the process for writing files (files::prepare_for_file_writing),
    // so that a save beyond the file-size limit is reported, not fatal.
    Application(int& argc, char** argv);

    // Delivers the event. A handler that runs out of memory (std::bad_alloc)
    // must not unwind through Qt's event loop: the failure is reported through
    // `outOfMemory`, the event counts as not handled, and the window stays with
    // everything typed into it.
    bool notify(QObject* receiver, QEvent* event) override;

    // Shows the out-of-memory message; by default an information box over the
    // active window.
    std::function<void(const QString& message)> outOfMemory;
};

}  // namespace korvane::ui
