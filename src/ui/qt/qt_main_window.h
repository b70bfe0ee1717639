// The real main window: Qt widgets built from the form description, with the window's events
// routed to TForm1 by handler name.
#pragma once

#include <QMainWindow>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "app/form_description.h"
#include "app/main_form.h"
#include "form/controls.h"
#include "ui/qt/qt_folder_browser.h"

class QLabel;
class QTabWidget;

namespace quillo {

class QtCheckBox;
class QtEditBox;
class QtRadioGroup;
class QtSpeedButton;
class TextListEditor;

class QtMainWindow : public QMainWindow, public MainWindow {
  Q_OBJECT

 public:
  explicit QtMainWindow(const FormDescription& description = MainFormDescription());
  ~QtMainWindow() override;

  // Routes clicks, showing, closing and the user's tab switches to the form from now on.
  void Attach(TForm1& form) { form_ = &form; }

  EditBox& Edit(std::string_view name) override;
  CheckBox& Check(std::string_view name) override;
  RadioGroup& Radio(std::string_view name) override;
  Button& SpeedButton(std::string_view name) override;
  ListEditor& Editor(std::string_view name) override;

  std::string StatusText() const override { return status_; }
  void SetStatusText(const std::string& text) override;
  void Repaint() override { repaint(); }
  void ProcessMessages() override;
  void SelectTab(int index) override;
  int ActiveTab() const override;
  FolderBrowser& Browser() override { return browser_; }

  QTabWidget* Tabs() const { return tabs_; }

 protected:
  void showEvent(QShowEvent* event) override;
  // Closing saves the settings at once; while a job runs the window stays until it has ended.
  void closeEvent(QCloseEvent* event) override;

 private:
  // Creates the control's widget on its page; returns the widgets that take the Tab key, first
  // to last.
  std::vector<QWidget*> BuildControl(const ControlDescription& control, QWidget* page);
  void Run(std::string_view handler);

  const FormDescription& description_;
  TForm1* form_ = nullptr;
  QtFolderBrowser browser_;
  QTabWidget* tabs_ = nullptr;
  QLabel* status_label_ = nullptr;
  std::string status_;
  bool close_requested_ = false;
  std::map<std::string, QtEditBox*, std::less<>> edits_;
  std::map<std::string, QtCheckBox*, std::less<>> checks_;
  std::map<std::string, QtRadioGroup*, std::less<>> radios_;
  std::map<std::string, QtSpeedButton*, std::less<>> buttons_;
  std::map<std::string, TextListEditor*, std::less<>> editors_;
};

}  // namespace quillo
