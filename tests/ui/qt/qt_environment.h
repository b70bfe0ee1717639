// Shared pieces of the Qt window tests: the application object for the whole test program, and a
// way to act on a modal dialog once the code under test has opened it.
#pragma once

#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

namespace quillo::testing {

// Runs act on the first modal dialog that opens after this call, from inside that dialog's own
// event loop. The returned timer stops looking when it is destroyed.
std::unique_ptr<QTimer> OnNextModal(std::function<void(QWidget& dialog)> act);

}  // namespace quillo::testing
