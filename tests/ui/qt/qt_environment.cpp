#include "qt_environment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QtGlobal>

namespace quillo::testing {
namespace {

class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    application_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override { application_.reset(); }

 private:
  int argc_ = 1;
  char name_[12] = "test_ui_qt";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> application_;
};

[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

std::unique_ptr<QTimer> OnNextModal(std::function<void(QWidget& dialog)> act) {
  auto timer = std::make_unique<QTimer>();
  QTimer* poll = timer.get();
  poll->setInterval(5);
  QObject::connect(poll, &QTimer::timeout, poll, [poll, act = std::move(act)] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (dialog == nullptr || !dialog->isVisible()) return;
    poll->stop();
    // Lets the dialog finish opening: what it posted to itself on the way runs first.
    QCoreApplication::processEvents();
    act(*dialog);
  });
  poll->start();
  return timer;
}

}  // namespace quillo::testing
