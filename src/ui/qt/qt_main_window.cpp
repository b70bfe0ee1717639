#include "ui/qt/qt_main_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontInfo>
#include <QIcon>
#include <QLabel>
#include <QRadioButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTabWidget>
#include <algorithm>
#include <stdexcept>
#include <utility>

#include "ui/qt/list_editor.h"
#include "ui/qt/native_text.h"
#include "ui/qt/qt_controls.h"

// Resources of a static library are registered by hand: nothing else keeps them linked in.
static void InitQuillomarkResources() { Q_INIT_RESOURCE(resources); }

namespace quillo {
namespace {

// The program's icon at the sizes the build renders it, for title bars and task bars alike.
QIcon ProgramIcon() {
  QIcon icon;
  for (const char* path : {":/quillomark/icon-48.png", ":/quillomark/icon-256.png"}) {
    icon.addFile(path);
  }
  return icon;
}

// Japanese text in a proportional face, as the desktop's own Japanese UI font is, so that the
// longest captions fit beside their neighbours.
constexpr char kJapaneseUiFamily[] = "IPAPGothic";

template <typename Control>
Control& Lookup(const std::map<std::string, Control*, std::less<>>& controls,
                std::string_view name) {
  const auto found = controls.find(name);
  if (found == controls.end()) throw std::out_of_range("no control named " + std::string(name));
  return *found->second;
}

// A tab's keyboard stops: each control's place in the order and the widgets that take the key.
using TabStops = std::vector<std::pair<int, std::vector<QWidget*>>>;

void ChainTabOrder(TabStops& stops) {
  std::sort(stops.begin(), stops.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  QWidget* previous = nullptr;
  for (const auto& stop : stops) {
    for (QWidget* widget : stop.second) {
      if (previous != nullptr) QWidget::setTabOrder(previous, widget);
      previous = widget;
    }
  }
}

}  // namespace

QtMainWindow::QtMainWindow(const FormDescription& description)
    : description_(description), browser_(this) {
  InitQuillomarkResources();
  setObjectName(ToQString(description.name));
  setWindowTitle(ToQString(description.caption));
  setWindowIcon(ProgramIcon());
  QFont text_font = font();
  text_font.setPixelSize(description.font_pixels);
  text_font.setFamilies({QFontInfo(text_font).family(), kJapaneseUiFamily});
  setFont(text_font);

  tabs_ = new QTabWidget(this);
  tabs_->setObjectName("PageControl1");
  setCentralWidget(tabs_);
  std::vector<QWidget*> pages;
  for (const TabDescription& tab : description.tabs) {
    auto* page = new QWidget;
    page->setObjectName(ToQString(tab.name));
    tabs_->addTab(page, ToQString(tab.caption));
    pages.push_back(page);
  }

  std::vector<TabStops> stops(pages.size());
  for (const ControlDescription& control : description.controls) {
    const auto tab = static_cast<size_t>(control.tab);
    std::vector<QWidget*> focus = BuildControl(control, pages.at(tab));
    if (control.tab_order >= 0) stops[tab].emplace_back(control.tab_order, std::move(focus));
  }
  for (TabStops& tab_stops : stops) ChainTabOrder(tab_stops);

  statusBar()->setObjectName("StatusBar1");
  statusBar()->setFixedHeight(description.status_bar_height);
  status_label_ = new QLabel(statusBar());
  status_label_->setTextFormat(Qt::PlainText);
  statusBar()->addWidget(status_label_, 1);

  connect(tabs_, &QTabWidget::currentChanged, this, [this] { Run(description_.on_tab_change); });

  resize(description.bounds.width, description.bounds.height);
  move(description.bounds.x, description.bounds.y);
  setMinimumSize(description.min_width, description.min_height);
}

QtMainWindow::~QtMainWindow() {
  // The widgets torn down below may still signal; the form may already be gone.
  form_ = nullptr;
}

std::vector<QWidget*> QtMainWindow::BuildControl(const ControlDescription& control, QWidget* page) {
  const std::string name(control.name);
  const QString text = ToQString(control.text);
  const QRect bounds(control.bounds.x, control.bounds.y, control.bounds.width,
                     control.bounds.height);
  QWidget* widget = nullptr;
  std::vector<QWidget*> focus;
  switch (control.kind) {
    case ckLabel: {
      auto* label = new QLabel(text, page);
      label->setTextFormat(Qt::PlainText);
      label->move(bounds.topLeft());
      label->adjustSize();
      label->setObjectName(ToQString(name));
      return focus;
    }
    case ckEdit: {
      auto* edit = new QtEditBox(page);
      edit->setText(text);
      edits_[name] = edit;
      widget = edit;
      focus.push_back(edit);
      break;
    }
    case ckButton: {
      auto* button = new QtSpeedButton(page);
      button->setText(text);
      const std::string_view handler = control.handler;
      connect(button, &QPushButton::clicked, this, [this, handler] { Run(handler); });
      buttons_[name] = button;
      widget = button;
      break;
    }
    case ckCheckBox: {
      auto* check = new QtCheckBox(page);
      check->setText(text);
      checks_[name] = check;
      widget = check;
      focus.push_back(check);
      break;
    }
    case ckRadioGroup: {
      auto* radio = new QtRadioGroup(page, text, control.items, control.columns);
      radio->SetItemIndex(control.item_index);
      radios_[name] = radio;
      widget = radio;
      focus.assign(radio->Buttons().begin(), radio->Buttons().end());
      break;
    }
    case ckListEditor: {
      auto* editor = new TextListEditor(page);
      editors_[name] = editor;
      widget = editor;
      focus.push_back(editor);
      break;
    }
  }
  widget->setObjectName(ToQString(name));
  widget->setGeometry(bounds);
  widget->setEnabled(control.enabled);
  return focus;
}

EditBox& QtMainWindow::Edit(std::string_view name) { return Lookup(edits_, name); }
CheckBox& QtMainWindow::Check(std::string_view name) { return Lookup(checks_, name); }
RadioGroup& QtMainWindow::Radio(std::string_view name) { return Lookup(radios_, name); }
Button& QtMainWindow::SpeedButton(std::string_view name) { return Lookup(buttons_, name); }
ListEditor& QtMainWindow::Editor(std::string_view name) { return Lookup(editors_, name); }

void QtMainWindow::SetStatusText(const std::string& text) {
  status_ = text;
  status_label_->setText(ToQString(text));
}

void QtMainWindow::ProcessMessages() { QCoreApplication::processEvents(); }

void QtMainWindow::SelectTab(int index) {
  // Only the user's switches run the tab-change handler.
  const QSignalBlocker quiet(tabs_);
  tabs_->setCurrentIndex(index);
}

int QtMainWindow::ActiveTab() const { return tabs_->currentIndex(); }

void QtMainWindow::Run(std::string_view handler) {
  if (form_ == nullptr || handler.empty()) return;
  form_->Dispatch(handler);
  // A close that had to wait for a job completes once no job runs any more.
  if (close_requested_ && !form_->JobActive()) {
    QMetaObject::invokeMethod(
        this, [this] { close(); }, Qt::QueuedConnection);
  }
}

void QtMainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // Restoring a minimised window is a spontaneous show, not the form being shown.
  if (!event->spontaneous()) Run(description_.on_show);
}

void QtMainWindow::closeEvent(QCloseEvent* event) {
  if (form_ != nullptr && !close_requested_) {
    close_requested_ = true;
    form_->RequestClose();
  }
  if (form_ != nullptr && form_->JobActive()) {
    event->ignore();
    return;
  }
  QMainWindow::closeEvent(event);
}

}  // namespace quillo
